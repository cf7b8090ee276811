#pragma once

#include <cstdint>

#include "decode/step.h"

// The link-layer types and IP protocol numbers this program knows: one row
// each, read by the dispatch (which decoder follows), and by the displays
// (the names). A new protocol is a new row.

// Which datagrams may carry an IP protocol, as bits of IpProtocol::carriedBy.
constexpr unsigned kOverIpv4 = 1;           // IPv4, always
constexpr unsigned kOverIpv4Extended = 2;   // IPv4, under -extended only
constexpr unsigned kOverIpv6 = 4;           // IPv6 (only ever under -extended)

// The class of a decoder's block: link headers (hidden by -noLink), IP
// headers (hidden by -noIp, and counted by the chain's tunnel rule), and the
// rest, shown in every form.
enum class Layer : uint8_t { link, ip, leaf };

struct LinkType {
    int number;            // the Ethernet type field
    const char* name;      // the link lines' name; nullptr: tcpdump's own name
    Decoder decode;        // the decoder of the frame's body
    Layer layer;
    bool extendedOnly;     // decoded under -extended only
};

// -extended: what follows an 802.2 LLC header, by its destination SAP
// (and Cisco's PVST+ SNAP header, as SAP 0x42).
struct LlcSap {
    unsigned sap;
    Decoder decode;
    Layer layer;
};

// -extended: what follows a PPP header, by its protocol number.
struct PppProtocol {
    unsigned number;
    const char* name;   // the PPP header's name of it, and a control protocol's heading
    Decoder decode;
    Layer layer;
};

struct IpProtocol {
    uint8_t number;
    const char* name;       // as an IPv4 header names it; nullptr: "<unknown>"
    const char* ipv6Name;   // as an IPv6 Next Header names it, where that differs
    Decoder decode;         // nullptr: not decoded
    unsigned carriedBy;     // kOverIpv4 | kOverIpv4Extended | kOverIpv6 where it is decoded
    Layer layer;
    bool nameNeedsExtended; // its name is shown under -extended only
};

// The decoders the rows name, each in its own file (decode/tcp.cpp, ...).
// Declared here, with the table, so that a decoder may read the table's names
// without the two depending on each other.

// An IPv4 header; what follows is its protocol, or a later fragment's data.
Step decodeIp(HexCursor cursor);
// An IPv6 fixed header and its extension headers (at most 8); what follows
// is the upper layer, a later fragment's data, or nothing (No Next Header).
Step decodeIpv6(HexCursor cursor);
// A TCP header; gives up when the header is longer than the datagram.
Step decodeTcp(HexCursor cursor);
// A UDP header; gives up when its length disagrees with the IP header's count.
Step decodeUdp(HexCursor cursor);
// An ICMP message.
Step decodeIcmp(HexCursor cursor);
// An ICMPv6 message: its fixed fields, then its NDP options, MLD records or
// sources, or the quoted header of an error.
Step decodeIcmpv6(HexCursor cursor);
// An IGMP message (v1, v2, v3, mtrace): its header, a v3 query's sources or
// a v3 report's records; the rest is data.
Step decodeIgmp(HexCursor cursor);
// The 28-byte ARP or RARP body (told apart by etherType); no data follows.
Step decodeArp(HexCursor cursor);

// -extended, the link layer (decode/NAME.cpp):
// An 802.2 LLC header and the SNAP header after it: the outer frame's from
// the header line, another's from the dump.
Step decodeLlc(HexCursor cursor);
// An 802.1Q tag read from the dump (the outer frame's are in the header line).
Step decodeVlanTag(HexCursor cursor);
// A Spanning Tree BPDU (STP, RSTP, MSTP, SPB; PVST+'s originating VLAN).
Step decodeStp(HexCursor cursor);
// An MPLS label stack; IPv4 or IPv6 by the first digit after it, else data.
Step decodeMpls(HexCursor cursor);
// PPPoE discovery with its tags, and the PPPoE session header before PPP.
Step decodePppoeDiscovery(HexCursor cursor);
Step decodePppoeSession(HexCursor cursor);
// A PPP header (with the address and control bytes when there); the control
// protocols' messages (LCP, IPCP, IPV6CP, CCP, PAP, CHAP).
Step decodePpp(HexCursor cursor);
Step decodePppControl(HexCursor cursor);
// LLDP's TLVs.
Step decodeLldp(HexCursor cursor);
// EAPOL and the EAP packet in it.
Step decodeEapol(HexCursor cursor);
// The Slow Protocols: LACP.
Step decodeSlowProtocols(HexCursor cursor);
// PTP version 2.
Step decodePtp(HexCursor cursor);
// IS-IS PDUs.
Step decodeIsis(HexCursor cursor);

// The row of a link type or protocol number, or nullptr when there is none.
// Under -extended a number up to 1500 is an 802.3 length: the LLC row.
const LinkType* linkType(int number);
const LlcSap* llcSap(unsigned sap);
const PppProtocol* pppProtocol(unsigned number);

// The name of a PPP protocol, or nullptr where there is none.
const char* pppProtocolName(unsigned number);
const IpProtocol* ipProtocol(uint8_t number);

// The name an IPv4 header shows for its protocol, "<unknown>" where there is none.
const char* protoName(unsigned protocol);

// The name an IPv6 Next Header shows, or nullptr where there is none.
const char* nextHeaderName(unsigned number);
