#pragma once

#include <cstdint>

#include "common/name_table.h"
#include "decode/step.h"
#include "input/hex_readers.h"

// Display pieces that more than one decoder shows the same way.

// A flag of a verbose "Flags:" line: "on, " or "off," when more flags follow
// on the line (both four characters wide), "on" or "off" for the last one.
inline const char* flagText(bool on) { return on ? "on, " : "off,"; }
inline const char* lastFlagText(bool on) { return on ? "on" : "off"; }

// A TCP or UDP header's ports as the terse and one-line forms show them: the
// service names, or the numbers where there is none or under -noPortNames.
struct PortTexts {
    char source[48];
    char destination[48];
};
PortTexts portTexts(uint16_t source, uint16_t destination, const char* protocol);

// The verbose form's two port lines, each number followed by its service name.
void showVerbosePorts(uint16_t source, uint16_t destination, const char* protocol);

// The one-line form of a TCP or UDP header: "host.port -> host.port over TCP".
void showOneLinePorts(const PortTexts& ports, const char* protocolName);

// Skips the option bytes of a header of `headerLength` bytes with a fixed part
// of 20: they are never interpreted. `notice` shows the verbose form's line
// that says so.
void skipOptions(HexCursor& cursor, int headerLength, bool notice);

// A code that has no meaning for its message type, shown in place of a reason.
inline constexpr char kCorrupt[] = "<*** CORRUPT ***>";

// The reason of an ICMP or ICMPv6 code (nullptr for none), the code's number
// added to kCorrupt when `withCode` (-extended): "<*** CORRUPT ***> (code 5)".
const char* reasonWithCode(const char* reason, unsigned code, bool withCode);

// The type text of a message type without a name: "<unknown> (42)", and
// with a code other than 0 when `withCode` (-extended) "<unknown> (42, code 1)".
const char* unknownTypeText(unsigned type, unsigned code, bool withCode);

// The kinds of a multicast group record (MLDv2 and IGMPv3 reports).
inline constexpr Name kGroupRecordTypes[] = {{1, "is-include"}, {2, "is-exclude"}, {3, "to-include"},
                                             {4, "to-exclude"}, {5, "allow-new"},  {6, "block-old"}};

// The verbose form's address lines: the address, then its name in
// parentheses where names are on.
void putHostField(const char* label, const char* address);
void putEtherField(const char* label, const char* address);

// The common part of an ICMP or ICMPv6 message (`name`): the one-line form's
// line, the verbose heading with the type, its reason ("Because:"), the
// additional information and the checksum, or the terse line and the
// information line. `reason` and `info` may be nullptr.
void showIcmpMessage(const char* name, const char* typeText, const char* reason, const char* info,
                     uint16_t checksum);

// The service name of the destination port that an ICMP or ICMPv6
// port-unreachable error quotes (of TCP or UDP), for kPortUnreachable.
const char* quotedPortName(uint16_t port, uint8_t protocol);
inline constexpr char kPortUnreachable[] = "Port %s is unreachable";

// The bytes of a fragment after the first are data, never a header. The
// one-line form names the fragment: "src -> dst PROTO fragment at offset N".
Step laterFragmentData(HexCursor cursor);

// The EtherType of an IP datagram that follows, told by the version digit of
// its first byte (looked at, not read; the next data line is fetched when the
// current one is used up): IPv4 for 4, IPv6 for 6, else 0 (not a datagram).
// Nothing is looked at when the count has no byte left.
unsigned datagramEtherType(HexCursor& cursor);

// The one-line form's addresses for the layer that ends the chain: the
// innermost IP header's host texts when one came after the innermost
// Ethernet header, else that header's texts as its LINK line shows them.
const char* oneLineSource();
const char* oneLineDestination();
