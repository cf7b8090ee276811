#include "app/split_run.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/preprocessor.h"
#include "app/progress.h"
#include "app/savefile_parts.h"
#include "common/output.h"
#include "common/program_end.h"

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
// A waiting child's pipe is made this large, so that its text need not be
// taken at each piece tcpdump writes (every wakeup costs both sides CPU
// time); it is taken at least every kTakeEvery milliseconds instead.
constexpr int kRoomyPipe = 1 << 20;
constexpr int kTakeEvery = 5;
// What a child other than the first says on standard error, kept until its
// part's turn.
constexpr size_t kMessageCapacity = 1 << 14;

struct Part {
    uint64_t begin = 0, end = 0;   // its records in the savefile
    bool last = false;             // reads on to the end of the file
    pid_t tcpdump = 0, feeder = 0;
    int text = -1;                 // the child's standard output
    bool roomyPipe = false;        // the pipe holds kRoomyPipe bytes
    int messages = -1;             // its standard error (not the first child's)
    char* held = nullptr;          // text read before the part's turn
    size_t heldLength = 0, heldRead = 0;
    char message[kMessageCapacity];
    size_t messageLength = 0;
};

struct SplitRun {
    bool active = false;
    TcpdumpArguments arguments;
    unsigned char headerBytes[kSavefileHeaderSize];
    SavefileHeader header;
    uint64_t savefileStart = 0, recordsEnd = 0, partSize = 0, nextBegin = 0;
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

bool writeAllTo(int fd, const char* data, size_t length) {
    while (length > 0) {
        ssize_t written = write(fd, data, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

// The feeder: a process that writes the savefile's header and the part's
// records into tcpdump's standard input, reading with offsets of its own so
// that the file offset of standard input never moves.
[[noreturn]] void feed(int into, const Part& part) {
    std::signal(SIGPIPE, SIG_DFL);   // tcpdump gone (a bad filter): end quietly
    dup2(into, 1);
    close_range(3, ~0U, 0);
    if (!writeAllTo(1, reinterpret_cast<const char*>(run.headerBytes), kSavefileHeaderSize)) _exit(0);
    off_t offset = static_cast<off_t>(part.begin);
    for (;;) {
        uint64_t left = part.last ? uint64_t{1} << 30 : part.end - static_cast<uint64_t>(offset);
        if (left == 0) break;
        ssize_t sent = sendfile(1, 0, &offset, left < (uint64_t{1} << 30) ? left : uint64_t{1} << 30);
        if (sent > 0) continue;
        if (sent == 0) break;
        if (errno == EINTR) continue;
        if (errno != EINVAL && errno != ENOSYS) break;
        // A file that cannot be sent: copy it.
        char block[1 << 16];
        ssize_t got = pread(0, block, left < sizeof block ? left : sizeof block, offset);
        if (got <= 0 || !writeAllTo(1, block, static_cast<size_t>(got))) break;
        offset += got;
    }
    _exit(0);
}

void makePipe(int ends[2]) {
    if (pipe2(ends, O_CLOEXEC) != 0) fatal("pipe() failed");
}

// Starts the next part's feeder and tcpdump child; the part ends at `end`.
void startPart(uint64_t end) {
    Part& part = partNumber(run.started);
    bool first = run.started == 0;
    part.begin = run.nextBegin;
    part.end = end;
    part.last = end == run.recordsEnd;
    part.heldLength = part.heldRead = part.messageLength = 0;
    run.nextBegin = end;

    int input[2], text[2], messages[2] = {-1, -1};
    makePipe(input);
    makePipe(text);
    if (!first) makePipe(messages);
    pid_t feeder = fork();
    if (feeder < 0) fatal("fork() failed");
    if (feeder == 0) feed(input[1], part);
    part.feeder = feeder;

    pid_t child = fork();
    if (child < 0) fatal("fork() failed");
    if (child == 0) {
        dup2(input[0], 0);
        dup2(text[1], 1);
        // Every child but the first speaks into a pipe of ours, so that only
        // one "reading from file" line shows and the rest comes in its turn.
        if (!first) dup2(messages[1], 2);
        std::signal(SIGPIPE, SIG_DFL);
        execvp("tcpdump", run.arguments.words);
        const char failed[] = "***Error: execvp() failed\n";
        writeAllTo(2, failed, sizeof failed - 1);
        _exit(1);
    }
    part.tcpdump = child;
    close(input[0]);
    close(input[1]);
    close(text[1]);
    if (!first) close(messages[1]);
    part.text = text[0];
    part.roomyPipe = fcntl(text[0], F_SETPIPE_SZ, kRoomyPipe) >= kRoomyPipe;
    part.messages = messages[0];
    ++run.started;
}

void startNextPart() {
    if (run.nextBegin >= run.recordsEnd) return;
    SavefileReader reader{readSavefileAt, nullptr};
    startPart(nextPartEnd(reader, run.header, run.nextBegin, run.recordsEnd, run.partSize));
}

// Keeps what a waiting part's child has written; closes its pipe at the end.
void holdText(Part& part) {
    ssize_t got = read(part.text, part.held + part.heldLength, run.heldCapacity - part.heldLength);
    if (got > 0) {
        part.heldLength += static_cast<size_t>(got);
    } else if (got == 0 || errno != EINTR) {
        close(part.text);
        part.text = -1;
    }
}

void holdMessages(Part& part) {
    char scratch[4096];
    size_t room = kMessageCapacity - part.messageLength;
    char* into = room > 0 ? part.message + part.messageLength : scratch;
    ssize_t got = read(part.messages, into, room > 0 ? room : sizeof scratch);
    if (got > 0) {
        if (room > 0) part.messageLength += static_cast<size_t>(got);
    } else if (got == 0 || errno != EINTR) {
        close(part.messages);
        part.messages = -1;
    }
}

// How much of the savefile has been shown: the parts before the current one,
// and of the current one as much as its text read so far stands for.
uint64_t savefileDone(const Part& current) {
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
        if (part.text >= 0 && part.heldLength < run.heldCapacity) {
            ready[count] = {part.text, POLLIN, 0};
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
        // Waited on: the current text, every child's messages, and the
        // waiting texts whose pipes could not be made roomy.
        pollfd ready[1 + 2 * kMostChildren];
        Part* owner[1 + 2 * kMostChildren];
        size_t count = 0;
        ready[count] = {current.text, POLLIN, 0};
        owner[count++] = &current;
        bool takeSoon = false;   // a roomy waiting pipe to take from before long
        for (unsigned number = run.current; number < run.started; ++number) {
            Part& part = partNumber(number);
            if (number != run.current && part.text >= 0 && part.heldLength < run.heldCapacity) {
                if (part.roomyPipe) {
                    takeSoon = true;
                } else {
                    ready[count] = {part.text, POLLIN, 0};
                    owner[count++] = &part;
                }
            }
            if (part.messages >= 0) {
                ready[count] = {part.messages, POLLIN, 0};
                owner[count++] = &part;
            }
        }
        // Show what is decoded so far before waiting, as with one child. A
        // wait is cut short to take the waiting texts, and every quarter
        // second for the progress line.
        int wait = !flushed ? 0 : takeSoon ? kTakeEvery : 250;
        int got = poll(ready, count, wait);
        if (got < 0 && errno != EINTR) fatal("poll() failed");
        showProgress(savefileDone(current));
        if (got <= 0) {
            if (wait == 0) flushBeforeWaiting(flushed);
            continue;
        }
        for (size_t i = 1; i < count; ++i) {
            if (ready[i].revents == 0) continue;
            if (ready[i].fd == owner[i]->text)
                holdText(*owner[i]);
            else
                holdMessages(*owner[i]);
        }
        if (ready[0].revents == 0) {
            flushBeforeWaiting(flushed);
            continue;
        }
        ssize_t read = ::read(current.text, into, capacity);
        if (read > 0) return read;
        if (read < 0 && errno == EINTR) continue;
        close(current.text);
        current.text = -1;
        return 0;
    }
}

void reap(pid_t& pid, int* status) {
    if (pid <= 0) return;
    int ignored;
    while (waitpid(pid, status != nullptr ? status : &ignored, 0) < 0 && errno == EINTR) {
    }
    pid = 0;
}

// The current part's text has all been read: settle its child. Returns
// false when the child failed, which ends the input as it would one child's.
bool endPart(Part& part, bool first) {
    while (part.messages >= 0) holdMessages(part);
    int status = 0;
    reap(part.tcpdump, &status);
    // Done feeding by now, unless tcpdump stopped reading early.
    if (part.feeder > 0) kill(part.feeder, SIGKILL);
    reap(part.feeder, nullptr);
    if (!first && part.messageLength > 0) {
        // Its "reading from file" line was said by the first child already.
        const char* text = part.message;
        size_t length = part.messageLength;
        const char reading[] = "reading from file ";
        if (length >= sizeof reading - 1 && std::memcmp(text, reading, sizeof reading - 1) == 0) {
            const void* newline = std::memchr(text, '\n', length);
            size_t skip = newline != nullptr ? static_cast<size_t>(static_cast<const char*>(newline) - text) + 1 : length;
            text += skip;
            length -= skip;
        }
        if (length > 0) {
            eraseProgress();
            writeAllTo(2, text, length);
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
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
        if (part.text >= 0) {
            ssize_t got = readCurrent(part, into, capacity);
            if (got > 0) {
                run.partText += static_cast<uint64_t>(got);
                return got;
            }
            continue;
        }
        if (!endPart(part, run.current == 0)) {
            run.childFailed = true;
            return 0;
        }
        run.textBefore += run.partText;
        run.bytesBefore += part.end - part.begin;
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
    if (readSavefileAt(nullptr, savefileStart, run.headerBytes, kSavefileHeaderSize) != kSavefileHeaderSize ||
        !readSavefileHeader(run.headerBytes, run.header))
        return nullptr;

    uint64_t recordsBegin = savefileStart + kSavefileHeaderSize;
    uint64_t partSize = splitPartSize(size - recordsBegin, children);
    SavefileReader reader{readSavefileAt, nullptr};
    uint64_t firstEnd = nextPartEnd(reader, run.header, recordsBegin, size, partSize);
    if (firstEnd == size) return nullptr;   // nothing to cut: one child

    run.arguments = tcpdumpArguments(expression);
    run.savefileStart = savefileStart;
    run.recordsEnd = size;
    run.partSize = partSize;
    run.nextBegin = recordsBegin;
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
    startPart(firstEnd);
    while (run.started < children) {
        if (run.nextBegin >= run.recordsEnd) break;
        startNextPart();
    }
    return readParts;
}

bool finishSplitRun(bool endOfInput) {
    (void)endOfInput;
    if (!run.active) return false;
    // Whatever is still running was not needed (a child failed before it, or
    // the run was cut short): ended at once and quietly, as one child is.
    for (unsigned number = run.current; number < run.started; ++number) {
        Part& part = partNumber(number);
        if (part.tcpdump > 0) kill(part.tcpdump, SIGKILL);
        if (part.feeder > 0) kill(part.feeder, SIGKILL);
        reap(part.tcpdump, nullptr);
        reap(part.feeder, nullptr);
        if (part.text >= 0) close(part.text);
        if (part.messages >= 0) close(part.messages);
        part.text = part.messages = -1;
    }
    for (unsigned slot = 0; slot < run.children; ++slot) {
        munmap(run.parts[slot].held, run.heldCapacity);
        run.parts[slot].held = nullptr;
    }
    run.active = false;
    return run.childFailed;
}
