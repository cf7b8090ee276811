#include "support/savefile_split.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/savefile_parts.h"
#include "app/split_run.h"
#include "support/run_binary.h"

namespace {
std::string realTcpdump() {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path != nullptr ? path : "/usr/bin:/usr/sbin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        std::string candidate = dir + "/tcpdump";
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    for (const char* candidate : {"/usr/bin/tcpdump", "/usr/sbin/tcpdump"})
        if (access(candidate, X_OK) == 0) return candidate;
    return "tcpdump";
}
}  // namespace

TcpdumpStarts::TcpdumpStarts(const char* delay) {
    std::string pattern = (std::filesystem::temp_directory_path() / "pacsift-starts-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) dir_ = pattern;
    std::string script = dir_ + "/tcpdump";
    std::ofstream(script) << "#!/bin/sh\necho \"$$ $*\" >> '" << dir_ << "/starts'\n"
                          << (delay != nullptr ? std::string("sleep ") + delay + "\n" : "") << "exec '"
                          << realTcpdump() << "' \"$@\"\n";
    chmod(script.c_str(), 0755);
}

TcpdumpStarts::~TcpdumpStarts() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::vector<std::string> TcpdumpStarts::env() const {
    const char* path = std::getenv("PATH");
    return {"PATH=" + dir_ + ":" + (path != nullptr ? path : "/usr/bin:/bin"), "TZ=UTC"};
}

std::vector<std::string> TcpdumpStarts::lines() const {
    std::vector<std::string> lines;
    std::istringstream text(readFile(dir_ + "/starts"));
    std::string line;
    while (std::getline(text, line)) lines.push_back(line);
    return lines;
}

std::vector<int> TcpdumpStarts::pids() const {
    std::vector<int> pids;
    for (const std::string& line : lines()) pids.push_back(std::atoi(line.c_str()));
    return pids;
}

size_t readFromString(void* context, uint64_t offset, unsigned char* into, size_t length) {
    const std::string& bytes = *static_cast<const std::string*>(context);
    if (offset >= bytes.size()) return 0;
    size_t got = std::min<size_t>(length, bytes.size() - offset);
    std::memcpy(into, bytes.data() + offset, got);
    return got;
}

std::vector<uint64_t> splitPartEnds(const std::string& path) {
    std::string bytes = readFile(path);
    unsigned children = splitChildren();
    if (children < 2 || bytes.size() < kSplitThreshold) return {};
    auto cutter = std::make_unique<SavefileCutter>();
    SavefileReader reader{readFromString, &bytes};
    if (!startCutting(*cutter, reader, 0, bytes.size())) return {};
    uint64_t partSize = splitPartSize(bytes.size() - cutter->next, children);
    std::vector<uint64_t> ends;
    uint64_t from, to;
    while (nextPart(*cutter, partSize, from, to)) ends.push_back(to);
    if (ends.size() < 2) ends.clear();
    return ends;
}

std::vector<uint64_t> blockOffsets(const std::string& bytes) {
    std::vector<uint64_t> offsets;
    for (uint64_t at = 0; at + 12 <= bytes.size();) {
        offsets.push_back(at);
        uint32_t length;
        std::memcpy(&length, bytes.data() + at + 4, 4);
        if (length < 12) break;
        at += length;
    }
    return offsets;
}

std::vector<uint64_t> recordOffsets(const std::string& bytes) {
    std::vector<uint64_t> offsets;
    SavefileHeader header;
    if (bytes.size() < kSavefileHeaderSize ||
        !readSavefileHeader(reinterpret_cast<const unsigned char*>(bytes.data()), header))
        return offsets;
    for (uint64_t at = kSavefileHeaderSize; at + kRecordHeaderSize <= bytes.size();) {
        offsets.push_back(at);
        uint32_t captured;
        std::memcpy(&captured, bytes.data() + at + 8, 4);
        if (header.swapped) captured = __builtin_bswap32(captured);
        at += kRecordHeaderSize + captured;
    }
    return offsets;
}

bool nameTooLongAfter(std::string& savefile, uint64_t offset) {
    for (uint64_t at : recordOffsets(savefile)) {
        // Ethernet type 0x0800 after the two addresses; the source address
        // is 12 bytes into the IPv4 header.
        if (at < offset || savefile.compare(at + 16 + 12, 2, "\x08\x00", 2) != 0) continue;
        savefile.replace(at + 16 + 14 + 12, 4, "\xc6\x33\x64\x4d", 4);
        return true;
    }
    return false;
}

std::string tooLongHostName() { return "host 198.51.100.77 " + std::string(300, 'n') + "\n"; }

std::string firstDifference(const std::string& expected, const std::string& actual) {
    if (expected == actual) return "";
    size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    size_t from = at > 200 ? at - 200 : 0;
    std::ostringstream text;
    text << "sizes " << expected.size() << " and " << actual.size() << ", first difference at byte " << at
         << "\n--- expected from byte " << from << ":\n"
         << expected.substr(from, 400) << "\n--- actual:\n"
         << actual.substr(from, 400);
    return text.str();
}
