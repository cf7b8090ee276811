// The routes a packet takes after its header line, through the real binary
// on cooked text: link-layer types and IPv4 protocols without a decoder,
// IP in IP, -pp, packets without data lines, and the spurious-data tail.

#include <gtest/gtest.h>

#include "decode/frame_text.h"
#include "support/run_binary.h"

namespace {
using namespace frame_text;

const std::string kNoDecode = "\t<*** No decode support for encapsulated protocol ***>\n";
const std::string kNoIpipDecode = "\t<*** No decode support for encap protocol in IPIP packet ***>\n";

// UDP 1024 -> 53 carrying "hello world!" in IPv4 10.0.0.1 -> 10.0.0.2 (40 bytes).
const std::string kUdpHex = "4500 0028 1234 0000 4011 beef 0a00 0001 0a00 0002 0400 0035 0014 cafe" +
                            textHex("hello world!");
const std::string kUdpTerse =
    "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=40 id=1234\n"
    "\tMF/DF=0/0 frag=0 TTL=64 proto=UDP cksum=BEEF\n"
    " UDP:\tport 1024 -> 53 hdr=8 data=12\n"
    "DATA:\thello world!\n";

// ---------------------------------------------------------------------------
// Link-layer types without a decoder.

struct LinkCase {
    const char* name;
    std::string headerLine;
    const char* typeName;   // as the link line shows it
};

class NoLinkDecoder : public ::testing::TestWithParam<LinkCase> {};

TEST_P(NoLinkDecoder, NoDecodeLineExceptInTheOneLineForm) {
    const LinkCase& c = GetParam();
    // The data is an IPv4 header: it must not be decoded as one.
    const std::string input = c.headerLine + dataLines(kUdpHex);
    EXPECT_EQ(decode({}, input), packet(1) + terseLink(c.typeName) + kNoDecode + kSeparator);
    EXPECT_EQ(decode({"-verbose"}, input), packet(1) + verboseLink(c.typeName) + kNoDecode + kSeparator);
    EXPECT_EQ(decode({"-minHdrDecode"}, input), packet(1) + kSeparator);
    EXPECT_EQ(decode({"-minHdrDecode", "-s"}, input), packet(1) + kSeparator);
    // Under -s nothing of the data is shown as spurious either.
    EXPECT_EQ(decode({"-s"}, input), packet(1) + terseLink(c.typeName) + kNoDecode + kSeparator);
}

INSTANTIATE_TEST_SUITE_P(
    Dispatch, NoLinkDecoder,
    ::testing::Values(
        LinkCase{"IPv6", headerLine("IPv6 (0x86dd)", 54), "IPv6"},
        LinkCase{"Vlan", headerLine("802.1Q (0x8100)", 58), "802.1Q"},
        LinkCase{"UnknownNumber", headerLine("Unknown (0x1234)", 54), "Unknown"},
        // No "ethertype " at all (an 802.3 frame): type 0.
        LinkCase{"NoEthertype",
                 "12:00:00.000000 00:11:22:33:44:55 > 66:77:88:99:aa:bb, 802.3, length 54: LLC, dsap Null\n",
                 "<unknown>"},
        // Plain layout with a type other than 0800, 0806, 8035.
        LinkCase{"PlainLayout", "12:00:00.000000 0:11:22:33:44:55 66:77:88:99:aa:bb 86dd 54:\n", "86dd"}),
    [](const ::testing::TestParamInfo<LinkCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// IPv4 protocols without a decoder: the no-decode line in every form.

struct ProtocolCase {
    int protocol;
    const char* name;   // protoName
};

class NoProtocolDecoder : public ::testing::TestWithParam<ProtocolCase> {};

TEST_P(NoProtocolDecoder, NoDecodeLineAlways) {
    const ProtocolCase& c = GetParam();
    char protocol[4];
    std::snprintf(protocol, sizeof protocol, "%02x", c.protocol);
    const std::string input = ipFrame("4500 001c 0042 0000 40" + std::string(protocol) +
                                      "beef 0a00 0001 0a00 0002 1100 eeff e000 0001");
    EXPECT_EQ(decode({"-noLink"}, input),
              packet(1) +
                  "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=28 id=0042\n"
                  "\tMF/DF=0/0 frag=0 TTL=64 proto=" + c.name + " cksum=BEEF\n" +
                  kNoDecode + kSeparator);
    EXPECT_EQ(decode({"-noLink", "-noIp"}, input), packet(1) + kNoDecode + kSeparator);
    EXPECT_EQ(decode({"-minHdrDecode"}, input), packet(1) + kNoDecode + kSeparator);
    EXPECT_EQ(decode({"-minHdrDecode", "-s"}, input), packet(1) + kNoDecode + kSeparator);
}

INSTANTIATE_TEST_SUITE_P(Dispatch, NoProtocolDecoder,
                         ::testing::Values(ProtocolCase{0, "IP"}, ProtocolCase{2, "IGMP"},
                                           ProtocolCase{4, "IPENCAP"}, ProtocolCase{41, "<unknown>"},
                                           ProtocolCase{89, "OSPF"}, ProtocolCase{255, "<unknown>"}),
                         [](const ::testing::TestParamInfo<ProtocolCase>& info) {
                             return "Protocol" + std::to_string(info.param.protocol);
                         });

TEST(Dispatch, NoProtocolDecoderInTheVerboseForm) {
    const std::string input = ipFrame("4500 001c 0042 0000 4002 beef 0a00 0001 0a00 0002 1100 eeff e000 0001");
    EXPECT_EQ(decode({"-verbose", "-noLink"}, input),
              packet(1) +
                  "IP Header\n"
                  "\tVersion:\t\t\t4\n"
                  "\tHeader Length:\t\t\t20 bytes\n"
                  "\tService Type:\t\t\t0x00\n"
                  "\tDatagram Length:\t\t28 bytes\n"
                  "\tIdentification:\t\t\t0x0042\n"
                  "\tFlags:\t\t\t\tMF=off, DF=off\n"
                  "\tFragment Offset:\t\t0\n"
                  "\tTTL:\t\t\t\t64\n"
                  "\tEncapsulated Protocol:\t\tIGMP\n"
                  "\tHeader Checksum:\t\t0xBEEF\n"
                  "\tSource IP Address:\t\t10.0.0.1\n"
                  "\tDestination IP Address:\t\t10.0.0.2\n" +
                  kNoDecode + kSeparator);
}

// ---------------------------------------------------------------------------
// IP in IP: outer 192.168.1.1 -> 192.168.1.2, protocol 94, then an inner
// datagram 10.1.1.1 -> 10.2.2.2.

std::string outerHex(const std::string& totalLength) {
    return "4500 " + totalLength + " 0002 0000 405e beef c0a8 0101 c0a8 0102 ";
}
std::string outerTerse(int datagramLength) {
    return "  IP:\t192.168.1.1 -> 192.168.1.2 hlen=20 TOS=00 dgramlen=" + std::to_string(datagramLength) +
           " id=0002\n\tMF/DF=0/0 frag=0 TTL=64 proto=IPIP cksum=BEEF\n";
}
std::string innerTerse(int datagramLength, const std::string& protocol) {
    return "  IP:\t10.1.1.1 -> 10.2.2.2 hlen=20 TOS=00 dgramlen=" + std::to_string(datagramLength) +
           " id=0003\n\tMF/DF=0/0 frag=0 TTL=64 proto=" + protocol + " cksum=ABCD\n";
}

const std::string kInnerUdp = "4500 0021 0003 0000 4011 abcd 0a01 0101 0a02 0202 1388 0035 000d 0000" + textHex("query");
const std::string kInnerIcmp = "4500 0020 0003 0000 4001 abcd 0a01 0101 0a02 0202 0800 1f2e 4142 4344" + textHex("ping");
const std::string kInnerTcp =
    "4500 0028 0003 0000 4006 abcd 0a01 0101 0a02 0202 0401 0050 0000 0001 0000 0000 5002 2000 0000 0000";

// One level of IP in IP: the inner datagram is decoded by its own protocol,
// link lines off; the one-line form names the inner datagram's hosts.
struct InnerCase {
    const char* name;
    std::string hex;            // outer header and inner datagram
    int outerLength, innerLength;
    const char* protocol;       // the inner header's protocol name
    std::string terse;          // after the two IPv4 displays
    std::string oneLine;
};

// Test logs name the row rather than dumping its bytes.
void PrintTo(const InnerCase& c, std::ostream* out) { *out << c.name; }

class IpInIp : public ::testing::TestWithParam<InnerCase> {};

TEST_P(IpInIp, CarriesTheInnerProtocol) {
    const InnerCase& c = GetParam();
    const std::string input = ipFrame(c.hex);
    EXPECT_EQ(decode({"-noLink"}, input),
              packet(1) + outerTerse(c.outerLength) + innerTerse(c.innerLength, c.protocol) + c.terse + kSeparator);
    EXPECT_EQ(decode({"-minHdrDecode"}, input), packet(1) + c.oneLine + kSeparator);
}

INSTANTIATE_TEST_SUITE_P(
    Dispatch, IpInIp,
    ::testing::Values(
        // The inner count (13 after its header) is what the UDP length is checked against.
        InnerCase{"Udp", outerHex("0035") + kInnerUdp, 53, 33, "UDP",
                  " UDP:\tport 5000 -> 53 hdr=8 data=5\n"
                  "DATA:\tquery\n",
                  "10.1.1.1.5000 -> 10.2.2.2.53 over UDP\n\tquery\n"},
        InnerCase{"Icmp", outerHex("0034") + kInnerIcmp, 52, 32, "ICMP",
                  "ICMP:\techo-request cksum=1F2E\n"
                  "DATA:\tABCDping\n",
                  "10.1.1.1 -> 10.2.2.2 ICMP echo-request\n\tABCDping\n"},
        InnerCase{"Tcp", outerHex("003c") + kInnerTcp, 60, 40, "TCP",
                  " TCP:\tport 1025 -> 80 seq=0000000001 ack=0000000000\n"
                  "\thlen=20 (data=0) UAPRSF=000010 wnd=8192 cksum=0000 urg=0\n"
                  "DATA:\t<No data>\n",
                  "10.1.1.1.1025 -> 10.2.2.2.80 over TCP\n\t<No data>\n"}),
    [](const ::testing::TestParamInfo<InnerCase>& info) { return std::string(info.param.name); });

TEST(Dispatch, IpInIpVerboseShowsBothHeaders) {
    const std::string input = ipFrame(outerHex("0035") + kInnerUdp);
    EXPECT_EQ(decode({"-noLink", "-verbose"}, input),
              packet(1) +
                  "IP Header\n"
                  "\tVersion:\t\t\t4\n"
                  "\tHeader Length:\t\t\t20 bytes\n"
                  "\tService Type:\t\t\t0x00\n"
                  "\tDatagram Length:\t\t53 bytes\n"
                  "\tIdentification:\t\t\t0x0002\n"
                  "\tFlags:\t\t\t\tMF=off, DF=off\n"
                  "\tFragment Offset:\t\t0\n"
                  "\tTTL:\t\t\t\t64\n"
                  "\tEncapsulated Protocol:\t\tIPIP\n"
                  "\tHeader Checksum:\t\t0xBEEF\n"
                  "\tSource IP Address:\t\t192.168.1.1\n"
                  "\tDestination IP Address:\t\t192.168.1.2\n"
                  "IP Header\n"
                  "\tVersion:\t\t\t4\n"
                  "\tHeader Length:\t\t\t20 bytes\n"
                  "\tService Type:\t\t\t0x00\n"
                  "\tDatagram Length:\t\t33 bytes\n"
                  "\tIdentification:\t\t\t0x0003\n"
                  "\tFlags:\t\t\t\tMF=off, DF=off\n"
                  "\tFragment Offset:\t\t0\n"
                  "\tTTL:\t\t\t\t64\n"
                  "\tEncapsulated Protocol:\t\tUDP\n"
                  "\tHeader Checksum:\t\t0xABCD\n"
                  "\tSource IP Address:\t\t10.1.1.1\n"
                  "\tDestination IP Address:\t\t10.2.2.2\n"
                  "UDP Header\n"
                  "\tSource Port:\t\t\t5000\n"
                  "\tDestination Port:\t\t53\n"
                  "\tDatagram Length:\t\t13 bytes (Header=8, Data=5)\n"
                  "\tChecksum:\t\t\t0x0000\n"
                  "UDP Data\n"
                  "\tquery\n" +
                  kSeparator);
}

// Only one level of nesting is decoded; other inner protocols get the IP-in-IP line.
TEST(Dispatch, IpInIpCarryingIpInIpOrOtherProtocols) {
    const std::string nested = "4500 0035 0003 0000 405e abcd 0a01 0101 0a02 0202 " + kInnerUdp;
    const std::string input = ipFrame(outerHex("0049") + nested);
    EXPECT_EQ(decode({"-noLink"}, input), packet(1) + outerTerse(73) + innerTerse(53, "IPIP") + kNoIpipDecode + kSeparator);
    EXPECT_EQ(decode({"-noLink", "-s"}, input),
              packet(1) + outerTerse(73) + innerTerse(53, "IPIP") + kNoIpipDecode + kSeparator);
    EXPECT_EQ(decode({"-minHdrDecode"}, input), packet(1) + kNoIpipDecode + kSeparator);

    const std::string igmp = "4500 001c 0003 0000 4002 abcd 0a01 0101 0a02 0202 1100 eeff e000 0001";
    EXPECT_EQ(decode({"-noLink"}, ipFrame(outerHex("0030") + igmp)),
              packet(1) + outerTerse(48) + innerTerse(28, "IGMP") + kNoIpipDecode + kSeparator);
    EXPECT_EQ(decode({"-minHdrDecode"}, ipFrame(outerHex("0030") + igmp)), packet(1) + kNoIpipDecode + kSeparator);
}

// The inner header is decoded as any IPv4 header: one that is not version 4
// ends the packet after the outer header's lines.
TEST(Dispatch, IpInIpWithAnInnerHeaderThatIsNotVersion4) {
    const std::string input = ipFrame(outerHex("0030") + "6000 0000 0008 1140 0000 0000 0000 0000 0000 0000 0000 0001");
    EXPECT_EQ(decode({"-noLink"}, input), packet(1) + outerTerse(48) + "IP:\tnot v4\n" + kSeparator);
    EXPECT_EQ(decode({"-minHdrDecode"}, input), packet(1) + "IP:\tnot v4\n" + kSeparator);
}

// The plain layout's type numbers choose the same routes as the arrow layout's.
TEST(Dispatch, PlainLayoutTypeNumbersChooseTheRoute) {
    const std::string arpBody = "0001 0800 0604 0001 0011 2233 4455 c0a8 0001 0000 0000 0000 c0a8 0002";
    const std::string arpLines =
        "hlen=6 plen=4 op=request\n"
        "\tsender-MAC-addr=00:11:22:33:44:55 sender-IP-address=192.168.0.1\n"
        "\ttarget-MAC-addr=00:00:00:00:00:00 target-IP-address=192.168.0.2\n";
    const std::string input = "12:00:00.000000 0:11:22:33:44:55 ff:ff:ff:ff:ff:ff 0806 60:\n" + dataLines(arpBody) +
                              "12:00:00.000000 0:11:22:33:44:55 ff:ff:ff:ff:ff:ff 8035 60:\n" + dataLines(arpBody) +
                              "12:00:00.000000 0:11:22:33:44:55 66:77:88:99:aa:bb 0800 54:\n" + dataLines(kUdpHex);
    EXPECT_EQ(decode({}, input),
              packet(1) + "TIME:\t12:00:00.000000\nLINK:\t00:11:22:33:44:55 -> FF:FF:FF:FF:FF:FF type=ARP\n" +
                  "ARP:\thtype=Ethernet ptype=IP " + arpLines + "\n" + packet(2) +
                  "TIME:\t12:00:00.000000 (0.000000)\nLINK:\t00:11:22:33:44:55 -> FF:FF:FF:FF:FF:FF type=RARP\n" +
                  "RARP:\thtype=Ethernet ptype=IP " + "hlen=6 plen=4 op=response\n" + arpLines.substr(arpLines.find('\n') + 1) +
                  "\n" + packet(3) +
                  "TIME:\t12:00:00.000000 (0.000000)\nLINK:\t00:11:22:33:44:55 -> 66:77:88:99:AA:BB type=IP\n" +
                  kUdpTerse + kSeparator);
}

// ---------------------------------------------------------------------------
// -pp: every packet takes the IPv4 route, whatever its header line says.

TEST(Dispatch, PointToPointTakesTheIpv4RouteForEveryPacket) {
    const std::string arpBody = "0001 0800 0604 0001 0011 2233 4455 c0a8 0001 0000 0000 0000 c0a8 0002";
    const std::string input = arpFrame(arpBody) +
                              headerLine("IPv6 (0x86dd)", 54, "12:00:00.500000") + dataLines(kUdpHex) +
                              "12:00:01.000000 IP 10.0.0.1.1024 > 10.0.0.2.53: UDP, length 12\n" +
                              dataLines(kUdpHex);
    EXPECT_EQ(decode({"-pp"}, input),
              packet(1) + "TIME:\t12:00:00.000000\nIP:\tnot v4\n\n" +   //
                  packet(2) + "TIME:\t12:00:00.500000 (0.500000)\n" + kUdpTerse + "\n" +
                  packet(3) + "TIME:\t12:00:01.000000 (0.500000)\n" + kUdpTerse + kSeparator);
    EXPECT_EQ(decode({"-pp", "-minHdrDecode"}, input),
              packet(1) + "IP:\tnot v4\n\n" +   //
                  packet(2) + "10.0.0.1.1024 -> 10.0.0.2.53 over UDP\n\thello world!\n\n" +
                  packet(3) + "10.0.0.1.1024 -> 10.0.0.2.53 over UDP\n\thello world!\n" + kSeparator);
}

// ---------------------------------------------------------------------------
// Packets without data lines.

TEST(Dispatch, HeaderLineFollowedByTheNextHeaderLine) {
    const std::string input = headerLine("IPv4 (0x0800)", 54) + arpFrame("", "12:00:00.500000") +
                              ipFrame(kUdpHex, "12:00:01.000000");
    EXPECT_EQ(decode({"-s"}, input),
              packet(1) + terseLink("IPv4") + "\n" + packet(2) +
                  "TIME:\t12:00:00.500000 (0.500000)\nLINK:\t00:11:22:33:44:55 -> FF:FF:FF:FF:FF:FF type=ARP\n\n" +
                  packet(3) + "TIME:\t12:00:01.000000 (0.500000)\n" +
                  "LINK:\t00:11:22:33:44:55 -> 66:77:88:99:AA:BB type=IPv4\n" + kUdpTerse + kSeparator);
    EXPECT_EQ(decode({"-minHdrDecode"}, input),
              packet(1) + "\n" + packet(2) + "\n" + packet(3) +
                  "10.0.0.1.1024 -> 10.0.0.2.53 over UDP\n\thello world!\n" + kSeparator);
}

// A packet cut short while data was expected gets the missing-data line; the
// count starts afresh with every packet, so the packets after it do not,
// neither one without data lines nor an ARP packet whose tail meets the next
// header line.
TEST(Dispatch, MissingDataCountDoesNotCarryOver) {
    const std::string cut = ipFrame("4500 0028 1234 0000 4011 beef 0a00 0001 0a00 0002 0400 0035 0014 cafe 6865");
    const std::string arpBody = "0001 0800 0604 0001 0011 2233 4455 c0a8 0001 0000 0000 0000 c0a8 0002";
    // The ARP body on one data line of its own: its tail fetches the next header line.
    const std::string arpOneLine = headerLine("ARP (0x0806)", 42, "12:00:00.000000", "ff:ff:ff:ff:ff:ff") + "\t" +
                                   arpBody + "\n";
    const std::string missing = "\n\t<*** Rest of data missing from packet dump ***>\n";
    const std::string udpCut =
        "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=40 id=1234\n"
        "\tMF/DF=0/0 frag=0 TTL=64 proto=UDP cksum=BEEF\n"
        " UDP:\tport 1024 -> 53 hdr=8 data=12\n"
        "DATA:\the\n";
    const std::string arpTerse =
        "ARP:\thtype=Ethernet ptype=IP hlen=6 plen=4 op=request\n"
        "\tsender-MAC-addr=00:11:22:33:44:55 sender-IP-address=192.168.0.1\n"
        "\ttarget-MAC-addr=00:00:00:00:00:00 target-IP-address=192.168.0.2\n";

    EXPECT_EQ(decode({"-noLink"}, cut + headerLine("IPv4 (0x0800)", 54) + ipFrame(kUdpHex)),
              packet(1) + udpCut + missing + packet(2) + "\n" + packet(3) + kUdpTerse + kSeparator);
    EXPECT_EQ(decode({"-noLink", "-s"}, cut + arpOneLine + ipFrame(kUdpHex)),
              packet(1) + udpCut + missing + packet(2) + arpTerse + "\n" + packet(3) + kUdpTerse + kSeparator);
}

// ---------------------------------------------------------------------------
// The spurious-data tail on the IPv4 route.

TEST(Dispatch, SpuriousDataIsTheRestOfTheCurrentText) {
    // Two fill bytes after the 40-byte datagram, on its third data line.
    const std::string input = ipFrame(kUdpHex + "0000 a1b2") + ipFrame(kUdpHex, "12:00:00.500000");
    EXPECT_EQ(decode({"-noLink", "-s"}, input),
              packet(1) + kUdpTerse + "\t<*** Spurious data at end: \"0000a1b2\" ***>\n\n" + packet(2) + kUdpTerse +
                  kSeparator);
    EXPECT_EQ(decode({"-noLink"}, input), packet(1) + kUdpTerse + "\n" + packet(2) + kUdpTerse + kSeparator);
}

TEST(Dispatch, SpuriousDataIsTheWholeNextTextWhenThePayloadEndsALine) {
    // The datagram fills its two lines exactly (32 bytes); two more lines follow.
    const std::string datagram = "4500 0020 1234 0000 4011 beef 0a00 0001 0a00 0002 0400 0035 000c cafe 6162 6364";
    const std::string input = ipFrame(datagram + "0102 0304 0506 0708 090a 0b0c 0d0e 0f10 1112");
    const std::string terse =
        "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=32 id=1234\n"
        "\tMF/DF=0/0 frag=0 TTL=64 proto=UDP cksum=BEEF\n"
        " UDP:\tport 1024 -> 53 hdr=8 data=4\n"
        "DATA:\tabcd\n";
    EXPECT_EQ(decode({"-noLink", "-s"}, input),
              packet(1) + terse + "\t<*** Spurious data at end: \"0102030405060708090a0b0c0d0e0f10\" ***>\n" + kSeparator);
    EXPECT_EQ(decode({"-noLink"}, input), packet(1) + terse + kSeparator);
    EXPECT_EQ(decode({"-minHdrDecode", "-s"}, input),
              packet(1) + "10.0.0.1.1024 -> 10.0.0.2.53 over UDP\n\tabcd\n" +
                  "\t<*** Spurious data at end: \"0102030405060708090a0b0c0d0e0f10\" ***>\n" + kSeparator);
}

TEST(Dispatch, NoSpuriousLineWhenTheNextHeaderLineFollows) {
    const std::string input = ipFrame(kUdpHex) + ipFrame(kUdpHex, "12:00:00.500000");
    EXPECT_EQ(decode({"-noLink", "-s"}, input), packet(1) + kUdpTerse + "\n" + packet(2) + kUdpTerse + kSeparator);
}

}  // namespace

// ---------------------------------------------------------------------------
// -extended: later fragments, and -pp's choice of IPv6.

namespace {
// The UDP datagram of kUdpHex as a fragment at offset 185 (flags 00b9).
const std::string kLaterFragmentHex = "4500 0028 1234 00b9 4011 beef 0a00 0001 0a00 0002 0400 0035 0014 cafe" +
                                      textHex("hello world!");
}  // namespace

// A later fragment's bytes are never read as a transport header, with or
// without -extended: the one-line form names the fragment, the others show
// the bytes as fragment data.
TEST(Dispatch, LaterIpv4FragmentIsDataNotATransportHeader) {
    const std::string input = ipFrame(kLaterFragmentHex);
    for (const char* extended : {"-noPortNames", "-extended"}) {
        EXPECT_EQ(decode({"-minHdrDecode", extended}, input),
                  packet(1) + "10.0.0.1 -> 10.0.0.2 UDP fragment at offset 185\n\t...5....hello world!\n" +
                      kSeparator)
            << extended;
        EXPECT_EQ(decode({"-verbose", "-noLink", "-noIp", extended}, input),
                  packet(1) + "Fragment Data\n\t...5....hello world!\n" + kSeparator)
            << extended;
        EXPECT_EQ(decode({"-noLink", "-noIp", extended}, input),
                  packet(1) + "DATA:\t...5....hello world!\n" + kSeparator)
            << extended;
    }
}

// Protocol 44 has no decoder over IPv4: -extended names the number and shows
// the bytes as data (without it, the plain no-decode line).
TEST(DispatchExtended, ProtocolFragmentInAnUnfragmentedDatagramHasNoDecoder) {
    const std::string input = ipFrame("4500 001c 0042 0000 402c beef 0a00 0001 0a00 0002 1100 eeff e000 0001");
    EXPECT_EQ(decode({"-minHdrDecode", "-extended"}, input),
              packet(1) + "10.0.0.1 -> 10.0.0.2 over protocol 44\n"
                          "\t<*** No decode support for encapsulated protocol 44 ***>\n\t........\n" + kSeparator);
    EXPECT_EQ(decode({"-minHdrDecode"}, input), packet(1) + kNoDecode + kSeparator);
}

TEST(DispatchExtended, PointToPointTakesTheIpv6RouteForADigit6) {
    const std::string udp6 = "6000 0000 000a 1140 2001 0db8 0000 0000 0000 0000 0000 0001 "
                             "2001 0db8 0000 0000 0000 0000 0000 0002 0400 0035 000a 0000 6869";
    const std::string input = "12:00:00.000000 IP6 2001:db8::1.1024 > 2001:db8::2.53: UDP, length 2\n" +
                              dataLines(udp6) + "12:00:01.000000 IP 10.0.0.1.1024 > 10.0.0.2.53: UDP, length 12\n" +
                              dataLines(kUdpHex);
    EXPECT_EQ(decode({"-pp", "-minHdrDecode", "-extended"}, input),
              packet(1) + "[2001:db8::1].1024 -> [2001:db8::2].53 over UDP\n\thi\n\n" + packet(2) +
                  "10.0.0.1.1024 -> 10.0.0.2.53 over UDP\n\thello world!\n" + kSeparator);
    // Without -extended the IPv6 packet is read as IPv4.
    EXPECT_EQ(decode({"-pp", "-minHdrDecode"}, input),
              packet(1) + "IP:\tnot v4\n\n" + packet(2) + "10.0.0.1.1024 -> 10.0.0.2.53 over UDP\n\thello world!\n" +
                  kSeparator);
}
