// The PPP control protocols over a PPPoE session, through the real binary on
// cooked text: the code names of each protocol and the option texts.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "decode/frame_text.h"

namespace {
using namespace frame_text;

// A PPPoE session frame carrying `protocol` and a control message of `body`.
std::string controlFrame(unsigned protocol, unsigned code, const std::string& body = "") {
    int length = 4 + byteCount(body);
    char hex[64];
    std::snprintf(hex, sizeof hex, "1100 0001 %04x %04x %02x07 %04x ", length + 2, protocol, code, length);
    return frame("PPPoE S (0x8864)", hex + body);
}

TEST(PppControl, CodeNames) {
    struct Case {
        unsigned protocol, code;
        const char* terse;
    };
    const Case cases[] = {
        {0xC021, 1, " LCP:\tcode=Configure-Request"}, {0xC021, 4, " LCP:\tcode=Configure-Reject"},
        {0xC021, 5, " LCP:\tcode=Terminate-Request"}, {0xC021, 7, " LCP:\tcode=Code-Reject"},
        {0xC021, 11, " LCP:\tcode=Discard-Request"}, {0xC021, 12, " LCP:\tcode=Identification"},
        {0xC021, 13, " LCP:\tcode=Time-Remaining"},
        // The reset codes are CCP's only.
        {0xC021, 14, " LCP:\tcode=14"},           {0x80FD, 14, " CCP:\tcode=Reset-Request"},
        {0x80FD, 15, " CCP:\tcode=Reset-Ack"},    {0x8021, 6, "IPCP:\tcode=Terminate-Ack"},
        {0x8021, 9, "IPCP:\tcode=9"},             {0x8057, 2, "IPV6CP:\tcode=Configure-Ack"},
        {0xC023, 2, " PAP:\tcode=Authenticate-Ack"}, {0xC023, 3, " PAP:\tcode=Authenticate-Nak"},
        {0xC023, 4, " PAP:\tcode=4"},             {0xC223, 2, "CHAP:\tcode=Response"},
        {0xC223, 3, "CHAP:\tcode=Success"},       {0xC223, 4, "CHAP:\tcode=Failure"},
    };
    for (const Case& c : cases) {
        std::string shown = decode({"-extended"}, controlFrame(c.protocol, c.code));
        EXPECT_NE(shown.find(std::string(c.terse) + " id=7 len=4\n"), std::string::npos) << shown;
    }
}

TEST(PppControl, OptionTexts) {
    struct Case {
        unsigned protocol;
        const char* option;
        const char* text;
    };
    const Case cases[] = {
        {0xC021, "0104 05dc", "MRU=1500"},
        {0xC021, "0105 05dc 00", "type=1 len=5"},
        {0xC021, "0206 000a 0000", "ACCM=0x000A0000"},
        {0xC021, "0304 c023", "auth=0xC023"},
        {0xC021, "0305 c223 05", "auth=0xC223/5"},
        {0xC021, "0506 0102 0304", "magic=0x01020304"},
        {0xC021, "0702", "PFC"},
        {0xC021, "0802", "ACFC"},
        {0xC021, "0d03 06", "type=13 len=3"},
        {0x8021, "0206 002d 0f01", "compression=0x002D"},
        {0x8021, "0306 0a00 0001", "address=10.0.0.1"},
        {0x8021, "8206 0a00 0002", "primary-NBNS=10.0.0.2"},
        {0x8021, "8406 0a00 0003", "secondary-NBNS=10.0.0.3"},
        {0x8057, "010a 0211 22ff fe33 4455", "interface-id=0211:22ff:fe33:4455"},
        {0x80FD, "1a04 7808", "type=26 len=4"},
    };
    for (const Case& c : cases) {
        std::string shown = decode({"-extended", "-verbose"}, controlFrame(c.protocol, 1, c.option));
        EXPECT_NE(shown.find("\tOption:\t\t\t\t" + std::string(c.text) + "\n"), std::string::npos) << shown;
    }
    // An option length under 2, and one past the message.
    for (const char* option : {"0101", "0108 05dc"}) {
        std::string shown = decode({"-extended"}, controlFrame(0xC021, 1, option));
        EXPECT_NE(shown.find("\t<*** PPP option runs past the end of the message ***>\n"), std::string::npos) << shown;
    }
}

}  // namespace
