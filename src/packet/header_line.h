#pragma once

// Decodes a packet's header line: prints the time and link lines and sets
// etherType and linkLength for the decoders. Two layouts are understood:
//   plain: 12:00:00.500000 8:0:20:1:2:3 ff:ff:ff:ff:ff:ff 0806 60:
//   arrow: 12:00:00.500000 00:11:22:33:44:55 > 66:77:88:99:aa:bb, ethertype IPv4 (0x0800), length 98: ...
// Under -pp only the timestamp is read.
void decodeHeaderLine(const char* line);

// Rewrites an Ethernet address text as six two-digit upper-case components,
// "8:0:20:1:a:ff" -> "08:00:20:01:0A:FF". The result is the shared
// etherAddrText; a text with fewer than six components gives a shorter result.
const char* normEtherAddr(const char* text);

// Whether the frame's last type, after its tags, is an 802.3 length (tcpdump
// prints no type phrase there but "802.3"): -extended names it so.
bool frameTypeIsLength();
