#pragma once

#include <cstdint>
#include <span>

#include "input/line_reader.h"

// A large savefile on standard input split among several tcpdump children,
// which print their parts at the same time; their texts reach the line reader
// one after the other, in file order, exactly as one child would write them.

// Savefiles smaller than this are given to one child. With a second CPU free,
// splitting pays from about 100 KB on (bench/run's threshold table), but by a
// few milliseconds only; below 1 MiB it is not worth a second child.
constexpr uint64_t kSplitThreshold =
#ifdef PACSIFT_SPLIT_THRESHOLD
    PACSIFT_SPLIT_THRESHOLD;   // the benchmark's build measures below the threshold
#else
    uint64_t{1} << 20;
#endif

// How many children run at once: the CPUs this process may use, at most 8
// (the decoder reads about seven children's text in the time they write it).
unsigned splitChildren();

// The size of each part of a savefile with `recordBytes` bytes of records.
uint64_t splitPartSize(uint64_t recordBytes, unsigned children);

// When standard input is a savefile worth splitting (and more than one CPU
// is ours), starts the first children and returns the source that hands over
// their texts; nullptr when one child is to read it all. Call before SIGPIPE
// is ignored; the expression words must already have been checked.
InputSource startSplitRun(std::span<char* const> expression);

// At the end of a run: as finishPreprocessor, for every child of the split run.
bool finishSplitRun(bool endOfInput);
