#include "common/program_end.h"

#include <cstdio>

namespace {
void (*clearForMessage)() = nullptr;
}  // namespace

void setBeforeMessage(void (*clear)()) { clearForMessage = clear; }

void beforeMessage() {
    if (clearForMessage != nullptr) clearForMessage();
}

void endProgram(int status) { throw ProgramEnd{status}; }

void fatal(const char* message) {
    beforeMessage();
    std::fprintf(stderr, "***Error: %s\n", message);
    endProgram(1);
}
