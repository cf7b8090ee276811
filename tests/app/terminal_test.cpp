// What pacsift does for a person at a terminal, and only then: a terminal on
// standard input is refused, a terminal on standard output gets each packet
// as soon as it is finished, a terminal on standard error hears once that name
// lookups are slow. The terminal is a pseudo-terminal; the name database is
// the tests' own, whose "wait" entries hold a host lookup until the test lets
// it go. Also the warning for a savefile that is not Ethernet.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/savefile_parts.h"
#include "support/fake_names.h"
#include "support/pcapng_file.h"
#include "support/pseudo_terminal.h"
#include "support/run_binary.h"
#include "support/temporary_folder.h"

namespace {

namespace fs = std::filesystem;

// A folder for the FIFOs and name files of one test; removed at the end.
struct Scratch {
    TemporaryFolder folder{"pacsift-terminal"};
    const fs::path& path = folder.path();
    // A FIFO whose reader waits until release() opens and closes it.
    std::string fifo(const std::string& name) const {
        std::string at = (path / name).string();
        mkfifo(at.c_str(), 0600);
        return at;
    }
};

void release(const std::string& fifo) {
    int fd = open(fifo.c_str(), O_WRONLY);
    if (fd >= 0) close(fd);
}

// Starts pacsift with the given descriptors as its standard input, output and
// error, and the environment entries added.
pid_t start(const std::vector<std::string>& args, int in, int out, int err, const std::vector<std::string>& env) {
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        for (int fd = 3; fd < 256; ++fd) close(fd);
        for (const std::string& entry : env) putenv(strdup(entry.c_str()));
        std::vector<std::string> words = args;
        std::vector<char*> argv{const_cast<char*>(PACSIFT_BIN)};
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

int finish(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Reads `fd` into `text` until it holds `wanted`, the descriptor ends, or
// `seconds` pass; true when `wanted` arrived.
bool readUntil(int fd, std::string& text, const std::string& wanted, double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (text.find(wanted) == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd ready = {fd, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) continue;
        char buffer[4096];
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) return false;   // ended (EIO on a terminal whose last user left)
        text.append(buffer, static_cast<size_t>(got));
    }
    return true;
}

// A pipe already holding all of `text` and closed for writing: input that
// never makes pacsift wait.
int inputHolding(const std::string& text) {
    int ends[2];
    if (pipe(ends) != 0) return -1;
    writeAll(ends[1], text);
    close(ends[1]);
    return ends[0];
}

// An ARP request between 192.168.0.1 and 192.168.0.2, then a TCP segment from
// 10.0.0.1 to 10.0.0.2, as tcpdump -enx prints them.
const std::string kArpThenTcp =
    "12:00:00.000000 00:11:22:33:44:55 > ff:ff:ff:ff:ff:ff, ethertype ARP (0x0806), length 42: ARP\n"
    "\t0x0000:  0001 0800 0604 0001 0011 2233 4455 c0a8\n"
    "\t0x0010:  0001 0000 0000 0000 c0a8 0002\n"
    "12:00:01.000000 00:11:22:33:44:55 > 66:77:88:99:aa:bb, ethertype IPv4 (0x0800), length 62: TCP\n"
    "\t0x0000:  4500 0030 1c46 4000 4006 b1e6 0a00 0001\n"
    "\t0x0010:  0a00 0002 04d2 0050 0102 0304 0a0b 0c0d\n"
    "\t0x0020:  5018 7210 abcd 0000 6869 2074 6865 7265\n";
const std::vector<std::string> kHostNamesOn = {"-cooked", "-noEtherNames", "-noPortNames"};
const std::string kEndOfArp = "target-IP-address=192.168.0.2\n";
const std::string kNote = "Note: host name lookups are slow here";

// On a terminal the ARP packet is shown while the TCP packet's lookup waits.
TEST(TerminalOutput, EachPacketIsWrittenAsItIsFinished) {
    Scratch scratch;
    std::string fifo = scratch.fifo("lookup");
    auto names = writeNameFixture("wait 10.0.0.2 " + fifo + "\n");
    PseudoTerminal screen;
    ASSERT_GE(screen.terminal, 0);
    int in = inputHolding(kArpThenTcp);
    int err[2];
    ASSERT_EQ(pipe(err), 0);
    pid_t pid = start(kHostNamesOn, in, screen.terminal, err[1], fakeNamesEnv(names));
    close(in);
    close(err[1]);
    std::string shown;
    EXPECT_TRUE(readUntil(screen.controller, shown, kEndOfArp, 20)) << shown;
    EXPECT_EQ(shown.find("Packet 2"), std::string::npos) << shown;
    release(fifo);
    EXPECT_TRUE(readUntil(screen.controller, shown, "DATA:\thi there\n" + kSeparator, 20)) << shown;
    EXPECT_EQ(finish(pid), 0);
    close(err[0]);
    std::remove(names.c_str());
}

// Into a pipe the display stays in its block until the end.
TEST(TerminalOutput, PipeKeepsBlockOutput) {
    Scratch scratch;
    std::string fifo = scratch.fifo("lookup");
    auto names = writeNameFixture("wait 10.0.0.2 " + fifo + "\n");
    int in = inputHolding(kArpThenTcp);
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    pid_t pid = start(kHostNamesOn, in, out[1], out[1], fakeNamesEnv(names));
    close(in);
    close(out[1]);
    std::string shown;
    EXPECT_FALSE(readUntil(out[0], shown, "Packet 1", 0.5)) << shown;
    release(fifo);
    EXPECT_TRUE(readUntil(out[0], shown, "DATA:\thi there\n" + kSeparator, 20)) << shown;
    EXPECT_EQ(finish(pid), 0);
    close(out[0]);
    std::remove(names.c_str());
}

// Two lookups that take over a second each: one note on a terminal's standard
// error, and nothing on a pipe's; the display is the same either way.
TEST(SlowLookups, NoteOnceOnlyOnATerminal) {
    for (bool terminal : {true, false}) {
        SCOPED_TRACE(terminal ? "terminal" : "pipe");
        Scratch scratch;
        std::string arpLookup = scratch.fifo("arp"), tcpLookup = scratch.fifo("tcp");
        auto names = writeNameFixture("wait 192.168.0.1 " + arpLookup + "\nwait 10.0.0.2 " + tcpLookup + "\n");
        PseudoTerminal screen;
        int err[2];
        ASSERT_EQ(pipe(err), 0);
        int errorSide = terminal ? screen.terminal : err[1];
        int errorReader = terminal ? screen.controller : err[0];
        int in = inputHolding(kArpThenTcp);
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        pid_t pid = start(kHostNamesOn, in, out[1], errorSide, fakeNamesEnv(names));
        close(in);
        close(out[1]);
        close(err[1]);
        for (const std::string& lookup : {arpLookup, tcpLookup}) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1200));
            release(lookup);
        }
        std::string display;
        EXPECT_TRUE(readUntil(out[0], display, "DATA:\thi there\n" + kSeparator, 20)) << display;
        EXPECT_EQ(finish(pid), 0);
        std::string said;
        readUntil(errorReader, said, "\n\n", terminal ? 1 : 0.2);
        if (terminal) {
            EXPECT_EQ(said.find(kNote), 0u) << said;
            EXPECT_NE(said.find("-noHostNames"), std::string::npos) << said;
            EXPECT_EQ(said.find(kNote, 1), std::string::npos) << "said twice: " << said;
        } else {
            EXPECT_EQ(said, "");
        }
        EXPECT_EQ(display.find("Note"), std::string::npos);
        close(out[0]);
        close(err[0]);
        std::remove(names.c_str());
    }
}

// A terminal on standard input: no tcpdump is started and nothing waits.
TEST(TerminalInput, IsRefused) {
    Scratch scratch;
    std::string capture = (scratch.path / "capture.pcap").string();
    writeAll(open(capture.c_str(), O_WRONLY | O_CREAT, 0600), "");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::string start0 = "***Error: standard input is a terminal, not a savefile; ";
    const Case cases[] = {
        {{}, start0 + "use: pacsift [ options ] [ expr ] < savefile\n"},
        {{"-verbose", "port", "80"}, start0 + "use: pacsift [ options ] [ expr ] < savefile\n"},
        {{"-verbose", capture}, start0 + "to decode " + capture + " use: pacsift [ options ] < " + capture + "\n"},
        {{scratch.path.string()}, start0 + "use: pacsift [ options ] [ expr ] < savefile\n"},   // a folder
    };
    for (const Case& c : cases) {
        PseudoTerminal keyboard;
        int err[2], out[2];
        ASSERT_EQ(pipe(err), 0);
        ASSERT_EQ(pipe(out), 0);
        // No tcpdump on PATH: were one started, the run would say so.
        pid_t pid = start(c.args, keyboard.terminal, out[1], err[1], {"PATH=" + scratch.path.string()});
        close(err[1]);
        close(out[1]);
        std::string said, shown;
        readUntil(err[0], said, "\n\n", 20);
        readUntil(out[0], shown, "\n", 1);
        EXPECT_EQ(finish(pid), 1);
        EXPECT_EQ(said, c.message);
        EXPECT_EQ(shown, "");
        close(err[0]);
        close(out[0]);
    }
}

// ---------------------------------------------------------------------------
// The savefile's link type.

std::string savefileHeader(uint32_t magic, uint32_t linkType, bool bigEndian) {
    std::string bytes;
    auto put32 = [&](uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>(value >> (bigEndian ? 24 - 8 * i : 8 * i));
    };
    auto put16 = [&](uint16_t value) {
        bytes += static_cast<char>(bigEndian ? value >> 8 : value);
        bytes += static_cast<char>(bigEndian ? value : value >> 8);
    };
    put32(magic);
    put16(2);
    put16(4);
    put32(0);
    put32(0);
    put32(65535);
    put32(linkType);
    return bytes;
}

// A pcapng file's first blocks: its section header, maybe a names block, its
// first interface.
std::string pcapngStart(bool bigEndian, uint16_t linkType, bool namesFirst) {
    PcapngFile file(bigEndian);
    file.sectionHeader();
    if (namesFirst) file.nameResolution();
    file.interface(linkType, 65535);
    return file.bytes;
}

std::string pcapngPacketFirst() {
    PcapngFile file(false);
    file.sectionHeader();
    file.packet(0, 0, "data");
    file.interface(1);
    return file.bytes;
}

TEST(SavefileLinkType, BothByteOrdersBothResolutions) {
    struct Case {
        const char* name;
        std::string header;
        long expected;
    };
    const Case cases[] = {
        {"microseconds, little-endian", savefileHeader(0xa1b2c3d4, 1, false), 1},
        {"microseconds, big-endian", savefileHeader(0xa1b2c3d4, 101, true), 101},
        {"nanoseconds, little-endian", savefileHeader(0xa1b23c4d, 0, false), 0},
        {"nanoseconds, big-endian", savefileHeader(0xa1b23c4d, 276, true), 276},
        {"FCS length in the high bits", savefileHeader(0xa1b2c3d4, 0x14000001, false), 1},
        {"pcapng without its byte-order magic", std::string("\x0a\x0d\x0d\x0a", 4) + std::string(20, '\0'), -1},
        {"pcapng, little-endian", pcapngStart(false, 101, false), 101},
        {"pcapng, big-endian", pcapngStart(true, 1, false), 1},
        {"pcapng, a names block before the interface", pcapngStart(false, 113, true), 113},
        {"pcapng, cut before its interface", pcapngStart(false, 101, false).substr(0, 40), -1},
        {"pcapng, a packet before any interface", pcapngPacketFirst(), -1},
        {"text", "this is not a savefile\n..", -1},
        {"cut short", savefileHeader(0xa1b2c3d4, 101, false).substr(0, 23), -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(savefileLinkType(reinterpret_cast<const unsigned char*>(c.header.data()), c.header.size()),
                  c.expected)
            << c.name;
}

// One raw IPv4 packet (an IPv4 header alone) in a savefile of link type RAW.
std::string rawIpSavefile() {
    std::string file = savefileHeader(0xa1b2c3d4, 101, false);
    std::string record(8, '\0');   // time 0
    const unsigned char packet[] = {0x45, 0, 0, 20, 0, 1, 0, 0, 64, 6, 0, 0, 10, 0, 0, 1, 10, 0, 0, 2};
    for (uint32_t length : {20u, 20u})
        for (int i = 0; i < 4; ++i) record += static_cast<char>(length >> (8 * i));
    return file + record + std::string(reinterpret_cast<const char*>(packet), sizeof packet);
}

bool haveTcpdump() { return runCommand({"sh", "-c", "command -v tcpdump"}, "").status == 0; }

const std::string kLinkWarning =
    "Warning: the savefile's link type is RAW (Raw IP), not Ethernet: its packets are decoded as Ethernet frames "
    "unless -pp is given\n";

TEST(SavefileLinkType, WarnedOnceForARegularFileThatIsNotEthernet) {
    if (!haveTcpdump()) GTEST_SKIP() << "tcpdump is not installed (scripts/ensure-tools installs it)";
    Scratch scratch;
    std::string path = (scratch.path / "raw.pcap").string();
    int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0600);
    writeAll(fd, rawIpSavefile());
    close(fd);
    const std::string tcpdumpSays = "reading from file -, link-type RAW (Raw IP), snapshot length 65535\n";

    RunResult fromFile = runPacsiftOnFile({"-noHostNames", "-noPortNames", "-noEtherNames"}, path, {"TZ=UTC"});
    EXPECT_EQ(fromFile.err, kLinkWarning + tcpdumpSays);
    // The display is what it was: tcpdump still read the whole file.
    RunResult fromPipe = runPacsift({"-noHostNames", "-noPortNames", "-noEtherNames"}, rawIpSavefile(), {"TZ=UTC"});
    EXPECT_EQ(fromPipe.err, tcpdumpSays);
    EXPECT_EQ(fromFile.out, fromPipe.out);
    EXPECT_NE(fromFile.out.find("Packet 1\n"), std::string::npos) << fromFile.out;
    EXPECT_EQ(fromFile.status, fromPipe.status);

    RunResult pointToPoint = runPacsiftOnFile({"-pp", "-noHostNames"}, path, {"TZ=UTC"});
    EXPECT_EQ(pointToPoint.err, tcpdumpSays);
    EXPECT_EQ(pointToPoint.status, 0);

    // Standard input already moved on, past other bytes: the header is read
    // where tcpdump reads it.
    std::string later = (scratch.path / "later.pcap").string();
    fd = open(later.c_str(), O_WRONLY | O_CREAT, 0600);
    writeAll(fd, std::string(100, 'x') + rawIpSavefile());
    close(fd);
    fd = open(later.c_str(), O_RDONLY);
    lseek(fd, 100, SEEK_SET);
    int err[2], out[2];
    ASSERT_EQ(pipe(err), 0);
    ASSERT_EQ(pipe(out), 0);
    pid_t pid = start({"-noHostNames", "-noPortNames", "-noEtherNames"}, fd, out[1], err[1], {"TZ=UTC"});
    close(fd);
    close(err[1]);
    close(out[1]);
    std::string said, shown;
    readUntil(out[0], shown, "never", 20);
    readUntil(err[0], said, "never", 5);
    EXPECT_EQ(finish(pid), fromFile.status);
    EXPECT_EQ(said, kLinkWarning + tcpdumpSays);
    EXPECT_EQ(shown, fromFile.out);
    close(err[0]);
    close(out[0]);

    RunResult ethernet = runPacsiftOnFile({"-noHostNames", "-noPortNames", "-noEtherNames"},
                                          std::string(PACSIFT_SOURCE_DIR) + "/samples/whois.pcap", {"TZ=UTC"});
    EXPECT_EQ(ethernet.err.find("Warning"), std::string::npos) << ethernet.err;
}

// The same for a pcapng file: its first interface's link type.
TEST(SavefileLinkType, WarnedForAPcapngFileThatIsNotEthernet) {
    if (!haveTcpdump()) GTEST_SKIP() << "tcpdump is not installed (scripts/ensure-tools installs it)";
    Scratch scratch;
    const unsigned char packet[] = {0x45, 0, 0, 20, 0, 1, 0, 0, 64, 6, 0, 0, 10, 0, 0, 1, 10, 0, 0, 2};
    const std::string data(reinterpret_cast<const char*>(packet), sizeof packet);
    const std::string tcpdumpSays = "reading from file -, link-type RAW (Raw IP), snapshot length 65535\n";
    for (bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
        PcapngFile file(bigEndian);
        file.sectionHeader();
        file.nameResolution();
        file.interface(101, 65535);
        file.packet(0, 0, data);
        std::string path = (scratch.path / "raw.pcapng").string();
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        writeAll(fd, file.bytes);
        close(fd);
        RunResult fromFile = runPacsiftOnFile(kNoNames, path, {"TZ=UTC"});
        EXPECT_EQ(fromFile.err, kLinkWarning + tcpdumpSays);
        EXPECT_NE(fromFile.out.find("Packet 1\n"), std::string::npos) << fromFile.out;
        RunResult pointToPoint = runPacsiftOnFile(words({"-pp"}, kNoNames), path, {"TZ=UTC"});
        EXPECT_EQ(pointToPoint.err, tcpdumpSays);
        EXPECT_EQ(pointToPoint.status, 0);
    }
}

// "pacsift capture.pcap" with something other than a savefile on standard
// input (from cron, say): tcpdump's complaint, then how to decode the file.
TEST(FileNameWord, HintWhenStandardInputIsNoSavefile) {
    if (!haveTcpdump()) GTEST_SKIP() << "tcpdump is not installed (scripts/ensure-tools installs it)";
    Scratch scratch;
    std::string capture = (scratch.path / "capture.pcap").string();
    int fd = open(capture.c_str(), O_WRONLY | O_CREAT, 0600);
    writeAll(fd, rawIpSavefile());
    close(fd);
    const std::string tcpdumpSays = "tcpdump: truncated dump file; tried to read 4 file header bytes, only got 0\n";
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const Case cases[] = {
        {{"-verbose", capture},
         tcpdumpSays + "***Error: tcpdump failed on standard input; to decode " + capture +
             " use: pacsift [ options ] < " + capture + "\n"},
        {{"-verbose", "port", "80"}, tcpdumpSays},               // no file named
        {{scratch.path.string()}, tcpdumpSays},                  // a folder
        {{(scratch.path / "missing.pcap").string()}, tcpdumpSays},
    };
    for (const Case& c : cases) {
        RunResult run = runPacsiftOnFile(c.args, "/dev/null", {"TZ=UTC"});
        EXPECT_EQ(run.err, c.err) << c.args.back();
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.status, 1);
    }
    // tcpdump content with the file: no hint.
    RunResult fine = runPacsiftOnFile(words(kNoNames, {"ip"}), capture, {"TZ=UTC"});
    EXPECT_EQ(fine.err.find("to decode"), std::string::npos) << fine.err;
}

}  // namespace
