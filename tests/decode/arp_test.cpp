// ARP and RARP packets through the real binary on cooked text: the operation
// words and sentences, the fields shown as read, and the 28 bytes read. A
// request and a reply of each in the three display forms are rows of the
// golden table (tests/golden/TESTLIST, arp-* and rarp-*).

#include <gtest/gtest.h>

#include "decode/frame_text.h"
#include "support/run_binary.h"

namespace {
using namespace frame_text;

// 00:11:22:33:44:55 (192.168.0.1) asks for 192.168.0.2.
const std::string kRequest = "0001 0800 0604 0001 0011 2233 4455 c0a8 0001 0000 0000 0000 c0a8 0002";
// 66:77:88:99:aa:bb (192.168.0.2) answers 00:11:22:33:44:55 (192.168.0.1).
const std::string kReply = "0001 0800 0604 0002 6677 8899 aabb c0a8 0002 0011 2233 4455 c0a8 0001";

// A protocol type other than 0x0800 makes the protocol word "<unknown>", in
// the RARP sentences too.
TEST(RarpDecode, OtherProtocolTypeInTheSentences) {
    const std::string request = "0001 86dd 0604 0003 0011 2233 4455 0000 0000 0011 2233 4455 0000 0000";
    const std::string reply = "0001 86dd 0604 0004 6677 8899 aabb c0a8 0009 0011 2233 4455 c0a8 004d";
    EXPECT_EQ(decode({"-minHdrDecode"}, rarpFrame(request)),
              packet(1) + "00:11:22:33:44:55 asks for its <unknown> address\n" + kSeparator);
    EXPECT_EQ(decode({"-minHdrDecode"}, rarpFrame(reply)),
              packet(1) + "192.168.0.9 says to 00:11:22:33:44:55 its <unknown> address is 192.168.0.77\n" + kSeparator);
    EXPECT_EQ(decode({"-noLink"}, rarpFrame(reply)),
              packet(1) +
                  "RARP:\thtype=Ethernet ptype=<unknown> hlen=6 plen=4 op=response\n"
                  "\tsender-MAC-addr=66:77:88:99:AA:BB sender-IP-address=192.168.0.9\n"
                  "\ttarget-MAC-addr=00:11:22:33:44:55 target-IP-address=192.168.0.77\n" +
                  kSeparator);
}

// The operation word and the one-line sentence for each operation number:
// only ARP 1 and 2 and RARP 3 and 4 have sentences; the rest are silent.
struct OperationCase {
    bool rarp;
    int operation;
    const char* word;      // terse op= word
    const char* sentence;  // one-line form, "" for none
};

class ArpOperation : public ::testing::TestWithParam<OperationCase> {};

TEST_P(ArpOperation, WordAndSentence) {
    const OperationCase& c = GetParam();
    char op[8];
    std::snprintf(op, sizeof op, "%04x", c.operation);
    const std::string hex = "0001 0800 0604 " + std::string(op) +
                            "6677 8899 aabb c0a8 0009 0011 2233 4455 c0a8 004d";
    const std::string input = c.rarp ? rarpFrame(hex) : arpFrame(hex);
    const std::string kind = c.rarp ? "RARP" : "ARP";
    EXPECT_EQ(decode({"-noLink"}, input),
              packet(1) + kind + ":\thtype=Ethernet ptype=IP hlen=6 plen=4 op=" + c.word +
                  "\n"
                  "\tsender-MAC-addr=66:77:88:99:AA:BB sender-IP-address=192.168.0.9\n"
                  "\ttarget-MAC-addr=00:11:22:33:44:55 target-IP-address=192.168.0.77\n" +
                  kSeparator);
    std::string verbose = decode({"-noLink", "-verbose"}, input);
    EXPECT_NE(verbose.find("\tOperation:\t\t\t" + kind + " " + c.word + "\n"), std::string::npos) << verbose;
    EXPECT_EQ(decode({"-minHdrDecode"}, input), packet(1) + c.sentence + kSeparator);
}

INSTANTIATE_TEST_SUITE_P(
    Arp, ArpOperation,
    ::testing::Values(
        OperationCase{false, 0, "response", ""},
        OperationCase{false, 1, "request", "192.168.0.9 (66:77:88:99:AA:BB) asks where is 192.168.0.77\n"},
        OperationCase{false, 2, "response", "192.168.0.9 says to 192.168.0.77 it's at 66:77:88:99:AA:BB\n"},
        OperationCase{false, 3, "response", ""},
        OperationCase{false, 4, "response", ""},
        OperationCase{false, 0x0101, "response", ""},
        OperationCase{false, 0xffff, "response", ""},
        OperationCase{true, 1, "response", ""},
        OperationCase{true, 2, "response", ""},
        OperationCase{true, 3, "request", "66:77:88:99:AA:BB asks for its IP address\n"},
        OperationCase{true, 4, "response", "192.168.0.9 says to 00:11:22:33:44:55 its IP address is 192.168.0.77\n"},
        OperationCase{true, 0x0103, "response", ""},
        OperationCase{true, 5, "response", ""}),
    [](const ::testing::TestParamInfo<OperationCase>& info) {
        return std::string(info.param.rarp ? "Rarp" : "Arp") + std::to_string(info.param.operation);
    });

// The length fields are shown, never used: a hardware length of 8 still
// reads 6-byte addresses. Hardware type 6 is not Ethernet.
TEST(ArpDecode, LengthFieldsAreOnlyShown) {
    const std::string hex = "0006 0800 0805 0001 0011 2233 4455 c0a8 0001 0000 0000 0000 c0a8 0002";
    EXPECT_EQ(decode({"-verbose", "-noLink"}, arpFrame(hex)),
              packet(1) +
                  "ARP Header\n"
                  "\tHardware Type:\t\t\t<unknown>\n"
                  "\tProtocol Type:\t\t\tIP\n"
                  "\tHardware Address Length:\t8 bytes\n"
                  "\tProtocol Address Length:\t5 bytes\n"
                  "\tOperation:\t\t\tARP request\n"
                  "\tSender Hardware Address:\t00:11:22:33:44:55\n"
                  "\tSender IP Address:\t\t192.168.0.1\n"
                  "\tTarget Hardware Address:\t00:00:00:00:00:00\n"
                  "\tTarget IP Address:\t\t192.168.0.2\n" +
                  kSeparator);
    EXPECT_EQ(decode({"-noLink"}, arpFrame(hex)),
              packet(1) +
                  "ARP:\thtype=<unknown> ptype=IP hlen=8 plen=5 op=request\n"
                  "\tsender-MAC-addr=00:11:22:33:44:55 sender-IP-address=192.168.0.1\n"
                  "\ttarget-MAC-addr=00:00:00:00:00:00 target-IP-address=192.168.0.2\n" +
                  kSeparator);
}

// Exactly 28 bytes are read: the frame's fill bytes after them are spurious
// data under -s (the rest of the second data line), and silently dropped
// otherwise.
TEST(ArpDecode, TrailingFillIsSpuriousData) {
    const std::string fill = "a0a1 a2a3 a4a5 a6a7 a8a9 aaab acad aeaf b0b1";
    const std::string input = arpFrame(kRequest + fill);
    const std::string body =
        "ARP:\thtype=Ethernet ptype=IP hlen=6 plen=4 op=request\n"
        "\tsender-MAC-addr=00:11:22:33:44:55 sender-IP-address=192.168.0.1\n"
        "\ttarget-MAC-addr=00:00:00:00:00:00 target-IP-address=192.168.0.2\n";
    EXPECT_EQ(decode({"-noLink", "-s"}, input),
              packet(1) + body + "\t<*** Spurious data at end: \"a0a1a2a3\" ***>\n" + kSeparator);
    EXPECT_EQ(decode({"-noLink"}, input), packet(1) + body + kSeparator);
    EXPECT_EQ(decode({"-minHdrDecode", "-s"}, input),
              packet(1) + "192.168.0.1 (00:11:22:33:44:55) asks where is 192.168.0.2\n"
                          "\t<*** Spurious data at end: \"a0a1a2a3\" ***>\n" +
                  kSeparator);
}

// When the 28 bytes end exactly at the end of a data line, the whole next
// data line is the spurious data.
TEST(ArpDecode, BodyEndingWithItsLineShowsTheNextLineAsSpurious) {
    std::string input = headerLine("ARP (0x0806)", 60, "12:00:00.000000", "ff:ff:ff:ff:ff:ff") + "\t" +
                        kRequest + "\n\t0000 1111 2222\n\t3333\n";
    EXPECT_EQ(decode({"-noLink", "-s"}, input),
              packet(1) +
                  "ARP:\thtype=Ethernet ptype=IP hlen=6 plen=4 op=request\n"
                  "\tsender-MAC-addr=00:11:22:33:44:55 sender-IP-address=192.168.0.1\n"
                  "\ttarget-MAC-addr=00:00:00:00:00:00 target-IP-address=192.168.0.2\n"
                  "\t<*** Spurious data at end: \"000011112222\" ***>\n" +
                  kSeparator);
}

// A body cut short by the next packet prints nothing of it.
TEST(ArpDecode, BodyCutShortPrintsNothing) {
    const std::string input = arpFrame("0001 0800 0604 0001 0011 2233 4455 c0a8") + arpFrame(kReply, "12:00:01.000000");
    EXPECT_EQ(decode({"-noLink"}, input),
              packet(1) + "\n" + packet(2) +
                  "ARP:\thtype=Ethernet ptype=IP hlen=6 plen=4 op=response\n"
                  "\tsender-MAC-addr=66:77:88:99:AA:BB sender-IP-address=192.168.0.2\n"
                  "\ttarget-MAC-addr=00:11:22:33:44:55 target-IP-address=192.168.0.1\n" +
                  kSeparator);
}

}  // namespace
