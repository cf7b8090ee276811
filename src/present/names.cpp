#include "present/names.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "common/options.h"
#include "common/output.h"
#include "common/program_end.h"

namespace {
const char kUnknown[] = "<unknown>";

constexpr size_t kMaxHostName = 255;
constexpr size_t kMaxPortName = 32;

char hostNameBuffer[kMaxHostName + 1];
char portNumberText[16];
// The platform copies an Ethernet host name in without a bound, so its
// buffer is generous; what the display keeps of it is cut to 255 characters.
char etherNameBuffer[4096];

struct hostent* platformGethostbyaddr(const void* addr, socklen_t length, int family) {
    return ::gethostbyaddr(addr, length, family);
}
struct servent* platformGetservbyport(int port, const char* protocol) {
    return ::getservbyport(port, protocol);
}
struct ether_addr* platformEtherAton(const char* text) { return ::ether_aton(text); }
int platformEtherNtohost(char* hostname, const struct ether_addr* addr) {
    return ::ether_ntohost(hostname, addr);
}
bool watchLookups = false;
bool saidSlow = false;

double secondsSince(const timespec& start) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec - start.tv_sec) + static_cast<double>(now.tv_nsec - start.tv_nsec) / 1e9;
}

// A resolver that drops queries makes each lookup wait for its timeouts; the
// display then seems to hang, so a terminal user is told once what avoids it.
const struct hostent* lookUpHost(const void* addr, socklen_t length, int family) {
    if (!watchLookups || saidSlow) return nameDatabase.gethostbyaddr(addr, length, family);
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    const struct hostent* entry = nameDatabase.gethostbyaddr(addr, length, family);
    if (secondsSince(start) > 1.0) {
        saidSlow = true;
        beforeMessage();
        std::fputs("Note: host name lookups are slow here (one took over a second); -noHostNames, or a caching "
                   "daemon such as nscd, avoids them\n",
                   stderr);
    }
    return entry;
}
}  // namespace

void watchForSlowLookups(bool on) { watchLookups = on; }

NameDatabase nameDatabase = {platformGethostbyaddr, platformGetservbyport, platformEtherAton,
                             platformEtherNtohost};

void usePlatformNameDatabase() {
    nameDatabase = {platformGethostbyaddr, platformGetservbyport, platformEtherAton, platformEtherNtohost};
}

const char* hostName(const char* dottedAddr, bool fallback) {
    const char* notNamed = fallback ? dottedAddr : kUnknown;
    if (options.noHostNames) return notNamed;
    const struct hostent* entry;
    if (std::strchr(dottedAddr, ':') != nullptr) {
        // An IPv6 address text.
        in6_addr addr6{};
        if (inet_pton(AF_INET6, dottedAddr, &addr6) != 1) return notNamed;
        entry = lookUpHost(&addr6, 16, AF_INET6);
    } else {
        in_addr_t addr = inet_addr(dottedAddr);
        entry = lookUpHost(&addr, 4, AF_INET);
    }
    if (entry == nullptr || entry->h_name == nullptr) return notNamed;
    size_t length = std::strlen(entry->h_name);
    if (length > kMaxHostName) fatal("Hostname too long");
    std::memcpy(hostNameBuffer, entry->h_name, length + 1);
    if (!options.fqdn) {
        if (char* dot = std::strchr(hostNameBuffer, '.')) *dot = '\0';
    }
    return hostNameBuffer;
}

const char* portName(unsigned port, const char* protocol, bool fallback) {
    const char* name = nullptr;
    if (!options.noPortNames) {
        const struct servent* entry = nameDatabase.getservbyport(htons(static_cast<uint16_t>(port)), protocol);
        if (entry != nullptr) name = entry->s_name;
    }
    if (name == nullptr) {
        if (!fallback) return kUnknown;
        // The number, written without a format (it is asked for with every packet).
        char digits[16];
        int count = 0;
        do digits[count++] = static_cast<char>('0' + port % 10);
        while ((port /= 10) != 0);
        for (int i = 0; i < count; ++i) portNumberText[i] = digits[count - 1 - i];
        portNumberText[count] = '\0';
        name = portNumberText;
    }
    if (std::strlen(name) > kMaxPortName) fatal("Port name too long");
    return name;
}

const char* etherHostName(const char* etherAddr, bool fallback) {
    const char* notNamed = fallback ? etherAddr : kUnknown;
    if (options.noEtherNames) return notNamed;
    const struct ether_addr* addr = nameDatabase.ether_aton(etherAddr);
    if (addr == nullptr) fatal("Badly formatted Ethernet address");
    struct ether_addr copy = *addr;
    if (nameDatabase.ether_ntohost(etherNameBuffer, &copy) != 0) return notNamed;
    etherNameBuffer[kMaxHostName] = '\0';
    return etherNameBuffer;
}

void hostSuffix(const char* dottedAddr) {
    if (options.noHostNames) return;
    putFormat(" (%s)", hostName(dottedAddr, false));
}

void serviceSuffix(unsigned port, const char* protocol) {
    if (options.noPortNames) return;
    putFormat(" (%s)", portName(port, protocol, false));
}

void etherSuffix(const char* etherAddr) {
    if (options.noEtherNames) return;
    putFormat(" (%s)", etherHostName(etherAddr, false));
}
