#pragma once

#include <netdb.h>
#include <netinet/ether.h>

// Host names are looked up for dotted IPv4 and for IPv6 address texts alike.
// Host, service and Ethernet names from the platform's databases. No result
// is cached. With `fallback` set a missing name gives the number or address
// text itself, otherwise "<unknown>".
const char* hostName(const char* dottedAddr, bool fallback);
const char* portName(unsigned port, const char* protocol, bool fallback);
const char* etherHostName(const char* etherAddr, bool fallback);

// " (name)" after a number in the verbose form; nothing when the naming
// option is off.
void hostSuffix(const char* dottedAddr);
void serviceSuffix(unsigned port, const char* protocol);
void etherSuffix(const char* etherAddr);

// The platform calls behind the lookups; tests put fakes in their place.
struct NameDatabase {
    struct hostent* (*gethostbyaddr)(const void* addr, socklen_t length, int family);
    struct servent* (*getservbyport)(int port, const char* protocol);
    struct ether_addr* (*ether_aton)(const char* text);
    int (*ether_ntohost)(char* hostname, const struct ether_addr* addr);
};
extern NameDatabase nameDatabase;
void usePlatformNameDatabase();

// With `on`, a host lookup that takes over a second brings one note on
// standard error that lookups are slow and what avoids them (for a terminal).
void watchForSlowLookups(bool on);
