#include "app/child_messages.h"

#include <cerrno>
#include <unistd.h>

#include "app/child_process.h"
#include "app/progress.h"

namespace {
constexpr char kReadingLine[] = "reading from file ";
constexpr unsigned kReadingLength = sizeof kReadingLine - 1;

void writeError(const char* text, size_t length) {
    if (length == 0) return;
    eraseProgress();
    // A message line left open holds the progress line back until it ends.
    holdProgress(text[length - 1] != '\n');
    while (length > 0) {
        ssize_t written = write(2, text, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        text += written;
        length -= static_cast<size_t>(written);
    }
}

// Passes `text` on, leaving out a first line that begins "reading from file ".
void passOn(ChildMessages& messages, const char* text, size_t length) {
    while (length > 0 && messages.dropReadingLine) {
        if (messages.dropping) {
            if (*text == '\n') messages.dropReadingLine = false;
        } else if (*text == kReadingLine[messages.matched]) {
            if (++messages.matched == kReadingLength) messages.dropping = true;
        } else {
            // Another first line: what matched so far was its start.
            writeError(kReadingLine, messages.matched);
            messages.dropReadingLine = false;
            break;
        }
        ++text;
        --length;
    }
    writeError(text, length);
}
}  // namespace

void startMessages(ChildMessages& messages, int pipe, bool dropReadingLine) {
    messages = ChildMessages{};
    messages.pipe = pipe;
    messages.dropReadingLine = dropReadingLine;
}

void passOnMessages(ChildMessages& messages) {
    if (messages.pipe < 0) return;
    char block[4096];
    size_t got = readChildOutput(messages.pipe, block, sizeof block);
    if (got > 0) {
        passOn(messages, block, got);
    } else {
        // An unfinished start of a first line that said no more.
        if (messages.dropReadingLine && !messages.dropping) writeError(kReadingLine, messages.matched);
        dropMessages(messages);
    }
}

void passOnAllMessages(ChildMessages& messages) {
    while (messages.pipe >= 0) passOnMessages(messages);
}

void dropMessages(ChildMessages& messages) {
    if (messages.pipe >= 0) close(messages.pipe);
    messages.pipe = -1;
}
