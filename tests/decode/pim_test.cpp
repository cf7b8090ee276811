// PIM hello options under -extended through the real binary on cooked text:
// each known option of its usual length has a text of its own, anything
// else its type and length; encoded addresses of another family, and an
// option past the message, are one notice.

#include <gtest/gtest.h>

#include <cstdio>

#include "decode/frame_text.h"

namespace {
using namespace frame_text;

// IPv4 10.0.0.1 -> 224.0.0.13, id 0x1234, TTL 1, protocol 103, checksum
// 0xbeef, carrying a PIM hello (checksum 0x5a5a) with these option bytes.
std::string helloDatagram(const std::string& options) {
    char total[8];
    std::snprintf(total, sizeof total, "%04x", 24 + byteCount(options));
    return std::string("4500 ") + total + " 1234 0000 0167 beef 0a00 0001 e000 000d 2000 5a5a " + options;
}

std::string terseStart(int datagramLength) {
    return packet(1) + "  IP:\t10.0.0.1 -> 224.0.0.13 hlen=20 TOS=00 dgramlen=" + std::to_string(datagramLength) +
           " id=1234\n\tMF/DF=0/0 frag=0 TTL=1 proto=PIM cksum=BEEF\n PIM:\tv2 Hello cksum=5A5A\n";
}

struct OptionCase {
    const char* name;
    std::string options;
    std::string lines;   // after the PIM line
};

class PimHelloOption : public ::testing::TestWithParam<OptionCase> {};

TEST_P(PimHelloOption, TerseDisplay) {
    const OptionCase& c = GetParam();
    EXPECT_EQ(decode({"-extended", "-noLink"}, ipFrame(helloDatagram(c.options))),
              terseStart(24 + byteCount(c.options)) + c.lines + kSeparator);
}

const std::string kNoData = "DATA:\t<No data>\n";

INSTANTIATE_TEST_SUITE_P(
    Pim, PimHelloOption,
    ::testing::Values(
        OptionCase{"Holdtime", "0001 0002 0069", "\tholdtime=105\n" + kNoData},
        OptionCase{"HoldtimeOfFourBytes", "0001 0004 0000 0069", "\ttype=1 len=4\n" + kNoData},
        OptionCase{"LanPruneDelayWithT", "0002 0004 81f4 09c4",
                   "\tlan-prune-delay T=1 delay=500 override=2500\n" + kNoData},
        OptionCase{"LanPruneDelay", "0002 0004 01f4 09c4", "\tlan-prune-delay T=0 delay=500 override=2500\n" + kNoData},
        OptionCase{"DrPriority", "0013 0004 0000 0001", "\tdr-priority=1\n" + kNoData},
        OptionCase{"GenerationId", "0014 0004 dead beef", "\tgeneration-id=0xDEADBEEF\n" + kNoData},
        OptionCase{"StateRefresh", "0015 0004 0132 0000", "\tstate-refresh interval=50\n" + kNoData},
        OptionCase{"AddressListIpv4", "0018 000c 0100 0a00 0001 0100 0a00 0002",
                   "\taddress-list 10.0.0.1 10.0.0.2\n" + kNoData},
        OptionCase{"AddressListIpv6", "0018 0012 0200 2001 0db8 0000 0000 0000 0000 0000 0001",
                   "\taddress-list 2001:db8::1\n" + kNoData},
        OptionCase{"AddressListFamily3", "0018 0006 0300 0a00 0001", "\t<*** PIM encoded address not decoded ***>\n"},
        OptionCase{"AddressListEncoding1", "0018 0006 0101 0a00 0001",
                   "\t<*** PIM encoded address not decoded ***>\n"},
        OptionCase{"AddressPastTheOption", "0018 0004 0100 0a00 0001",
                   "\t<*** PIM message runs past the datagram ***>\n"},
        OptionCase{"UnknownEmpty", "fffe 0000", "\ttype=65534 len=0\n" + kNoData},
        OptionCase{"TwoOptions", "0001 0002 0069 0013 0004 0000 0002", "\tholdtime=105\n\tdr-priority=2\n" + kNoData},
        OptionCase{"ValuePastTheMessage", "0001 0008 0069", "\t<*** PIM message runs past the datagram ***>\n"},
        OptionCase{"HeaderPastTheMessage", "0001 00", "\t<*** PIM message runs past the datagram ***>\n"}),
    [](const ::testing::TestParamInfo<OptionCase>& info) { return std::string(info.param.name); });

// 33 options: the 32 the walk takes, then the rest is data.
TEST(PimDecode, OptionsPastTheCapAreData) {
    std::string options;
    std::string lines;
    for (int i = 0; i < 32; ++i) {
        options += "0001 0002 0069 ";
        lines += "\tholdtime=105\n";
    }
    options += "0001 0002 0069";
    EXPECT_EQ(decode({"-extended", "-noLink"}, ipFrame(helloDatagram(options))),
              terseStart(24 + 33 * 6) + lines + "\t<Rest of header not displayed>\nDATA:\t.....i\n" + kSeparator);
}

}  // namespace
