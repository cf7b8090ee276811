#include "app/preprocessor.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

#include "app/child_messages.h"
#include "app/child_process.h"
#include "common/output.h"
#include "common/program_end.h"
#include "input/line_reader.h"

namespace {
pid_t childPid = 0;
ChildMessages messages;   // when they are passed on
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

void startPreprocessor(std::span<char* const> expression, bool passMessagesOn) {
    TcpdumpArguments arguments = tcpdumpArguments(expression);
    int text[2], errors[2] = {-1, -1};
    makePipe(text);
    if (passMessagesOn) makePipe(errors);
    childPid = startProgram(arguments.words, ChildDescriptors{-1, text[1], errors[1]});
    if (dup2(text[0], 0) != 0) fatal("dup() failed");
    close(text[0]);
    close(text[1]);
    if (passMessagesOn) {
        close(errors[1]);
        startMessages(messages, errors[0], false);
    }
}

namespace {
// Passes on what the child says while waiting for its text; true when its
// text is ready.
bool textReady() {
    pollfd ready[2] = {{0, POLLIN, 0}, {messages.pipe, POLLIN, 0}};
    if (poll(ready, 2, -1) < 0) return false;   // interrupted: wait again
    if (ready[1].revents != 0) passOnMessages(messages);
    return ready[0].revents != 0;
}
}  // namespace

ssize_t readPreprocessorOutput(char* into, size_t capacity) {
    if (messages.pipe >= 0) {
        // Its messages are passed on as they come, and before waiting what
        // is decoded so far is written out, as without them.
        pollfd ready[2] = {{0, POLLIN, 0}, {messages.pipe, POLLIN, 0}};
        if (poll(ready, 2, 0) < 0) ready[0].revents = POLLIN;   // interrupted: read
        if (ready[1].revents != 0) passOnMessages(messages);
        if (ready[0].revents == 0) {
#ifndef PACSIFT_NO_LIVE_FLUSH
            flushOutput();
#endif
            while (messages.pipe >= 0 && !textReady()) {
            }
        }
    }
    ssize_t got = readStandardInput(into, capacity);
    if (got < 0) childOutputUnreadable(errno);
    return got;
}

bool finishPreprocessor(bool endOfInput) {
    if (endOfInput)
        passOnAllMessages(messages);
    else
        dropMessages(messages);
    // Cut short (an error, or our reader went away): the child is ended
    // before it finds its pipe closed and complains. tcpdump catches SIGTERM
    // and may be blocked writing to us, so only SIGKILL ends it at once and
    // quietly.
    return reapChild(childPid, !endOfInput);
}
