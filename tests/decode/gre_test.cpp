// GRE under -extended through the real binary on cooked text: the flags say
// which optional fields follow, version 1 has a payload length and a call id
// in place of the key, and a header that does not fit its datagram is one
// notice.

#include <gtest/gtest.h>

#include <cstdio>

#include "decode/frame_text.h"

namespace {
using namespace frame_text;

// IPv4 10.0.0.1 -> 10.0.0.2, id 0x1234, TTL 64, protocol 47, checksum 0xbeef,
// its total length counting `body`.
std::string greDatagram(const std::string& body) {
    char total[8];
    std::snprintf(total, sizeof total, "%04x", 20 + byteCount(body));
    return std::string("4500 ") + total + " 1234 0000 402f beef 0a00 0001 0a00 0002 " + body;
}

std::string terseIp(int datagramLength) {
    return "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=" + std::to_string(datagramLength) +
           " id=1234\n\tMF/DF=0/0 frag=0 TTL=64 proto=GRE cksum=BEEF\n";
}

struct GreCase {
    const char* name;
    std::string body;       // the GRE header and what follows it
    std::string expected;   // the lines after the IPv4 block
};

class GreHeader : public ::testing::TestWithParam<GreCase> {};

TEST_P(GreHeader, TerseDisplay) {
    const GreCase& c = GetParam();
    EXPECT_EQ(decode({"-extended", "-noLink"}, ipFrame(greDatagram(c.body))),
              packet(1) + terseIp(20 + byteCount(c.body)) + c.expected + kSeparator);
}

const std::string kNoData = "DATA:\t<No data>\n";
const std::string kRunsPast = "\t<*** GRE header runs past the datagram ***>\n";

// A route entry of 1 byte (family 0x0800, offset 0, length 1), n times.
std::string routeEntries(int n) {
    std::string entries;
    for (int i = 0; i < n; ++i) entries += "0800 0001 ff";
    return entries;
}

INSTANTIATE_TEST_SUITE_P(
    Gre, GreHeader,
    ::testing::Values(
        GreCase{"NoOptionalFields", "0000 0800", " GRE:\tv=0 flags=0000 proto=0800 (IPv4)\n" + kNoData},
        GreCase{"Checksum", "8000 0800 beef 0000", " GRE:\tv=0 flags=8000 proto=0800 (IPv4) cksum=BEEF\n" + kNoData},
        GreCase{"Key", "2000 6558 0000 002a", " GRE:\tv=0 flags=2000 proto=6558 (TEB) key=0000002A\n" + kNoData},
        GreCase{"Sequence", "1000 88be 0000 0010", " GRE:\tv=0 flags=1000 proto=88BE (ERSPAN) seq=16\n" + kNoData},
        GreCase{"ChecksumKeySequence", "b000 0800 1234 0000 0000 0001 0000 0002",
                " GRE:\tv=0 flags=B000 proto=0800 (IPv4) cksum=1234 key=00000001 seq=2\n" + kNoData},
        // Version 1 (PPTP): the key is a payload length and a call id, and
        // an acknowledgment may follow the sequence number.
        GreCase{"Version1", "3081 880b 0004 0007 0000 0009 0000 0003",
                " GRE:\tv=1 flags=3081 proto=880B (PPP) len=4 call=7 seq=9 ack=3\n" + kNoData},
        // The acknowledgment bit means nothing in version 0.
        GreCase{"AckBitInVersion0", "0080 0800", " GRE:\tv=0 flags=0080 proto=0800 (IPv4)\n" + kNoData},
        // Routing brings the checksum and offset fields, then the entries to
        // the empty one; 15 entries and the empty one are the most taken.
        GreCase{"Routing", "c000 0800 0000 0000 0800 0004 0a09 0909 0000 0000",
                " GRE:\tv=0 flags=C000 proto=0800 (IPv4) cksum=0000\n" + kNoData},
        GreCase{"SixteenRouteEntries", "4000 0800 0000 0000 " + routeEntries(15) + "0000 0000",
                " GRE:\tv=0 flags=4000 proto=0800 (IPv4) cksum=0000\n" + kNoData},
        GreCase{"SeventeenRouteEntries", "4000 0800 0000 0000 " + routeEntries(16) + "0000 0000", kRunsPast},
        GreCase{"RouteEntryPastTheDatagram", "4000 0800 0000 0000 0800 0008 0a09 0909", kRunsPast},
        GreCase{"RouteWithoutItsEnd", "4000 0800 0000 0000 0800 0004 0a09 0909", kRunsPast},
        // Recursion and strict routing are only shown in the flags.
        GreCase{"RecursionAndStrictRoute", "0f00 0800", " GRE:\tv=0 flags=0F00 proto=0800 (IPv4)\n" + kNoData},
        GreCase{"KeyPastTheDatagram", "3000 0800 0000 0001", kRunsPast},
        GreCase{"ShorterThanFourBytes", "0000 08", kRunsPast},
        GreCase{"Version2", "0002 0800 4500", "\t<*** No decode support for encapsulated protocol ***>\n"},
        GreCase{"Version7", "0007 0800", "\t<*** No decode support for encapsulated protocol ***>\n"},
        // A protocol type that would be an 802.3 length names nothing.
        GreCase{"ProtocolTypeZero", "0000 0000", " GRE:\tv=0 flags=0000 proto=0000 (Unknown)\n" + kNoData},
        GreCase{"ProtocolWithoutRoute", "0000 8909 0102 0304",
                " GRE:\tv=0 flags=0000 proto=8909 (Unknown)\n"
                "\t<*** No decode support for encapsulated protocol ***>\n"}),
    [](const ::testing::TestParamInfo<GreCase>& info) { return std::string(info.param.name); });

// The verbose flags line names every flag set.
struct FlagsCase {
    const char* name;
    std::string word;
    std::string line;
};

class GreFlags : public ::testing::TestWithParam<FlagsCase> {};

TEST_P(GreFlags, VerboseFlagsLine) {
    const FlagsCase& c = GetParam();
    // Only the flags word: the fields that flags announce are then missing,
    // so only flags without fields of their own are used here.
    std::string out = decode({"-extended", "-verbose", "-noLink"}, ipFrame(greDatagram(c.word + " 0800")));
    EXPECT_NE(out.find("GRE Header\n\tFlags:\t\t\t\t" + c.line + "\n\tVersion:\t\t\t"), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(Gre, GreFlags,
                         ::testing::Values(FlagsCase{"None", "0000", "0x0000 (none)"},
                                           FlagsCase{"StrictRoute", "0800", "0x0800 (strict-route)"},
                                           FlagsCase{"Recursion", "0300", "0x0300 (recursion=3)"},
                                           FlagsCase{"AckInVersion0", "0080", "0x0080 (ack)"},
                                           FlagsCase{"StrictAndRecursion", "0f00",
                                                     "0x0F00 (strict-route, recursion=7)"}),
                         [](const ::testing::TestParamInfo<FlagsCase>& info) { return std::string(info.param.name); });

// Without -extended GRE is what it always was: no name, no decode.
TEST(GreDecode, WithoutExtendedNothingChanges) {
    EXPECT_EQ(decode({"-noLink"}, ipFrame(greDatagram("0000 0800"))),
              packet(1) +
                  "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=24 id=1234\n"
                  "\tMF/DF=0/0 frag=0 TTL=64 proto=<unknown> cksum=BEEF\n"
                  "\t<*** No decode support for encapsulated protocol ***>\n" +
                  kSeparator);
}

}  // namespace

namespace {

// The no-decode line names IP in IP only when the IP header whose protocol
// has no decoder was itself carried by IP (protocol 4, 41 or 94); an IP
// header carried by GRE is not IP in IP.
TEST(GreDecode, NoDecodeLineAfterAnIpHeaderInGre) {
    // 10.1.1.1 -> 10.2.2.2, protocol 99, no body: -extended names the
    // protocol by its number and shows its (empty) data.
    const std::string inner = "4500 0014 0b11 0000 4063 beef 0a01 0101 0a02 0202";
    const std::string innerIp =
        "  IP:\t10.1.1.1 -> 10.2.2.2 hlen=20 TOS=00 dgramlen=20 id=0B11\n"
        "\tMF/DF=0/0 frag=0 TTL=64 proto=99 cksum=BEEF\n";
    EXPECT_EQ(decode({"-extended", "-noLink"}, ipFrame(greDatagram("0000 0800 " + inner))),
              packet(1) + terseIp(44) + " GRE:\tv=0 flags=0000 proto=0800 (IPv4)\n" + innerIp +
                  "\t<*** No decode support for encapsulated protocol 99 ***>\nDATA:\t<No data>\n" + kSeparator);
    // The same inner header carried by IP in IP (protocol 4).
    const std::string ipInIp = "4500 0028 1234 0000 4004 beef 0a00 0001 0a00 0002 " + inner;
    EXPECT_EQ(decode({"-extended", "-noLink"}, ipFrame(ipInIp)),
              packet(1) +
                  "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=40 id=1234\n"
                  "\tMF/DF=0/0 frag=0 TTL=64 proto=IPENCAP cksum=BEEF\n" +
                  innerIp + "\t<*** No decode support for encap protocol 99 in IPIP packet ***>\nDATA:\t<No data>\n" + kSeparator);
    // IP in IP, then GRE: the innermost header was carried by GRE again.
    const std::string ipInIpGre = "4500 0040 1234 0000 4004 beef 0a00 0001 0a00 0002 "
                                  "4500 002c 5678 0000 402f beef 0a03 0001 0a03 0002 0000 0800 " + inner;
    EXPECT_EQ(decode({"-extended", "-noLink"}, ipFrame(ipInIpGre)),
              packet(1) +
                  "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=64 id=1234\n"
                  "\tMF/DF=0/0 frag=0 TTL=64 proto=IPENCAP cksum=BEEF\n"
                  "  IP:\t10.3.0.1 -> 10.3.0.2 hlen=20 TOS=00 dgramlen=44 id=5678\n"
                  "\tMF/DF=0/0 frag=0 TTL=64 proto=GRE cksum=BEEF\n"
                  " GRE:\tv=0 flags=0000 proto=0800 (IPv4)\n" +
                  innerIp + "\t<*** No decode support for encapsulated protocol 99 ***>\nDATA:\t<No data>\n" + kSeparator);
}

}  // namespace
