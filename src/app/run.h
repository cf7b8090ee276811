#pragma once

#include <cstddef>

// The whole program: options, locale, input source, the packet loop, and the
// end of the run. Returns the exit status, or kBrokenPipe when standard
// output's reader went away (main then ends as a filter does on SIGPIPE).
constexpr int kBrokenPipe = -1;
int runPacsift(int argc, char** argv);

// Puts every process-wide decoding state back as it is at start-up (packet
// state, line reader, time delta), so that one process can decode several
// inputs: the in-process runs below, the tests and the fuzzer do.
void resetDecoderState();

// Decodes `text` as cooked input in this process, with the given option words
// (no program name), sending the display to `sink`. Returns the exit status.
// Used by the tests and the fuzzer.
int runOnText(int argc, char** argv, const char* text, size_t length,
              int (*sink)(const char* data, size_t length));

// The same, reading cooked text from descriptor 0 as the program does, so
// that tests can see when the display is written out.
int runOnStandardInput(int argc, char** argv, int (*sink)(const char* data, size_t length));
