// The README: its display examples are what pacsift shows for the sample
// capture, its option table is the help text's, and its first commands are
// the ones CI runs.

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "install/help_options.h"
#include "support/run_binary.h"

namespace {

// Read when a README test first asks, not when any test program starts.
const std::string& readme() {
    static const std::string text = readFile(std::string(PACSIFT_SOURCE_DIR) + "/README.md");
    return text;
}

// The fenced block that follows `marker`.
std::string blockAfter(const std::string& marker) {
    const std::string& text = readme();
    size_t at = text.find(marker);
    if (at == std::string::npos) return "";
    size_t open = text.find("```", at);
    size_t start = text.find('\n', open) + 1;
    size_t close = text.find("\n```", start);
    return text.substr(start, close + 1 - start);
}

}  // namespace

TEST(Readme, DisplayExamplesAreWhatPacsiftShowsForTheSampleCapture) {
    for (const char* form : {"terse", "-verbose", "-minHdrDecode"}) {
        std::string example = blockAfter(std::string("<!-- display: ") + form + " -->");
        ASSERT_NE(example, "") << form;
        std::vector<std::string> args = kNoNames;
        if (form[0] == '-') args.push_back(form);
        RunResult run = runPacsiftOnFile(args, std::string(PACSIFT_SOURCE_DIR) + "/samples/whois.pcap");
        ASSERT_EQ(run.status, 0);
        // Packet 4, line for line from its number on.
        size_t at = run.out.find("\nPacket 4\n");
        ASSERT_NE(at, std::string::npos);
        EXPECT_EQ(run.out.substr(at + 1, example.size()), example) << form;
    }
}

// The -extended example: the sample's SYN (packet 1) with its options; the
// verbose example is its TCP block.
TEST(Readme, ExtendedExamplesAreWhatPacsiftShowsForTheSampleSyn) {
    for (const char* form : {"terse", "-verbose", "-minHdrDecode"}) {
        std::string example = blockAfter(std::string("<!-- extended display: ") + form + " -->");
        ASSERT_NE(example, "") << form;
        std::vector<std::string> args = kNoNames;
        args.push_back("-extended");
        if (form[0] == '-') args.push_back(form);
        RunResult run = runPacsiftOnFile(args, std::string(PACSIFT_SOURCE_DIR) + "/samples/whois.pcap");
        ASSERT_EQ(run.status, 0);
        size_t at = run.out.find(form[1] == 'v' ? "\nTCP Header\n" : "\nPacket 1\n");
        ASSERT_NE(at, std::string::npos);
        EXPECT_EQ(run.out.substr(at + 1, example.size()), example) << form;
    }
}

TEST(Readme, OptionTableIsTheHelpText) {
    std::istringstream table(readme().substr(readme().find("<!-- options -->")));
    std::map<std::string, std::string> readme;
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line) && line.rfind("|", 0) == 0) {
        size_t open = line.find('`'), close = line.find('`', open + 1);
        if (open == std::string::npos || close == std::string::npos) continue;  // the heading rows
        size_t meaning = line.find("| ", close) + 2;
        readme[line.substr(open + 1, close - open - 1)] = line.substr(meaning, line.rfind(" |") - meaning);
    }
    std::map<std::string, std::string> help;
    for (const HelpOption& option : helpOptions())
        help[option.word + (option.argument.empty() ? "" : " " + option.argument)] = option.description;
    ASSERT_EQ(help.size(), 19u);
    EXPECT_EQ(readme, help);
}

TEST(Readme, FirstCommandsAreTheDemoAndTheTestSuiteThatCiRuns) {
    std::string first = blockAfter("## Try it");
    EXPECT_EQ(first.find("scripts/demo "), 0u) << first;
    EXPECT_NE(first.find("\nscripts/test "), std::string::npos) << first;
    std::string ci = readFile(std::string(PACSIFT_SOURCE_DIR) + "/.ci/run");
    EXPECT_NE(ci.find("\nscripts/test\n"), std::string::npos) << ci;
}
