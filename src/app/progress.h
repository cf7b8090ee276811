#pragma once

#include <cstdint>

// One line on standard error telling how far a long run has come (share of
// the savefile, packets, rate, time left), for `pacsift < big.pcap > big.txt`.

// True when standard error is a terminal, standard input is a regular file,
// and standard output is a regular file or a device that is not a terminal
// (/dev/null): the only case with a progress line. Never into a pipe, whose
// reader (a pager) may own the terminal.
bool progressWanted();

// Starts the clock; the savefile holds `total` bytes.
void startProgress(uint64_t total);

// `done` bytes of the savefile have been printed by tcpdump. Redraws the line
// at most four times a second, the first time half a second after the start
// (so that tcpdump's own first line comes before it). Nothing before
// startProgress.
void showProgress(uint64_t done);

// Erases the line, if one was drawn; the next showProgress draws it again.
void eraseProgress();

// While held (a message line written on standard error has not ended yet),
// the line is not drawn.
void holdProgress(bool held);
