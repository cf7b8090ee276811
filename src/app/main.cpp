#include <csignal>

#include "app/run.h"

int main(int argc, char** argv) {
    int status = runPacsift(argc, argv);
    if (status == kBrokenPipe) {
        // End as a filter does when its reader goes away: by SIGPIPE, quietly.
        std::signal(SIGPIPE, SIG_DFL);
        std::raise(SIGPIPE);
    }
    return status;
}
