// A large savefile on standard input is split among several tcpdump children.
// Whatever the savefile, the display, the exit status and standard error must
// be those of one child reading the same savefile through a pipe. All through
// the real binary and the real tcpdump (behind a stand-in that notes each
// start), names off.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/split_run.h"
#include "support/pcapng_file.h"
#include "support/run_binary.h"
#include "support/savefile_split.h"

namespace {

uint32_t get32(const std::string& bytes, size_t at, bool swapped) {
    uint32_t value;
    std::memcpy(&value, bytes.data() + at, 4);
    return swapped ? __builtin_bswap32(value) : value;
}

void put32(std::string& bytes, size_t at, uint32_t value) { std::memcpy(bytes.data() + at, &value, 4); }

std::string littleEndian32(uint32_t value) {
    std::string bytes(4, '\0');
    put32(bytes, 0, value);
    return bytes;
}

// The shared Ethernet captures joined into one savefile just over the
// splitting threshold (the set as often as it takes), in our byte order with
// the largest snapshot length. Each capture's records up to the first one
// that does not read as a record, leaving out the twelve whose header is not
// plainly sound (more captured than the frame's length, a fraction of a whole
// second): from such a record on the run gives the rest to one child, and the
// damaged savefiles below show that. Made once in the build directory.
std::string joinedCaptures() {
    std::string path = std::string(PACSIFT_BINARY_DIR) + "/split-joined.pcap";
    struct stat info{};
    if (stat(path.c_str(), &info) == 0 && info.st_size > 0) return path;
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(sharedCapture("ethernet"), error))
        if (entry.path().extension() == ".pcap") files.push_back(entry.path().string());
    if (files.empty()) return "";
    std::sort(files.begin(), files.end());
    std::string joined = littleEndian32(0xa1b2c3d4) + std::string("\x02\x00\x04\x00", 4) + std::string(8, '\0') +
                         littleEndian32(262144) + littleEndian32(1);
    while (joined.size() < kSplitThreshold + (uint64_t{1} << 20)) {
        for (const std::string& file : files) {
            std::string bytes = readFile(file);
            if (bytes.size() < 24) continue;
            uint32_t magic = get32(bytes, 0, false);
            bool swapped = magic == 0xd4c3b2a1;
            if (magic != 0xa1b2c3d4 && !swapped) continue;
            if ((get32(bytes, 20, swapped) & 0xffff) != 1) continue;
            for (size_t at = 24; at + 16 <= bytes.size();) {
                uint32_t captured = get32(bytes, at + 8, swapped);
                if (captured > 262144 || at + 16 + captured > bytes.size()) break;
                if (captured > get32(bytes, at + 12, swapped) || get32(bytes, at + 4, swapped) >= 1000000) {
                    at += 16 + captured;
                    continue;
                }
                for (size_t field = 0; field < 16; field += 4) joined += littleEndian32(get32(bytes, at + field, swapped));
                joined.append(bytes, at + 16, captured);
                at += 16 + captured;
            }
        }
    }
    std::string partial = path + ".partial." + std::to_string(getpid());
    std::ofstream(partial, std::ios::binary) << joined;
    std::rename(partial.c_str(), path.c_str());
    return path;
}

// The benchmark's made capture at a size just over the threshold.
std::string madeCapture() { return benchCapture(50000); }

std::string workFile(const std::string& name, const std::string& bytes) {
    std::string path = std::string(PACSIFT_BINARY_DIR) + "/split-" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

// The made capture written the other way round: big-endian, nanoseconds.
std::string madeCaptureBigEndianNanoseconds() {
    std::string path = madeCapture();
    if (path.empty()) return "";
    std::string bytes = readFile(path);
    auto putBig = [&bytes](size_t at, uint32_t value) { put32(bytes, at, __builtin_bswap32(value)); };
    auto swap16 = [&bytes](size_t at) { std::swap(bytes[at], bytes[at + 1]); };
    std::vector<uint64_t> records = recordOffsets(bytes);
    for (uint64_t at : records) {
        putBig(at, get32(bytes, at, false));
        putBig(at + 4, get32(bytes, at + 4, false) * 1000);
        putBig(at + 8, get32(bytes, at + 8, false));
        putBig(at + 12, get32(bytes, at + 12, false));
    }
    putBig(0, 0xa1b23c4d);
    swap16(4);
    swap16(6);
    for (size_t field = 8; field < 24; field += 4) putBig(field, get32(bytes, field, false));
    return workFile("big-endian-nanoseconds.pcap", bytes);
}

// The joined captures and the made capture as pcapng files, in both byte
// orders, in one section of one interface or in several sections of three.
// Made once in the build directory; tests running at the same time each
// write their own partial file, so that none reads one half written.
std::string pcapngOf(const std::string& path, const std::string& name, bool bigEndian, size_t recordsPerSection,
                     unsigned interfaces) {
    if (path.empty()) return "";
    std::string made = std::string(PACSIFT_BINARY_DIR) + "/split-" + name;
    struct stat info{};
    if (stat(made.c_str(), &info) == 0 && info.st_size > 0) return made;
    std::string partial = made + ".partial." + std::to_string(getpid());
    std::ofstream(partial, std::ios::binary) << pcapngFromPcap(readFile(path), bigEndian, recordsPerSection, interfaces);
    std::rename(partial.c_str(), made.c_str());
    return made;
}
std::string joinedPcapng() { return pcapngOf(joinedCaptures(), "joined.pcapng", false, 0, 1); }
std::string joinedPcapngBigEndian() { return pcapngOf(joinedCaptures(), "joined-big.pcapng", true, 0, 1); }
std::string joinedPcapngSections() {
    return pcapngOf(joinedCaptures(), "joined-sections.pcapng", false, 700, 3);
}
std::string joinedPcapngSectionsBigEndian() {
    return pcapngOf(joinedCaptures(), "joined-sections-big.pcapng", true, 1500, 2);
}
std::string madePcapng() { return pcapngOf(madeCapture(), "made.pcapng", false, 0, 1); }

// The split run and the one-child run (the same savefile through a pipe) of
// the same options: display, status and standard error must be the same.
// Returns how many children the split run started.
size_t expectSameAsOneChild(const std::vector<std::string>& args, const std::string& path) {
    TcpdumpStarts starts;
    RunResult split = runPacsiftOnFile(args, path, starts.env());
    RunResult one = runPacsift(args, readFile(path), {"TZ=UTC"});
    EXPECT_EQ(split.status, one.status);
    EXPECT_EQ(split.err, one.err);
    EXPECT_EQ(firstDifference(one.out, split.out), "");
    // Every child with exactly the arguments one child gets.
    std::vector<std::string> lines = starts.lines();
    for (std::string& line : lines) line.erase(0, line.find(' '));
    for (const std::string& line : lines) EXPECT_EQ(line, lines.front());
    return lines.size();
}

bool canSplit() { return splitChildren() >= 2; }

struct SplitCase {
    const char* name;
    std::string (*savefile)();
    std::vector<std::string> args;
};

void PrintTo(const SplitCase& c, std::ostream* out) { *out << c.name; }

class SameAsOneChild : public testing::TestWithParam<SplitCase> {};

TEST_P(SameAsOneChild, DisplayStatusAndStandardError) {
    if (!canSplit()) GTEST_SKIP() << "one CPU: nothing is split";
    std::string path = GetParam().savefile();
    if (path.empty()) GTEST_SKIP() << "no captures in " PACSIFT_SHARED_DIR;
    EXPECT_GE(expectSameAsOneChild(GetParam().args, path), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Split, SameAsOneChild,
    testing::Values(SplitCase{"joined_captures_terse", joinedCaptures, kNoNames},
                    SplitCase{"joined_captures_verbose", joinedCaptures, words(kNoNames, {"-verbose"})},
                    SplitCase{"joined_captures_one_line", joinedCaptures, words(kNoNames, {"-minHdrDecode"})},
                    SplitCase{"joined_captures_no_link_and_data_wrapped", joinedCaptures,
                              words(kNoNames, {"-noLink", "-w", "40", "-s"})},
                    SplitCase{"joined_captures_extended", joinedCaptures, words(kNoNames, {"-extended"})},
                    SplitCase{"joined_captures_with_a_filter", joinedCaptures,
                              words(kNoNames, {"udp", "or", "arp"})},
                    SplitCase{"made_capture_terse", madeCapture, kNoNames},
                    SplitCase{"made_capture_big_endian_nanoseconds", madeCaptureBigEndianNanoseconds, kNoNames},
                    SplitCase{"made_capture_verbose_with_a_filter", madeCapture,
                              words(kNoNames, {"-verbose", "tcp", "port", "80"})},
                    SplitCase{"pcapng_joined_captures_terse", joinedPcapng, kNoNames},
                    SplitCase{"pcapng_joined_captures_verbose", joinedPcapng, words(kNoNames, {"-verbose"})},
                    SplitCase{"pcapng_joined_captures_one_line", joinedPcapng, words(kNoNames, {"-minHdrDecode"})},
                    SplitCase{"pcapng_joined_captures_extended", joinedPcapng, words(kNoNames, {"-extended"})},
                    SplitCase{"pcapng_joined_captures_with_a_filter", joinedPcapng,
                              words(kNoNames, {"udp", "or", "arp"})},
                    SplitCase{"pcapng_big_endian", joinedPcapngBigEndian, words(kNoNames, {"-verbose"})},
                    SplitCase{"pcapng_sections_and_interfaces", joinedPcapngSections, kNoNames},
                    SplitCase{"pcapng_sections_and_interfaces_big_endian_extended", joinedPcapngSectionsBigEndian,
                              words(kNoNames, {"-extended"})},
                    SplitCase{"pcapng_made_capture", madePcapng, words(kNoNames, {"-verbose", "tcp"})}),
    [](const testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

// tcpdump refuses the filter: once on standard error, as from one child.
TEST(Split, InvalidFilterReportedOnce) {
    if (!canSplit()) GTEST_SKIP() << "one CPU: nothing is split";
    std::string path = madeCapture();
    if (path.empty()) GTEST_SKIP() << "no capture maker in " PACSIFT_SHARED_DIR "/bench";
    TcpdumpStarts starts("0.3");
    RunResult split = runPacsiftOnFile(words(kNoNames, {"port", "and"}), path, starts.env());
    RunResult one = runPacsift(words(kNoNames, {"port", "and"}), readFile(path), {"TZ=UTC"});
    EXPECT_GE(starts.lines().size(), 2u);
    EXPECT_EQ(split.status, 1);
    EXPECT_EQ(split.out, "");
    EXPECT_EQ(split.err, one.err);
    EXPECT_EQ(split.status, one.status);
}

// Damaged savefiles: the run must not cut at or after a doubtful record
// header; tcpdump's own complaint and the status come as from one child.
TEST(Split, DamagedSavefilesShowAsWithOneChild) {
    if (!canSplit()) GTEST_SKIP() << "one CPU: nothing is split";
    std::string path = madeCapture();
    if (path.empty()) GTEST_SKIP() << "no capture maker in " PACSIFT_SHARED_DIR "/bench";
    std::string bytes = readFile(path);
    std::vector<uint64_t> ends = splitPartEnds(path);
    ASSERT_GE(ends.size(), 4u) << "the made capture is cut in at least four parts";
    std::vector<uint64_t> records = recordOffsets(bytes);
    auto middleOfPart = std::find(records.begin(), records.end(), ends[1]);
    ASSERT_NE(middleOfPart, records.end());
    auto nextEnd = std::find(records.begin(), records.end(), ends[2]);
    middleOfPart += (nextEnd - middleOfPart) / 2;

    struct Damage {
        const char* name;
        std::string bytes;
        size_t minChildren;
    };
    std::string atBoundary = bytes;    // the first record of the third part
    put32(atBoundary, ends[1] + 8, 0xffffff);
    std::string midPart = bytes;       // a record in the middle of the third part
    put32(midPart, *middleOfPart + 8, 0xffffff);
    std::string shortRecord = bytes;   // captured longer than on the wire: tcpdump shows it
    put32(shortRecord, *middleOfPart + 12, 10);
    std::string truncated = bytes.substr(0, bytes.size() - 5);
    const Damage damages[] = {
        {"record header gone bad at a part boundary", atBoundary, 2},
        {"record header gone bad in the middle of a part", midPart, 3},
        {"record longer than its frame in the middle of a part", shortRecord, 3},
        {"last record truncated", truncated, 4},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        size_t children = expectSameAsOneChild(kNoNames, workFile("damaged.pcap", damage.bytes));
        EXPECT_GE(children, damage.minChildren);
    }
}

// Damaged pcapng files: blocks whose two lengths disagree, a block that runs
// past the end of the file, a packet of an interface never described, a
// last block cut short.
TEST(Split, DamagedPcapngShowsAsWithOneChild) {
    if (!canSplit()) GTEST_SKIP() << "one CPU: nothing is split";
    std::string path = madePcapng();
    if (path.empty()) GTEST_SKIP() << "no capture maker in " PACSIFT_SHARED_DIR "/bench";
    std::string bytes = readFile(path);
    std::vector<uint64_t> ends = splitPartEnds(path);
    ASSERT_GE(ends.size(), 4u) << "the made capture is cut in at least four parts";
    std::vector<uint64_t> blocks = blockOffsets(bytes);
    auto middleOfPart = std::find(blocks.begin(), blocks.end(), ends[1]);
    ASSERT_NE(middleOfPart, blocks.end());
    auto nextEnd = std::find(blocks.begin(), blocks.end(), ends[2]);
    middleOfPart += (nextEnd - middleOfPart) / 2;
    auto lengthAt = [&bytes](uint64_t at) { return get32(bytes, at + 4, false); };

    struct Damage {
        const char* name;
        std::string bytes;
        size_t minChildren;
    };
    std::string trailerAtBoundary = bytes;   // the first block of the third part
    put32(trailerAtBoundary, ends[1] + lengthAt(ends[1]) - 4, lengthAt(ends[1]) + 4);
    std::string trailerMidPart = bytes;
    put32(trailerMidPart, *middleOfPart + lengthAt(*middleOfPart) - 4, 0);
    std::string pastTheEnd = bytes;
    put32(pastTheEnd, *middleOfPart + 4, static_cast<uint32_t>(bytes.size()));
    std::string unknownInterface = bytes;
    put32(unknownInterface, *middleOfPart + 8, 7);
    std::string cutShort = bytes.substr(0, bytes.size() - 5);
    const Damage damages[] = {
        {"lengths disagree at a part boundary", trailerAtBoundary, 2},
        {"lengths disagree in the middle of a part", trailerMidPart, 3},
        {"a block past the end of the file", pastTheEnd, 3},
        {"a packet of an undescribed interface", unknownInterface, 3},
        {"last block cut short", cutShort, 4},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        size_t children = expectSameAsOneChild(kNoNames, workFile("damaged.pcapng", damage.bytes));
        EXPECT_GE(children, damage.minChildren);
    }
}

// A later section whose interface has another snapshot length than the
// first: tcpdump refuses it there, with one child and with several.
TEST(Split, PcapngInterfaceOfAnotherSnapshotLength) {
    if (!canSplit()) GTEST_SKIP() << "one CPU: nothing is split";
    std::string path = joinedPcapngSections();
    if (path.empty()) GTEST_SKIP() << "no captures in " PACSIFT_SHARED_DIR;
    std::string bytes = readFile(path);
    std::vector<uint64_t> ends = splitPartEnds(path);
    ASSERT_GE(ends.size(), 2u);
    // The last interface before the first cut, in the section a later part
    // is given first.
    uint64_t late = 0;
    for (uint64_t at : blockOffsets(bytes))
        if (at < ends[0] && get32(bytes, at, false) == 1) late = at;
    ASSERT_NE(late, 0u);
    put32(bytes, late + 12, 65535);
    RunResult one = runPacsift(kNoNames, bytes, {"TZ=UTC"});
    EXPECT_NE(one.err.find("snapshot length"), std::string::npos) << one.err;
    // From that interface on the file is doubtful: one child.
    EXPECT_EQ(expectSameAsOneChild(kNoNames, workFile("snapshot.pcapng", bytes)), 1u);
}

// Every child says a long message at its end (70 000 bytes, more than a pipe
// holds), naming the time of its first packet: all reach standard error
// whole, one child's after another in file order, however long a later
// child waits for its turn with its message unsaid.
TEST(Split, LongMessagesOfEveryChildWholeAndInOrder) {
    if (!canSplit()) GTEST_SKIP() << "one CPU: nothing is split";
    std::string path = madeCapture();
    if (path.empty()) GTEST_SKIP() << "no capture maker in " PACSIFT_SHARED_DIR "/bench";
    RunResult which = runCommand({"sh", "-c", "command -v tcpdump"}, "");
    if (which.status != 0) GTEST_SKIP() << "tcpdump is not installed (scripts/ensure-tools installs it)";
    std::string real = which.out.substr(0, which.out.find('\n'));
    TcpdumpStarts starts;   // its folder holds the talkative stand-in in place of its own
    std::ofstream(starts.directory() + "/tcpdump")
        << "#!/bin/sh\necho \"$$ $*\" >> '" << starts.directory() << "/starts'\n'" << real
        << "' \"$@\" | {\n  IFS= read -r first || exit 0\n  printf '%s\\n' \"$first\"\n  cat\n"
        << "  printf 'part from %s %s\\n' \"${first%% *}\" \"$(head -c 70000 /dev/zero | tr '\\0' x)\" >&2\n}\n";
    RunResult split = runPacsiftOnFile(kNoNames, path, starts.env());
    size_t children = starts.lines().size();
    EXPECT_GE(children, 2u);
    EXPECT_EQ(split.status, 0);
    const std::string reading = "reading from file -, link-type EN10MB (Ethernet), snapshot length 65535\n";
    ASSERT_EQ(split.err.rfind(reading, 0), 0u) << split.err.substr(0, 200);
    std::vector<std::string> times;
    for (size_t at = reading.size(); at < split.err.size();) {
        size_t end = split.err.find('\n', at);
        ASSERT_NE(end, std::string::npos);
        std::string line = split.err.substr(at, end - at);
        ASSERT_EQ(line.rfind("part from ", 0), 0u) << line.substr(0, 100);
        size_t blank = line.find(' ', 10);
        times.push_back(line.substr(10, blank - 10));
        EXPECT_EQ(line.substr(blank + 1), std::string(70000, 'x'));
        at = end + 1;
    }
    EXPECT_EQ(times.size(), children);
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
    // The first is the first packet's; the display is the whole capture's.
    RunResult one = runPacsift(kNoNames, readFile(path), {"TZ=UTC"});
    EXPECT_EQ(firstDifference(one.out, split.out), "");
    ASSERT_FALSE(times.empty());
    EXPECT_NE(one.out.find("TIME:\t" + times.front()), std::string::npos) << times.front();
}

// Everything else keeps one child.
TEST(Split, OneChildWhereSplittingDoesNotApply) {
    std::string path = madeCapture();
    if (path.empty()) GTEST_SKIP() << "no capture maker in " PACSIFT_SHARED_DIR "/bench";
    std::string bytes = readFile(path);
    std::vector<uint64_t> records = recordOffsets(bytes);
    auto underThreshold = std::upper_bound(records.begin(), records.end(), kSplitThreshold - 1) - 1;
    std::string small = workFile("small.pcap", bytes.substr(0, *underThreshold));
    struct OneCase {
        const char* name;
        std::string command;
    };
    const std::string bin = PACSIFT_BIN " -noHostNames -noPortNames -noEtherNames";
    const OneCase cases[] = {
        {"a pipe", "cat '" + path + "' | " + bin},
        {"one CPU", "exec taskset -c 0 " + bin + " < '" + path + "'"},
        {"a savefile just under the threshold", "exec " + bin + " < '" + small + "'"},
    };
    for (const OneCase& c : cases) {
        SCOPED_TRACE(c.name);
        TcpdumpStarts starts;
        RunResult run = runCommand({"sh", "-c", c.command}, "", starts.env());
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find("Packet 1\n"), std::string::npos);
        EXPECT_EQ(starts.lines().size(), 1u);
    }
}

// The 200 000-packet benchmark capture.
TEST(SplitSlow, BenchmarkCaptureSameAsOneChild) {
    if (!canSplit()) GTEST_SKIP() << "one CPU: nothing is split";
    std::string path = benchCapture(200000);
    if (path.empty()) GTEST_SKIP() << "no capture maker in " PACSIFT_SHARED_DIR "/bench";
    EXPECT_GE(expectSameAsOneChild(kNoNames, path), 2u);
}

}  // namespace
