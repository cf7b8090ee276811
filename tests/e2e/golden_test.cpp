// The golden table: whole displays of the real binary, one row of
// tests/golden/TESTLIST a case (see tests/golden/README.md). The expected
// displays are files written out by hand; nothing here builds a display.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "support/fake_names.h"
#include "support/run_binary.h"

namespace {

const std::string kGolden = std::string(PACSIFT_SOURCE_DIR) + "/tests/golden/";

struct GoldenCase {
    std::string name;
    std::string input;      // path under tests/, or "shared:" and a path under ../shared/captures/
    std::string expected;   // file under tests/golden/expected/
    int status = 0;
    std::vector<std::string> options;
};

void PrintTo(const GoldenCase& c, std::ostream* out) { *out << c.name; }

std::vector<GoldenCase> readTestList() {
    std::vector<GoldenCase> cases;
    std::ifstream list(kGolden + "TESTLIST");
    std::string line;
    while (std::getline(list, line)) {
        std::istringstream fields(line);
        GoldenCase c;
        if (!(fields >> c.name) || c.name[0] == '#') continue;
        fields >> c.input >> c.expected >> c.status;
        for (std::string word; fields >> word;)
            if (word != "-") c.options.push_back(word);
        cases.push_back(c);
    }
    return cases;
}

const std::string kSharedPrefix = "shared:";

std::string inputPath(const GoldenCase& c) {
    if (c.input.rfind(kSharedPrefix, 0) == 0) return sharedCapture(c.input.substr(kSharedPrefix.size()));
    return std::string(PACSIFT_SOURCE_DIR) + "/tests/" + c.input;
}

bool isSavefile(const std::string& path) { return std::filesystem::path(path).extension() == ".pcap"; }

class Display : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(Display, Shows) {
    const GoldenCase& c = GetParam();
    std::string input = inputPath(c);
    if (c.input.rfind(kSharedPrefix, 0) == 0 && !std::filesystem::exists(input))
        GTEST_SKIP() << "needs " << input << " (the captures beside the checkout)";
    ASSERT_TRUE(std::filesystem::exists(input)) << input;
    std::string expectedPath = kGolden + "expected/" + c.expected;
    ASSERT_TRUE(std::filesystem::exists(expectedPath)) << expectedPath;

    RunResult run =
        runPacsiftOnFile(c.options, input, words({"TZ=UTC", "LC_CTYPE=C"}, fakeNamesEnv(kGolden + "names")));
    EXPECT_EQ(run.status, c.status) << run.err;
    // tcpdump says on standard error which file it reads; cooked text has no such line.
    if (c.status == 0 && !isSavefile(input)) {
        EXPECT_EQ(run.err, "");
    }
    EXPECT_EQ(run.out, readFile(expectedPath)) << "expected: tests/golden/expected/" << c.expected;
}

std::string caseName(const ::testing::TestParamInfo<GoldenCase>& info) { return testCaseName(info.param.name); }

INSTANTIATE_TEST_SUITE_P(GoldenTable, Display, ::testing::ValuesIn(readTestList()), caseName);

// The table itself: every row names an input, an expected file and a status,
// and no two rows share a name.
TEST(GoldenTableRows, AreWellFormed) {
    std::vector<GoldenCase> cases = readTestList();
    ASSERT_FALSE(cases.empty()) << kGolden << "TESTLIST";
    std::set<std::string> names;
    for (const GoldenCase& c : cases) {
        EXPECT_FALSE(c.input.empty()) << c.name;
        EXPECT_FALSE(c.expected.empty()) << c.name;
        EXPECT_TRUE(names.insert(caseName({c, 0})).second) << "two rows named " << c.name;
    }
}

// ctest lists the rows from the table itself each time it starts, under
// their names as written: a row added to the table runs at the next ctest,
// rebuilt or not, and "ctest -R NAME" finds it. The script ctest reads is run
// here with add_test standing in, so that the running ctest's own log stays
// as it is.
TEST(GoldenTableRows, EachIsACtestTestOfItsName) {
    std::string script = std::string(PACSIFT_BINARY_DIR) + "/golden-rows-listed.cmake";
    std::ofstream(script) << "macro(add_test name)\n  message(\"listed: ${name}\")\nendmacro()\n"
                             "macro(set_tests_properties)\nendmacro()\n"
                             "include(\"" PACSIFT_BINARY_DIR "/tests/golden-rows.cmake\")\n";
    RunResult listed = runCommand({PACSIFT_CMAKE, "-P", script}, "");
    std::remove(script.c_str());
    ASSERT_EQ(listed.status, 0) << listed.err;
    std::string expected;
    for (const GoldenCase& c : readTestList()) expected += "listed: " + c.name + "\n";
    EXPECT_EQ(listed.err, expected);
}

}  // namespace
