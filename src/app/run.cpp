#include "app/run.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "app/command_line.h"
#include "app/preprocessor.h"
#include "app/standard_input.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/program_end.h"
#include "input/line_reader.h"
#include "input/packet_loop.h"
#include "input/time_delta.h"
#include "present/names.h"

namespace {
// Ends a run: writes out the display, then settles the status. A child that
// failed (no tcpdump, not a savefile, a bad filter) makes the run fail too.
int finishRun(ProgramEnd end) {
    try {
        flushOutput();
    } catch (const ProgramEnd& writeFailure) {
        end = writeFailure;
    }
    bool childFailed = finishPreprocessor(end.endOfInput);
    if (end.brokenPipe) return kBrokenPipe;
    if (end.status == 0 && childFailed) return 1;
    return end.status;
}

void setUpInput(std::span<char* const> expression) {
    if (options.cooked) {
        if (!expression.empty()) std::fputs("input is cooked -- ignoring tcpdump expressions\n", stderr);
    } else {
        refuseTerminalInput(expression);
        if (!options.pointToPoint) warnOfLinkType();
        startPreprocessor(expression);
    }
}
}  // namespace

int runPacsift(int argc, char** argv) {
    try {
        auto words = std::span<char* const>(argv, static_cast<size_t>(argc)).subspan(argc > 0 ? 1 : 0);
        auto expression = parseOptions(words);
        selectLocale();
        setUpInput(expression);
        writeEachPacket(isatty(1));
        watchForSlowLookups(isatty(2));
        // A closed output pipe shows up as a write error, so that the child
        // can be ended quietly first.
        std::signal(SIGPIPE, SIG_IGN);
        readInputFromStandardInput();
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
