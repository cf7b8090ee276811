#include "app/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/program_end.h"

namespace {
// Makes `from` the descriptor `to` for an exec to come; only
// async-signal-safe calls. A pipe end that already is `to` keeps its number
// but must lose close-on-exec.
void place(int from, int to) {
    if (from < 0) return;
    if (from == to)
        fcntl(to, F_SETFD, 0);
    else
        dup2(from, to);
}

struct ProgramWords {
    char* const* words;
};

void execProgram(const void* context) {
    char* const* words = static_cast<const ProgramWords*>(context)->words;
    execvp(words[0], words);
    static const char failed[] = "***Error: execvp() failed\n";
    ssize_t ignored = write(2, failed, sizeof failed - 1);
    (void)ignored;
    _exit(1);
}
}  // namespace

void makePipe(int ends[2]) {
    if (pipe2(ends, O_CLOEXEC) != 0) fatal("pipe() failed");
}

pid_t startChild(const ChildDescriptors& descriptors, ChildBody body, const void* context) {
    pid_t pid = fork();
    if (pid < 0) fatal("fork() failed");
    if (pid > 0) return pid;
    place(descriptors.input, 0);
    place(descriptors.output, 1);
    place(descriptors.errors, 2);
    signal(SIGPIPE, SIG_DFL);
    body(context);
    _exit(1);   // a body that returned
}

pid_t startProgram(char* const* words, const ChildDescriptors& descriptors) {
    ProgramWords program{words};
    return startChild(descriptors, execProgram, &program);
}

bool reapChild(pid_t& pid, bool stop) {
    if (pid <= 0) return false;
    if (stop) kill(pid, SIGKILL);
    int status = 0;
    pid_t got;
    while ((got = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    pid = 0;
    if (got < 0) return false;
    return !WIFEXITED(status) || WEXITSTATUS(status) != 0;
}

size_t readChildOutput(int fd, char* into, size_t capacity) {
    for (;;) {
        ssize_t got = read(fd, into, capacity);
        if (got >= 0) return static_cast<size_t>(got);
        if (errno != EINTR) childOutputUnreadable(errno);
    }
}

void childOutputUnreadable(int error) {
    char message[160];
    std::snprintf(message, sizeof message, "reading tcpdump's output: %s", std::strerror(error));
    fatal(message);
}
