// MPLS label stacks through the real binary on cooked text: each entry's
// fields, and what follows the bottom of the stack by its first digit.

#include <gtest/gtest.h>

#include <string>

#include "decode/frame_text.h"

namespace {
using namespace frame_text;

std::string mplsFrame(const std::string& hex) { return frame("MPLS unicast (0x8847)", hex); }

TEST(MplsDecode, LabelStackEntries) {
    struct Case {
        const char* entries;
        const char* lines;
    };
    const Case cases[] = {
        // The largest label, every TC bit, the bottom, TTL 255.
        {"ffff ffff", "MPLS:\tlabel=1048575 TC=7 S=1 TTL=255\n"},
        {"0000 0100", "MPLS:\tlabel=0 TC=0 S=1 TTL=0\n"},
        // Outer first; only the last has S.
        {"0001 0a40 0001 103f 0001 213e",
         "MPLS:\tlabel=16 TC=5 S=0 TTL=64\nMPLS:\tlabel=17 TC=0 S=0 TTL=63\nMPLS:\tlabel=18 TC=0 S=1 TTL=62\n"},
        {"0000 1201", "MPLS:\tlabel=1 TC=1 S=0 TTL=1\n\t<*** MPLS label stack runs past the end of the frame ***>\n"},
    };
    for (const Case& c : cases) {
        std::string shown = decode({"-extended"}, mplsFrame(c.entries));
        EXPECT_NE(shown.find(terseLink("MPLS unicast") + c.lines), std::string::npos) << c.entries << "\n" << shown;
    }
}

// After the bottom entry: 4 is IPv4, 6 IPv6, anything else MPLS data.
TEST(MplsDecode, PayloadByItsFirstDigit) {
    const std::string ip = "4500 001c 1234 0000 4011 beef 0a00 0001 0a00 0002 0400 0035 0008 0000";
    std::string shown = decode({"-extended", "-minHdrDecode"}, mplsFrame("0000 11ff " + ip));
    EXPECT_NE(shown.find("10.0.0.1.1024 -> 10.0.0.2.53 over UDP\n"), std::string::npos) << shown;
    shown = decode({"-extended", "-minHdrDecode"}, mplsFrame("0006 4101 0000 0000 " + textHex("pw")));
    EXPECT_NE(shown.find("00:11:22:33:44:55 -> 66:77:88:99:AA:BB MPLS 100\n\t....pw\n"), std::string::npos) << shown;
    // A stack of 17 entries without the bottom bit: 16 are shown.
    std::string stack;
    for (int i = 0; i < 17; ++i) stack += "0001 000a ";
    shown = decode({"-extended"}, mplsFrame(stack));
    EXPECT_NE(shown.find("MPLS:\tlabel=16 TC=0 S=0 TTL=10\n\t<*** More than 16 MPLS labels ***>\n"), std::string::npos)
        << shown;
    // Without -extended, as ever.
    shown = decode({}, mplsFrame("0000 11ff " + ip));
    EXPECT_NE(shown.find(terseLink("MPLS unicast") + "\t<*** No decode support for encapsulated protocol ***>\n"),
              std::string::npos)
        << shown;
}

}  // namespace
