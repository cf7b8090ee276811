// The manual page: the options exactly as the help text gives them, both
// ways; a page that man renders without a warning; display examples that are
// what pacsift really shows for the sample capture.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "install/help_options.h"
#include "support/run_binary.h"

namespace {

// The page as the build writes it from the template doc/pacsift.1.in, the version filled in.
const std::string kPagePath = std::string(PACSIFT_BINARY_DIR) + "/pacsift.1";

// The page's text as a reader sees it: escapes for '-' and font changes gone.
std::string plain(std::string text) {
    static const std::vector<std::pair<std::string, std::string>> escapes = {
        {"\\-", "-"}, {"\\|", ""}, {"\\fB", ""}, {"\\fI", ""}, {"\\fR", ""}, {"\\fP", ""}, {"\\(aq", "'"}};
    for (const auto& [escape, meaning] : escapes)
        for (size_t at = text.find(escape); at != std::string::npos; at = text.find(escape, at))
            text.replace(at, escape.size(), meaning);
    return text;
}

// A request line's words as shown: ".BR tcpdump (1)," gives "tcpdump(1),",
// ".BI \-w \" width\"" gives "-w width".
std::string shownWords(const std::string& requestLine) {
    std::string shown;
    size_t blank = requestLine.find(' ');
    std::string rest = blank == std::string::npos ? "" : requestLine.substr(blank + 1);
    bool quoted = false;
    for (char c : rest) {
        if (c == '"') quoted = !quoted;
        else if (c != ' ' || quoted) shown += c;
    }
    return plain(shown);
}

struct PageOption {
    std::string word, argument, description;
};

// The OPTIONS section: ".TP", a tag line naming the option, then text up to
// the next ".TP" or section.
std::vector<PageOption> pageOptions() {
    std::istringstream page(readFile(kPagePath));
    std::vector<PageOption> options;
    bool inOptions = false, atTag = false;
    for (std::string line; std::getline(page, line);) {
        if (line.rfind(".SH", 0) == 0) {
            inOptions = line == ".SH OPTIONS";
            continue;
        }
        if (!inOptions) continue;
        if (line == ".TP") {
            atTag = true;
            continue;
        }
        if (atTag) {
            std::string tag = shownWords(line);
            size_t blank = tag.find(' ');
            PageOption option;
            option.word = tag.substr(0, blank);
            if (blank != std::string::npos) option.argument = tag.substr(blank + 1);
            options.push_back(option);
            atTag = false;
        } else if (!options.empty()) {
            std::string& description = options.back().description;
            if (!description.empty()) description += ' ';
            description += line[0] == '.' ? shownWords(line) : plain(line);
        }
    }
    return options;
}

}  // namespace

TEST(ManualPage, StatesEveryOptionOfTheHelpTextAsItDoes) {
    std::vector<HelpOption> help = helpOptions();
    std::vector<PageOption> page = pageOptions();
    ASSERT_EQ(help.size(), 19u) << "the help text's option lines were not found";
    std::map<std::string, PageOption> pageByWord;
    for (const PageOption& option : page) pageByWord[option.word] = option;
    for (const HelpOption& option : help) {
        auto found = pageByWord.find(option.word);
        if (found == pageByWord.end()) {
            ADD_FAILURE() << option.word << " is in the help text, not in the manual page";
            continue;
        }
        EXPECT_EQ(found->second.argument, option.argument) << option.word;
        EXPECT_EQ(found->second.description.substr(0, option.description.size()), option.description)
            << option.word;
    }
    std::map<std::string, HelpOption> helpByWord;
    for (const HelpOption& option : help) helpByWord[option.word] = option;
    // The same order, so that the page reads beside the help text; then the
    // long words, which the help text does not list.
    ASSERT_EQ(page.size(), help.size() + kLongWords.size());
    for (size_t i = 0; i < help.size(); ++i) EXPECT_EQ(page[i].word, help[i].word) << "option " << i;
    for (size_t i = 0; i < kLongWords.size(); ++i) EXPECT_EQ(page[help.size() + i].word, kLongWords[i]);
    for (const PageOption& option : page)
        EXPECT_TRUE(helpByWord.count(option.word) || std::count(kLongWords.begin(), kLongWords.end(), option.word))
            << option.word << " is in the manual page, not in the help text";
}

TEST(ManualPage, ManRendersItWithoutWarnings) {
    RunResult man = runCommand({"man", "--warnings=w", "-E", "UTF-8", "-l", kPagePath}, "",
                               {"MANWIDTH=80", "MAN_KEEP_FORMATTING=", "MANPAGER=cat", "PAGER=cat"});
    EXPECT_EQ(man.status, 0);
    EXPECT_EQ(man.err, "");
    for (const char* heading : {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "DISPLAY FORMS", "EXIT STATUS",
                                "ENVIRONMENT", "FILES", "EXAMPLES", "SEE ALSO"})
        EXPECT_NE(man.out.find(std::string("\n") + heading + "\n"), std::string::npos) << heading;
    for (const char* named : {"LC_CTYPE", "LC_ALL", "PATH", "/etc/hosts", "/etc/services", "/etc/ethers", "tcpdump(1)"})
        EXPECT_NE(man.out.find(named), std::string::npos) << named;
    // whatis and apropos find the page by its NAME line.
    RunResult whatis = runCommand({"lexgrog", kPagePath}, "");
    EXPECT_EQ(whatis.status, 0);
    EXPECT_NE(whatis.out.find("\"pacsift - decode a tcpdump savefile"), std::string::npos) << whatis.out;
}

TEST(ManualPage, DisplayExamplesAreWhatPacsiftShowsForTheSampleCapture) {
    // Each example is packet 4 of the sample capture with names off; the
    // verbose one leaves out some fields ("...").
    std::istringstream page(readFile(kPagePath));
    std::vector<std::vector<std::string>> examples;
    bool inForms = false, inExample = false;
    for (std::string line; std::getline(page, line);) {
        if (line.rfind(".SH", 0) == 0) inForms = line == ".SH DISPLAY FORMS";
        if (!inForms) continue;
        if (line == ".ft CR") {
            inExample = true;
            examples.emplace_back();
        } else if (line == ".ft") {
            inExample = false;
        } else if (inExample && line != "\t.\\|.\\|.") {
            examples.back().push_back(plain(line));
        }
    }
    ASSERT_EQ(examples.size(), 3u);
    const std::vector<std::string> forms[] = {{}, {"-verbose"}, {"-minHdrDecode"}};
    for (size_t i = 0; i < 3; ++i) {
        RunResult run = runPacsiftOnFile(words(kNoNames, forms[i]), fixturePath("whois.pcap"));
        ASSERT_EQ(run.status, 0);
        size_t at = run.out.find("\nPacket 4\n");
        ASSERT_NE(at, std::string::npos);
        ++at;
        for (const std::string& line : examples[i]) {
            size_t found = run.out.find(line + "\n", at);
            ASSERT_NE(found, std::string::npos) << "example " << i << ": \"" << line << "\" is not shown";
            ASSERT_EQ(run.out[found - 1], '\n') << "example " << i << ": \"" << line << "\" is not a whole line";
            at = found + line.size() + 1;
        }
    }
}

TEST(ManualPage, VersionIsWhatTheProgramSays) {
    RunResult version = runPacsift({"--version"}, "");
    ASSERT_EQ(version.status, 0);
    ASSERT_FALSE(version.out.empty());
    std::string line = version.out.substr(0, version.out.size() - 1);
    bool found = false;
    for (const PageOption& option : pageOptions())
        if (option.word == "--version") {
            found = true;
            EXPECT_NE(option.description.find("(" + line + ")"), std::string::npos) << option.description;
        }
    EXPECT_TRUE(found);
    EXPECT_NE(readFile(kPagePath).find(".TH PACSIFT 1 \"December 2026\" \"" + line + "\""), std::string::npos);
}
