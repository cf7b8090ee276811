// UDP datagrams through the real binary on cooked text: the three display
// forms, the check of the UDP length against the bytes after the IPv4 header,
// and the data count it hands on to the payload display.

#include <gtest/gtest.h>
#include <netdb.h>
#include <netinet/in.h>

#include "decode/frame_text.h"
#include "support/run_binary.h"

namespace {
using namespace frame_text;

// IPv4 10.0.0.1 -> 10.0.0.2, id 0x1234, TTL 64, protocol 17, checksum 0xbeef;
// the total length is spliced in between.
std::string ipHex(const std::string& totalLength) {
    return "4500 " + totalLength + " 1234 0000 4011 beef 0a00 0001 0a00 0002";
}

std::string terseIp(int datagramLength) {
    return "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=" + std::to_string(datagramLength) +
           " id=1234\n\tMF/DF=0/0 frag=0 TTL=64 proto=UDP cksum=BEEF\n";
}

std::string verboseIp(int datagramLength) {
    return "IP Header\n"
           "\tVersion:\t\t\t4\n"
           "\tHeader Length:\t\t\t20 bytes\n"
           "\tService Type:\t\t\t0x00\n"
           "\tDatagram Length:\t\t" + std::to_string(datagramLength) + " bytes\n"
           "\tIdentification:\t\t\t0x1234\n"
           "\tFlags:\t\t\t\tMF=off, DF=off\n"
           "\tFragment Offset:\t\t0\n"
           "\tTTL:\t\t\t\t64\n"
           "\tEncapsulated Protocol:\t\tUDP\n"
           "\tHeader Checksum:\t\t0xBEEF\n"
           "\tSource IP Address:\t\t10.0.0.1\n"
           "\tDestination IP Address:\t\t10.0.0.2\n";
}

// 1024 -> 53, length 20, checksum 0xcafe, then the 12 bytes "hello world!".
const std::string kHelloDatagram = ipHex("0028") + "0400 0035 0014 cafe" + textHex("hello world!");

TEST(UdpDecode, TerseForm) {
    EXPECT_EQ(decode({}, ipFrame(kHelloDatagram)),
              packet(1) + terseLink("IPv4") + terseIp(40) +
                  " UDP:\tport 1024 -> 53 hdr=8 data=12\n"
                  "DATA:\thello world!\n" +
                  kSeparator);
}

TEST(UdpDecode, VerboseForm) {
    EXPECT_EQ(decode({"-verbose"}, ipFrame(kHelloDatagram)),
              packet(1) + verboseLink("IPv4") + verboseIp(40) +
                  "UDP Header\n"
                  "\tSource Port:\t\t\t1024\n"
                  "\tDestination Port:\t\t53\n"
                  "\tDatagram Length:\t\t20 bytes (Header=8, Data=12)\n"
                  "\tChecksum:\t\t\t0xCAFE\n"
                  "UDP Data\n"
                  "\thello world!\n" +
                  kSeparator);
}

TEST(UdpDecode, OneLineForm) {
    const std::string expected = packet(1) +
                                 "10.0.0.1.1024 -> 10.0.0.2.53 over UDP\n"
                                 "\thello world!\n" +
                                 kSeparator;
    EXPECT_EQ(decode({"-minHdrDecode"}, ipFrame(kHelloDatagram)), expected);
    // -minHdrDecode outranks -verbose, in either order.
    EXPECT_EQ(decode({"-minHdrDecode", "-verbose"}, ipFrame(kHelloDatagram)), expected);
    EXPECT_EQ(decode({"-verbose", "-minHdrDecode"}, ipFrame(kHelloDatagram)), expected);
}

// The length check and the data count, terse form without link lines.
struct LengthCase {
    const char* name;
    std::string hex;          // IPv4 header, UDP header and whatever follows
    std::string expected;     // everything after "Packet 1"
};

class UdpLength : public ::testing::TestWithParam<LengthCase> {};

TEST_P(UdpLength, TerseDisplay) {
    const LengthCase& c = GetParam();
    EXPECT_EQ(decode({"-noLink"}, ipFrame(c.hex)), packet(1) + c.expected + kSeparator);
    // Under -s the corrupt datagram's leftover bytes are still not shown.
    EXPECT_EQ(decode({"-noLink", "-s"}, ipFrame(c.hex)), packet(1) + c.expected + kSeparator);
}

const std::string kCorrupt = "\t<*** Packet length corrupt ***>\n";
const std::string kMissing = "\n\t<*** Rest of data missing from packet dump ***>\n";

INSTANTIATE_TEST_SUITE_P(
    Udp, UdpLength,
    ::testing::Values(
        // Length 8 and exactly 8 bytes after the IPv4 header: no data.
        LengthCase{"EightBytesNoData", ipHex("001c") + "0400 0035 0008 0000",
                   terseIp(28) + " UDP:\tport 1024 -> 53 hdr=8 data=0\nDATA:\t<No data>\n"},
        // Length 4, and the IPv4 header leaves 4: shorter than the UDP header
        // itself, so no count of -4 is ever shown.
        LengthCase{"FourMatchesDataLeft", ipHex("0018") + "0400 0035 0004 0000", terseIp(24) + kCorrupt},
        // Length 100 with 120 bytes after the IPv4 header.
        LengthCase{"HundredWith120Bytes", ipHex("008c") + "0400 0035 0064 0000" + std::string(224, 'a'),
                   terseIp(140) + kCorrupt},
        // Length 100 with 80 bytes after the IPv4 header.
        LengthCase{"HundredWith80Bytes", ipHex("0064") + "0400 0035 0064 0000" + std::string(144, 'b'),
                   terseIp(100) + kCorrupt},
        // 32768 bytes after the IPv4 header, and 40008: counted in full, so
        // they match; the dump ends after the UDP header.
        LengthCase{"Length32768", ipHex("8014") + "0400 0035 8000 0000",
                   terseIp(32788) + " UDP:\tport 1024 -> 53 hdr=8 data=32760\nDATA:\t\n" + kMissing},
        LengthCase{"Length40008", ipHex("9c5c") + "0400 0035 9c48 0000",
                   terseIp(40028) + " UDP:\tport 1024 -> 53 hdr=8 data=40000\nDATA:\t\n" + kMissing},
        // A total length below the IPv4 header length: negative count, no match.
        LengthCase{"NegativeCount", ipHex("0010") + "0400 0035 fffc 0000", terseIp(16) + kCorrupt},
        // The first fragment of a bigger datagram: its UDP length, 1008, covers
        // the whole datagram, not the 20 bytes here, so it is not matched; the
        // data is this fragment's 12 bytes.
        LengthCase{"FirstFragment", "4500 0028 1234 2000 4011 beef 0a00 0001 0a00 0002 0400 0035 03f0 0000" +
                                        textHex("fragment-one"),
                   "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=40 id=1234\n"
                   "\tMF/DF=1/0 frag=0 TTL=64 proto=UDP cksum=BEEF\n"
                   " UDP:\tport 1024 -> 53 hdr=8 data=12\n"
                   "DATA:\tfragment-one\n"}),
    [](const ::testing::TestParamInfo<LengthCase>& info) { return std::string(info.param.name); });

TEST(UdpDecode, CorruptLengthInEveryForm) {
    const std::string input = ipFrame(ipHex("0064") + "0400 0035 0064 0000" + std::string(144, 'b'));
    EXPECT_EQ(decode({"-verbose"}, input), packet(1) + verboseLink("IPv4") + verboseIp(100) + kCorrupt + kSeparator);
    // The one-line form shows no IPv4 lines, only the notice.
    EXPECT_EQ(decode({"-minHdrDecode"}, input), packet(1) + kCorrupt + kSeparator);
}

TEST(UdpDecode, CorruptPacketEndsAndTheNextOneIsDecoded) {
    const std::string input = ipFrame(ipHex("0064") + "0400 0035 0064 0000" + std::string(144, 'b')) +
                              ipFrame(kHelloDatagram, "12:00:00.500000");
    EXPECT_EQ(decode({"-noLink"}, input),
              packet(1) + terseIp(100) + kCorrupt + "\n" + packet(2) + terseIp(40) +
                  " UDP:\tport 1024 -> 53 hdr=8 data=12\nDATA:\thello world!\n" + kSeparator);
}

// Datagrams whose length field leaves no data, in the verbose and one-line
// forms (and the terse one where a row gives it), link lines off.
struct FormsCase {
    const char* name;
    std::string hex;        // IPv4 header and UDP header
    int datagramLength;     // as the IPv4 display shows it
    std::string terseUdp;   // after the IPv4 lines; "" when the row does not check the terse form
    std::string verboseUdp;
    std::string oneLine;
};

// Test logs name the row rather than dumping its bytes.
void PrintTo(const FormsCase& c, std::ostream* out) { *out << c.name; }

class UdpForms : public ::testing::TestWithParam<FormsCase> {};

TEST_P(UdpForms, VerboseAndOneLine) {
    const FormsCase& c = GetParam();
    const std::string input = ipFrame(c.hex);
    if (!c.terseUdp.empty()) {
        EXPECT_EQ(decode({"-noLink"}, input), packet(1) + terseIp(c.datagramLength) + c.terseUdp + kSeparator);
    }
    EXPECT_EQ(decode({"-minHdrDecode"}, input), packet(1) + c.oneLine + kSeparator);
    EXPECT_EQ(decode({"-verbose", "-noLink"}, input),
              packet(1) + verboseIp(c.datagramLength) + c.verboseUdp + kSeparator);
}

INSTANTIATE_TEST_SUITE_P(
    Udp, UdpForms,
    ::testing::Values(
        // Length 4 and 4 bytes after the IPv4 header: shorter than the UDP
        // header itself, corrupt in every form.
        FormsCase{"LengthFourMatching", ipHex("0018") + "0400 0035 0004 0000", 24, "", kCorrupt, kCorrupt},
        FormsCase{"LengthEight", ipHex("001c") + "0400 0035 0008 1111", 28, "",
                  "UDP Header\n"
                  "\tSource Port:\t\t\t1024\n"
                  "\tDestination Port:\t\t53\n"
                  "\tDatagram Length:\t\t8 bytes (Header=8, Data=0)\n"
                  "\tChecksum:\t\t\t0x1111\n"
                  "UDP Data\n"
                  "\t<No data>\n",
                  "10.0.0.1.1024 -> 10.0.0.2.53 over UDP\n\t<No data>\n"},
        // 123 (ntp) -> 53 (domain) under -noPortNames: numbers in the terse and
        // one-line forms, no parenthesised names in the verbose form.
        FormsCase{"NoPortNamesShowsNumbersForWellKnownPorts", ipHex("001c") + "007b 0035 0008 0000", 28,
                  " UDP:\tport 123 -> 53 hdr=8 data=0\nDATA:\t<No data>\n",
                  "UDP Header\n"
                  "\tSource Port:\t\t\t123\n"
                  "\tDestination Port:\t\t53\n"
                  "\tDatagram Length:\t\t8 bytes (Header=8, Data=0)\n"
                  "\tChecksum:\t\t\t0x0000\n"
                  "UDP Data\n"
                  "\t<No data>\n",
                  "10.0.0.1.123 -> 10.0.0.2.53 over UDP\n\t<No data>\n"}),
    [](const ::testing::TestParamInfo<FormsCase>& info) { return std::string(info.param.name); });

// 32767 bytes after the IPv4 header is the largest datagram that passes; the
// dump holds only two of its data bytes, so the next packet cuts it short.
TEST(UdpDecode, LargestPassingLengthThenCutShort) {
    const std::string input = ipFrame(ipHex("8013") + "0400 0035 7fff 0000" + textHex("ab")) +
                              ipFrame(kHelloDatagram, "12:00:00.500000");
    EXPECT_EQ(decode({"-noLink"}, input),
              packet(1) + terseIp(32787) + " UDP:\tport 1024 -> 53 hdr=8 data=32759\nDATA:\tab\n" +
                  "\n\t<*** Rest of data missing from packet dump ***>\n" + packet(2) + terseIp(40) +
                  " UDP:\tport 1024 -> 53 hdr=8 data=12\nDATA:\thello world!\n" + kSeparator);
}

// The dump ends inside the UDP header: nothing of it is shown, and the count
// the IPv4 header set is still there when the next packet arrives.
TEST(UdpDecode, HeaderCutShortShowsNothingOfIt) {
    const std::string input = ipFrame(ipHex("0028") + "0400 0035") + ipFrame(kHelloDatagram, "12:00:00.500000");
    EXPECT_EQ(decode({"-noLink"}, input),
              packet(1) + terseIp(40) + "\n\n\t<*** Rest of data missing from packet dump ***>\n" + packet(2) +
                  terseIp(40) + " UDP:\tport 1024 -> 53 hdr=8 data=12\nDATA:\thello world!\n" + kSeparator);
}

// With port names on, the names come from the services database of this
// machine; the expectation is looked up here the same way.
TEST(UdpDecode, PortNamesFromTheServicesDatabase) {
    auto service = [](int port) -> std::string {
        const servent* entry = getservbyport(htons(static_cast<uint16_t>(port)), "udp");
        return entry != nullptr ? entry->s_name : "";
    };
    const std::string source = service(123);
    const std::string destination = service(40001);
    const std::string input = ipFrame(ipHex("001c") + "007b 9c41 0008 0000");
    std::vector<std::string> args{"-cooked", "-noHostNames", "-noEtherNames", "-noLink"};

    RunResult terse = runPacsift(args, input);
    EXPECT_EQ(terse.out, packet(1) + terseIp(28) + " UDP:\tport " + (source.empty() ? "123" : source) + " -> " +
                             (destination.empty() ? "40001" : destination) + " hdr=8 data=0\nDATA:\t<No data>\n" +
                             kSeparator);

    args.push_back("-verbose");
    RunResult verbose = runPacsift(args, input);
    EXPECT_EQ(verbose.out, packet(1) + verboseIp(28) + "UDP Header\n\tSource Port:\t\t\t123 (" +
                               (source.empty() ? "<unknown>" : source) + ")\n\tDestination Port:\t\t40001 (" +
                               (destination.empty() ? "<unknown>" : destination) +
                               ")\n\tDatagram Length:\t\t8 bytes (Header=8, Data=0)\n"
                               "\tChecksum:\t\t\t0x0000\nUDP Data\n\t<No data>\n" +
                               kSeparator);
}

}  // namespace
