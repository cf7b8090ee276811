#include "app/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
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

// Where the child looks for the program, as execvp looks: each directory of
// PATH (an empty one is the current directory; /bin:/usr/bin without PATH)
// with the name appended, or only the name when it holds a slash. Made
// before fork, so that the child's search makes only async-signal-safe calls.
constexpr size_t kPlacesCapacity = 1 << 15;
struct Program {
    char* const* words;
    char places[kPlacesCapacity];   // one after the other, each ending in NUL; an empty one ends them
};
Program program;

void findPlaces(Program& found, char* const* words) {
    found.words = words;
    const char* name = words[0];
    size_t nameLength = std::strlen(name);
    size_t at = 0;
    auto add = [&](const char* folder, size_t folderLength) {
        // A place that does not fit is left out; the end mark always fits.
        if (at + folderLength + 1 + nameLength + 2 > kPlacesCapacity) return;
        std::memcpy(found.places + at, folder, folderLength);
        at += folderLength;
        if (folderLength > 0) found.places[at++] = '/';
        std::memcpy(found.places + at, name, nameLength + 1);
        at += nameLength + 1;
    };
    if (std::strchr(name, '/') != nullptr) {
        add("", 0);
    } else {
        const char* path = std::getenv("PATH");
        if (path == nullptr) path = "/bin:/usr/bin";
        for (;;) {
            const char* colon = std::strchr(path, ':');
            size_t length = colon != nullptr ? static_cast<size_t>(colon - path) : std::strlen(path);
            add(path, length);
            if (colon == nullptr) break;
            path = colon + 1;
        }
    }
    found.places[at] = '\0';
}

// In the child: tries each place as execvp does, going on past a place where
// the program is not (or may not be run), stopping at any other failure.
void execProgram(const void* context) {
    const Program& found = *static_cast<const Program*>(context);
    for (const char* place = found.places; *place != '\0'; place += std::strlen(place) + 1) {
        execv(place, found.words);
        if (errno != ENOENT && errno != ENOTDIR && errno != EACCES && errno != ESTALE && errno != ENODEV &&
            errno != ETIMEDOUT)
            break;
    }
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
    findPlaces(program, words);
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
