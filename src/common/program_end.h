#pragma once

// Every way the program ends goes through endProgram, which throws ProgramEnd.
// Only main() (or a test, or the fuzzer) catches it and turns it into an exit.
struct ProgramEnd {
    int status;
    bool brokenPipe = false;    // standard output's reader went away: end quietly
    bool endOfInput = false;    // the input ran out (the ordinary end of a run)
};

[[noreturn]] void endProgram(int status);

// Writes "***Error: <message>" on standard error and ends with status 1.
[[noreturn]] void fatal(const char* message);

// Called before the program writes a message of its own on standard error,
// so that a progress line drawn there is cleared first. The run sets it.
void setBeforeMessage(void (*clear)());
void beforeMessage();
