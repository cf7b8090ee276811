// Spanning Tree BPDUs behind LLC, through the real binary on cooked text:
// the flags, bridge identifiers and times as the verbose form shows them.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "decode/frame_text.h"

namespace {
using namespace frame_text;

// An 802.3 frame with an LLC header to SAP 0x42 as tcpdump prints it: the
// LLC fields in the header line, the dump starting with the BPDU.
std::string stpFrame(const std::string& bpduHex) {
    int length = 3 + byteCount(bpduHex);
    return "12:00:00.000000 00:11:22:33:44:55 > 01:80:c2:00:00:00, 802.3, length " + std::to_string(length) +
           ": LLC, dsap STP (0x42) Individual, ssap STP (0x42) Command, ctrl 0x03: STP\n" + dataLines(bpduHex);
}

// A Configuration (type 00) or RST (02) BPDU: flags, root identifier field,
// then a message age (the other times fixed).
std::string bpdu(unsigned version, unsigned type, unsigned flags, unsigned rootField, unsigned age) {
    char hex[160];
    std::snprintf(hex, sizeof hex,
                  "0000 %02x%02x %02x %04x 0011 2233 4455 0000 0013 8000 0011 2233 4466 8002 %04x 1400 0200 0f00%s",
                  version, type, flags, rootField, age, type == 2 ? " 00" : "");
    return hex;
}

// A field of the STP block.
std::string field(const std::string& display, const std::string& label) {
    size_t at = display.find("\t" + label + ":", display.find("STP Header\n"));
    if (at == std::string::npos) return "<missing>";
    size_t value = display.find_first_not_of('\t', display.find(':', at) + 1);
    return display.substr(value, display.find('\n', value) - value);
}

TEST(StpDecode, FlagsIdentifiersAndTimes) {
    struct Case {
        unsigned version, type, flags, rootField, age;
        const char* flagsText;
        const char* root;
        const char* ageText;
    };
    const Case cases[] = {
        // No flag; a priority of 32768 and a system id extension of 1; whole seconds.
        {0, 0x00, 0x00, 0x8001, 0x0100, "0x00 (none)", "32768/1/00:11:22:33:44:55", "1 s"},
        // Every flag of a Configuration BPDU (no role there); the extension's 12 bits.
        {0, 0x00, 0xFF, 0xF123, 0x0180, "0xFF (TC, proposal, learning, forwarding, agreement, TCA)",
         "61440/291/00:11:22:33:44:55", "1.50 s"},
        // RST BPDUs name the port role, from bits 2 and 3.
        {2, 0x02, 0x00, 0x0000, 0x0001, "0x00 (role=unknown)", "0/0/00:11:22:33:44:55", "0.00 s"},
        {2, 0x02, 0x35, 0x1000, 0x14FF, "0x35 (TC, role=alternate/backup, learning, forwarding)",
         "4096/0/00:11:22:33:44:55", "20.99 s"},
        {2, 0x02, 0x0A, 0x8000, 0x0040, "0x0A (proposal, role=root)", "32768/0/00:11:22:33:44:55", "0.25 s"},
        {2, 0x02, 0xCE, 0x8000, 0x0000, "0xCE (proposal, role=designated, agreement, TCA)",
         "32768/0/00:11:22:33:44:55", "0 s"},
    };
    for (const Case& c : cases) {
        std::string shown = decode({"-extended", "-verbose"}, stpFrame(bpdu(c.version, c.type, c.flags, c.rootField, c.age)));
        EXPECT_EQ(field(shown, "Flags"), c.flagsText) << shown;
        EXPECT_EQ(field(shown, "Root Identifier"), c.root) << shown;
        EXPECT_EQ(field(shown, "Bridge Identifier"), "32768/0/00:11:22:33:44:66");
        EXPECT_EQ(field(shown, "Message Age"), c.ageText) << shown;
        EXPECT_EQ(field(shown, "Forward Delay"), "15 s");
    }
}

// A terse BPDU, and one whose Configuration BPDU the frame cuts short.
TEST(StpDecode, TerseAndCutShort) {
    std::string shown = decode({"-extended"}, stpFrame(bpdu(0, 0, 0x01, 0x8001, 0x0280)));
    EXPECT_NE(shown.find(" STP:\tv=0 type=Config flags=01 root=32768/1/00:11:22:33:44:55 cost=19\n"
                         "\tbridge=32768/0/00:11:22:33:44:66 port=8002 age=2.50 max-age=20 hello=2 fwd=15\n"
                         "DATA:\t<No data>\n"),
              std::string::npos)
        << shown;
    // 802.3 length 3 + 20: the BPDU of 35 bytes runs past it.
    std::string cut = bpdu(0, 0, 0, 0x8000, 0);
    std::string text = "12:00:00.000000 00:11:22:33:44:55 > 01:80:c2:00:00:00, 802.3, length 23: LLC, dsap STP "
                       "(0x42) Individual, ssap STP (0x42) Command, ctrl 0x03: STP\n" +
                       dataLines(cut);
    shown = decode({"-extended", "-minHdrDecode"}, text);
    EXPECT_NE(shown.find("Packet 1\n\t<*** BPDU runs past the end of the frame ***>\n"), std::string::npos) << shown;
}

// PVST+ (Cisco SNAP, pid 010B) adds the originating VLAN after the BPDU as
// type 0, length 2; other bytes there stay data.
TEST(StpDecode, PvstOriginatingVlan) {
    auto pvst = [](const std::string& after) {
        std::string bpduHex = bpdu(2, 2, 0x3C, 0x8000, 0) + " " + after;
        return "12:00:00.000000 00:11:22:33:44:55 > 01:00:0c:cc:cc:cd, 802.3, length " +
               std::to_string(8 + byteCount(bpduHex)) +
               ": LLC, dsap SNAP (0xaa) Individual, ssap SNAP (0xaa) Command, ctrl 0x03: oui Cisco (0x00000c), pid "
               "PVST (0x010b), length 42: STP\n" +
               dataLines(bpduHex);
    };
    std::string shown = decode({"-extended"}, pvst("0000 0002 0005"));
    EXPECT_NE(shown.find("fwd=15\n\tvlan=5\nDATA:\t<No data>\n"), std::string::npos) << shown;
    shown = decode({"-extended"}, pvst("0001 0002 4142"));
    EXPECT_NE(shown.find("fwd=15\nDATA:\t....AB\n"), std::string::npos) << shown;
}

}  // namespace
