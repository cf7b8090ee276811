// How an IPv4 packet ends: the spurious-data tail, a dump cut short, a packet
// without data lines. End to end through the pacsift binary.

#include <gtest/gtest.h>

#include <string>

#include "support/tcpdump_text.h"

using namespace tcpdump_text;

namespace {

const std::string kTcp = "04d2 0050 0102 0304 0a0b 0c0d 5018 7210 abcd 0000";

std::string ipv4(const char* totalLengthHex) {
    return std::string("4500 ") + totalLengthHex + " 1c46 4000 4006 b1e6 0a00 0001 0a00 0002";
}

std::string terseIpTcp(int datagramLength, int data) {
    return "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=" + std::to_string(datagramLength) +
           " id=1C46\n"
           "\tMF/DF=0/1 frag=0 TTL=64 proto=TCP cksum=B1E6\n"
           " TCP:\tport 1234 -> 80 seq=0016909060 ack=0168496141\n"
           "\thlen=20 (data=" + std::to_string(data) + ") UAPRSF=011000 wnd=29200 cksum=ABCD urg=0\n";
}

}  // namespace

// Payload ending in the middle of a data text: the rest of that text, as its
// digits stand, and nothing of the texts after it.
TEST(IpRouteEnd, SpuriousRestOfCurrentText) {
    // 44-byte datagram with "hi t" as data; bytes 44..47 and a further line
    // of Ethernet fill follow.
    std::string frame =
        ipFrame(ipv4("002c") + kTcp + textHex("hi t") + "AAbb ccDD" + "0102 0304 0506 0708 090a 0b0c", 60);
    EXPECT_EQ(runCooked({"-s"}, frame).out, terseStart(1) + terseIpTcp(44, 4) + "DATA:\thi t\n" +
                                                "\t<*** Spurious data at end: \"AAbbccDD\" ***>\n" + kSeparator);
    EXPECT_EQ(runCooked({}, frame).out, terseStart(1) + terseIpTcp(44, 4) + "DATA:\thi t\n" + kSeparator);
}

// Payload ending exactly at the end of a data text: the whole next text
// (without its offset field), and nothing after it.
TEST(IpRouteEnd, SpuriousWholeNextText) {
    std::string frame = ipFrame(ipv4("0030") + kTcp + textHex("hi there") + "0102 0304 0506 0708 090a 0b0c 0d0e 0f10" +
                                    "1112 1314",
                                70);
    EXPECT_EQ(runCooked({"-s"}, frame + frame).out,
              terseStart(1) + terseIpTcp(48, 8) + "DATA:\thi there\n" +
                  "\t<*** Spurious data at end: \"0102030405060708090a0b0c0d0e0f10\" ***>\n\n" + terseStart(2) +
                  terseIpTcp(48, 8) + "DATA:\thi there\n" +
                  "\t<*** Spurious data at end: \"0102030405060708090a0b0c0d0e0f10\" ***>\n" + kSeparator);
    EXPECT_EQ(runCooked({}, frame).out, terseStart(1) + terseIpTcp(48, 8) + "DATA:\thi there\n" + kSeparator);
}

// The same in the other two forms: the spurious line is not a matter of form.
TEST(IpRouteEnd, SpuriousInVerboseAndOneLine) {
    std::string frame = ipFrame(ipv4("002c") + kTcp + textHex("hi t") + "aabb ccdd", 60);
    RunResult verbose = runCooked({"-s", "-verbose"}, frame);
    EXPECT_NE(verbose.out.find("TCP Data\n\thi t\n\t<*** Spurious data at end: \"aabbccdd\" ***>\n" + kSeparator),
              std::string::npos)
        << verbose.out;
    EXPECT_EQ(runCooked({"-s", "-minHdrDecode"}, frame).out,
              packet(1) + "10.0.0.1.1234 -> 10.0.0.2.80 over TCP\n\thi t\n" +
                  "\t<*** Spurious data at end: \"aabbccdd\" ***>\n" + kSeparator);
}

// Payload ending at the end of the dump, followed by the next header line:
// no spurious line, with or without -s.
TEST(IpRouteEnd, NoSpuriousBeforeNextHeader) {
    std::string frame = ipFrame(ipv4("0030") + kTcp + textHex("hi there"), 62);
    std::string packet1 = terseIpTcp(48, 8) + "DATA:\thi there\n";
    for (const char* option : {"-s", "-b"}) {
        EXPECT_EQ(runCooked({option}, frame + frame).out,
                  terseStart(1) + packet1 + "\n" + terseStart(2) + packet1 + kSeparator)
            << option;
    }
}

// A dump that holds fewer bytes than the datagram announces: at the next
// header line the missing-data notice, and at the end of input the same.
TEST(IpRouteEnd, DumpCutShort) {
    std::string cut = ipFrame(ipv4("0030") + kTcp + textHex("hi t"), 62);
    std::string whole = ipFrame(ipv4("0030") + kTcp + textHex("hi there"), 62);
    EXPECT_EQ(runCooked({"-s"}, cut + whole).out,
              terseStart(1) + terseIpTcp(48, 8) + "DATA:\thi t\n\n\t<*** Rest of data missing from packet dump ***>\n" +
                  terseStart(2) + terseIpTcp(48, 8) + "DATA:\thi there\n" + kSeparator);
    EXPECT_EQ(runCooked({"-s"}, cut).out, terseStart(1) + terseIpTcp(48, 8) +
                                              "DATA:\thi t\n\n\t<*** Rest of data missing from packet dump ***>\n" +
                                              kSeparator);
}

// A header line followed directly by the next one: no decoder runs. The count
// a cut packet left does not pass on to the packet after it.
TEST(IpRouteEnd, PacketWithoutDataLines) {
    std::string cut = ipFrame(ipv4("0030") + kTcp + textHex("hi t"), 62);
    std::string bare = ipHeaderLine(62);
    std::string whole = ipFrame(ipv4("0030") + kTcp + textHex("hi there"), 62);
    EXPECT_EQ(runCooked({}, cut + bare + whole).out,
              terseStart(1) + terseIpTcp(48, 8) + "DATA:\thi t\n\n\t<*** Rest of data missing from packet dump ***>\n" +
                  terseStart(2) + "\n" + terseStart(3) + terseIpTcp(48, 8) + "DATA:\thi there\n" + kSeparator);
    EXPECT_EQ(runCooked({}, bare).out, terseStart(1) + kSeparator);
}
