// Every sample savefile, in every display form, with and without -s: pacsift
// must end normally and show exactly one "Packet N" per packet header line of
// tcpdump's text, as many as tests/e2e/packet-counts writes out for the file.
// Some of the files were made to break decoders.
//
// tcpdump runs once per file for the reference text; one form (a different
// one from file to file) runs the pacsift binary on the savefile through its
// own tcpdump child, and the other forms decode that text with -cooked. Then
// the default mode, Ethernet names on, runs every form through the child.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "support/fake_names.h"
#include "support/run_binary.h"

namespace {

struct Capture {
    std::string directory;   // "ethernet" or "no-ethernet"
    std::string name;
    size_t index;            // picks the form that goes through the child
};

// Test logs name the savefile rather than dumping the parameter's bytes.
void PrintTo(const Capture& capture, std::ostream* out) { *out << capture.directory << "/" << capture.name; }

std::vector<Capture> listCaptures(const std::string& directory) {
    std::vector<Capture> captures;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(sharedCapture(directory), error))
        if (entry.is_regular_file() && entry.path().extension() == ".pcap")
            captures.push_back({directory, entry.path().filename().string(), 0});
    std::sort(captures.begin(), captures.end(),
              [](const Capture& a, const Capture& b) { return a.name < b.name; });
    for (size_t i = 0; i < captures.size(); ++i) captures[i].index = i;
    return captures;
}

// The written packet counts, "directory/name.pcap count" a line.
std::map<std::string, size_t> writtenCounts() {
    std::map<std::string, size_t> counts;
    std::ifstream table(std::string(PACSIFT_SOURCE_DIR) + "/tests/e2e/packet-counts");
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string file;
        size_t count = 0;
        if (line.empty() || line[0] == '#' || !(fields >> file >> count)) continue;
        counts[file] = count;
    }
    return counts;
}

// The written count for a savefile; none when the table has no row for it.
std::optional<size_t> writtenCount(const Capture& capture) {
    static const std::map<std::string, size_t> counts = writtenCounts();
    const auto written = counts.find(capture.directory + "/" + capture.name);
    if (written == counts.end()) return std::nullopt;
    return written->second;
}

// Checks that the display holds the lines "Packet 1" .. "Packet expected", in
// order, each right after a separator line, and that it ends with a separator.
void expectPackets(const std::string& out, size_t expected) {
    std::istringstream lines(out);
    std::string line, previous;
    size_t seen = 0;
    bool numbering = true;
    while (std::getline(lines, line)) {
        if (line.rfind("Packet ", 0) == 0 && line.find_first_not_of("0123456789", 7) == std::string::npos &&
            line.size() > 7) {
            ++seen;
            if (line != "Packet " + std::to_string(seen) || previous + "\n" != kSeparator) numbering = false;
        }
        previous = line;
    }
    EXPECT_EQ(seen, expected) << "\"Packet N\" lines";
    EXPECT_TRUE(numbering) << "packet lines out of order or not after a separator";
    if (expected > 0) {
        EXPECT_EQ(out.substr(out.size() >= kSeparator.size() ? out.size() - kSeparator.size() : 0), kSeparator);
    } else {
        EXPECT_EQ(out, "");
    }
}

class PacketCount : public ::testing::TestWithParam<Capture> {};

TEST_P(PacketCount, EveryFormShowsEveryPacket) {
    const Capture& capture = GetParam();
    const std::string path = sharedCapture(capture.directory + "/" + capture.name);
    RunResult reference = runCommand({"tcpdump", "-enx", "-s10240", "-r", path}, "");
    ASSERT_EQ(reference.status, 0) << "tcpdump: " << reference.err;
    const std::optional<size_t> packets = writtenCount(capture);
    ASSERT_TRUE(packets) << "no row for the file in tests/e2e/packet-counts";

    std::vector<std::string> base = kNoNames;
    if (capture.directory == "no-ethernet") base.push_back("-pp");
    const std::vector<std::vector<std::string>> forms = {
        {}, {"-verbose"}, {"-minHdrDecode"}, {"-s"}, {"-s", "-verbose"}, {"-s", "-minHdrDecode"}};
    for (size_t i = 0; i < forms.size(); ++i) {
        std::vector<std::string> args = base;
        args.insert(args.end(), forms[i].begin(), forms[i].end());
        std::string words;
        for (const std::string& word : forms[i]) words += " " + word;
        const bool throughChild = i == capture.index % forms.size();
        SCOPED_TRACE(capture.name + (words.empty() ? " (terse)" : words) +
                     (throughChild ? ", through the tcpdump child" : ", cooked"));
        if (throughChild) {
            // timeout(1) ends a run that hangs (status 124).
            std::vector<std::string> argv{"timeout", "60", PACSIFT_BIN};
            argv.insert(argv.end(), args.begin(), args.end());
            RunResult run = runCommand(argv, readFile(path));
            EXPECT_EQ(run.status, 0) << run.err;   // 128 + n: ended by signal n
            expectPackets(run.out, *packets);
        } else {
            // The cooked forms run in this process: the same decoder, without
            // the cost of starting the program five more times per file.
            args.push_back("-cooked");
            int status = -1;
            std::string out = decodeInProcess(args, reference.out, &status);
            EXPECT_EQ(status, 0);
            expectPackets(out, *packets);
        }
    }
}

// The default mode, as a new user runs pacsift: through its own tcpdump
// child, Ethernet names on, in the terse, verbose and one-line forms. Every
// run reaches the end of its capture, also past frames too short for an
// Ethernet header (tcpdump prints "[|ether]" in place of their addresses).
// Ethernet names come from the tests' name database (deterministic, and no
// lookup leaves the machine); host and port names are off, so that the runs
// stay fast.
void expectDefaultModeShows(const std::string& path, size_t packets, const std::vector<std::string>& base = {}) {
    std::string names = writeNameFixture("ether 00:00:0c:07:ac:01 router\n");
    for (const std::vector<std::string>& form :
         std::vector<std::vector<std::string>>{{}, {"-verbose"}, {"-minHdrDecode"}}) {
        SCOPED_TRACE(form.empty() ? "terse, names on" : form[0] + ", names on");
        std::vector<std::string> args = words(words(base, {"-noHostNames", "-noPortNames"}), form);
        RunResult run = runPacsiftOnFile(args, path, fakeNamesEnv(names));
        EXPECT_EQ(run.status, 0) << run.err;
        expectPackets(run.out, packets);
    }
    std::remove(names.c_str());
}

TEST_P(PacketCount, DefaultModeReachesTheEnd) {
    const Capture& capture = GetParam();
    const std::optional<size_t> packets = writtenCount(capture);
    ASSERT_TRUE(packets) << "no row for the file in tests/e2e/packet-counts";
    std::vector<std::string> base;
    if (capture.directory == "no-ethernet") base.push_back("-pp");
    expectDefaultModeShows(sharedCapture(capture.directory + "/" + capture.name), *packets, base);
}

// The benchmark's capture: 200 000 records, of which tcpdump shows 198 912
// as packets (counted as for the table above), 25 of them frames too short
// for an Ethernet header, the first one packet 6 794.
TEST(PacketCountSlow, LargeCaptureInTheDefaultModeReachesTheEnd) {
    std::string large = benchCapture(200000);
    if (large.empty()) GTEST_SKIP() << "no capture maker in " PACSIFT_SHARED_DIR "/bench";
    expectDefaultModeShows(large, 198912);
}

std::string testName(const ::testing::TestParamInfo<Capture>& info) {
    return testCaseName(info.param.name.substr(0, info.param.name.size() - 5));   // without ".pcap"
}

INSTANTIATE_TEST_SUITE_P(Ethernet, PacketCount, ::testing::ValuesIn(listCaptures("ethernet")), testName);
INSTANTIATE_TEST_SUITE_P(NoEthernet, PacketCount, ::testing::ValuesIn(listCaptures("no-ethernet")), testName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(PacketCount);

// Without the captures beside the checkout both tables above are empty: this
// is then reported skipped, saying what is missing, rather than the tables
// passing with no case.
TEST(PacketCountCaptures, AreBesideTheCheckout) {
    if (!std::filesystem::is_directory(sharedCapture("")))
        GTEST_SKIP() << "needs the captures in " << sharedCapture("");
    EXPECT_FALSE(listCaptures("ethernet").empty()) << sharedCapture("ethernet");
    EXPECT_FALSE(listCaptures("no-ethernet").empty()) << sharedCapture("no-ethernet");
}

}  // namespace
