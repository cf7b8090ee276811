#include "app/preprocessor.h"

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "common/program_end.h"

namespace {
pid_t childPid = 0;
}  // namespace

TcpdumpArguments tcpdumpArguments(std::span<char* const> expression) {
    TcpdumpArguments arguments;
    const char* fixed[] = {"tcpdump", "-enx", "-s10240", "-r-"};
    size_t count = 0;
    for (const char* word : fixed) arguments.words[count++] = const_cast<char*>(word);
    // The expression words are filter words only: without "--" tcpdump's
    // option parser would take "-w FILE" among them as an option and write a
    // savefile there.
    if (!expression.empty()) arguments.words[count++] = const_cast<char*>("--");
    for (char* word : expression) {
        if (count == kArgumentSlots - 1) fatal("Too many expressions");
        arguments.words[count++] = word;
    }
    arguments.words[count] = nullptr;
    return arguments;
}

void startPreprocessor(std::span<char* const> expression) {
    TcpdumpArguments arguments = tcpdumpArguments(expression);

    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) fatal("pipe() failed");
    pid_t pid = fork();
    if (pid < 0) fatal("fork() failed");

    if (pid > 0) {
        childPid = pid;
        close(0);
        if (dup(pipeEnds[0]) != 0) fatal("dup() failed");
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return;
    }

    close(1);
    if (dup(pipeEnds[1]) != 1) fatal("dup() failed");
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    execvp("tcpdump", arguments.words);
    fatal("execvp() failed");
}

bool finishPreprocessor(bool endOfInput) {
    if (childPid == 0) return false;
    // Cut short (an error, or our reader went away): end the child before it
    // finds its pipe closed and complains. tcpdump catches SIGTERM and may be
    // blocked writing to us, so only SIGKILL ends it at once and quietly.
    if (!endOfInput) kill(childPid, SIGKILL);
    int status = 0;
    while (waitpid(childPid, &status, 0) < 0) {
        if (errno != EINTR) {
            childPid = 0;
            return false;
        }
    }
    childPid = 0;
    return !WIFEXITED(status) || WEXITSTATUS(status) != 0;
}
