// LICENSE and doc/copyright, the file the package and cmake --install ship:
// doc/copyright is in Debian's machine-readable format and carries the same
// licence terms as LICENSE, word for word.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/run_binary.h"

namespace {

std::string sourceFile(const std::string& name) { return readFile(std::string(PACSIFT_SOURCE_DIR) + "/" + name); }

// The text's words, from the first that begins `from` on: line breaks and
// indentation do not count.
std::vector<std::string> wordsFrom(const std::string& text, const std::string& from) {
    std::istringstream in(text.substr(text.find(from)));
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// The paragraphs of a copyright file, split at blank lines.
std::vector<std::string> paragraphs(const std::string& text) {
    std::vector<std::string> result(1);
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.empty()) {
            if (!result.back().empty()) result.emplace_back();
        } else {
            result.back() += line + "\n";
        }
    }
    if (result.back().empty()) result.pop_back();
    return result;
}

}  // namespace

TEST(Copyright, IsMachineReadableAndNamesTheLicenceForEveryFile) {
    const std::vector<std::string> parts = paragraphs(sourceFile("doc/copyright"));
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[0].rfind("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n", 0), 0u);
    EXPECT_NE(parts[0].find("\nUpstream-Name: pacsift\n"), std::string::npos);
    EXPECT_EQ(parts[1], "Files: *\nCopyright: 2026 The pacsift authors\nLicense: BSD-2-Clause\n");
    EXPECT_EQ(parts[2].rfind("License: BSD-2-Clause\n", 0), 0u);
    // The licence text is continuation lines, each beginning with a blank
    // (" ." stands for an empty line, which would end the paragraph).
    std::istringstream text(parts[2].substr(parts[2].find('\n') + 1));
    for (std::string line; std::getline(text, line);) EXPECT_TRUE(line.size() > 1 && line[0] == ' ') << line;
}

TEST(Copyright, LicenceTextIsTheOneInLicense) {
    const std::string license = sourceFile("LICENSE");
    EXPECT_EQ(license.rfind("BSD 2-Clause License\n\nCopyright (c) 2026 The pacsift authors\n", 0), 0u);
    std::string copyright = paragraphs(sourceFile("doc/copyright")).back();
    for (size_t at = copyright.find("\n .\n"); at != std::string::npos; at = copyright.find("\n .\n", at))
        copyright.replace(at, 4, "\n\n");
    EXPECT_EQ(wordsFrom(copyright, "Redistribution"), wordsFrom(license, "Redistribution"));
}
