#pragma once

#include <cstdint>

// One line on standard error telling how far a long run has come (share of
// the savefile, packets, rate, time left), for `pacsift < big.pcap > big.txt`.

// True when standard error is a terminal, standard output is not, and
// standard input is a regular file: the only case with a progress line.
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
