// Bash completion: option words until the first word of the filter
// expression, nothing for -w's number.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "install/help_options.h"
#include "support/run_binary.h"

namespace {

// What the completion offers for the command line `words`, the last word
// being the one completed; sorted.
std::vector<std::string> offered(const std::vector<std::string>& words) {
    std::string script = "source '" + std::string(PACSIFT_SOURCE_DIR) + "/doc/bash-completion/pacsift'\nCOMP_WORDS=(";
    for (const std::string& word : words) script += " '" + word + "'";
    script += " )\nCOMP_CWORD=" + std::to_string(words.size() - 1) +
              "\n_pacsift\nprintf '%s\\n' \"${COMPREPLY[@]}\"\ncomplete -p pacsift >&2\n";
    RunResult run = runCommand({"bash", "--norc", "--noprofile", "-c", script}, "");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "complete -o default -F _pacsift pacsift\n");
    std::vector<std::string> result;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) result.push_back(line);
    std::sort(result.begin(), result.end());
    return result;
}

std::vector<std::string> sorted(std::vector<std::string> words) {
    std::sort(words.begin(), words.end());
    return words;
}

}  // namespace

TEST(Completion, OffersEveryOptionOfTheHelpText) {
    std::vector<std::string> help;
    for (const HelpOption& option : helpOptions()) help.push_back(option.word);
    ASSERT_EQ(help.size(), 19u);
    help.insert(help.end(), kLongWords.begin(), kLongWords.end());
    EXPECT_EQ(offered({"pacsift", "-"}), sorted(help));
    EXPECT_EQ(offered({"pacsift", ""}), sorted(help));
}

TEST(Completion, FollowsTheCommandLine) {
    struct Case {
        std::vector<std::string> words;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {{"pacsift", "-no"}, {"-noData", "-noEtherNames", "-noHostNames", "-noIp", "-noLink", "-noPortNames"}},
        {{"pacsift", "-verbose", "-t"}, {"-terse", "-track"}},
        {{"pacsift", "-cooked", "-s"}, {"-s", "-sb"}},
        {{"pacsift", "-ex"}, {"-extended"}},
        {{"pacsift", "--"}, {"--help", "--version"}},
        {{"pacsift", "--v"}, {"--version"}},
        {{"pacsift", "-w", ""}, {}},
        {{"pacsift", "-w", "-"}, {}},
        {{"pacsift", "-w", "80", "-ve"}, {"-verbose"}},
        {{"pacsift", "port", "80", "-"}, {}},
        {{"pacsift", "-s", "port", ""}, {}},
        {{"pacsift", "-zzz"}, {}},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& word : c.words) line += word + " ";
        EXPECT_EQ(offered(c.words), sorted(c.expected)) << line;
    }
}
