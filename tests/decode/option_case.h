#pragma once

// A case of the TCP and IPv4 option unit tables: option bytes in hex, the
// terse and verbose lines they give, and whether the whole list was walked.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

struct OptionCase {
    const char* name;
    std::string area;      // the option bytes, in hex (blanks between groups)
    std::string terse;     // the terse lines
    std::string verbose;   // the verbose field lines
    bool whole;            // no notice ended the list
};

// A failing case is named by its name, not its bytes.
inline void PrintTo(const OptionCase& c, std::ostream* out) { *out << c.name; }

inline std::vector<uint8_t> optionBytes(const std::string& hex) {
    std::string digits;
    for (char c : hex)
        if (c != ' ') digits += c;
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

// A verbose option's field line start, and its continuation line start.
inline const std::string kOption = "\tOption:\t\t\t\t";
inline const std::string kMore = "\t\t\t\t\t";
