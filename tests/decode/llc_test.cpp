// 802.2 LLC headers through the real binary on cooked text: the outer
// frame's from tcpdump's header line, another's from the dump.

#include <gtest/gtest.h>

#include <string>

#include "decode/frame_text.h"

namespace {
using namespace frame_text;

const std::string kHead = "12:00:00.000000 00:11:22:33:44:55 > 66:77:88:99:aa:bb, 802.3, length ";

TEST(LlcDecode, SapsAndTheirBitsFromTheHeaderLine) {
    // A group DSAP and a response SSAP, neither with a decoder here.
    std::string text = kHead + "7: LLC, dsap NetBIOS (0xf0) Group, ssap IP (0x06) Response, ctrl 0x03: x\n" +
                       dataLines("0102 0304");
    std::string shown = decode({"-extended"}, text);
    EXPECT_NE(shown.find(" LLC:\tdsap=F0 ssap=06 IG=1 CR=1 ctrl=03\n"
                         "\t<*** No decode support for encapsulated protocol ***>\n"),
              std::string::npos)
        << shown;
    shown = decode({"-extended", "-verbose"}, text);
    EXPECT_NE(shown.find("LLC Header\n"
                         "\tDSAP:\t\t\t\t0xF0 (NetBIOS)\n"
                         "\tSSAP:\t\t\t\t0x06 (IP)\n"
                         "\tFlags:\t\t\t\tIG=on,  CR=on\n"
                         "\tControl:\t\t\t0x03 (U)\n"),
              std::string::npos)
        << shown;
    // A supervisory frame (two control bytes, 01 02) to a SAP without a name.
    shown = decode({"-extended", "-verbose"},
                   kHead + "8: LLC, dsap Unknown (0x10) Individual, ssap Unknown (0x12) Command, ctrl 0x0201: x\n" +
                       dataLines("0102 0304"));
    EXPECT_NE(shown.find("\tDSAP:\t\t\t\t0x10 (<unknown>)\n\tSSAP:\t\t\t\t0x12 (<unknown>)\n"
                         "\tFlags:\t\t\t\tIG=off, CR=off\n\tControl:\t\t\t0x0201 (S)\n"),
              std::string::npos)
        << shown;
}

// SNAP with OUI 0 names an 802.1Q tag that tcpdump leaves in the dump; the
// tag's type is an 802.3 length, so an LLC header follows it in the dump.
TEST(LlcDecode, LlcHeaderReadFromTheDump) {
    std::string text = kHead +
                       "25: LLC, dsap SNAP (0xaa) Individual, ssap SNAP (0xaa) Command, ctrl 0x03: oui Ethernet "
                       "(0x000000), ethertype 802.1Q (0x8100), length 17: \n" +
                       dataLines("0007 000b 4343 0300 0000 8000 0000 0000 00");
    std::string shown = decode({"-extended"}, text);
    EXPECT_NE(shown.find("SNAP:\toui=000000 pid=8100\n"
                         "VLAN:\tid=7 prio=0 DEI=0 type=802.3\n"
                         " LLC:\tdsap=42 ssap=42 IG=1 CR=1 ctrl=03\n"
                         " STP:\tv=0 type=TCN\n"
                         "DATA:\t......\n"),
              std::string::npos)
        << shown;
}

}  // namespace
