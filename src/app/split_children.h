#pragma once

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

#include "app/preprocessor.h"

// The children of a split run. Each part of the savefile on standard input
// gets two processes: a feeder, which writes the part's prefix (what tcpdump
// must read before the part's first record: the savefile's header) and then
// the part's bytes into a pipe, and a tcpdump child reading that pipe.

struct SplitChild {
    uint64_t begin = 0, end = 0;   // the part's bytes in the savefile
    bool last = false;             // reads on to the end of the file
    pid_t tcpdump = 0, feeder = 0;
    int text = -1;                 // the child's standard output
    int messages = -1;             // its standard error
    bool roomyPipe = false;        // the text pipe was made kRoomyPipe bytes
};

// A waiting child's pipe is made this large, so that its text need not be
// taken at each piece tcpdump writes (every wakeup costs both sides CPU time).
constexpr int kRoomyPipe = 1 << 20;

// Starts the part's feeder and its tcpdump child with `arguments`: the feeder
// writes `prefix` and then the part's bytes. The child speaks into
// child.messages, so that what it says comes in its part's turn.
void startSplitChild(SplitChild& child, const TcpdumpArguments& arguments, const unsigned char* prefix,
                     size_t prefixLength);

// The child's text has all been read: waits for it and ends the feeder (done
// by now, unless tcpdump stopped reading early). Returns true when tcpdump
// failed. Its message pipe must have been read to its end first.
bool endSplitChild(SplitChild& child);

// Ends both processes at once and quietly, and closes the child's pipes.
void stopSplitChild(SplitChild& child);
