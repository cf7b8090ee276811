#pragma once

#include <cctype>
#include <string>
#include <vector>

// 75 dashes and a newline: pacsift's line before every packet and after the last.
inline const std::string kSeparator = std::string(75, '-') + "\n";

// Every name lookup off, so that a display is the same on every machine.
inline const std::vector<std::string> kNoNames = {"-noHostNames", "-noPortNames", "-noEtherNames"};

// The option words `first` followed by `more`.
inline std::vector<std::string> words(std::vector<std::string> first, const std::vector<std::string>& more) {
    first.insert(first.end(), more.begin(), more.end());
    return first;
}

// -cooked with every name lookup off, then `more`.
inline std::vector<std::string> cookedArgs(const std::vector<std::string>& more = {}) {
    return words(words({"-cooked"}, kNoNames), more);
}

// A text as a parameterised test's name: every character that is not a
// letter or digit becomes '_' ("arp-oobr" -> "arp_oobr").
inline std::string testCaseName(std::string text) {
    for (char& c : text)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return text;
}

// What a run of the real pacsift binary (or any command) gave.
struct RunResult {
    std::string out;
    std::string err;
    int status = -1;      // exit status, or 128 + signal number
};

// Runs `argv` (argv[0] is the program; PACSIFT_BIN when empty) with `input`
// on standard input, and with `extraEnv` entries ("NAME=value") added to the
// environment. Waits for it.
RunResult runCommand(std::vector<std::string> argv, const std::string& input,
                     const std::vector<std::string>& extraEnv = {});

// Runs the pacsift binary with these option words on `input`.
RunResult runPacsift(const std::vector<std::string>& args, const std::string& input,
                     const std::vector<std::string>& extraEnv = {});

// Runs the pacsift binary with a file as standard input.
RunResult runPacsiftOnFile(const std::vector<std::string>& args, const std::string& path,
                           const std::vector<std::string>& extraEnv = {});

// Decodes cooked text in this process (no child, no binary): returns the display.
std::string decodeInProcess(const std::vector<std::string>& args, const std::string& input,
                            int* status = nullptr);

// An output sink (setOutputSink) that appends the display to capturedOutput,
// for tests that call the decoders directly.
extern std::string capturedOutput;
int captureOutput(const char* data, size_t length);

std::string readFile(const std::string& path);
// Writes all of `text` to a descriptor; false on an error.
bool writeAll(int fd, const std::string& text);
std::string fixturePath(const std::string& name);                 // tests/fixtures/<name>
std::string sharedCapture(const std::string& relativePath);       // ../shared/captures/<relativePath>
// A savefile of `packets` packets made (once, in the build directory) by the
// benchmark's capture maker, ../shared/bench/make-capture; empty when the
// maker is not there.
std::string benchCapture(int packets);
