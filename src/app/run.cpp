#include "app/run.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/command_line.h"
#include "app/preprocessor.h"
#include "app/progress.h"
#include "app/split_run.h"
#include "app/standard_input.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/program_end.h"
#include "input/line_reader.h"
#include "packet/packet_loop.h"
#include "packet/time_delta.h"
#include "present/names.h"

namespace {
// The filter expression's words, for the hint when tcpdump fails.
std::span<char* const> expressionWords;

// Ends a run: writes out the display, then settles the status. A child that
// failed (no tcpdump, not a savefile, a bad filter) makes the run fail too.
int finishRun(ProgramEnd end) {
    eraseProgress();
    try {
        flushOutput();
    } catch (const ProgramEnd& writeFailure) {
        end = writeFailure;
    }
    bool childFailed = finishSplitRun(end.endOfInput) || finishPreprocessor(end.endOfInput);
    if (end.brokenPipe) return kBrokenPipe;
    if (end.status == 0 && childFailed) {
        // "pacsift capture.pcap" with something else on standard input.
        if (end.endOfInput) hintAtFileName(expressionWords);
        return 1;
    }
    return end.status;
}

// With one child, a duplicate of the original standard input shares the
// savefile's offset with tcpdump: it tells how far tcpdump has read.
int savefileCopy = -1;
off_t savefileStart = 0;

ssize_t readWithProgress(char* into, size_t capacity) {
    off_t offset = lseek(savefileCopy, 0, SEEK_CUR);
    if (offset >= savefileStart) showProgress(static_cast<uint64_t>(offset - savefileStart));
    return readPreprocessorOutput(into, capacity);
}

// Cooked text on standard input: a read error is an error, not its end.
ssize_t readCookedInput(char* into, size_t capacity) {
    ssize_t got = readStandardInput(into, capacity);
    if (got < 0) {
        char message[160];
        std::snprintf(message, sizeof message, "reading standard input: %s", std::strerror(errno));
        fatal(message);
    }
    return got;
}

// Returns where the text comes from: standard input as given (-cooked), the
// children of a split savefile, or one tcpdump child.
InputSource setUpInput(std::span<char* const> expression) {
    if (options.cooked) {
        if (!expression.empty()) std::fputs("input is cooked -- ignoring tcpdump expressions\n", stderr);
        return readCookedInput;
    }
    refuseTerminalInput(expression);
    if (!options.pointToPoint) warnOfLinkType();
    bool progress = progressWanted();
    if (progress) {
        struct stat input;
        savefileStart = lseek(0, 0, SEEK_CUR);
        if (fstat(0, &input) != 0 || savefileStart < 0 || input.st_size < savefileStart) {
            progress = false;
        } else {
            startProgress(static_cast<uint64_t>(input.st_size - savefileStart));
            setBeforeMessage(eraseProgress);
        }
    }
    if (InputSource parts = startSplitRun(expression)) return parts;
    if (progress) savefileCopy = fcntl(0, F_DUPFD_CLOEXEC, 3);
    startPreprocessor(expression, progress);
    return savefileCopy >= 0 ? readWithProgress : readPreprocessorOutput;
}
}  // namespace

int runPacsift(int argc, char** argv) {
    try {
        auto words = std::span<char* const>(argv, static_cast<size_t>(argc)).subspan(argc > 0 ? 1 : 0);
        auto expression = parseOptions(words);
        expressionWords = options.cooked ? std::span<char* const>() : expression;
        selectLocale();
        InputSource source = setUpInput(expression);
        writeEachPacket(isatty(1));
        watchForSlowLookups(isatty(2));
        // A closed output pipe shows up as a write error, so that the child
        // can be ended quietly first.
        std::signal(SIGPIPE, SIG_IGN);
        readInputFrom(source);
        packetLoop();
    } catch (const ProgramEnd& end) {
        return finishRun(end);
    }
}

void resetDecoderState() {
    state = PacketState{};
    resetLineReader();
    resetTimeDelta();
}

namespace {
// Runs in this process on `text`, or on descriptor 0 when there is none.
int runInProcess(int argc, char** argv, OutputSink sink, const char* text, size_t length) {
    options = Options{};
    resetDecoderState();
    setOutputSink(sink);
    int status;
    try {
        parseOptions(std::span<char* const>(argv, static_cast<size_t>(argc)));
        if (text != nullptr)
            readInputFromMemory(text, length);
        else
            readInputFromStandardInput();
        packetLoop();
    } catch (const ProgramEnd& end) {
        status = finishRun(end);
    }
    setOutputSink(writeToStandardOutput);
    return status;
}
}  // namespace

int runOnText(int argc, char** argv, const char* text, size_t length, OutputSink sink) {
    return runInProcess(argc, argv, sink, text != nullptr ? text : "", length);
}

int runOnStandardInput(int argc, char** argv, OutputSink sink) {
    return runInProcess(argc, argv, sink, nullptr, 0);
}
