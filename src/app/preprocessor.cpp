#include "app/preprocessor.h"

#include <cerrno>
#include <unistd.h>

#include "app/child_process.h"
#include "common/program_end.h"
#include "input/line_reader.h"

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
    int text[2];
    makePipe(text);
    childPid = startProgram(arguments.words, ChildDescriptors{-1, text[1], -1});
    if (dup2(text[0], 0) != 0) fatal("dup() failed");
    close(text[0]);
    close(text[1]);
}

ssize_t readPreprocessorOutput(char* into, size_t capacity) {
    ssize_t got = readStandardInput(into, capacity);
    if (got < 0) childOutputUnreadable(errno);
    return got;
}

bool finishPreprocessor(bool endOfInput) {
    // Cut short (an error, or our reader went away): the child is ended
    // before it finds its pipe closed and complains. tcpdump catches SIGTERM
    // and may be blocked writing to us, so only SIGKILL ends it at once and
    // quietly.
    return reapChild(childPid, !endOfInput);
}
