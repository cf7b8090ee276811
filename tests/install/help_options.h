#pragma once

// The options as the program's help text lists them, for the tests that hold
// the manual page and the shell completion to the same list.

#include <sstream>
#include <string>
#include <vector>

#include "support/run_binary.h"

// The words that the help text does not list but every Unix user tries:
// the manual page and the completion carry them after the help text's.
inline const std::vector<std::string> kLongWords = {"--help", "--version"};

struct HelpOption {
    std::string word;         // "-w"
    std::string argument;     // "width", or empty
    std::string description;  // "set pagewidth to \"width\" columns (used by -b)"
};

// Help lines look like "\t-w width\tset pagewidth ...": a tab, the option with
// its argument, tabs, the description.
inline std::vector<HelpOption> helpOptions() {
    std::vector<HelpOption> options;
    std::istringstream help(runPacsift({"-h"}, "").out);
    for (std::string line; std::getline(help, line);) {
        if (line.size() < 2 || line[0] != '\t' || line[1] != '-') continue;
        size_t nameEnd = line.find('\t', 1);
        size_t descriptionStart = line.find_first_not_of('\t', nameEnd);
        if (nameEnd == std::string::npos || descriptionStart == std::string::npos) continue;
        std::string name = line.substr(1, nameEnd - 1);
        size_t blank = name.find(' ');
        HelpOption option;
        option.word = name.substr(0, blank);
        if (blank != std::string::npos) option.argument = name.substr(blank + 1);
        option.description = line.substr(descriptionStart);
        options.push_back(option);
    }
    return options;
}
