// libFuzzer target: the whole decoder on cooked tcpdump text.
//
// Input layout:
//   byte 0, byte 1  option flags (one bit per option word, below)
//   byte 2          the value word of -w, when byte 1 asks for -w
//   byte 3          how the output sink behaves (bits 0 to 3); bit 4: -extended
//   the rest        the cooked text (what tcpdump -enx prints)
//
// Name lookups go to the fake databases below, which answer from the bytes of
// the address or port alone: never the machine's resolver or files, and the
// same answer for the same input every time.

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/ether.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/run.h"
#include "present/names.h"

namespace {

// --- Fake name databases -------------------------------------------------

char hostNameText[400];
char* hostAliases[] = {nullptr};
in_addr hostAddress;
char* hostAddresses[] = {reinterpret_cast<char*>(&hostAddress), nullptr};
struct hostent hostEntry;

// Writes a name of `length` characters into `into`, with a dot at `dotAt`
// (none when dotAt >= length).
void longName(char* into, size_t length, size_t dotAt) {
    for (size_t i = 0; i < length; ++i) into[i] = static_cast<char>('a' + i % 26);
    if (dotAt < length) into[dotAt] = '.';
    into[length] = '\0';
}

struct hostent* fakeGethostbyaddr(const void* addr, socklen_t length, int family) {
    // IPv6 addresses (-extended) are named by their last four bytes.
    if (!(length == 4 && family == AF_INET) && !(length == 16 && family == AF_INET6)) return nullptr;
    unsigned char b[4];
    std::memcpy(b, static_cast<const unsigned char*>(addr) + length - 4, 4);
    std::memcpy(&hostAddress, b, 4);
    hostEntry = {};
    hostEntry.h_aliases = hostAliases;
    hostEntry.h_addrtype = AF_INET;
    hostEntry.h_length = 4;
    hostEntry.h_addr_list = hostAddresses;
    hostEntry.h_name = hostNameText;
    switch (b[3] % 8) {
        case 0:
        case 1:
            return nullptr;
        case 2:
            std::snprintf(hostNameText, sizeof hostNameText, "h%u-%u", b[0], b[1]);
            break;
        case 3:
            std::snprintf(hostNameText, sizeof hostNameText, "h%u.net%u.example.org", b[2], b[1]);
            break;
        case 4:
            std::snprintf(hostNameText, sizeof hostNameText, ".lead%u", b[3]);
            break;
        case 5:
            hostEntry.h_name = nullptr;
            break;
        case 6: {
            // Around the limits: INFOBUF (236/237) and the host-name buffer (255/256).
            static const size_t lengths[] = {235, 236, 237, 238, 255, 256, 300};
            longName(hostNameText, lengths[b[2] % 7], b[1] % 2 ? 250 : 3);
            break;
        }
        default:
            // Format directives in a name must come out as text, never be obeyed.
            std::snprintf(hostNameText, sizeof hostNameText, "%s", b[2] % 2 ? "%s%n%x.%s" : "");
            break;
    }
    return &hostEntry;
}

char serviceNameText[64];
char serviceProtocol[8];
char* serviceAliases[] = {nullptr};
struct servent serviceEntry;

struct servent* fakeGetservbyport(int port, const char* protocol) {
    unsigned number = ntohs(static_cast<uint16_t>(port));
    bool tcp = std::strcmp(protocol, "tcp") == 0;
    serviceEntry = {};
    serviceEntry.s_aliases = serviceAliases;
    serviceEntry.s_port = port;
    std::snprintf(serviceProtocol, sizeof serviceProtocol, "%s", protocol);
    serviceEntry.s_proto = serviceProtocol;
    serviceEntry.s_name = serviceNameText;
    switch (number % 8) {
        case 0:
        case 1:
        case 2:
            return nullptr;
        case 3:
            std::snprintf(serviceNameText, sizeof serviceNameText, "%s%u", tcp ? "tsvc" : "usvc", number);
            break;
        case 4:
            if (!tcp) return nullptr;   // known for tcp only
            std::snprintf(serviceNameText, sizeof serviceNameText, "tcp-only-%u", number);
            break;
        case 5: {
            static const size_t lengths[] = {31, 32, 33, 40};
            longName(serviceNameText, lengths[(number / 8) % 4], 100);
            break;
        }
        case 6:
            std::snprintf(serviceNameText, sizeof serviceNameText, "%s", "a b\t%s%n%x");
            break;
        default:
            serviceNameText[0] = '\0';
            break;
    }
    return &serviceEntry;
}

struct ether_addr etherAddress;

struct ether_addr* fakeEtherAton(const char* text) {
    // Parsing only (no database): the system library's own parser.
    return ether_aton_r(text, &etherAddress);
}

int fakeEtherNtohost(char* hostname, const struct ether_addr* addr) {
    const uint8_t* b = addr->ether_addr_octet;
    switch (b[5] % 6) {
        case 0:
        case 1:
            return -1;
        case 2:
            std::sprintf(hostname, "eth-%02x-%02x", b[4], b[5]);
            return 0;
        case 3:
            std::strcpy(hostname, "%s%n.ether%x");
            return 0;
        case 4: {
            // The system library copies a name of any length; keep it well
            // inside the lookup's buffer.
            static const size_t lengths[] = {254, 255, 256, 300, 1000};
            longName(hostname, lengths[b[4] % 5], b[3] % 2 ? 5 : 2000);
            return 0;
        }
        default:
            hostname[0] = '\0';
            return 0;
    }
}

// --- Output sinks ------------------------------------------------------------

int sinkCalls = 0;
int failAfter = 0;
int failWith = 0;

// The display is thrown away; only its first and last characters are kept,
// for the checks after the run.
const std::string kSeparator(75, '-');
std::string head;
std::string tail;
size_t written = 0;

int discard(const char* data, size_t length) {
    ++sinkCalls;
    if (failWith != 0 && sinkCalls > failAfter) return failWith;
    if (head.size() < 100) head.append(data, std::min(length, 100 - head.size()));
    tail.append(data + (length > 100 ? length - 100 : 0), std::min<size_t>(length, 100));
    if (tail.size() > 100) tail.erase(0, tail.size() - 100);
    written += length;
    return 0;
}

// --- Option words ------------------------------------------------------------

const char* const kFlagWords0[8] = {"-verbose", "-terse", "-minHdrDecode", "-noLink",
                                    "-noIp",    "-noData", "-b",           "-sb"};
const char* const kFlagWords1[7] = {"-track", "-s", "-pp", "-fqdn", "-noHostNames", "-noPortNames",
                                    "-noEtherNames"};

std::string widthWord(uint8_t value) {
    switch (value) {
        case 0: return "0";                  // too small
        case 1: return "-3";                 // too small
        case 2: return "99999999999";        // clamped to INT_MAX
        case 3: return "2147483647";
        case 4: return "80x";                // leading digits only
        default: return std::to_string(value - 4);   // 1 to 251
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    nameDatabase = {fakeGethostbyaddr, fakeGetservbyport, fakeEtherAton, fakeEtherNtohost};
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t kPrefix = 4;
    if (size < kPrefix) return -1;   // not worth keeping in the corpus

    std::vector<std::string> words;
    for (int bit = 0; bit < 8; ++bit)
        if (data[0] & (1u << bit)) words.emplace_back(kFlagWords0[bit]);
    for (int bit = 0; bit < 7; ++bit)
        if (data[1] & (1u << bit)) words.emplace_back(kFlagWords1[bit]);
    if (data[1] & 0x80) {
        words.emplace_back("-w");
        words.push_back(widthWord(data[2]));
    }
    // A trailing expression word, as on a real command line; ignored here.
    if (data[3] & 0x10) words.emplace_back("-extended");
    if ((data[0] & 0x03) == 0x03) words.emplace_back("port");

    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    // Byte 3: mostly a sink that takes everything; sometimes one that fails
    // (a closed pipe, a full disk) after a number of blocks.
    sinkCalls = 0;
    failAfter = data[3] >> 2 & 0x03;
    switch (data[3] & 0x03) {
        case 2: failWith = EPIPE; break;
        case 3: failWith = ENOSPC; break;
        default: failWith = 0; break;
    }

    head.clear();
    tail.clear();
    written = 0;
    int status = runOnText(static_cast<int>(words.size()), argv.data(),
                           reinterpret_cast<const char*>(data + kPrefix), size - kPrefix, discard);
    if (status != 0 && status != 1 && status != kBrokenPipe) __builtin_trap();
    if (status == kBrokenPipe && failWith != EPIPE) __builtin_trap();
    // A run that got to the end of its input has shown whole packets: the
    // display opens with the first packet and closes with the separator.
    if (status == 0 && written > 0) {
        if (head.rfind(kSeparator + "\nPacket 1\n", 0) != 0) __builtin_trap();
        if (tail.size() < kSeparator.size() + 1 ||
            tail.compare(tail.size() - kSeparator.size() - 1, std::string::npos, kSeparator + "\n") != 0)
            __builtin_trap();
    }
    return 0;
}
