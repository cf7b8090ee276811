#pragma once

#include <cstddef>
#include <span>

#include <sys/types.h>

// tcpdump's argument list: "tcpdump -enx -s10240 -r-", then "--" and the
// expression words when there are any, then the end marker; every child gets
// it. Stops the program with "Too many expressions" when the words do not fit.
constexpr size_t kArgumentSlots = 102;   // 4 fixed words, "--", 96 expression words, the end marker
struct TcpdumpArguments {
    char* words[kArgumentSlots];
};
TcpdumpArguments tcpdumpArguments(std::span<char* const> expression);

// Starts "tcpdump -enx -s10240 -r- -- EXPR..." (without "--" when there is no
// expression) on the savefile arriving on standard input and makes its output
// our standard input. With `passMessagesOn` (a progress line is drawn) what
// it says comes through us, after the progress line is erased; otherwise
// straight onto our standard error.
void startPreprocessor(std::span<char* const> expression, bool passMessagesOn);

// The line reader's source for one child: its text on standard input, what
// is decoded so far written out before a read that would wait. A read error
// ends the program with its message rather than passing for the end.
ssize_t readPreprocessorOutput(char* into, size_t capacity);

// At the end of a run: reaps the child. When the run reached the end of input
// the child has finished; returns true when it failed (non-zero status or a
// signal). Otherwise the child is ended quietly first. Returns false when no
// child was started.
bool finishPreprocessor(bool endOfInput);
