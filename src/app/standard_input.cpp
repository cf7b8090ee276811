#include "app/standard_input.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "app/savefile_parts.h"
#include "common/program_end.h"

namespace {
constexpr long kLinkTypeEthernet = 1;
constexpr char kAdvice[] = "its packets are decoded as Ethernet frames unless -pp is given";

// tcpdump's names for the link types seen in savefiles without Ethernet.
const char* linkTypeName(long type) {
    switch (type) {
    case 0: return "NULL (BSD loopback)";
    case 9: return "PPP";
    case 101: return "RAW (Raw IP)";
    case 105: return "IEEE802_11 (802.11)";
    case 108: return "LOOP (OpenBSD loopback)";
    case 113: return "LINUX_SLL (Linux cooked v1)";
    case 127: return "IEEE802_11_RADIO (802.11 plus radiotap header)";
    case 228: return "IPV4 (Raw IPv4)";
    case 229: return "IPV6 (Raw IPv6)";
    case 276: return "LINUX_SLL2 (Linux cooked v2)";
    default: return nullptr;
    }
}

// True when the first expression word names an existing file (not a folder).
bool namesAFile(std::span<char* const> expression) {
    struct stat file;
    return !expression.empty() && stat(expression[0], &file) == 0 && !S_ISDIR(file.st_mode);
}
}  // namespace

void refuseTerminalInput(std::span<char* const> expression) {
    if (!isatty(0)) return;
    if (namesAFile(expression))
        std::fprintf(stderr,
                     "***Error: standard input is a terminal, not a savefile; to decode %s use: "
                     "pacsift [ options ] < %s\n",
                     expression[0], expression[0]);
    else
        std::fputs("***Error: standard input is a terminal, not a savefile; use: "
                   "pacsift [ options ] [ expr ] < savefile\n",
                   stderr);
    endProgram(1);
}

void warnOfLinkType() {
    struct stat file;
    if (fstat(0, &file) != 0 || !S_ISREG(file.st_mode)) return;
    // Enough for a pcapng file's first blocks up to its first interface.
    static unsigned char header[1 << 16];
    off_t at = lseek(0, 0, SEEK_CUR);
    ssize_t got = at < 0 ? -1 : pread(0, header, sizeof header, at);
    long type = savefileLinkType(header, got > 0 ? static_cast<size_t>(got) : 0);
    if (type < 0 || type == kLinkTypeEthernet) return;
    const char* name = linkTypeName(type);
    if (name != nullptr)
        std::fprintf(stderr, "Warning: the savefile's link type is %s, not Ethernet: %s\n", name, kAdvice);
    else
        std::fprintf(stderr, "Warning: the savefile's link type is %ld, not Ethernet: %s\n", type, kAdvice);
}

void hintAtFileName(std::span<char* const> expression) {
    if (!namesAFile(expression)) return;
    beforeMessage();
    std::fprintf(stderr, "***Error: tcpdump failed on standard input; to decode %s use: pacsift [ options ] < %s\n",
                 expression[0], expression[0]);
}
