// Every savefile in the default mode, Ethernet names on, as a new user runs
// pacsift: through its own tcpdump child, in the terse, verbose and one-line
// forms. Each run must reach the end of its capture: status 0, and one
// "Packet N" for every packet header line of tcpdump's text. Some of the
// files hold frames too short for an Ethernet header, for which tcpdump
// prints "[|ether]" in place of the addresses.
//
// Ethernet names come from the tests' name database (deterministic, and no
// lookup leaves the machine); host and port names are off, so that the runs
// stay fast.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "support/fake_names.h"
#include "support/run_binary.h"

namespace {

struct Savefile {
    std::string name;   // as the test is named
    std::string path;   // empty: the captures are not beside the checkout
};

void PrintTo(const Savefile& savefile, std::ostream* out) { *out << savefile.name; }

std::string testName(const ::testing::TestParamInfo<Savefile>& info) {
    std::string name = info.param.name;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
}

std::vector<Savefile> corpus() {
    std::vector<Savefile> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(sharedCapture("ethernet"), error))
        if (entry.path().extension() == ".pcap") files.push_back({entry.path().stem().string(), entry.path().string()});
    std::sort(files.begin(), files.end(), [](const Savefile& a, const Savefile& b) { return a.name < b.name; });
    if (files.empty()) files.push_back({"no_captures", ""});
    return files;
}

// The packet header lines of tcpdump's text for a savefile, counted as the
// captures' README says: grep -c '^..:..:..\.'.
long tcpdumpPackets(const std::string& path) {
    RunResult count = runCommand({"sh", "-c", "tcpdump -enx -s10240 -r \"$0\" 2>/dev/null | grep -c '^..:..:..\\.'",
                                  path},
                                 "");
    return std::atol(count.out.c_str());
}

// The packets a display shows: its "Packet N" lines, each right after a
// separator and numbered from 1 on without a gap; -1 when the numbering breaks.
long shownPackets(const std::string& display) {
    const std::string mark = kSeparator + "Packet ";
    long shown = 0;
    for (size_t at = display.find(mark); at != std::string::npos; at = display.find(mark, at + mark.size())) {
        if (std::atol(display.c_str() + at + mark.size()) != shown + 1) return -1;
        ++shown;
    }
    return shown;
}

// The name database: one Ethernet host that the corpus holds, nothing else.
const std::string kEthers = "ether 00:00:0c:07:ac:01 router\n";

void expectEveryPacketShown(const std::string& path) {
    long expected = tcpdumpPackets(path);
    std::string names = writeNameFixture(kEthers);
    for (const std::vector<std::string>& form :
         std::vector<std::vector<std::string>>{{}, {"-verbose"}, {"-minHdrDecode"}}) {
        SCOPED_TRACE(form.empty() ? "terse" : form[0]);
        RunResult run = runPacsiftOnFile(words({"-noHostNames", "-noPortNames"}, form), path, fakeNamesEnv(names));
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(shownPackets(run.out), expected);
        EXPECT_EQ(run.out.find("***Error"), std::string::npos);
    }
    std::remove(names.c_str());
}

class DefaultMode : public ::testing::TestWithParam<Savefile> {};

TEST_P(DefaultMode, EverySavefileDecodesToItsEnd) {
    if (GetParam().path.empty()) GTEST_SKIP() << "needs the captures in " << sharedCapture("ethernet");
    expectEveryPacketShown(GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(Corpus, DefaultMode, ::testing::ValuesIn(corpus()), testName);

// The benchmark's capture of 200 000 packets holds several frames shorter
// than an Ethernet header, the first near packet 6 800.
TEST(DefaultModeSlow, LargeCaptureDecodesToItsEnd) {
    std::string large = benchCapture(200000);
    if (large.empty()) GTEST_SKIP() << "no capture maker in " PACSIFT_SHARED_DIR "/bench";
    expectEveryPacketShown(large);
}

}  // namespace
