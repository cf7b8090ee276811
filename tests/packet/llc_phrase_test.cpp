// The LLC and SNAP phrases of tcpdump's header line for 802.3 frames.

#include "packet/llc_phrase.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct Case {
    const char* text;
    bool whole;             // a whole LLC phrase
    unsigned dsap, ssap, control, controlBytes;
    bool snap;
    unsigned oui, protocolId;
    const char* rest;       // what follows the phrases
};

const Case kCases[] = {
    {"LLC, dsap STP (0x42) Individual, ssap STP (0x42) Command, ctrl 0x03: STP 802.1d, Config", true, 0x42, 0x42, 0x03,
     1, false, 0, 0, " STP 802.1d, Config"},
    // The I/G and C/R bits come from the words.
    {"LLC, dsap OSI (0xfe) Group, ssap OSI (0xfe) Response, ctrl 0x03: OSI", true, 0xFF, 0xFF, 0x03, 1, false, 0, 0,
     " OSI"},
    // A two-byte control, printed as its little-endian value (bytes 00 34).
    {"LLC, dsap STP (0x42) Individual, ssap STP (0x42) Command, ctrl 0x3400: Information, send seq 0", true, 0x42,
     0x42, 0x3400, 2, false, 0, 0, " Information, send seq 0"},
    // Names with blanks.
    {"LLC, dsap SNA Path Control (0x04) Individual, ssap Unknown SAP (0x06) Command, ctrl 0x03: x", true, 0x04, 0x06,
     0x03, 1, false, 0, 0, " x"},
    {"LLC, dsap SNAP (0xaa) Individual, ssap SNAP (0xaa) Command, ctrl 0x03: oui Cisco (0x00000c), pid PVST "
     "(0x010b), length 42: STP 802.1w",
     true, 0xAA, 0xAA, 0x03, 1, true, 0x00000C, 0x010B, ", length 42: STP 802.1w"},
    {"LLC, dsap SNAP (0xaa) Individual, ssap SNAP (0xaa) Command, ctrl 0x03: oui Ethernet (0x000000), ethertype "
     "Reverse ARP (0x8035), length 32: ",
     true, 0xAA, 0xAA, 0x03, 1, true, 0, 0x8035, ", length 32: "},
    // Cut in the SNAP header: the LLC phrase alone.
    {"LLC, dsap SNAP (0xaa) Individual, ssap SNAP (0xaa) Command, ctrl 0x03:  [|snap]", true, 0xAA, 0xAA, 0x03, 1,
     false, 0, 0, "  [|snap]"},
    // SNAP only after SNAP SAPs and a UI control.
    {"LLC, dsap SNAP (0xaa) Individual, ssap SNAP (0xaa) Command, ctrl 0x13: oui Cisco (0x00000c), pid PVST (0x010b)",
     true, 0xAA, 0xAA, 0x13, 1, false, 0, 0, " oui Cisco (0x00000c), pid PVST (0x010b)"},
    {" [|llc]", false, 0, 0, 0, 0, false, 0, 0, nullptr},
    {"IPX 802.3: 00000000.00:00:00:00:00:00.0000", false, 0, 0, 0, 0, false, 0, 0, nullptr},
    {"LLC, dsap STP (0x42) Individual, ssap STP (0x42) Command, ctrl 0x034: x", false, 0, 0, 0, 0, false, 0, 0,
     nullptr},
    {"LLC, dsap STP (0x42) Individual, ssap STP (0x42) Sideways, ctrl 0x03: x", false, 0, 0, 0, 0, false, 0, 0,
     nullptr},
    {"LLC, dsap STP (0x42", false, 0, 0, 0, 0, false, 0, 0, nullptr},
};

TEST(LlcPhrase, ReadsTheHeaderLineFields) {
    for (const Case& c : kCases) {
        LlcPhrase phrase;
        const char* rest = readLlcPhrase(c.text, phrase);
        ASSERT_EQ(rest != nullptr, c.whole) << c.text;
        if (!c.whole) continue;
        EXPECT_EQ(phrase.dsap, c.dsap) << c.text;
        EXPECT_EQ(phrase.ssap, c.ssap) << c.text;
        EXPECT_EQ(phrase.control, c.control) << c.text;
        EXPECT_EQ(phrase.controlBytes, c.controlBytes) << c.text;
        EXPECT_EQ(phrase.snap, c.snap) << c.text;
        EXPECT_EQ(phrase.oui, c.oui) << c.text;
        EXPECT_EQ(phrase.protocolId, c.protocolId) << c.text;
        EXPECT_STREQ(rest, c.rest) << c.text;
    }
}

}  // namespace
