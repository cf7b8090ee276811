// The IPv6 address text: the compressed form that tshark shows and glibc's
// inet_ntop writes, produced here without the C library.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "input/hex_readers.h"

namespace {

// The 16 bytes of an address written as 32 hex digits.
std::string textOf(const char* digits) {
    uint8_t bytes[16];
    for (int i = 0; i < 16; ++i) bytes[i] = static_cast<uint8_t>(hexValue(digits + 2 * i, 2));
    char text[kIpv6AddrTextSize];
    ipv6AddrText(bytes, text);
    return text;
}

TEST(Ipv6AddrText, WritesTheCompressedForm) {
    struct Case {
        const char* digits;
        const char* text;
    };
    const Case cases[] = {
        {"00000000000000000000000000000000", "::"},
        {"00000000000000000000000000000001", "::1"},
        {"00000000000000000000000000000100", "::100"},
        {"20010db8000000000000000000000001", "2001:db8::1"},
        {"20010db8000000010000000000000001", "2001:db8:0:1::1"},
        // A lone zero word is written as 0, not as "::".
        {"00000002000300040005000600070008", "0:2:3:4:5:6:7:8"},
        {"00010002000300040005000600070000", "1:2:3:4:5:6:7:0"},
        // Of two equal runs the first is compressed; a longer later one wins.
        {"00010000000000020000000000030004", "1::2:0:0:3:4"},
        {"20010db8000000000001000000000001", "2001:db8::1:0:0:1"},
        {"20010000000000010000000000000000", "2001:0:0:1::"},
        {"fe80000000000000021517fffecce546", "fe80::215:17ff:fecc:e546"},
        {"ff020000000000000000000000000016", "ff02::16"},
        {"20010db8000000000000000100000000", "2001:db8::1:0:0"},
        {"ffffffffffffffffffffffffffffffff", "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"},
        // The last two words as an IPv4 address: after six zero words, or
        // after five and ffff; nowhere else.
        {"00000000000000000000000001020304", "::1.2.3.4"},
        {"00000000000000000000ffff01020304", "::ffff:1.2.3.4"},
        {"0064ff9b000000000000000001020304", "64:ff9b::102:304"},
        {"000000000000000000010000c0a80001", "::1:0:c0a8:1"},
        {"0000000000000000ffff000001020304", "::ffff:0:102:304"},
    };
    for (const Case& c : cases) EXPECT_EQ(textOf(c.digits), c.text) << c.digits;
}

}  // namespace
