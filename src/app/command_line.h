#pragma once

#include <span>

// Reads the option words into `options`; returns the filter expression words
// that follow them. Ends the program for -h or --help (the help text),
// --version ("pacsift VERSION") and on errors.
std::span<char* const> parseOptions(std::span<char* const> words);

// Selects the character-classification locale: LC_CTYPE, else LC_ALL.
void selectLocale();

// The help text; ends the program with status 0.
[[noreturn]] void usage();
