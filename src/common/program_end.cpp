#include "common/program_end.h"

#include <cstdio>

void endProgram(int status) { throw ProgramEnd{status}; }

void fatal(const char* message) {
    std::fprintf(stderr, "***Error: %s\n", message);
    endProgram(1);
}
