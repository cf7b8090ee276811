#pragma once

#include <cstdint>

#include "input/hex_readers.h"

// The link-layer types and IP protocol numbers this program knows: one row
// each, read by the dispatch (which decoder), by the displays (the names) and
// by the data display (the verbose heading). A new protocol is a new row.

// A decoder reads its header at the cursor, shows it and returns the cursor
// after it, or nullptr to give the packet up (the dispatch discards the rest).
using Decoder = HexCursor (*)(HexCursor);

// Which datagrams may carry an IP protocol, as bits of IpProtocol::carriedBy.
constexpr unsigned kOverIpv4 = 1;           // IPv4, always
constexpr unsigned kOverIpv4Extended = 2;   // IPv4, under -extended only
constexpr unsigned kOverIpv6 = 4;           // IPv6 (only ever under -extended)

// The datagram a tunnel protocol carries.
enum class Inner : uint8_t { none, ipv4, ipv6 };

struct LinkType {
    int number;            // the Ethernet type field
    const char* name;      // the link lines' name; nullptr: tcpdump's own name
    Decoder decode;        // the decoder of the frame's body; nullptr with an IP datagram
    Inner datagram;        // the IP datagram the frame carries, when it does
    bool extendedOnly;     // decoded under -extended only
};

struct IpProtocol {
    uint8_t number;
    const char* name;       // as an IPv4 header names it; nullptr: "<unknown>"
    const char* ipv6Name;   // as an IPv6 Next Header names it, where that differs
    const char* dataLabel;  // the verbose data heading, "<label> Data"
    Decoder decode;         // the transport decoder, or nullptr
    unsigned carriedBy;     // kOverIpv4 | kOverIpv4Extended | kOverIpv6 for a decoder or a tunnel
    Inner inner;            // a tunnel's inner datagram
    bool nameNeedsExtended; // its name is shown under -extended only
};

// The decoders the rows name, each in its own file (decode/tcp.cpp, ...).
// Declared here, with the table, so that a decoder may read the table's names
// without the two depending on each other.

// A TCP header; the cursor on the first data byte, or nullptr when the header
// is longer than the datagram.
HexCursor decodeTcp(HexCursor cursor);
// A UDP header; nullptr when its length disagrees with the IP header's count.
HexCursor decodeUdp(HexCursor cursor);
// An ICMP message; the cursor past the bytes it read.
HexCursor decodeIcmp(HexCursor cursor);
// An ICMPv6 message: its fixed fields, then its NDP options, MLD records or
// sources, or the quoted header of an error; the cursor on the message's data.
HexCursor decodeIcmpv6(HexCursor cursor);
// The 28-byte ARP or RARP body (told apart by etherType).
HexCursor decodeArp(HexCursor cursor);

// The row of a link type or protocol number, or nullptr when there is none.
const LinkType* linkType(int number);
const IpProtocol* ipProtocol(uint8_t number);

// The name an IPv4 header shows for its protocol, "<unknown>" where there is none.
const char* protoName(unsigned protocol);

// The name an IPv6 Next Header shows, or nullptr where there is none.
const char* nextHeaderName(unsigned number);

// The verbose data heading's label for the protocol decoded last.
const char* dataLabel(uint8_t protocol);
