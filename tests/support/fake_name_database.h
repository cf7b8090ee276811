#pragma once

#include <arpa/inet.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "present/names.h"

// In-process fakes for the platform calls behind the name lookups. Install()
// puts them into nameDatabase; the tests restore the platform's with
// usePlatformNameDatabase(). Every call is counted, so a test can tell that
// a lookup was not made at all.
namespace fake_names {

struct Calls {
    int gethostbyaddr = 0;
    int getservbyport = 0;
    int ether_aton = 0;
    int ether_ntohost = 0;
    int total() const { return gethostbyaddr + getservbyport + ether_aton + ether_ntohost; }
};

inline Calls calls;
inline std::map<std::string, std::string> hosts;     // dotted address -> official name
inline std::map<std::string, std::string> services;  // "80/tcp" -> name
inline std::map<std::string, std::string> ethers;    // "08:00:20:01:02:03" (lower case) -> name

// What the last calls were given.
inline std::string lastHostQuery;       // the address, dotted, as the lookup received it
inline socklen_t lastHostLength = 0;
inline int lastHostFamily = 0;
inline int lastServicePort = -1;        // as received: network byte order
inline std::string lastServiceProtocol;

inline char hostNameText[4096];
inline char* noAliases[1] = {nullptr};
inline struct hostent hostEntry;
inline char serviceNameText[4096];
inline struct servent serviceEntry;

inline struct hostent* gethostbyaddr(const void* addr, socklen_t length, int family) {
    ++calls.gethostbyaddr;
    lastHostLength = length;
    lastHostFamily = family;
    char dotted[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, addr, dotted, sizeof dotted);
    lastHostQuery = dotted;
    auto found = hosts.find(dotted);
    if (found == hosts.end()) return nullptr;
    std::strcpy(hostNameText, found->second.c_str());
    hostEntry = {};
    hostEntry.h_name = hostNameText;
    hostEntry.h_aliases = noAliases;
    hostEntry.h_addrtype = AF_INET;
    hostEntry.h_length = 4;
    return &hostEntry;
}

inline struct servent* getservbyport(int port, const char* protocol) {
    ++calls.getservbyport;
    lastServicePort = port;
    lastServiceProtocol = protocol;
    auto found = services.find(std::to_string(ntohs(static_cast<uint16_t>(port))) + "/" + protocol);
    if (found == services.end()) return nullptr;
    std::strcpy(serviceNameText, found->second.c_str());
    serviceEntry = {};
    serviceEntry.s_name = serviceNameText;
    serviceEntry.s_aliases = noAliases;
    serviceEntry.s_port = port;
    serviceEntry.s_proto = const_cast<char*>(protocol);
    return &serviceEntry;
}

// Parsing stays the platform's.
inline struct ether_addr* ether_aton(const char* text) {
    ++calls.ether_aton;
    return ::ether_aton(text);
}

inline int ether_ntohost(char* hostname, const struct ether_addr* addr) {
    ++calls.ether_ntohost;
    char text[32];
    const uint8_t* b = addr->ether_addr_octet;
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", b[0], b[1], b[2], b[3], b[4], b[5]);
    auto found = ethers.find(text);
    if (found == ethers.end()) return -1;
    std::strcpy(hostname, found->second.c_str());
    return 0;
}

// Empties the tables and the counts and installs the fakes.
inline void install() {
    calls = {};
    hosts.clear();
    services.clear();
    ethers.clear();
    lastHostQuery.clear();
    lastHostLength = 0;
    lastHostFamily = 0;
    lastServicePort = -1;
    lastServiceProtocol.clear();
    nameDatabase = {gethostbyaddr, getservbyport, ether_aton, ether_ntohost};
}

}  // namespace fake_names
