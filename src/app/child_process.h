#pragma once

#include <cstddef>
#include <sys/types.h>

// Child processes, started one way for the one-child run and the split run:
// pipes close on exec, so a child holds only the descriptors it is given;
// between fork and exec (or _exit) the child makes only async-signal-safe
// calls, so nothing of ours (buffers, the display, the end of the run) is
// ever done twice.

// A pipe whose two ends close on exec; ends the program ("pipe() failed")
// when none can be made.
void makePipe(int ends[2]);

// The descriptors that become a child's standard input, output and error;
// -1 leaves ours.
struct ChildDescriptors {
    int input = -1;
    int output = -1;
    int errors = -1;
};

// Forks a child with `descriptors` in place, SIGPIPE back to its default (a
// child whose reader went away ends quietly), and runs body(context) there;
// `body` never returns: it execs or calls _exit, and makes only
// async-signal-safe calls. Returns the child's process id; ends the program
// ("fork() failed") when it cannot fork.
using ChildBody = void (*)(const void* context);
pid_t startChild(const ChildDescriptors& descriptors, ChildBody body, const void* context);

// Starts the program words[0], found on PATH as execvp finds it (the search
// is made before fork), with the argument list `words` (ending with
// nullptr). When it cannot be run, the child says "***Error: execvp()
// failed" on its standard error and ends with status 1.
pid_t startProgram(char* const* words, const ChildDescriptors& descriptors);

// Waits for the child `pid` (after SIGKILL when `stop`: ended at once and
// quietly, even while blocked writing to us) and sets it to 0. Returns true
// when it failed: a status other than 0, or a signal. False for no child.
bool reapChild(pid_t& pid, bool stop);

// Reads what a child wrote into the pipe `fd`, as read(2) does but through
// interruptions: the count, or 0 at its end. A read error is not the end of
// the text: it ends the program with the error's message, status 1.
size_t readChildOutput(int fd, char* into, size_t capacity);

// That error: "***Error: reading tcpdump's output: " and the error's text.
[[noreturn]] void childOutputUnreadable(int error);
