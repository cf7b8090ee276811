// The IPv4 display and the IPv4 route of the dispatch, end to end: cooked
// tcpdump text through the pacsift binary.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/tcpdump_text.h"

using namespace tcpdump_text;

namespace {

// The TCP header every packet here carries: 1234 -> 80, seq 0x01020304,
// ack 0x0A0B0C0D, ACK+PSH, window 29200, checksum ABCD.
const std::string kTcp = "04d2 0050 0102 0304 0a0b 0c0d 5018 7210 abcd 0000";
const std::string kHiThere = textHex("hi there");

std::string terseTcp(const std::string& data) {
    return " TCP:\tport 1234 -> 80 seq=0016909060 ack=0168496141\n"
           "\thlen=20 (data=" + data + ") UAPRSF=011000 wnd=29200 cksum=ABCD urg=0\n";
}

const std::string kVerboseTcp8 =
    "TCP Header\n"
    "\tSource Port:\t\t\t1234\n"
    "\tDestination Port:\t\t80\n"
    "\tSequence Number:\t\t0016909060\n"
    "\tAcknowledgement Number:\t\t0168496141\n"
    "\tHeader Length:\t\t\t20 bytes (data=8)\n"
    "\tFlags:\t\t\t\tURG=off, ACK=on,  PSH=on\n"
    "\t\t\t\t\tRST=off, SYN=off, FIN=off\n"
    "\tWindow Advertisement:\t\t29200 bytes\n"
    "\tChecksum:\t\t\t0xABCD\n"
    "\tUrgent Pointer:\t\t\t0\n"
    "TCP Data\n"
    "\thi there\n";

}  // namespace

// Type of service, the flags word with its top bit set, MF and an offset,
// TTL 255, another checksum and addresses: each lands in its own place. A
// fragment after the first carries no TCP header: its bytes (the 20 that
// would be one, 0x0A among them, then "hi there") are fragment data.
TEST(Ipv4Display, FieldsTerseAndVerbose) {
    std::string frame = ipFrame("45b8 0030 abcd a0b9 ff06 fedc c0a8 010a 0a00 0002" + kTcp + kHiThere, 62);
    RunResult terse = runCooked({}, frame);
    EXPECT_EQ(terse.status, 0);
    EXPECT_EQ(terse.out, terseStart(1) +
                             "  IP:\t192.168.1.10 -> 10.0.0.2 hlen=20 TOS=B8 dgramlen=48 id=ABCD\n"
                             "\tMF/DF=1/0 frag=185 TTL=255 proto=TCP cksum=FEDC\n"
                             "DATA:\t...P....\n\t...P.r.....hi there\n" +
                             kSeparator);

    RunResult verbose = runCooked({"-verbose"}, frame);
    EXPECT_EQ(verbose.out, verboseStart(1) +
                               "IP Header\n"
                               "\tVersion:\t\t\t4\n"
                               "\tHeader Length:\t\t\t20 bytes\n"
                               "\tService Type:\t\t\t0xB8\n"
                               "\tDatagram Length:\t\t48 bytes\n"
                               "\tIdentification:\t\t\t0xABCD\n"
                               "\tFlags:\t\t\t\tMF=on,  DF=off\n"
                               "\tFragment Offset:\t\t185\n"
                               "\tTTL:\t\t\t\t255\n"
                               "\tEncapsulated Protocol:\t\tTCP\n"
                               "\tHeader Checksum:\t\t0xFEDC\n"
                               "\tSource IP Address:\t\t192.168.1.10\n"
                               "\tDestination IP Address:\t\t10.0.0.2\n"
                               "Fragment Data\n"
                               "\t...P....\n\t...P.r.....hi there\n" +
                               kSeparator);
}

// Header length 24: four option bytes skipped in every form; only the
// verbose form says so.
TEST(Ipv4Display, OptionsSkippedInEveryForm) {
    std::string frame = ipFrame("4600 0034 1c46 4000 4006 b1e6 0a00 0001 0a00 0002 0101 0100" + kTcp + kHiThere, 66);
    const std::string terseIp =
        "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=24 TOS=00 dgramlen=52 id=1C46\n"
        "\tMF/DF=0/1 frag=0 TTL=64 proto=TCP cksum=B1E6\n";
    const std::string verboseIp =
        "IP Header\n"
        "\tVersion:\t\t\t4\n"
        "\tHeader Length:\t\t\t24 bytes\n"
        "\tService Type:\t\t\t0x00\n"
        "\tDatagram Length:\t\t52 bytes\n"
        "\tIdentification:\t\t\t0x1C46\n"
        "\tFlags:\t\t\t\tMF=off, DF=on\n"
        "\tFragment Offset:\t\t0\n"
        "\tTTL:\t\t\t\t64\n"
        "\tEncapsulated Protocol:\t\tTCP\n"
        "\tHeader Checksum:\t\t0xB1E6\n"
        "\tSource IP Address:\t\t10.0.0.1\n"
        "\tDestination IP Address:\t\t10.0.0.2\n"
        "\t<Options not displayed>\n";

    EXPECT_EQ(runCooked({"-s"}, frame).out,
              terseStart(1) + terseIp + terseTcp("8") + "DATA:\thi there\n" + kSeparator);
    EXPECT_EQ(runCooked({"-s", "-verbose"}, frame).out, verboseStart(1) + verboseIp + kVerboseTcp8 + kSeparator);
    EXPECT_EQ(runCooked({"-s", "-noIp"}, frame).out,
              terseStart(1) + terseTcp("8") + "DATA:\thi there\n" + kSeparator);
    EXPECT_EQ(runCooked({"-s", "-noIp", "-verbose"}, frame).out, verboseStart(1) + kVerboseTcp8 + kSeparator);
    EXPECT_EQ(runCooked({"-s", "-minHdrDecode"}, frame).out,
              packet(1) + "10.0.0.1.1234 -> 10.0.0.2.80 over TCP\n\thi there\n" + kSeparator);
}

// Header length 16 (first byte 0x44): nothing skipped, the TCP header follows
// the 20 bytes read, and the datagram length is charged with 16 only.
TEST(Ipv4Display, HeaderLengthSixteen) {
    std::string frame =
        ipFrame("4400 0030 1c46 4000 4006 b1e6 0a00 0001 0a00 0002" + kTcp + textHex("hi there!!!!"), 62);
    EXPECT_EQ(runCooked({"-s"}, frame).out,
              terseStart(1) +
                  "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=16 TOS=00 dgramlen=48 id=1C46\n"
                  "\tMF/DF=0/1 frag=0 TTL=64 proto=TCP cksum=B1E6\n" +
                  terseTcp("12") + "DATA:\thi there!!!!\n" + kSeparator);
    EXPECT_EQ(runCooked({"-s", "-noIp"}, frame).out,
              terseStart(1) + terseTcp("12") + "DATA:\thi there!!!!\n" + kSeparator);
    EXPECT_EQ(runCooked({"-s", "-verbose"}, frame).out.find("<Options not displayed>"), std::string::npos);
}

// Header length 0 (first byte 0x40): all of the datagram length is charged
// to the data, and the TCP header still follows the 20 bytes read.
TEST(Ipv4Display, HeaderLengthZero) {
    std::string frame = ipFrame("4000 001c 1c46 4000 4006 b1e6 0a00 0001 0a00 0002" + kTcp + kHiThere, 62);
    EXPECT_EQ(runCooked({"-s"}, frame).out,
              terseStart(1) +
                  "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=0 TOS=00 dgramlen=28 id=1C46\n"
                  "\tMF/DF=0/1 frag=0 TTL=64 proto=TCP cksum=B1E6\n" +
                  terseTcp("8") + "DATA:\thi there\n" + kSeparator);
}

// Total length 0: the frame length of the header line less 14 stands in.
TEST(Ipv4Display, TotalLengthZeroTakesFrameLength) {
    std::string bytes =
        "4500 0000 1c46 4000 4006 b1e6 0a00 0001 0a00 0002" + kTcp + textHex("abcdefghijklmnopqrst");
    RunResult terse = runCooked({"-s"}, ipFrame(bytes, 74));
    EXPECT_EQ(terse.out, terseStart(1) +
                             "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=60 id=1C46\n"
                             "\tMF/DF=0/1 frag=0 TTL=64 proto=TCP cksum=B1E6\n" +
                             terseTcp("20") + "DATA:\tabcdefghijklmnopqrst\n" + kSeparator);
    RunResult verbose = runCooked({"-verbose"}, ipFrame(bytes, 74));
    EXPECT_NE(verbose.out.find("\tDatagram Length:\t\t60 bytes\n"), std::string::npos) << verbose.out;
    EXPECT_NE(verbose.out.find("\tHeader Length:\t\t\t20 bytes (data=20)\n"), std::string::npos) << verbose.out;
}

// Total length 0 in a frame of more than 64 KiB (a "BIG TCP" segment): the
// datagram length is the frame length less 14, shown in full, and so are the
// counts (80032 bytes after the header, 80012 after TCP). The dump ends after
// 8 of them, at the end of input, which finishes the packet as a header line
// would.
TEST(Ipv4Display, TotalLengthZeroInAFrameBeyond64KiB) {
    std::string frame = ipFrame("4500 0000 1c46 4000 4006 b1e6 0a00 0001 0a00 0002" + kTcp + kHiThere, 80066);
    EXPECT_EQ(runCooked({}, frame).out, terseStart(1) +
                                            "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=80052 id=1C46\n"
                                            "\tMF/DF=0/1 frag=0 TTL=64 proto=TCP cksum=B1E6\n" +
                                            terseTcp("80012") + "DATA:\thi there\n" +
                                            "\n\t<*** Rest of data missing from packet dump ***>\n" + kSeparator);
    RunResult verbose = runCooked({"-verbose"}, frame);
    EXPECT_NE(verbose.out.find("\tDatagram Length:\t\t80052 bytes\n"), std::string::npos) << verbose.out;
    EXPECT_NE(verbose.out.find("\tHeader Length:\t\t\t20 bytes (data=80012)\n"), std::string::npos) << verbose.out;
    // 65536 bytes: a datagram length that no 16-bit field holds.
    RunResult edge = runCooked({}, ipFrame("4500 0000 1c46 4000 4006 b1e6 0a00 0001 0a00 0002" + kTcp, 65550));
    EXPECT_NE(edge.out.find(" dgramlen=65536 "), std::string::npos) << edge.out;
    EXPECT_NE(edge.out.find("(data=65496)"), std::string::npos) << edge.out;
}

// Total length 0 and no usable frame length: a datagram length of 0, so the
// TCP header is longer than the datagram (a count of -40 after it): the
// notice, and the packet is given up.
TEST(Ipv4Display, TotalLengthZeroWithoutFrameLength) {
    std::string bytes = "4500 0000 1c46 4000 4006 b1e6 0a00 0001 0a00 0002" + kTcp + kHiThere;
    const std::string expected = terseStart(1) +
                                 "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=0 id=1C46\n"
                                 "\tMF/DF=0/1 frag=0 TTL=64 proto=TCP cksum=B1E6\n" +
                                 terseTcp("-40") + "\t<*** TCP header longer than the datagram ***>\n" + kSeparator;
    EXPECT_EQ(runCooked({"-s"}, ipFrame(bytes, -1)).out, expected);
    // A frame length below 14 counts as none.
    EXPECT_EQ(runCooked({"-s"}, ipFrame(bytes, 10)).out, expected);
    // A plain-layout header line gives no frame length either.
    std::string plain = "12:00:00.000000 0:11:22:33:44:55 66:77:88:99:aa:bb 0800 62:\n" + dataLines(bytes);
    RunResult plainRun = runCooked({"-s"}, plain);
    EXPECT_NE(plainRun.out.find("dgramlen=0 "), std::string::npos) << plainRun.out;
    EXPECT_NE(plainRun.out.find("(data=-40)"), std::string::npos) << plainRun.out;

    RunResult verbose = runCooked({"-verbose", "-track"}, ipFrame(bytes, -1));
    EXPECT_NE(verbose.out.find("\tDatagram Length:\t\t0 bytes\n"), std::string::npos) << verbose.out;
    // No data to acknowledge: the expected acknowledgement is the sequence number.
    EXPECT_NE(verbose.out.find("\tExpect peer ACK:\t\t0016909060\n"), std::string::npos) << verbose.out;
    EXPECT_NE(verbose.out.find("\tHeader Length:\t\t\t20 bytes (data=-40)\n"), std::string::npos) << verbose.out;
    EXPECT_NE(verbose.out.find("\tUrgent Pointer:\t\t\t0\n\t<*** TCP header longer than the datagram ***>\n"),
              std::string::npos)
        << verbose.out;
}

// Total length 40000: 39980 bytes after the header, 39960 after TCP, counted
// in full (never negative or wrapped); the 8 bytes of the dump are shown and
// the end of input finds the rest missing.
TEST(Ipv4Display, TotalLengthBeyondSigned16Bits) {
    std::string frame = ipFrame("4500 9c40 1c46 4000 4006 b1e6 0a00 0001 0a00 0002" + kTcp + kHiThere, 62);
    EXPECT_EQ(runCooked({}, frame).out,
              terseStart(1) +
                  "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=40000 id=1C46\n"
                  "\tMF/DF=0/1 frag=0 TTL=64 proto=TCP cksum=B1E6\n" +
                  terseTcp("39960") + "DATA:\thi there\n\n\t<*** Rest of data missing from packet dump ***>\n" +
                  kSeparator);
    RunResult verbose = runCooked({"-verbose"}, frame);
    EXPECT_NE(verbose.out.find("\tDatagram Length:\t\t40000 bytes\n"), std::string::npos) << verbose.out;
    EXPECT_NE(verbose.out.find("\tHeader Length:\t\t\t20 bytes (data=39960)\n"), std::string::npos)
        << verbose.out;
    EXPECT_NE(verbose.out.find("TCP Data\n\thi there\n"), std::string::npos) << verbose.out;
}

struct NotV4Case {
    std::vector<std::string> options;
    std::string start;
    std::string message;
};

// A version other than 4: one message, then nothing more of the packet (not
// even spurious data), and the next packet decodes normally.
TEST(Ipv4Display, NotVersionFour) {
    std::string v6 = ipFrame("6000 0000 0008 0640 fe80 0000 0000 0000 0000 0000 0000 0001", 62);
    std::string v4 = ipFrame("4500 0030 1c46 4000 4006 b1e6 0a00 0001 0a00 0002" + kTcp + kHiThere, 62);
    const NotV4Case cases[] = {
        {{"-s"}, terseStart(1), "IP:\tnot v4\n"},
        {{"-s", "-noIp"}, terseStart(1), "IP:\tnot v4\n"},
        {{"-s", "-minHdrDecode"}, packet(1), "IP:\tnot v4\n"},
        {{"-s", "-verbose"}, verboseStart(1), "IP Header\n\t<Not an IPv4 datagram (ver=6)>\n"},
        {{"-s", "-verbose", "-noIp"}, verboseStart(1), "IP Header\n\t<Not an IPv4 datagram (ver=6)>\n"},
    };
    for (const NotV4Case& c : cases) {
        RunResult run = runCooked(c.options, v6 + v4);
        std::string expected = c.start + c.message + "\n";
        ASSERT_EQ(run.out.substr(0, expected.size()), expected) << c.options.back() << "\n" << run.out;
        EXPECT_NE(run.out.find("hi there\n" + kSeparator), std::string::npos) << c.options.back();
    }
    RunResult fifteen = runCooked({"-verbose"}, ipFrame("f500 0030", 62));
    EXPECT_EQ(fifteen.out, verboseStart(1) + "IP Header\n\t<Not an IPv4 datagram (ver=15)>\n" + kSeparator);
    RunResult zero = runCooked({}, ipFrame("0500 0030", 62));
    EXPECT_EQ(zero.out, terseStart(1) + "IP:\tnot v4\n" + kSeparator);
}

// A protocol without a decoder: its IPv4 display, then the no-decode line,
// which -minHdrDecode does not suppress.
TEST(Ipv4Display, ProtocolWithoutDecoder) {
    struct Case {
        const char* protocolHex;
        const char* name;
    } cases[] = {{"07", "<unknown>"}, {"ff", "<unknown>"}, {"02", "IGMP"}, {"59", "OSPF"}};
    for (const Case& c : cases) {
        std::string frame =
            ipFrame(std::string("4500 0030 1c46 4000 40") + c.protocolHex + " b1e6 0a00 0001 0a00 0002" + kTcp + kHiThere,
                    62);
        const std::string noDecode = "\t<*** No decode support for encapsulated protocol ***>\n";
        EXPECT_EQ(runCooked({"-s"}, frame).out,
                  terseStart(1) + "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=48 id=1C46\n" +
                      "\tMF/DF=0/1 frag=0 TTL=64 proto=" + c.name + " cksum=B1E6\n" + noDecode + kSeparator)
            << c.protocolHex;
        RunResult verbose = runCooked({"-verbose"}, frame);
        EXPECT_NE(verbose.out.find(std::string("\tEncapsulated Protocol:\t\t") + c.name +
                                   "\n\tHeader Checksum:\t\t0xB1E6\n\tSource IP Address:\t\t10.0.0.1\n"
                                   "\tDestination IP Address:\t\t10.0.0.2\n" + noDecode + kSeparator),
                  std::string::npos)
            << verbose.out;
        EXPECT_EQ(runCooked({"-s", "-minHdrDecode"}, frame).out, packet(1) + noDecode + kSeparator)
            << c.protocolHex;
        EXPECT_EQ(runCooked({"-s", "-noIp"}, frame).out, terseStart(1) + noDecode + kSeparator) << c.protocolHex;
    }
}

// IP in IP carrying TCP: two IPv4 displays, and the inner header rules the
// counts and the one-line addresses.
TEST(Ipv4Display, IpInIpCarryingTcp) {
    std::string outer = "4500 0044 0001 0000 ff5e 1111 c0a8 0001 c0a8 0002";
    std::string inner = "4500 0030 1c46 4000 4006 b1e6 ac10 0001 ac10 0002";
    std::string frame = ipFrame(outer + inner + kTcp + kHiThere, 82);
    EXPECT_EQ(runCooked({}, frame).out,
              terseStart(1) +
                  "  IP:\t192.168.0.1 -> 192.168.0.2 hlen=20 TOS=00 dgramlen=68 id=0001\n"
                  "\tMF/DF=0/0 frag=0 TTL=255 proto=IPIP cksum=1111\n"
                  "  IP:\t172.16.0.1 -> 172.16.0.2 hlen=20 TOS=00 dgramlen=48 id=1C46\n"
                  "\tMF/DF=0/1 frag=0 TTL=64 proto=TCP cksum=B1E6\n" +
                  terseTcp("8") + "DATA:\thi there\n" + kSeparator);
    RunResult verbose = runCooked({"-verbose"}, frame);
    EXPECT_NE(verbose.out.find("\tEncapsulated Protocol:\t\tIPIP\n\tHeader Checksum:\t\t0x1111\n"
                               "\tSource IP Address:\t\t192.168.0.1\n"
                               "\tDestination IP Address:\t\t192.168.0.2\n"
                               "IP Header\n\tVersion:\t\t\t4\n"),
              std::string::npos)
        << verbose.out;
    EXPECT_NE(verbose.out.find("\tDestination IP Address:\t\t172.16.0.2\n" + kVerboseTcp8 + kSeparator),
              std::string::npos)
        << verbose.out;
    EXPECT_EQ(runCooked({"-minHdrDecode"}, frame).out,
              packet(1) + "172.16.0.1.1234 -> 172.16.0.2.80 over TCP\n\thi there\n" + kSeparator);
}

// Only one level of IP in IP is decoded; an inner protocol without decoder
// gets the IP-in-IP no-decode line, whatever the options.
TEST(Ipv4Display, IpInIpWithoutInnerDecoder) {
    for (const char* innerProtocol : {"5e", "02"}) {
        std::string outer = "4500 0044 0001 0000 ff5e 1111 c0a8 0001 c0a8 0002";
        std::string inner = std::string("4500 0030 1c46 4000 40") + innerProtocol + " b1e6 ac10 0001 ac10 0002";
        std::string frame = ipFrame(outer + inner + kTcp + kHiThere, 82);
        const std::string noDecode = "\t<*** No decode support for encap protocol in IPIP packet ***>\n";
        std::string innerName = std::string(innerProtocol) == "5e" ? "IPIP" : "IGMP";
        EXPECT_EQ(runCooked({"-s"}, frame).out,
                  terseStart(1) +
                      "  IP:\t192.168.0.1 -> 192.168.0.2 hlen=20 TOS=00 dgramlen=68 id=0001\n"
                      "\tMF/DF=0/0 frag=0 TTL=255 proto=IPIP cksum=1111\n"
                      "  IP:\t172.16.0.1 -> 172.16.0.2 hlen=20 TOS=00 dgramlen=48 id=1C46\n"
                      "\tMF/DF=0/1 frag=0 TTL=64 proto=" + innerName + " cksum=B1E6\n" + noDecode + kSeparator);
        EXPECT_EQ(runCooked({"-s", "-minHdrDecode"}, frame).out, packet(1) + noDecode + kSeparator);
    }
}
