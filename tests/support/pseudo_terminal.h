#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal: the test reads and writes `controller`, pacsift gets `terminal`.
struct PseudoTerminal {
    int controller = -1;
    int terminal = -1;
    PseudoTerminal() {
        controller = posix_openpt(O_RDWR | O_NOCTTY);
        if (controller < 0 || grantpt(controller) != 0 || unlockpt(controller) != 0) return;
        terminal = open(ptsname(controller), O_RDWR | O_NOCTTY);
        termios settings;
        if (terminal >= 0 && tcgetattr(terminal, &settings) == 0) {
            cfmakeraw(&settings);   // no "\r\n" for "\n"
            tcsetattr(terminal, TCSANOW, &settings);
        }
    }
    ~PseudoTerminal() {
        if (terminal >= 0) close(terminal);
        if (controller >= 0) close(controller);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
};
