// The TCP display, end to end: cooked tcpdump text through the pacsift binary.
// A plain segment in the three display forms, the header lengths 32, 16 and
// 0, and the -track display of a FIN whose expected acknowledgement wraps are
// rows of the golden table (tests/golden/TESTLIST, tcp-*).

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/tcpdump_text.h"

using namespace tcpdump_text;

namespace {

// 20-byte IPv4 header 10.0.0.1 -> 10.0.0.2, id 1C46, DF, TTL 64, checksum B1E6.
std::string ipv4(unsigned totalLength, unsigned protocol = 6) {
    char hex[64];
    std::snprintf(hex, sizeof hex, "4500 %04x 1c46 4000 40%02x b1e6 0a00 0001 0a00 0002", totalLength, protocol);
    return hex;
}

// TCP header 1234 -> 80, ack 0x0A0B0C0D, window 29200, checksum ABCD, urgent 0.
std::string tcp(unsigned long sequence, unsigned offsetAndFlags = 0x5018) {
    char hex[64];
    std::snprintf(hex, sizeof hex, "04d2 0050 %08lx 0a0b 0c0d %04x 7210 abcd 0000", sequence, offsetAndFlags);
    return hex;
}

const std::string kHiThere = textHex("hi there");

const std::string kTerseIp48 =
    "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=48 id=1C46\n"
    "\tMF/DF=0/1 frag=0 TTL=64 proto=TCP cksum=B1E6\n";

}  // namespace

// Every flag set, the reserved bits set, extreme numbers: each field lands in
// its own place.
TEST(TcpDisplay, AllFlagsAndExtremeFields) {
    std::string header = "ffff 0001 ffffffff 00000000 5fff ffff 0000 0102";
    std::string frame = ipFrame(ipv4(40) + header, 54);
    RunResult terse = runCooked({}, frame);
    EXPECT_EQ(terse.out, terseStart(1) +
                             "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=40 id=1C46\n"
                             "\tMF/DF=0/1 frag=0 TTL=64 proto=TCP cksum=B1E6\n"
                             " TCP:\tport 65535 -> 1 seq=4294967295 ack=0000000000\n"
                             "\thlen=20 (data=0) UAPRSF=111111 wnd=65535 cksum=0000 urg=258\n"
                             "DATA:\t<No data>\n" +
                             kSeparator);
    RunResult verbose = runCooked({"-verbose"}, frame);
    std::string expectedTcp =
        "TCP Header\n"
        "\tSource Port:\t\t\t65535\n"
        "\tDestination Port:\t\t1\n"
        "\tSequence Number:\t\t4294967295\n"
        "\tAcknowledgement Number:\t\t0000000000\n"
        "\tHeader Length:\t\t\t20 bytes (data=0)\n"
        "\tFlags:\t\t\t\tURG=on,  ACK=on,  PSH=on\n"
        "\t\t\t\t\tRST=on,  SYN=on,  FIN=on\n"
        "\tWindow Advertisement:\t\t65535 bytes\n"
        "\tChecksum:\t\t\t0x0000\n"
        "\tUrgent Pointer:\t\t\t258\n"
        "TCP Data\n"
        "\t<No data>\n";
    std::string::size_type at = verbose.out.find("TCP Header\n");
    ASSERT_NE(at, std::string::npos) << verbose.out;
    EXPECT_EQ(verbose.out.substr(at), expectedTcp + kSeparator);
}

// The reserved bits between the data offset and the flags change nothing.
TEST(TcpDisplay, ReservedBitsIgnored) {
    RunResult run = runCooked({}, ipFrame(ipv4(48) + tcp(0x01020304, 0x5fd8) + kHiThere, 62));
    EXPECT_NE(run.out.find("\thlen=20 (data=8) UAPRSF=011000 wnd=29200 cksum=ABCD urg=0\nDATA:\thi there\n"),
              std::string::npos)
        << run.out;
}

struct TrackCase {
    const char* name;
    unsigned long sequence;
    unsigned offsetAndFlags;
    const char* data;
    const char* expected;   // the expected peer acknowledgement
};

// -track: sequence number + data bytes + 1 for SYN or FIN (1 for both), mod 2^32.
TEST(TcpDisplay, TrackExpectedAcknowledgement) {
    const TrackCase cases[] = {
        {"SYN", 1000, 0x5002, "", "0000001001"},
        {"FIN wraps", 4294967290UL, 0x5011, "0123456789", "0000000005"},
        {"SYN+FIN", 1000, 0x5003, "", "0000001001"},
        {"plain ACK", 1000, 0x5010, "", "0000001000"},
        {"data", 1000, 0x5018, "hi there", "0000001008"},
    };
    for (const TrackCase& c : cases) {
        std::string data = textHex(c.data);
        unsigned total = 40 + static_cast<unsigned>(data.size() / 2);
        std::string frame = ipFrame(ipv4(total) + tcp(c.sequence, c.offsetAndFlags) + data, 14 + total);
        char seq[16];
        std::snprintf(seq, sizeof seq, "%010lu", c.sequence);

        RunResult terse = runCooked({"-track"}, frame);
        std::string line = std::string(" TCP:\tport 1234 -> 80 seq=") + seq + " (expect=" + c.expected +
                           ") ack=0168496141\n";
        EXPECT_NE(terse.out.find(line), std::string::npos) << c.name << "\n" << terse.out;

        RunResult verbose = runCooked({"-track", "-verbose"}, frame);
        std::string lines = std::string("\tSequence Number:\t\t") + seq + "\n\tExpect peer ACK:\t\t" + c.expected +
                            "\n\tAcknowledgement Number:\t\t0168496141\n";
        EXPECT_NE(verbose.out.find(lines), std::string::npos) << c.name << "\n" << verbose.out;

        // Without -track, and in the one-line form, no expectation is shown.
        EXPECT_EQ(runCooked({}, frame).out.find("expect="), std::string::npos) << c.name;
        EXPECT_EQ(runCooked({"-verbose"}, frame).out.find("Expect peer ACK"), std::string::npos) << c.name;
        RunResult oneLine = runCooked({"-track", "-minHdrDecode"}, frame);
        EXPECT_EQ(oneLine.out.find("xpect"), std::string::npos) << c.name << "\n" << oneLine.out;
    }
}

// Data that stops inside the TCP header: nothing of the TCP block, and the
// count left by IPv4 asks for the missing-data notice.
TEST(TcpDisplay, DumpEndsInsideHeader) {
    std::string cut = ipFrame(ipv4(48) + "04d2 0050 0102 0304", 62);
    RunResult run = runCooked({}, cut + cut);
    std::string first = terseStart(1) + kTerseIp48 + "\n\n\t<*** Rest of data missing from packet dump ***>\n";
    // The end of input finishes the second one the same way.
    EXPECT_EQ(run.out, first + terseStart(2) + kTerseIp48 + "\n\n\t<*** Rest of data missing from packet dump ***>\n" +
                           kSeparator);
}

// A header longer than the rest of the datagram (44 bytes of 29): the count is
// shown signed, the notice follows, and the packet is given up; the next one
// decodes as usual.
TEST(TcpDisplay, HeaderLongerThanTheDatagram) {
    std::string frame = ipFrame(ipv4(49) + tcp(1, 0xb018) + kHiThere, 63);
    std::string next = ipFrame(ipv4(48) + tcp(1) + kHiThere, 62);
    const std::string ip49 =
        "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=49 id=1C46\n"
        "\tMF/DF=0/1 frag=0 TTL=64 proto=TCP cksum=B1E6\n";
    const std::string notice = "\t<*** TCP header longer than the datagram ***>\n";
    EXPECT_EQ(runCooked({"-s", "-track"}, frame + next).out,
              terseStart(1) + ip49 +
                  " TCP:\tport 1234 -> 80 seq=0000000001 (expect=0000000001) ack=0168496141\n"
                  "\thlen=44 (data=-15) UAPRSF=011000 wnd=29200 cksum=ABCD urg=0\n" +
                  notice + "\n" + terseStart(2) + kTerseIp48 +
                  " TCP:\tport 1234 -> 80 seq=0000000001 (expect=0000000009) ack=0168496141\n"
                  "\thlen=20 (data=8) UAPRSF=011000 wnd=29200 cksum=ABCD urg=0\n"
                  "DATA:\thi there\n" + kSeparator);
    RunResult verbose = runCooked({"-verbose"}, frame);
    EXPECT_NE(verbose.out.find("\tHeader Length:\t\t\t44 bytes (data=-15)\n"), std::string::npos) << verbose.out;
    EXPECT_NE(verbose.out.find("\tUrgent Pointer:\t\t\t0\n" + notice + kSeparator), std::string::npos) << verbose.out;
    EXPECT_EQ(verbose.out.find("Options"), std::string::npos) << verbose.out;
    RunResult oneLine = runCooked({"-minHdrDecode"}, frame);
    EXPECT_NE(oneLine.out.find("10.0.0.1.1234 -> 10.0.0.2.80 over TCP\n" + notice + kSeparator), std::string::npos)
        << oneLine.out;
}
