// The progress line: on standard error when it is a terminal, standard input
// is a regular file, and standard output a file or a device that is no
// terminal (never a pipe, whose reader may own the terminal); erased at the
// end and before any message. The binary under a pseudo-terminal, with one
// tcpdump child and with several.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>

#include "app/split_run.h"
#include "support/fake_names.h"
#include "support/pseudo_terminal.h"
#include "support/run_binary.h"
#include "support/savefile_split.h"

namespace {

struct TerminalRun {
    std::string terminal;   // what reached the terminal (standard error, maybe output)
    int status = -1;
};

// Runs `command` with sh, standard error on a new pseudo-terminal, standard
// output on /dev/null or on the same terminal.
TerminalRun runUnderTerminal(const std::string& command, bool outputToTerminal) {
    TerminalRun result;
    PseudoTerminal pty;
    if (pty.terminal < 0) return result;
    pid_t pid = fork();
    if (pid == 0) {
        setsid();
        int null = open("/dev/null", O_WRONLY);
        dup2(outputToTerminal ? pty.terminal : null, 1);
        dup2(pty.terminal, 2);
        for (int fd = 3; fd < 256; ++fd) close(fd);
        setenv("TZ", "UTC", 1);
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pty.terminal);
    pty.terminal = -1;
    char buffer[4096];
    for (;;) {
        ssize_t got = read(pty.controller, buffer, sizeof buffer);
        if (got > 0) {
            result.terminal.append(buffer, static_cast<size_t>(got));
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else {
            break;   // EIO: every writer has closed the terminal
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

const std::string kNamesOff = " -noHostNames -noPortNames -noEtherNames";
const std::string kReadingLine = "reading from file -, link-type EN10MB (Ethernet), snapshot length 65535\n";

// After tcpdump's line, nothing but progress lines, each drawn over the last
// from the start of the line, and at the end blanks over the last one.
void expectProgressLine(const std::string& terminal) {
    ASSERT_EQ(terminal.rfind(kReadingLine, 0), 0u) << terminal;
    std::string rest = terminal.substr(kReadingLine.size());
    const std::regex draws(
        "(\\rpacsift: [0-9]{1,3}% of the savefile, [0-9]+ packets, [0-9]+\\.[0-9] MB/s, ([0-9]+:[0-9]{2}|--:--) left *)+"
        "\\r *\\r");
    EXPECT_TRUE(std::regex_match(rest, draws)) << rest;
    // The blanks at the end cover the whole of the last line drawn.
    size_t lastDraw = rest.rfind("\rpacsift: ");
    size_t erase = rest.rfind('\r', rest.size() - 2);
    ASSERT_NE(lastDraw, std::string::npos);
    EXPECT_GE(rest.size() - 2 - erase, erase - lastDraw - 1);
}

class Progress : public testing::Test {
protected:
    void SetUp() override {
        // Long enough (a few seconds) that the line is drawn at least once.
        capture_ = benchCapture(200000);
        if (capture_.empty()) GTEST_SKIP() << "no capture maker in " PACSIFT_SHARED_DIR "/bench";
    }
    std::string capture_;
    const std::string bin_ = PACSIFT_BIN;
};

TEST_F(Progress, ShownWithSeveralChildren) {
    if (splitChildren() < 2) GTEST_SKIP() << "one CPU: nothing is split";
    TerminalRun run = runUnderTerminal("exec " + bin_ + kNamesOff + " < '" + capture_ + "'", false);
    EXPECT_EQ(run.status, 0);
    expectProgressLine(run.terminal);
}

TEST_F(Progress, ShownWithOneChild) {
    TerminalRun run = runUnderTerminal("exec taskset -c 0 " + bin_ + kNamesOff + " < '" + capture_ + "'", false);
    EXPECT_EQ(run.status, 0);
    expectProgressLine(run.terminal);
}

TEST_F(Progress, ShownWithOutputIntoAFile) {
    std::string output = std::string(PACSIFT_BINARY_DIR) + "/progress-output.txt";
    TerminalRun run =
        runUnderTerminal("exec " + bin_ + kNamesOff + " < '" + capture_ + "' > '" + output + "'", false);
    EXPECT_EQ(run.status, 0);
    expectProgressLine(run.terminal);
    EXPECT_EQ(readFile(output).rfind(kSeparator + "Packet 1\n", 0), 0u);
    std::remove(output.c_str());
}

// tcpdump's message about a savefile cut short comes at the end, when the
// line has been drawn: on a line of its own, the progress line erased first,
// with one child and with several (where the last child says it).
TEST_F(Progress, ErasedBeforeAChildsMessage) {
    std::string bytes = readFile(capture_);
    std::string path = std::string(PACSIFT_BINARY_DIR) + "/progress-cut.pcap";
    std::ofstream(path, std::ios::binary) << bytes.substr(0, bytes.size() - 5);
    RunResult one = runCommand({"sh", "-c", "cat '" + path + "' | exec " + bin_ + kNamesOff}, "", {"TZ=UTC"});
    ASSERT_EQ(one.err.rfind(kReadingLine, 0), 0u) << one.err;
    const std::string message = one.err.substr(kReadingLine.size());
    ASSERT_NE(message.find("truncated"), std::string::npos) << message;
    for (const char* pin : {"taskset -c 0 ", ""}) {
        SCOPED_TRACE(*pin != '\0' ? "one child" : "split");
        TerminalRun run = runUnderTerminal("exec " + std::string(pin) + bin_ + kNamesOff + " < '" + path + "'", false);
        EXPECT_EQ(run.status, one.status);
        size_t at = run.terminal.find(message);
        ASSERT_NE(at, std::string::npos) << run.terminal;
        // Before it, drawn lines and their erasing; after it, maybe more
        // (the text before the message is still being shown), erased too.
        expectProgressLine(run.terminal.substr(0, at));
        std::string after = run.terminal.substr(at + message.size());
        const std::regex drawnAndErased("((\\rpacsift: [^\\r]* left *)+\\r *\\r)?");
        EXPECT_TRUE(std::regex_match(after, drawnAndErased)) << after;
    }
    std::remove(path.c_str());
}

// An error message of pacsift's own begins on a cleared line: a frame near
// the end comes from a host whose name, in the test's name database, is
// longer than a host name may be.
TEST_F(Progress, ClearedBeforeAnErrorMessage) {
    std::string bytes = readFile(capture_);
    ASSERT_TRUE(nameTooLongAfter(bytes, bytes.size() - 200000));
    std::string path = std::string(PACSIFT_BINARY_DIR) + "/progress-named.pcap";
    std::ofstream(path, std::ios::binary) << bytes;
    std::string names = writeNameFixture(tooLongHostName());
    std::string preload;
    for (const std::string& entry : fakeNamesEnv(names)) preload += "'" + entry + "' ";
    TerminalRun run = runUnderTerminal(
        "exec env " + preload + bin_ + " -noPortNames -noEtherNames < '" + path + "'", false);
    std::remove(names.c_str());
    std::remove(path.c_str());
    EXPECT_EQ(run.status, 1);
    const std::string error = "***Error: Hostname too long\n";
    ASSERT_GE(run.terminal.size(), error.size());
    EXPECT_EQ(run.terminal.substr(run.terminal.size() - error.size()), error);
    std::string before = run.terminal.substr(0, run.terminal.size() - error.size());
    // Names are on here: on a busy machine one lookup may take over a second,
    // and the note that says so is written as any message is, after the line
    // is erased. It is no progress line; the drawing around it is checked.
    const std::regex slowNote("\\r *\\rNote: host name lookups are slow here[^\\n]*\\n");
    expectProgressLine(std::regex_replace(before, slowNote, ""));
}

// In every other case standard error is what it was without the line.
TEST_F(Progress, NotShownOtherwise) {
    struct Case {
        const char* name;
        std::string command;
        bool outputToTerminal;
    };
    const Case cases[] = {
        // A filter that matches nothing: the whole savefile is read, nothing shown.
        {"output on the terminal too", "exec " + bin_ + kNamesOff + " ether host 02:00:5e:00:53:99 < '" + capture_ + "'",
         true},
        {"input through a pipe", "cat '" + capture_ + "' | " + bin_ + kNamesOff, false},
        {"output into a pipe, as into a pager", bin_ + kNamesOff + " < '" + capture_ + "' | cat > /dev/null", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TerminalRun run = runUnderTerminal(c.command, c.outputToTerminal);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.terminal, kReadingLine);
    }
    // Standard error not a terminal.
    RunResult run = runPacsiftOnFile({"-noHostNames", "-noPortNames", "-noEtherNames"}, capture_, {"TZ=UTC"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, kReadingLine);
}

}  // namespace
