#pragma once

#include <span>

// Starts "tcpdump -enx -s10240 -r- -- EXPR..." (without "--" when there is no
// expression) on the savefile arriving on standard input and makes its output
// our standard input.
void startPreprocessor(std::span<char* const> expression);

// At the end of a run: reaps the child. When the run reached the end of input
// the child has finished; returns true when it failed (non-zero status or a
// signal). Otherwise the child is ended quietly first. Returns false when no
// child was started.
bool finishPreprocessor(bool endOfInput);
