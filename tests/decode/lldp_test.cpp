// LLDP TLVs through the real binary on cooked text: each TLV's verbose line.

#include <gtest/gtest.h>

#include <string>

#include "decode/frame_text.h"

namespace {
using namespace frame_text;

std::string lldpFrame(const std::string& hex) { return frame("LLDP (0x88cc)", hex); }

TEST(LldpDecode, TlvLines) {
    struct Case {
        const char* tlv;   // one TLV; an End TLV follows it
        const char* line;
    };
    const Case cases[] = {
        {"0207 0400 1122 3344 55", "Chassis ID:\t\t\tmac 00:11:22:33:44:55"},
        // A MAC of another length is shown in hex.
        {"0204 0400 1122", "Chassis ID:\t\t\tmac 001122"},
        {"0206 0501 0a00 0001", "Chassis ID:\t\t\taddress 10.0.0.1"},
        {"0212 0502 2001 0db8 0000 0000 0000 0000 0000 0001", "Chassis ID:\t\t\taddress 2001:db8::1"},
        // Another address family, in hex.
        {"0205 0503 abcd ef", "Chassis ID:\t\t\taddress ABCDEF"},
        {"0205 0173 7731 01", "Chassis ID:\t\t\tchassis-component sw1."},
        {"0203 0761 62", "Chassis ID:\t\t\tlocal ab"},
        // A subtype without a name: its number and the id in hex.
        {"0203 0961 62", "Chassis ID:\t\t\tsubtype=9 6162"},
        {"0405 0565 7468 30", "Port ID:\t\t\tinterface-name eth0"},
        {"0407 0300 1122 3344 55", "Port ID:\t\t\tmac 00:11:22:33:44:55"},
        {"0403 0663 31", "Port ID:\t\t\tagent-circuit-id c1"},
        {"0602 0078", "Time To Live:\t\t\t120 s"},
        // A TTL of another length is a TLV without a text of its own.
        {"0603 0000 78", "TLV:\t\t\t\ttype=3 len=3"},
        {"0803 7030 31", "Port Description:\t\tp01"},
        {"0a04 6e61 6d65", "System Name:\t\t\tname"},
        {"0c00", "System Description:\t\t"},
        {"0e04 0000 0000", "Capabilities:\t\t\t0x0000 (none) enabled 0x0000 (none)"},
        {"0e04 07ff 0001", "Capabilities:\t\t\t0x07FF (other,repeater,bridge,WLAN-AP,router,telephone,DOCSIS,station,"
                           "C-VLAN,S-VLAN,TPMR) enabled 0x0001 (other)"},
        {"0e02 0014", "TLV:\t\t\t\ttype=7 len=2"},
        {"100c 0501 0a00 0001 0200 0000 0700", "Management Address:\t\t10.0.0.1 (interface ifIndex 7)"},
        {"100c 0501 0a00 0001 0900 0000 0700", "Management Address:\t\t10.0.0.1 (interface 9 7)"},
        {"fe06 0012 0f01 0303", "Organization TLV:\t\toui=00120F subtype=1 len=6"},
        {"fe02 0012", "TLV:\t\t\t\ttype=127 len=2"},
        {"1202 0102", "TLV:\t\t\t\ttype=9 len=2"},
    };
    for (const Case& c : cases) {
        std::string shown = decode({"-extended", "-verbose"}, lldpFrame(std::string(c.tlv) + " 0000"));
        EXPECT_NE(shown.find("LLDP Header\n\t" + std::string(c.line) + "\nLLDP Data\n"), std::string::npos)
            << c.tlv << "\n" << shown.substr(shown.find("LLDP Header"));
    }
}

// A management address whose parts run past the TLV, and a TLV past the frame.
TEST(LldpDecode, RunningPast) {
    for (const char* tlv : {"1006 0501 0a00 0001 02", "0208 0400 1122"}) {
        std::string shown = decode({"-extended", "-minHdrDecode"}, lldpFrame(tlv));
        EXPECT_NE(shown.find("Packet 1\n\t<*** LLDP TLV runs past the end of the frame ***>\n"), std::string::npos)
            << tlv << "\n" << shown;
    }
}

}  // namespace
