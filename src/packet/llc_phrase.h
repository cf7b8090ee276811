#pragma once

#include "common/llc_fields.h"

// The 802.2 LLC header (and SNAP header) of an 802.3 frame as tcpdump prints
// it in the header line; the dump starts after them, so the line is where
// their fields are read from:
//   LLC, dsap STP (0x42) Individual, ssap STP (0x42) Command, ctrl 0x03: ...
//   LLC, dsap SNAP (0xaa) Individual, ssap SNAP (0xaa) Command, ctrl 0x03: oui Cisco (0x00000c), pid PVST (0x010b), length 42: ...
//   ... ctrl 0x03: oui Ethernet (0x000000), ethertype IPv4 (0x0800), length 32: ...
// tcpdump prints each SAP without its low bit and gives that bit as a word
// (Individual/Group, Command/Response); a two-byte control is printed as its
// little-endian value ("ctrl 0x3400" for the bytes 00 34).
using LlcPhrase = LlcFields;

// Reads an LLC phrase at `p` (its "LLC, dsap " included) and the SNAP phrase
// right after it, if any. Returns the text after what was read, or nullptr
// when `p` holds no whole LLC phrase (then `out` is not to be used).
const char* readLlcPhrase(const char* p, LlcPhrase& out);
