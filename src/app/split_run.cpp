#include "app/split_run.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/child_messages.h"
#include "app/child_process.h"
#include "app/preprocessor.h"
#include "app/progress.h"
#include "app/savefile_parts.h"
#include "app/split_children.h"
#include "common/output.h"
#include "common/program_end.h"

// The ordered merge: the children's texts reach the line reader in file
// order, what later children write meanwhile is held until their turn, and
// the progress line is drawn while waiting. The children themselves are
// started and ended in split_children.cpp.

namespace {
constexpr unsigned kMostChildren = 8;
// The text of a part waiting its turn is held in memory, at most this much
// for all parts together. The decoder reads text far faster than a child
// writes it, so a waiting part only holds what its child writes while the
// parts before it are read; parts are sized so that their text fits. A child
// whose share is full simply waits (its pipe fills) until its turn.
constexpr size_t kHeldBudget = size_t{40} << 20;
// tcpdump writes about 3.6 bytes of text for each byte of the benchmark
// savefile; parts are sized for 4.
constexpr uint64_t kTextPerSavefileByte = 4;
// A waiting child's roomy pipe is taken from at least every kTakeEvery
// milliseconds.
constexpr int kTakeEvery = 5;
struct Part {
    SplitChild child;
    char* held = nullptr;          // text read before the part's turn
    size_t heldLength = 0, heldRead = 0;
    // Its messages, passed on in its turn: a waiting child that says much
    // waits, as one whose text is not taken does.
    ChildMessages messages;
};

struct SplitRun {
    bool active = false;
    TcpdumpArguments arguments;
    SavefileCutter cutter;
    uint64_t savefileStart = 0, partSize = 0;
    unsigned children = 0;
    size_t heldCapacity = 0;
    Part parts[kMostChildren];     // part n in parts[n % children]
    unsigned current = 0, started = 0;
    bool childFailed = false;
    // For the progress line: text read of the current part, and of the parts
    // before it with their savefile bytes (how much text a byte makes).
    uint64_t partText = 0, textBefore = 0, bytesBefore = 0;
};
SplitRun run;

Part& partNumber(unsigned number) { return run.parts[number % run.children]; }

size_t readSavefileAt(void*, uint64_t offset, unsigned char* into, size_t length) {
    size_t got = 0;
    while (got < length) {
        ssize_t n = pread(0, into + got, length - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    return got;
}

// Starts the next part's children, when a part is left.
void startNextPart() {
    uint64_t from, to;
    if (!nextPart(run.cutter, run.partSize, from, to)) return;
    Part& part = partNumber(run.started);
    part.child.begin = from;
    part.child.end = to;
    part.child.last = to == run.cutter.end;
    part.heldLength = part.heldRead = 0;
    startSplitChild(part.child, run.arguments, run.cutter.partPrefix, run.cutter.partPrefixLength);
    // Its "reading from file" line was said by the first child already.
    startMessages(part.messages, part.child.messages, run.started > 0);
    part.child.messages = -1;
    ++run.started;
}

// Keeps what a waiting part's child has written; closes its pipe at the end.
void holdText(Part& part) {
    size_t got = readChildOutput(part.child.text, part.held + part.heldLength, run.heldCapacity - part.heldLength);
    if (got > 0) {
        part.heldLength += got;
    } else {
        close(part.child.text);
        part.child.text = -1;
    }
}

// How much of the savefile has been shown: the parts before the current one,
// and of the current one as much as its text read so far stands for.
uint64_t savefileDone(const SplitChild& current) {
    uint64_t length = current.end - current.begin;
    double textPerByte = run.bytesBefore > 0 ? static_cast<double>(run.textBefore) / static_cast<double>(run.bytesBefore)
                                             : static_cast<double>(kTextPerSavefileByte);
    uint64_t within = static_cast<uint64_t>(static_cast<double>(run.partText) / textPerByte);
    return current.begin - run.savefileStart + (within < length ? within : length);
}

void flushBeforeWaiting(bool& flushed) {
    if (flushed) return;
    flushed = true;
#ifndef PACSIFT_NO_LIVE_FLUSH   // as the line reader (the benchmark's variant)
    flushOutput();
#endif
}

// Keeps what the waiting children have written so far, without waiting.
void holdWaitingTexts() {
    pollfd ready[kMostChildren];
    Part* owner[kMostChildren];
    size_t count = 0;
    for (unsigned number = run.current + 1; number < run.started; ++number) {
        Part& part = partNumber(number);
        if (part.child.text >= 0 && part.heldLength < run.heldCapacity) {
            ready[count] = {part.child.text, POLLIN, 0};
            owner[count++] = &part;
        }
    }
    if (count == 0 || poll(ready, count, 0) <= 0) return;
    for (size_t i = 0; i < count; ++i)
        if (ready[i].revents != 0) holdText(*owner[i]);
}

// Reads the current part's text, holding what the other children write
// meanwhile. Returns what it read, or 0 at the end of the part's text.
ssize_t readCurrent(Part& current, char* into, size_t capacity) {
    bool flushed = false;
    for (;;) {
        holdWaitingTexts();
        // Waited on: the current text and messages, and the waiting texts
        // whose pipes could not be made roomy.
        pollfd ready[1 + 2 * kMostChildren];
        Part* owner[1 + 2 * kMostChildren];
        size_t count = 0;
        ready[count] = {current.child.text, POLLIN, 0};
        owner[count++] = &current;
        bool takeSoon = false;   // a roomy waiting pipe to take from before long
        for (unsigned number = run.current; number < run.started; ++number) {
            Part& part = partNumber(number);
            if (number != run.current && part.child.text >= 0 && part.heldLength < run.heldCapacity) {
                if (part.child.roomyPipe) {
                    takeSoon = true;
                } else {
                    ready[count] = {part.child.text, POLLIN, 0};
                    owner[count++] = &part;
                }
            }
        }
        if (current.messages.pipe >= 0) {
            ready[count] = {current.messages.pipe, POLLIN, 0};
            owner[count++] = &current;
        }
        // Show what is decoded so far before waiting, as with one child. A
        // wait is cut short to take the waiting texts, and every quarter
        // second for the progress line.
        int wait = !flushed ? 0 : takeSoon ? kTakeEvery : 250;
        int got = poll(ready, count, wait);
        if (got < 0 && errno != EINTR) fatal("poll() failed");
        showProgress(savefileDone(current.child));
        if (got <= 0) {
            if (wait == 0) flushBeforeWaiting(flushed);
            continue;
        }
        for (size_t i = 1; i < count; ++i) {
            if (ready[i].revents == 0) continue;
            if (ready[i].fd == owner[i]->child.text)
                holdText(*owner[i]);
            else
                passOnMessages(owner[i]->messages);
        }
        if (ready[0].revents == 0) {
            flushBeforeWaiting(flushed);
            continue;
        }
        size_t read = readChildOutput(current.child.text, into, capacity);
        if (read > 0) return static_cast<ssize_t>(read);
        close(current.child.text);
        current.child.text = -1;
        return 0;
    }
}

// The current part's text has all been read: its messages passed on, its
// child settled. Returns false when the child failed, which ends the input as
// it would one child's.
bool endPart(Part& part) {
    passOnAllMessages(part.messages);
    return !endSplitChild(part.child);
}

// The line reader's source: the parts' texts in file order.
ssize_t readParts(char* into, size_t capacity) {
    while (run.current < run.started) {
        Part& part = partNumber(run.current);
        if (part.heldRead < part.heldLength) {
            size_t length = part.heldLength - part.heldRead;
            if (length > capacity) length = capacity;
            std::memcpy(into, part.held + part.heldRead, length);
            part.heldRead += length;
            run.partText += length;
            return static_cast<ssize_t>(length);
        }
        if (part.child.text >= 0) {
            ssize_t got = readCurrent(part, into, capacity);
            if (got > 0) {
                run.partText += static_cast<uint64_t>(got);
                return got;
            }
            continue;
        }
        if (!endPart(part)) {
            run.childFailed = true;
            return 0;
        }
        run.textBefore += run.partText;
        run.bytesBefore += part.child.end - part.child.begin;
        run.partText = 0;
        ++run.current;
        startNextPart();
    }
    return 0;
}
}  // namespace

unsigned splitChildren() {
    cpu_set_t cpus;
    if (sched_getaffinity(0, sizeof cpus, &cpus) != 0) return 1;
    unsigned count = static_cast<unsigned>(CPU_COUNT(&cpus));
    return count < kMostChildren ? count : kMostChildren;
}

uint64_t splitPartSize(uint64_t recordBytes, unsigned children) {
    size_t heldCapacity = kHeldBudget / children;
    return evenPartSize(recordBytes, children, heldCapacity / kTextPerSavefileByte);
}

InputSource startSplitRun(std::span<char* const> expression) {
    struct stat input;
    if (fstat(0, &input) != 0 || !S_ISREG(input.st_mode)) return nullptr;
    unsigned children = splitChildren();
    if (children < 2) return nullptr;
    off_t start = lseek(0, 0, SEEK_CUR);
    if (start < 0 || input.st_size < start) return nullptr;
    uint64_t size = static_cast<uint64_t>(input.st_size);
    uint64_t savefileStart = static_cast<uint64_t>(start);
    if (size - savefileStart < kSplitThreshold) return nullptr;
    SavefileReader reader{readSavefileAt, nullptr};
    if (!startCutting(run.cutter, reader, savefileStart, size)) return nullptr;
    // Nothing to cut: one child. The first part is planned again when the
    // run starts, so that the cutter begins afresh.
    uint64_t partSize = splitPartSize(size - run.cutter.next, children);
    uint64_t from, to;
    if (!nextPart(run.cutter, partSize, from, to) || to == size) return nullptr;
    startCutting(run.cutter, reader, savefileStart, size);

    run.arguments = tcpdumpArguments(expression);
    run.savefileStart = savefileStart;
    run.partSize = partSize;
    run.children = children;
    run.heldCapacity = kHeldBudget / children;
    run.current = run.started = 0;
    run.childFailed = false;
    run.partText = run.textBefore = run.bytesBefore = 0;
    for (unsigned slot = 0; slot < children; ++slot) {
        // Pages are taken only as text arrives.
        void* held = mmap(nullptr, run.heldCapacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (held == MAP_FAILED) fatal("mmap() failed");
        run.parts[slot].held = static_cast<char*>(held);
    }
    run.active = true;
    while (run.started < children && run.cutter.next < run.cutter.end) startNextPart();
    return readParts;
}

bool finishSplitRun(bool endOfInput) {
    (void)endOfInput;
    if (!run.active) return false;
    // Whatever is still running was not needed (a child failed before it, or
    // the run was cut short): ended at once and quietly, as one child is.
    for (unsigned number = run.current; number < run.started; ++number) {
        stopSplitChild(partNumber(number).child);
        dropMessages(partNumber(number).messages);
    }
    for (unsigned slot = 0; slot < run.children; ++slot) {
        munmap(run.parts[slot].held, run.heldCapacity);
        run.parts[slot].held = nullptr;
    }
    run.active = false;
    return run.childFailed;
}
