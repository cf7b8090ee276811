// The tcpdump child. A stand-in tcpdump is put first on PATH: a link named
// "tcpdump" to this very test program, which, started under that name with
// PACSIFT_TCPDUMP_STUB set, records its arguments (argv[0] included) and its
// standard input in the stub directory, prints the directory's "output" file
// and exits with the number in its "status" file.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "input/cooked_text.h"
#include "support/run_binary.h"
#include "support/temporary_folder.h"

using namespace cooked;

namespace {

constexpr char kStubVariable[] = "PACSIFT_TCPDUMP_STUB";

std::string readAll(int fd) {
    std::string text;
    char buffer[4096];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
            text.append(buffer, static_cast<size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            return text;
        }
    }
}

std::string readPath(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return "";
    std::string text = readAll(fd);
    close(fd);
    return text;
}

void writePath(const std::string& path, const std::string& text) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return;
    writeAll(fd, text);
    close(fd);
}

// Runs before main(): when this program was started as the stand-in tcpdump,
// it plays that part and never reaches the tests.
struct TcpdumpStub {
    TcpdumpStub() {
        const char* dir = std::getenv(kStubVariable);
        if (dir == nullptr) return;
        const std::string base = dir;
        // The argument words as exec gave them, one per line.
        std::string arguments = readPath("/proc/self/cmdline");
        for (char& c : arguments)
            if (c == '\0') c = '\n';
        writePath(base + "/args", arguments);
        writePath(base + "/stdin", readAll(0));
        writeAll(1, readPath(base + "/output"));
        int status = std::atoi(readPath(base + "/status").c_str());
        if (status < 0) kill(getpid(), -status);   // a negative status: die by that signal
        _exit(status);
    }
} const tcpdumpStub;

// A temporary directory holding the stand-in tcpdump; removed at the end.
class StubDir {
public:
    explicit StubDir(const std::string& output, int status = 0) {
        std::string pattern = (std::filesystem::temp_directory_path() / "pacsift-stub-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
        std::error_code ignored;
        std::filesystem::create_symlink(std::filesystem::read_symlink("/proc/self/exe"), path_ + "/tcpdump",
                                        ignored);
        writePath(path_ + "/output", output);
        writePath(path_ + "/status", std::to_string(status));
    }
    ~StubDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    // The environment that makes pacsift find the stand-in first.
    std::vector<std::string> env() const {
        return {"PATH=" + path_ + ":/usr/local/bin:/usr/bin:/bin", std::string(kStubVariable) + "=" + path_};
    }
    bool started() const { return std::filesystem::exists(path_ + "/args"); }
    std::string args() const { return readPath(path_ + "/args"); }
    std::string input() const { return readPath(path_ + "/stdin"); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

const std::string kFixedArgs = "tcpdump\n-enx\n-s10240\n-r-\n";

TEST(Preprocessor, FixedArgumentsWithoutExpression) {
    StubDir stub(kTcpInput);
    RunResult run = runPacsift(kNoNames, "savefile", stub.env());
    ASSERT_TRUE(stub.started());
    EXPECT_EQ(stub.args(), kFixedArgs);
    EXPECT_EQ(run.out, kTcpOutput);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
}

TEST(Preprocessor, NoWordsAtAll) {
    StubDir stub("");
    RunResult run = runPacsift({}, "savefile", stub.env());
    EXPECT_EQ(stub.args(), kFixedArgs);
    EXPECT_EQ(stub.input(), "savefile");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
}

TEST(Preprocessor, ExpressionWordsPassedUnchangedInOrder) {
    // After the first expression word nothing is an option any more, so words
    // that look like options (-cooked included) go to tcpdump as they are.
    StubDir stub(kTcpInput);
    RunResult run = runPacsift(words(kNoNames, {"host", "10.0.0.1", "-s", "--", "-h", "-w", "", "a b", "-cooked",
                                              "-bogus", "and", "port 80"}),
                               "savefile", stub.env());
    ASSERT_TRUE(stub.started());
    EXPECT_EQ(stub.args(), kFixedArgs + "--\nhost\n10.0.0.1\n-s\n--\n-h\n-w\n\na b\n-cooked\n-bogus\nand\nport 80\n");
    EXPECT_EQ(run.out, kTcpOutput);   // -s went to tcpdump: no spurious line
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
}

TEST(Preprocessor, EmptyWordStartsTheExpression) {
    StubDir stub(kTcpInput);
    RunResult run = runPacsift(words(kNoNames, {"", "-s"}), "savefile", stub.env());
    EXPECT_EQ(stub.args(), kFixedArgs + "--\n\n-s\n");
    EXPECT_EQ(run.out, kTcpOutput);
    EXPECT_EQ(run.status, 0);
}

// "w1", "w2", ...: appended rather than written "w" + std::to_string(i),
// on which g++ 12 at -O3 warns of an overlapping copy that cannot happen.
std::string numberedWord(int i) {
    std::string word = "w";
    word += std::to_string(i);
    return word;
}

std::vector<std::string> numberedWords(int count) {
    std::vector<std::string> list;
    for (int i = 1; i <= count; ++i) list.push_back(numberedWord(i));
    return list;
}

TEST(Preprocessor, NinetySixExpressionWords) {
    StubDir stub(kTcpInput);
    RunResult run = runPacsift(words(kNoNames, numberedWords(96)), "savefile", stub.env());
    std::string expected = kFixedArgs + "--\n";
    for (int i = 1; i <= 96; ++i) expected += numberedWord(i) + "\n";
    EXPECT_EQ(stub.args(), expected);
    EXPECT_EQ(run.out, kTcpOutput);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
}

TEST(Preprocessor, NinetySevenExpressionWordsStartNothing) {
    for (int count : {97, 98, 300}) {
        StubDir stub(kTcpInput);
        RunResult run = runPacsift(words(kNoNames, numberedWords(count)), "savefile", stub.env());
        EXPECT_FALSE(stub.started()) << count;
        EXPECT_EQ(run.out, "") << count;
        EXPECT_EQ(run.err, "***Error: Too many expressions\n") << count;
        EXPECT_EQ(run.status, 1) << count;
    }
}

TEST(Preprocessor, ChildReadsOurStandardInput) {
    // A savefile is binary: NUL bytes, high bytes, no line structure.
    std::string savefile("\xd4\xc3\xb2\xa1\x02\x00\x04\x00\x00\x00\x00\x00", 12);
    for (int i = 0; i < 70000; ++i) savefile += static_cast<char>((i * 7 + 3) % 256);
    StubDir stub(kTcpInput);
    RunResult run = runPacsift(words(kNoNames, {"tcp"}), savefile, stub.env());
    EXPECT_EQ(stub.input(), savefile);
    EXPECT_EQ(run.out, kTcpOutput);
    EXPECT_EQ(run.status, 0);
}

TEST(Preprocessor, ChildFailingAfterItsTextFailsTheRun) {
    StubDir stub(kTcpInput, 2);
    RunResult run = runPacsift(kNoNames, "savefile", stub.env());
    EXPECT_EQ(run.out, kTcpOutput);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 1);
}

TEST(Preprocessor, ChildFailingWithoutTextFailsTheRun) {
    StubDir stub("", 1);
    RunResult run = runPacsift(kNoNames, "not a savefile", stub.env());
    EXPECT_TRUE(stub.started());
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.status, 1);
}

TEST(Preprocessor, MissingTcpdump) {
    std::string empty = (std::filesystem::temp_directory_path() / "pacsift-nopath-XXXXXX").string();
    ASSERT_NE(mkdtemp(empty.data()), nullptr);
    RunResult run = runPacsift(words(kNoNames, {"tcp"}), "savefile", {"PATH=" + empty});
    std::error_code ignored;
    std::filesystem::remove_all(empty, ignored);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "***Error: execvp() failed\n");
    EXPECT_EQ(run.status, 1);
}

TEST(Preprocessor, CookedWithExpressionWordsWarns) {
    // However many words: the limit of 96 is tcpdump's argument list, which
    // -cooked never builds.
    for (int count : {1, 3, 200}) {
        StubDir stub("");
        RunResult run = runPacsift(cookedArgs(numberedWords(count)), kTcpInput, stub.env());
        EXPECT_FALSE(stub.started()) << count;
        EXPECT_EQ(run.out, kTcpOutput) << count;
        EXPECT_EQ(run.err, "input is cooked -- ignoring tcpdump expressions\n") << count;
        EXPECT_EQ(run.status, 0) << count;
    }
}

TEST(Preprocessor, CookedWithoutExpressionWordsIsQuiet) {
    StubDir stub("");
    RunResult run = runPacsift(cookedArgs(), kTcpInput, stub.env());
    EXPECT_FALSE(stub.started());
    EXPECT_EQ(run.out, kTcpOutput);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
}

TEST(Preprocessor, ChildKilledBySignalFailsTheRun) {
    StubDir stub(kTcpInput, -SIGKILL);
    RunResult run = runPacsift(kNoNames, "savefile", stub.env());
    EXPECT_EQ(run.out, kTcpOutput);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 1);
}

// Our reader goes away: pacsift ends the child and then itself by SIGPIPE,
// writing nothing on standard error.
TEST(Preprocessor, ClosedOutputPipe) {
    std::string lots;
    for (int i = 0; i < 5000; ++i) lots += kTcpInput;
    StubDir stub(lots);
    std::vector<std::string> argv = {"bash", "-c", "\"$0\" \"$@\" | head -c 10 >/dev/null; echo \"${PIPESTATUS[0]}\"",
                                     PACSIFT_BIN};
    argv.insert(argv.end(), kNoNames.begin(), kNoNames.end());
    RunResult run = runCommand(argv, "savefile", stub.env());
    EXPECT_EQ(run.out, std::to_string(128 + SIGPIPE) + "\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
}

// An option error comes before the child: nothing is started.
TEST(Preprocessor, OptionErrorStartsNothing) {
    StubDir stub(kTcpInput);
    RunResult run = runPacsift(words(kNoNames, {"-bogus", "tcp"}), "savefile", stub.env());
    EXPECT_FALSE(stub.started());
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "***Error: Unknown command line flag\n");
    EXPECT_EQ(run.status, 1);
}

// ---------------------------------------------------------------------------
// The real tcpdump on a savefile made here: one Ethernet frame holding the TCP
// packet of cooked_text.h, captured at 12:00:00.500000 UTC.

std::string littleEndian32(uint32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xff);
    return bytes;
}

std::string tcpSavefile() {
    std::string file = littleEndian32(0xa1b2c3d4);                     // magic
    file += std::string("\x02\x00\x04\x00", 4);                       // version 2.4
    file += littleEndian32(0) + littleEndian32(0);                      // zone, accuracy
    file += littleEndian32(65535) + littleEndian32(1);                  // snapshot length, Ethernet
    file += littleEndian32(43200) + littleEndian32(500000);             // 12:00:00.500000
    file += littleEndian32(60) + littleEndian32(60);                    // captured, on the wire
    const uint8_t frame[] = {
        0x00, 0xa0, 0xc9, 0x0e, 0x1f, 0x2b, 0x08, 0x00, 0x20, 0x01, 0x02, 0x03, 0x08, 0x00,
        0x45, 0x00, 0x00, 0x2c, 0x12, 0x34, 0x40, 0x00, 0x40, 0x06, 0xab, 0xcd,
        0x0a, 0x00, 0x00, 0x01, 0x0a, 0x00, 0x00, 0x02,
        0x04, 0xd2, 0x00, 0x50, 0x00, 0x00, 0x03, 0xe8, 0x00, 0x00, 0x07, 0xd0,
        0x50, 0x18, 0x20, 0x00, 0x12, 0x34, 0x00, 0x00, 0x61, 0x62, 0x63, 0x64, 0x00, 0x00,
    };
    file.append(reinterpret_cast<const char*>(frame), sizeof frame);
    return file;
}

bool haveTcpdump() { return runCommand({"sh", "-c", "command -v tcpdump"}, "").status == 0; }

TEST(RealTcpdump, DecodesASavefile) {
    if (!haveTcpdump()) GTEST_SKIP() << "tcpdump is not installed (scripts/ensure-tools installs it)";
    // tcpdump's line reads "ethertype IPv4 (0x0800)": the name IPv4 is shown.
    const std::string expected = kSeparator + "Packet 1\n" + kTcpTime +
                                 "LINK:\t08:00:20:01:02:03 -> 00:A0:C9:0E:1F:2B type=IPv4\n" + kTcpIp + kTcpTcp +
                                 kTcpData + kSeparator;
    for (const std::vector<std::string>& expression :
         std::vector<std::vector<std::string>>{{}, {"tcp"}, {"tcp", "and", "port", "80"}}) {
        RunResult run = runPacsift(words(kNoNames, expression), tcpSavefile(), {"TZ=UTC"});
        EXPECT_EQ(run.out, expected) << expression.size();
        EXPECT_EQ(run.status, 0) << expression.size();
    }
    // A filter that matches nothing: no packet, no separator.
    RunResult none = runPacsift(words(kNoNames, {"udp"}), tcpSavefile(), {"TZ=UTC"});
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.status, 0);
}

TEST(RealTcpdump, FailureFailsTheRun) {
    if (!haveTcpdump()) GTEST_SKIP() << "tcpdump is not installed (scripts/ensure-tools installs it)";
    RunResult notSavefile = runPacsift(kNoNames, "this is not a savefile\n", {"TZ=UTC"});
    EXPECT_EQ(notSavefile.out, "");
    EXPECT_NE(notSavefile.err, "");
    EXPECT_EQ(notSavefile.status, 1);

    RunResult badFilter = runPacsift(words(kNoNames, {"no_such_keyword", "(("}), tcpSavefile(), {"TZ=UTC"});
    EXPECT_EQ(badFilter.out, "");
    EXPECT_NE(badFilter.err, "");
    EXPECT_EQ(badFilter.status, 1);
}

// Words after the filter expression that look like tcpdump's options are
// filter words: "-w 40" must not make tcpdump write a savefile named 40, nor
// "-verbose" read a file named "bose".
TEST(RealTcpdump, OptionLikeExpressionWordsAreFilterWords) {
    if (!haveTcpdump()) GTEST_SKIP() << "tcpdump is not installed (scripts/ensure-tools installs it)";
    TemporaryFolder folder("pacsift-words");
    ASSERT_FALSE(folder.path().empty());
    const std::string dir = folder.path().string();
    for (const std::vector<std::string>& expression :
         std::vector<std::vector<std::string>>{{"port", "80", "-w", "40"}, {"tcp", "-verbose"}}) {
        std::vector<std::string> command = {"sh", "-c", "cd \"$0\" && exec \"$@\"", dir, PACSIFT_BIN};
        command = words(words(command, kNoNames), expression);
        RunResult run = runCommand(command, tcpSavefile(), {"TZ=UTC"});
        EXPECT_EQ(run.out, "") << expression[1];
        EXPECT_NE(run.err.find("syntax error"), std::string::npos) << run.err;
        EXPECT_EQ(run.status, 1) << expression[1];
        EXPECT_TRUE(std::filesystem::is_empty(dir)) << "tcpdump wrote a file in " << dir;
    }
}

}  // namespace
