#pragma once

// What a tcpdump child says on its standard error, passed on to ours through
// a pipe of ours: whole, however long, and after the progress line has been
// erased, which is not drawn again in the middle of a message line.

struct ChildMessages {
    int pipe = -1;                // the read end; -1 once it has ended
    bool dropReadingLine = false; // its "reading from file" line was said already
    unsigned matched = 0;         // bytes of that line's start seen so far
    bool dropping = false;        // inside that line
};

// Starts passing on the messages arriving in `pipe`.
void startMessages(ChildMessages& messages, int pipe, bool dropReadingLine);

// Passes on what has arrived; call when the pipe is ready (it may wait
// otherwise). Closes the pipe at its end.
void passOnMessages(ChildMessages& messages);

// Passes on everything up to the end of the pipe (the child has ended or
// is about to).
void passOnAllMessages(ChildMessages& messages);

// Closes the pipe, passing nothing more on.
void dropMessages(ChildMessages& messages);
