// The packet header line: time and link lines, link-layer type and frame length.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/run.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/program_end.h"
#include "packet/header_line.h"
#include "present/names.h"
#include "support/fake_name_database.h"
#include "support/in_process_test.h"
#include "support/run_binary.h"

namespace {
class HeaderLine : public InProcessTest {
protected:
    void SetUp() override {
        InProcessTest::SetUp();
        options.noEtherNames = true;
        fake_names::install();
        fake_names::ethers = {{"08:00:20:01:02:03", "gateway"}, {"00:11:22:33:44:55", "sun.example.com"}};
    }

    // Decodes `line` as the header line of the next packet; returns what was printed.
    std::string decode(const std::string& line) {
        ++state.pktCount;
        decodeHeaderLine(line.c_str());
        return takeOutput();
    }
};

TEST(NormEtherAddr, RewritesAddressesIntoSixUpperCasePairs) {
    struct Case {
        const char* text;
        const char* canonical;
    };
    const Case cases[] = {
        {"8:0:20:1:a:ff", "08:00:20:01:0A:FF"},
        {"00:a0:c9:0e:1f:2b", "00:A0:C9:0E:1F:2B"},
        {"ff:ff:ff:ff:ff:ff", "FF:FF:FF:FF:FF:FF"},
        {"0:0:0:0:0:0", "00:00:00:00:00:00"},
        {"8:00:2b:1:2:a", "08:00:2B:01:02:0A"},
        // Anything after the sixth component is ignored...
        {"08:00:20:01:02:03,", "08:00:20:01:02:03"},
        {"08:00:20:01:02:03:04", "08:00:20:01:02:03"},
        // ...except as the second character of the sixth component itself.
        {"1:2:3:4:5:6,", "01:02:03:04:05:6,"},
        // Characters are not checked for being hex digits.
        {"xy:z:12:3:4:5", "XY:0Z:12:03:04:05"},
        // The text ends early: the result is shorter.
        {"1:2:3", "01:02:03"},
        {"a", "0A"},
        {"ab:c", "AB:0C"},
        {"", ""},
        // Bytes beyond ASCII are not upper-cased.
        {"\xe9\xe9:\xe9:2:3:4:5", "\xe9\xe9:0\xe9:02:03:04:05"},
    };
    for (const Case& c : cases) EXPECT_STREQ(normEtherAddr(c.text), c.canonical) << c.text;
}

TEST_F(HeaderLine, PlainLayoutTerse) {
    EXPECT_EQ(decode("12:00:00.500000 8:0:20:1:2:3 ff:ff:ff:ff:ff:ff 0806 60:\n"),
              "TIME:\t12:00:00.500000\n"
              "LINK:\t08:00:20:01:02:03 -> FF:FF:FF:FF:FF:FF type=ARP\n");
    EXPECT_EQ(state.etherType, 0x806);
    EXPECT_EQ(state.linkLength, 0u);
}

TEST_F(HeaderLine, PlainLayoutTypeNames) {
    struct Case {
        const char* type;
        int etherType;
        const char* shown;
    };
    const Case cases[] = {
        {"0800", 0x800, "IP"},     {"800", 0x800, "IP"},       {"0806", 0x806, "ARP"},
        {"8035", 0x8035, "RARP"},  {"86dd", 0x86DD, "86dd"},   {"0800x", 0x800, "IP"},
        {"8100", 0x8100, "8100"},  {"zz", 0, "zz"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        std::string line = std::string("12:00:00.500000 0:1:2:3:4:5 6:7:8:9:a:b ") + c.type + " 60:\n";
        resetDecoderState();
        state.linkLength = 77;
        EXPECT_EQ(decode(line), std::string("TIME:\t12:00:00.500000\nLINK:\t00:01:02:03:04:05 -> 06:07:08:09:0A:0B type=") +
                                    c.shown + "\n");
        EXPECT_EQ(state.etherType, c.etherType);
        EXPECT_EQ(state.linkLength, 0u);
    }
}

// The type token is read as a "%x" scan reads it, and such a scan takes a
// leading 0x as part of the number.
TEST_F(HeaderLine, PlainLayoutTypeWithHexPrefix) {
    EXPECT_EQ(decode("12:00:00.500000 0:1:2:3:4:5 6:7:8:9:a:b 0x0806 60:\n"),
              "TIME:\t12:00:00.500000\nLINK:\t00:01:02:03:04:05 -> 06:07:08:09:0A:0B type=ARP\n");
    EXPECT_EQ(state.etherType, 0x806);
    EXPECT_EQ(decode("12:00:01.500000 0:1:2:3:4:5 6:7:8:9:a:b 0X8035 60:\n"),
              "TIME:\t12:00:01.500000 (1.000000)\nLINK:\t00:01:02:03:04:05 -> 06:07:08:09:0A:0B type=RARP\n");
    EXPECT_EQ(state.etherType, 0x8035);
}

TEST_F(HeaderLine, ArrowLayoutTerse) {
    EXPECT_EQ(decode("12:00:00.500000 00:11:22:33:44:55 > 66:77:88:99:aa:bb, ethertype IPv4 (0x0800), "
                     "length 98: 10.0.0.1 > 10.0.0.2: ICMP echo request, id 1, seq 1, length 64\n"),
              "TIME:\t12:00:00.500000\n"
              "LINK:\t00:11:22:33:44:55 -> 66:77:88:99:AA:BB type=IPv4\n");
    EXPECT_EQ(state.etherType, 0x800);
    EXPECT_EQ(state.linkLength, 98u);
}

TEST_F(HeaderLine, ArrowLayoutTypes) {
    struct Case {
        const char* rest;   // what follows the destination address
        int etherType;
        unsigned linkLength;
        const char* shown;
    };
    const Case cases[] = {
        {", ethertype ARP (0x0806), length 42: Request who-has 10.0.0.2 tell 10.0.0.1, length 28", 0x806, 42, "ARP"},
        {", ethertype IPv6 (0x86dd), length 86: fe80::1 > ff02::1: ICMP6", 0x86DD, 86, "IPv6"},
        // A name with a blank in it runs up to the type number.
        {", ethertype Reverse ARP (0x8035), length 60: Reverse Request who-is 0:1:2:3:4:5", 0x8035, 60,
         "Reverse ARP"},
        {", ethertype 802.1Q (0x8100), length 64: vlan 5, p 0, ethertype IPv4 (0x0800), 10.0.0.1 > 10.0.0.2",
         0x8100, 64, "802.1Q"},
        // The name is the line's own; only a name that reads as one of the
        // three numbers is shown by its short name.
        {", ethertype 806 (0x0806), length 60: x", 0x806, 60, "ARP"},
        // No "ethertype " at all.
        {", 802.3, length 60: LLC, dsap STP (0x42) Individual, ssap STP (0x42) Command, ctrl 0x03", 0, 60,
         "<unknown>"},
        // A phrase without a type number: the name up to its first blank.
        {", ethertype Unknown, length 60: x", 0, 60, "Unknown,"},
        // No length phrase.
        {", ethertype IPv4 (0x0800): truncated", 0x800, 0, "IPv4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rest);
        resetDecoderState();
        std::string line = std::string("12:00:00.500000 00:11:22:33:44:55 > 66:77:88:99:aa:bb") + c.rest + "\n";
        EXPECT_EQ(decode(line), std::string("TIME:\t12:00:00.500000\nLINK:\t00:11:22:33:44:55 -> 66:77:88:99:AA:BB type=") +
                                    c.shown + "\n");
        EXPECT_EQ(state.etherType, c.etherType);
        EXPECT_EQ(state.linkLength, c.linkLength);
    }
}

TEST_F(HeaderLine, ArrowLayoutDestinationWithOneDigitComponents) {
    EXPECT_EQ(decode("12:00:00.500000 0:1:2:3:4:5 > 8:0:20:1:2:3, ethertype IPv4 (0x0800), length 60: x\n"),
              "TIME:\t12:00:00.500000\n"
              "LINK:\t00:01:02:03:04:05 -> 08:00:20:01:02:03 type=IPv4\n");
    // A two-digit last component ends right at the comma as well.
    EXPECT_EQ(decode("12:00:00.500000 0:1:2:3:4:5 > 8:0:20:1:2:33, ethertype IPv4 (0x0800), length 60: x\n"),
              "TIME:\t12:00:00.500000 (0.000000)\n"
              "LINK:\t00:01:02:03:04:05 -> 08:00:20:01:02:33 type=IPv4\n");
}

TEST_F(HeaderLine, VerboseShowsFourLinesWithNames) {
    options.verbose = true;
    options.noEtherNames = false;
    EXPECT_EQ(decode("12:00:00.500000 8:0:20:1:2:3 0:11:22:33:44:55 0800 60:\n"),
              "\tTimestamp:\t\t\t12:00:00.500000\n"
              "\tSource Ethernet Address:\t08:00:20:01:02:03 (gateway)\n"
              "\tDestination Ethernet Address:\t00:11:22:33:44:55 (sun.example.com)\n"
              "\tEncapsulated Protocol:\t\tIP\n");
    EXPECT_EQ(decode("12:00:01.000000 0:1:2:3:4:5 > 8:0:20:1:2:3, ethertype ARP (0x0806), length 60: x\n"),
              "\tTimestamp:\t\t\t12:00:01.000000 (0.500000)\n"
              "\tSource Ethernet Address:\t00:01:02:03:04:05 (<unknown>)\n"
              "\tDestination Ethernet Address:\t08:00:20:01:02:03 (gateway)\n"
              "\tEncapsulated Protocol:\t\tARP\n");
}

TEST_F(HeaderLine, VerboseWithoutEtherNames) {
    options.verbose = true;
    EXPECT_EQ(decode("12:00:00.500000 8:0:20:1:2:3 0:11:22:33:44:55 86dd 60:\n"),
              "\tTimestamp:\t\t\t12:00:00.500000\n"
              "\tSource Ethernet Address:\t08:00:20:01:02:03\n"
              "\tDestination Ethernet Address:\t00:11:22:33:44:55\n"
              "\tEncapsulated Protocol:\t\t86dd\n");
    EXPECT_EQ(fake_names::calls.total(), 0);
}

TEST_F(HeaderLine, TerseShowsNamesInPlaceOfAddresses) {
    options.noEtherNames = false;
    EXPECT_EQ(decode("12:00:00.500000 8:0:20:1:2:3 > ff:ff:ff:ff:ff:ff, ethertype ARP (0x0806), length 42: x\n"),
              "TIME:\t12:00:00.500000\n"
              "LINK:\tgateway -> FF:FF:FF:FF:FF:FF type=ARP\n");
    EXPECT_EQ(fake_names::calls.ether_ntohost, 2);
}

TEST_F(HeaderLine, PointToPointReadsOnlyTheTimestamp) {
    options.pointToPoint = true;
    options.noEtherNames = false;
    state.linkLength = 0;
    EXPECT_EQ(decode("12:00:00.500000 IP 10.0.0.1 > 10.0.0.2: ICMP echo request, id 1, seq 1, length 64\n"),
              "TIME:\t12:00:00.500000\n");
    EXPECT_EQ(state.etherType, 0x800);
    EXPECT_EQ(state.linkLength, 0u);
    EXPECT_EQ(decode("12:00:01.000000 not an ethernet line at all, length 99\n"), "TIME:\t12:00:01.000000 (0.500000)\n");
    EXPECT_EQ(state.etherType, 0x800);
    EXPECT_EQ(state.linkLength, 0u);
    options.verbose = true;
    EXPECT_EQ(decode("12:00:02.000000 IP 10.0.0.1 > 10.0.0.2: x\n"), "\tTimestamp:\t\t\t12:00:02.000000 (1.000000)\n");
    options.noLink = true;
    EXPECT_EQ(decode("12:00:03.000000 IP 10.0.0.1 > 10.0.0.2: x\n"), "");
    EXPECT_EQ(state.etherType, 0x800);
    EXPECT_EQ(fake_names::calls.total(), 0);
}

TEST_F(HeaderLine, NoLinkPrintsNothingAndRecordsNoTime) {
    options.noLink = true;
    EXPECT_EQ(decode("12:00:00.000000 0:1:2:3:4:5 > 6:7:8:9:a:b, ethertype ARP (0x0806), length 42: x\n"), "");
    EXPECT_EQ(state.etherType, 0x806);
    EXPECT_EQ(state.linkLength, 42u);
    EXPECT_EQ(decode("12:00:01.000000 0:1:2:3:4:5 6:7:8:9:a:b 86dd 60:\n"), "");
    EXPECT_EQ(state.etherType, 0x86DD);
    EXPECT_EQ(state.linkLength, 0u);
    // The first time shown is the first one recorded.
    options.noLink = false;
    EXPECT_EQ(decode("12:00:05.000000 0:1:2:3:4:5 6:7:8:9:a:b 0800 60:\n"),
              "TIME:\t12:00:05.000000\nLINK:\t00:01:02:03:04:05 -> 06:07:08:09:0A:0B type=IP\n");
}

TEST_F(HeaderLine, BadlyFormattedAddressEndsTheProgramEvenUnderNoLink) {
    options.noEtherNames = false;
    const char* lines[] = {
        "12:00:00.500000 IP 10.0.0.1 > 10.0.0.2: ICMP echo request\n",
        "12:00:00.500000 8:0:20:1:2:3 > bogus, ethertype IPv4 (0x0800), length 60: x\n",
        // Fewer than six components.
        "12:00:00.500000 8:0:20:1:2 0:11:22:33:44:55 0800 60:\n",
    };
    for (bool noLink : {false, true}) {
        options.noLink = noLink;
        for (const char* line : lines) {
            SCOPED_TRACE(std::string(line) + (noLink ? " -noLink" : ""));
            testing::internal::CaptureStderr();
            int status = -1;
            try {
                decode(line);
            } catch (const ProgramEnd& end) {
                status = end.status;
            }
            flushOutput();
            EXPECT_EQ(status, 1);
            EXPECT_EQ(testing::internal::GetCapturedStderr(), "***Error: Badly formatted Ethernet address\n");
            // Nothing of the packet's link lines was printed.
            EXPECT_EQ(capturedOutput, "");
            capturedOutput.clear();
        }
    }
    // With -noEtherNames as well the line passes silently.
    options.noEtherNames = true;
    options.noLink = true;
    for (const char* line : lines) EXPECT_EQ(decode(line), "") << line;
    options.noLink = false;
    // Not an Ethernet line: the tokens are shown as the normaliser leaves them.
    EXPECT_EQ(decode(lines[0]), "TIME:\t12:00:00.500000\nLINK:\tIP -> 10:0.:.1 type=>\n");
}

// A frame shorter than its link header: tcpdump prints "[|ether]" where the
// addresses would be. Whatever the naming options, nothing is looked up (the
// mark is no address) and there is no type; the notice stands in for the
// link lines.
TEST_F(HeaderLine, TruncatedLinkHeaderShowsANoticeAndLooksNothingUp) {
    struct Case {
        const char* form;
        bool verbose, noLink;
        const char* shown;
    };
    const Case cases[] = {
        {"terse", false, false, "TIME:\t00:00:03.000000\n\t<*** Ethernet header missing from packet dump ***>\n"},
        {"verbose", true, false,
         "\tTimestamp:\t\t\t00:00:03.000000\n\t<*** Ethernet header missing from packet dump ***>\n"},
        {"-noLink", false, true, ""},
    };
    const char* lines[] = {"00:00:03.000000  [|ether]\n", "00:00:03.000000 [|ether] > 0:1:2:3:4:5, length 98: x\n"};
    for (bool noEtherNames : {false, true})
        for (const Case& c : cases)
            for (const char* line : lines) {
                SCOPED_TRACE(std::string(c.form) + (noEtherNames ? " -noEtherNames " : " names on ") + line);
                options.noEtherNames = noEtherNames;
                options.verbose = c.verbose;
                options.noLink = c.noLink;
                resetDecoderState();
                fake_names::calls = {};
                state.etherType = 0x800;
                state.linkLength = 77;
                EXPECT_EQ(decode(line), c.shown);
                EXPECT_EQ(state.etherType, 0);
                EXPECT_EQ(state.linkLength, 0u);
                EXPECT_EQ(fake_names::calls.total(), 0);
            }
}

TEST_F(HeaderLine, MissingTokensAreEmptyNotLeftFromThePreviousPacket) {
    decode("12:00:00.000000 0:1:2:3:4:5 > 6:7:8:9:a:b, ethertype ARP (0x0806), length 42: x\n");
    EXPECT_EQ(decode("12:00:01.000000\n"), "TIME:\t12:00:01.000000 (1.000000)\nLINK:\t ->  type=\n");
    EXPECT_EQ(state.etherType, 0);
    EXPECT_EQ(state.linkLength, 0u);
    EXPECT_EQ(decode("12:00:02.000000 0:1:2:3:4:5\n"),
              "TIME:\t12:00:02.000000 (1.000000)\nLINK:\t00:01:02:03:04:05 ->  type=\n");
    EXPECT_EQ(decode("12:00:03.000000 0:1:2:3:4:5 6:7:8:9:a:b\n"),
              "TIME:\t12:00:03.000000 (1.000000)\nLINK:\t00:01:02:03:04:05 -> 06:07:08:09:0A:0B type=\n");
    EXPECT_EQ(state.etherType, 0);
    // An arrow with nothing after it.
    EXPECT_EQ(decode("12:00:04.000000 0:1:2:3:4:5 >\n"),
              "TIME:\t12:00:04.000000 (1.000000)\nLINK:\t00:01:02:03:04:05 ->  type=<unknown>\n");
    EXPECT_EQ(state.etherType, 0);
}

TEST_F(HeaderLine, LongTokensAreCutToTheirItems) {
    const std::string huge(5000, 'c');
    // Timestamp: 31 characters are kept.
    EXPECT_EQ(decode("12:00:00." + std::string(4991, '1') + " 0:1:2:3:4:5 6:7:8:9:a:b 0800 60:\n"),
              "TIME:\t12:00:00." + std::string(22, '1') + "\nLINK:\t00:01:02:03:04:05 -> 06:07:08:09:0A:0B type=IP\n");
    resetDecoderState();
    // Source: 255 characters kept, normalised as six pairs.
    EXPECT_EQ(decode("12:00:00.000000 " + huge + " 6:7:8:9:a:b 0800 60:\n"),
              "TIME:\t12:00:00.000000\nLINK:\tCC:CC:CC:CC:CC:CC -> 06:07:08:09:0A:0B type=IP\n");
    // Plain destination: 17 characters kept.
    EXPECT_EQ(decode("12:00:00.000000 0:1:2:3:4:5 " + huge + " 0800 60:\n"),
              "TIME:\t12:00:00.000000 (0.000000)\nLINK:\t00:01:02:03:04:05 -> CC:CC:CC:CC:CC:CC type=IP\n");
    // Plain type: 255 characters kept.
    EXPECT_EQ(decode("12:00:00.000000 0:1:2:3:4:5 6:7:8:9:a:b " + std::string(5000, 'z') + " 60:\n"),
              "TIME:\t12:00:00.000000 (0.000000)\nLINK:\t00:01:02:03:04:05 -> 06:07:08:09:0A:0B type=" +
                  std::string(255, 'z') + "\n");
    EXPECT_EQ(state.etherType, 0);
    // Arrow destination.
    EXPECT_EQ(decode("12:00:00.000000 0:1:2:3:4:5 > " + huge + ", ethertype IPv4 (0x0800), length 60: x\n"),
              "TIME:\t12:00:00.000000 (0.000000)\nLINK:\t00:01:02:03:04:05 -> CC:CC:CC:CC:CC:CC type=IPv4\n");
    EXPECT_EQ(state.etherType, 0x800);
    // Arrow type name: 255 characters kept.
    EXPECT_EQ(decode("12:00:00.000000 0:1:2:3:4:5 > 6:7:8:9:a:b, ethertype " + std::string(5000, 'n') +
                     " (0x0806), length 60: x\n"),
              "TIME:\t12:00:00.000000 (0.000000)\nLINK:\t00:01:02:03:04:05 -> 06:07:08:09:0A:0B type=" +
                  std::string(255, 'n') + "\n");
    EXPECT_EQ(state.etherType, 0x806);
    EXPECT_EQ(decode("12:00:00.000000 0:1:2:3:4:5 > 6:7:8:9:a:b, ethertype " + std::string(5000, 'n') + "\n"),
              "TIME:\t12:00:00.000000 (0.000000)\nLINK:\t00:01:02:03:04:05 -> 06:07:08:09:0A:0B type=" +
                  std::string(39, 'n') + "\n");
    EXPECT_EQ(state.etherType, 0);
    // Huge frame length.
    decode("12:00:00.000000 0:1:2:3:4:5 > 6:7:8:9:a:b, ethertype IPv4 (0x0800), length 65570: x\n");
    EXPECT_EQ(state.linkLength, 65570u);
    // A sign, which tcpdump never writes, is read as a "%u" scan reads it.
    decode("12:00:00.000000 0:1:2:3:4:5 > 6:7:8:9:a:b, ethertype IPv4 (0x0800), length +44: x\n");
    EXPECT_EQ(state.linkLength, 44u);
    decode("12:00:00.000000 0:1:2:3:4:5 > 6:7:8:9:a:b, ethertype IPv4 (0x0800), length -1: x\n");
    EXPECT_EQ(state.linkLength, 4294967295u);
    // Under -pp.
    options.pointToPoint = true;
    resetDecoderState();
    EXPECT_EQ(decode("12:00:00." + std::string(4991, '2') + " IP x > y\n"), "TIME:\t12:00:00." + std::string(22, '2') + "\n");
}

// The VLAN tags that tcpdump prints after the first type phrase, read under
// -extended: one line each after the link line, and the type after the last
// tag is the one to decode.
TEST_F(HeaderLine, VlanTagGrammar) {
    options.extended = true;
    const std::string head = "12:00:00.000000 0:1:2:3:4:5 > 6:7:8:9:a:b, ";
    const std::string link = "LINK:\t00:01:02:03:04:05 -> 06:07:08:09:0A:0B type=";
    struct Case {
        const char* name;
        std::string rest;       // the header line after the addresses
        std::string tagLines;   // what follows the link line
        int etherType;
        int tags;
    };
    const Case cases[] = {
        {"QinQ", "ethertype 802.1Q-QinQ (0x88a8), length 64: vlan 200, p 0, ethertype 802.1Q (0x8100), vlan 2001, "
                 "p 0, ethertype ARP (0x0806), Request who-has 172.21.79.100 tell 172.21.79.97, length 46",
         "802.1Q-QinQ\nVLAN:\tid=200 prio=0 DEI=0 type=802.1Q\nVLAN:\tid=2001 prio=0 DEI=0 type=ARP\n", 0x0806, 2},
        {"DeiAndPriority", "ethertype 802.1Q (0x8100), length 102: vlan 4094, p 7, DEI, ethertype IPv4 (0x0800), x",
         "802.1Q\nVLAN:\tid=4094 prio=7 DEI=1 type=IPv4\n", 0x0800, 1},
        {"ThreeTags9100", "ethertype 802.1Q-9100 (0x9100), length 70: vlan 1, p 1, ethertype 802.1Q-9200 (0x9200), "
                          "vlan 2, p 2, ethertype 802.1Q (0x8100), vlan 3, p 3, ethertype IPv6 (0x86dd), x",
         "802.1Q-9100\nVLAN:\tid=1 prio=1 DEI=0 type=802.1Q-9200\nVLAN:\tid=2 prio=2 DEI=0 type=802.1Q\n"
         "VLAN:\tid=3 prio=3 DEI=0 type=IPv6\n",
         0x86DD, 3},
        // An 802.3 length inside the tag: tcpdump names no type, -extended calls it 802.3.
        {"LengthInsideTheTag", "ethertype 802.1Q (0x8100), length 155: vlan 0, p 7, 802.3LLC, dsap STP (0x42)",
         "802.1Q\nVLAN:\tid=0 prio=7 DEI=0 type=802.3\n", 0, 1},
        // A tag before a type tcpdump calls Unknown: its number.
        {"UnknownTypeInsideTheTag", "ethertype 802.1Q (0x8100), length 64: vlan 5, p 0, ethertype Unknown (0x88b5), ",
         "802.1Q\nVLAN:\tid=5 prio=0 DEI=0 type=0x88B5\n", 0x88B5, 1},
        // A tag cut short by the capture: no tag, the tag type stays.
        {"CutTag", "ethertype 802.1Q (0x8100), length 18: [|vlan]", "802.1Q\n", 0x8100, 0},
        // Not a tag type: nothing more is read, whatever follows.
        {"NoTag", "ethertype IPv4 (0x0800), length 60: vlan 5, p 0, ethertype ARP (0x0806)", "IPv4\n", 0x0800, 0},
    };
    for (const Case& c : cases) {
        std::string shown = decode(head + c.rest + "\n");
        // The time line is not what is checked here.
        EXPECT_EQ(shown.substr(shown.find('\n') + 1), link + c.tagLines) << c.name;
        EXPECT_EQ(state.etherType, c.etherType) << c.name;
        EXPECT_EQ(state.vlanTags, c.tags) << c.name;
    }
}

// A type tcpdump calls Unknown, and an 802.3 length frame: -extended shows
// the number and "802.3", terse and verbose; without it, tcpdump's words.
TEST_F(HeaderLine, UnknownTypeAndLengthFrameUnderExtended) {
    const std::string unknown = "12:00:00.000000 0:1:2:3:4:5 > 6:7:8:9:a:b, ethertype Unknown (0x88b5), length 60: \n";
    const std::string length = "12:00:00.000000 0:1:2:3:4:5 > 6:7:8:9:a:b, 802.3, length 38: LLC, dsap STP (0x42)\n";
    const std::string link = "LINK:\t00:01:02:03:04:05 -> 06:07:08:09:0A:0B type=";
    auto linkLine = [&](const std::string& line) {
        std::string shown = decode(line);
        return shown.substr(shown.find('\n') + 1);
    };
    EXPECT_EQ(linkLine(unknown), link + "Unknown\n");
    EXPECT_EQ(linkLine(length), link + "<unknown>\n");
    options.extended = true;
    EXPECT_EQ(linkLine(unknown), link + "0x88B5\n");
    EXPECT_EQ(state.etherType, 0x88B5);
    EXPECT_EQ(linkLine(length), link + "802.3\n");
    options.verbose = true;
    EXPECT_NE(decode(unknown).find("\tEncapsulated Protocol:\t\t0x88B5 (Unknown)\n"), std::string::npos);
    EXPECT_NE(decode(length).find("\tEncapsulated Protocol:\t\t802.3\n"), std::string::npos);
}

TEST_F(HeaderLine, VlanTagsVerboseNoLinkAndWithoutExtended) {
    const std::string line = "12:00:00.000000 0:1:2:3:4:5 > 6:7:8:9:a:b, ethertype 802.1Q (0x8100), length 64: "
                             "vlan 7, p 5, DEI, ethertype IPv4 (0x0800), 10.0.0.1 > 10.0.0.2\n";
    // Without -extended the tag type is the type, and no tag is shown.
    EXPECT_EQ(decode(line), "TIME:\t12:00:00.000000\nLINK:\t00:01:02:03:04:05 -> 06:07:08:09:0A:0B type=802.1Q\n");
    EXPECT_EQ(state.etherType, 0x8100);
    EXPECT_EQ(state.vlanTags, 0);

    options.extended = true;
    options.verbose = true;
    EXPECT_EQ(decode(line),
              "\tTimestamp:\t\t\t12:00:00.000000 (0.000000)\n"
              "\tSource Ethernet Address:\t00:01:02:03:04:05\n"
              "\tDestination Ethernet Address:\t06:07:08:09:0A:0B\n"
              "\tEncapsulated Protocol:\t\t802.1Q\n"
              "VLAN Header\n"
              "\tPriority:\t\t\t5\n"
              "\tFlags:\t\t\t\tDEI=on\n"
              "\tVLAN ID:\t\t\t7\n"
              "\tEncapsulated Protocol:\t\t0x0800 (IPv4)\n");
    EXPECT_EQ(state.etherType, 0x0800);
    EXPECT_EQ(state.linkLength, 64u);

    // -noLink shows nothing, but the tags are still read.
    options.noLink = true;
    EXPECT_EQ(decode(line), "");
    EXPECT_EQ(state.etherType, 0x0800);
    EXPECT_EQ(state.vlanTags, 1);
}
}  // namespace

// 802.3 frames under -extended: the type shown and decoded, the frame count,
// and the LLC fields read from the line (the dump starts after them).
TEST_F(HeaderLine, Ieee8023Grammar) {
    options.extended = true;
    const std::string head = "12:00:00.000000 0:1:2:3:4:5 > 6:7:8:9:a:b, ";
    const std::string stp = "LLC, dsap STP (0x42) Individual, ssap STP (0x42) Command, ctrl 0x03: STP 802.1d";
    const std::string snap = "LLC, dsap SNAP (0xaa) Individual, ssap SNAP (0xaa) Command, ctrl 0x03: ";
    struct Case {
        const char* name;
        std::string rest;
        const char* typeName;
        int etherType;
        int frameCount;
        unsigned linkLength;
        bool llcRead;
        unsigned dsap;
        unsigned protocolId;
    };
    const Case cases[] = {
        {"Untagged", "802.3, length 38: " + stp, "802.3", 38, 38, 52, true, 0x42, 0},
        // SNAP with OUI 0 names an EtherType that is not the frame's type.
        {"SnapEthertype", "802.3, length 40: " + snap + "oui Ethernet (0x000000), ethertype IPv4 (0x0800), length 32: x",
         "802.3", 40, 40, 54, true, 0xAA, 0x0800},
        {"SnapPid", "802.3, length 39: " + snap + "oui Cisco (0x00000c), pid DTP (0x2004), length 31: DTPv1", "802.3",
         39, 39, 53, true, 0xAA, 0x2004},
        // No LLC phrase: raw IPX, or the LLC header cut short.
        {"RawIpx", "802.3, length 30: IPX 802.3: 00000000.00:00:00:00:00:00.0000 > x", "802.3", 30, 30, 44, false, 0,
         0},
        {"CutLlc", "802.3, length 38:  [|llc]", "802.3", 38, 38, 52, false, 0, 0},
        // Behind a tag the first length is the frame's: the count is what the header and tag leave.
        {"Tagged", "ethertype 802.1Q (0x8100), length 155: vlan 0, p 7, 802.3" + stp, "802.1Q", 0, 137, 155, true,
         0x42, 0},
        // An Ethernet II frame counts the same way.
        {"EthernetII", "ethertype MPLS unicast (0x8847), length 130: MPLS (label 16006, tc 0, [S], ttl 255) x",
         "MPLS unicast", 0x8847, 116, 130, false, 0, 0},
    };
    for (const Case& c : cases) {
        resetDecoderState();
        std::string shown = decode(head + c.rest + "\n");
        EXPECT_NE(shown.find(std::string("-> 06:07:08:09:0A:0B type=") + c.typeName + "\n"), std::string::npos)
            << c.name << ": " << shown;
        EXPECT_EQ(state.etherType, c.etherType) << c.name;
        EXPECT_EQ(state.frameCount, c.frameCount) << c.name;
        EXPECT_EQ(state.linkLength, c.linkLength) << c.name;
        EXPECT_EQ(state.outerLlcRead, c.llcRead) << c.name;
        if (!c.llcRead) continue;
        EXPECT_TRUE(state.outerLlcPending) << c.name;
        EXPECT_EQ(state.outerLlc.dsap, c.dsap) << c.name;
        EXPECT_EQ(state.outerLlc.protocolId, c.protocolId) << c.name;
    }
    // Without -extended an 802.3 frame is as it always was: tcpdump's first
    // "ethertype" phrase, the SNAP one included, is the frame's type.
    options.extended = false;
    resetDecoderState();
    std::string shown = decode(head + "802.3, length 40: " + snap +
                               "oui Ethernet (0x000000), ethertype IPv4 (0x0800), length 32: x\n");
    EXPECT_NE(shown.find("type=IPv4\n"), std::string::npos) << shown;
    EXPECT_EQ(state.etherType, 0x0800);
    EXPECT_FALSE(state.outerLlcPending);
    resetDecoderState();
    shown = decode(head + "802.3, length 38: " + stp + "\n");
    EXPECT_NE(shown.find("type=<unknown>\n"), std::string::npos) << shown;
    EXPECT_EQ(state.etherType, 0);
}
