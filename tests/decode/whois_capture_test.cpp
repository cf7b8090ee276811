// A real TCP conversation (a whois query, 11 frames) from a savefile through
// the tcpdump child, checked packet by packet in the three display forms.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run_binary.h"

namespace {

RunResult runWhois(const std::vector<std::string>& options) {
    std::vector<std::string> args = words(kNoNames, words({"-s"}, options));
    // tcpdump prints local times: pin the zone.
    return runPacsiftOnFile(args, fixturePath("whois.pcap"), {"TZ=UTC", "LC_CTYPE=C"});
}

// The display of packet n: from its separator up to the next separator.
std::string packetBlock(const std::string& out, int n) {
    std::string::size_type at = out.find(kSeparator + "Packet " + std::to_string(n) + "\n");
    if (at == std::string::npos) return "<no packet " + std::to_string(n) + ">";
    std::string::size_type end = out.find(kSeparator, at + kSeparator.size());
    return out.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

const std::string kClientToServer = "LINK:\t08:00:27:3E:AC:31 -> 52:54:00:12:35:02 type=IPv4\n";
const std::string kServerToClient = "LINK:\t52:54:00:12:35:02 -> 08:00:27:3E:AC:31 type=IPv4\n";

}  // namespace

TEST(WhoisCapture, WholeRunShape) {
    RunResult run = runWhois({});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Packet 11\n"), std::string::npos);
    EXPECT_EQ(run.out.find("Packet 12\n"), std::string::npos);
    ASSERT_GE(run.out.size(), kSeparator.size());
    EXPECT_EQ(run.out.substr(run.out.size() - kSeparator.size()), kSeparator);
}

TEST(WhoisCapture, Terse) {
    RunResult run = runWhois({});
    // SYN with 20 option bytes (data offset 10), no data.
    EXPECT_EQ(packetBlock(run.out, 1), kSeparator +
                                           "Packet 1\n"
                                           "TIME:\t17:25:19.066204\n" +
                                           kClientToServer +
                                           "  IP:\t10.0.2.15 -> 192.0.47.59 hlen=20 TOS=00 dgramlen=60 id=7E89\n"
                                           "\tMF/DF=0/1 frag=0 TTL=64 proto=TCP cksum=C0E8\n"
                                           " TCP:\tport 44188 -> 43 seq=2239453442 ack=0000000000\n"
                                           "\thlen=40 (data=0) UAPRSF=000010 wnd=29200 cksum=FB78 urg=0\n"
                                           "DATA:\t<No data>\n"
                                           "\n");
    // The query: "example.com" CR LF.
    EXPECT_EQ(packetBlock(run.out, 4), kSeparator +
                                           "Packet 4\n"
                                           "TIME:\t17:25:19.183706 (0.000463)\n" +
                                           kClientToServer +
                                           "  IP:\t10.0.2.15 -> 192.0.47.59 hlen=20 TOS=00 dgramlen=53 id=7E8B\n"
                                           "\tMF/DF=0/1 frag=0 TTL=64 proto=TCP cksum=C0ED\n"
                                           " TCP:\tport 44188 -> 43 seq=2239453443 ack=0009920002\n"
                                           "\thlen=20 (data=13) UAPRSF=011000 wnd=29200 cksum=FB71 urg=0\n"
                                           "DATA:\texample.com.\n"
                                           "\t\n"
                                           "\n");
    // A bare ACK in a 60-byte frame: six fill bytes follow on the same line.
    EXPECT_EQ(packetBlock(run.out, 5), kSeparator +
                                           "Packet 5\n"
                                           "TIME:\t17:25:19.183927 (0.000221)\n" +
                                           kServerToClient +
                                           "  IP:\t192.0.47.59 -> 10.0.2.15 hlen=20 TOS=00 dgramlen=40 id=485E\n"
                                           "\tMF/DF=0/0 frag=0 TTL=64 proto=TCP cksum=3728\n"
                                           " TCP:\tport 43 -> 44188 seq=0009920002 ack=2239453456\n"
                                           "\thlen=20 (data=0) UAPRSF=010000 wnd=65535 cksum=CA9D urg=0\n"
                                           "DATA:\t<No data>\n"
                                           "\t<*** Spurious data at end: \"000000000000\" ***>\n"
                                           "\n");
    // The answer: 233 bytes of text lines, none longer than 60.
    EXPECT_EQ(packetBlock(run.out, 6), kSeparator +
                                           "Packet 6\n"
                                           "TIME:\t17:25:19.303926 (0.119999)\n" +
                                           kServerToClient +
                                           "  IP:\t192.0.47.59 -> 10.0.2.15 hlen=20 TOS=00 dgramlen=273 id=485F\n"
                                           "\tMF/DF=0/0 frag=0 TTL=64 proto=TCP cksum=363E\n"
                                           " TCP:\tport 43 -> 44188 seq=0009920002 ack=2239453456\n"
                                           "\thlen=20 (data=233) UAPRSF=011000 wnd=65535 cksum=4A0C urg=0\n"
                                           "DATA:\t% IANA WHOIS server\n"
                                           "\t% for more information on IANA, visit http://www.iana.org\n"
                                           "\t% This query returned 1 object\n"
                                           "\t\n"
                                           "\tdomain:       EXAMPLE.COM\n"
                                           "\t\n"
                                           "\torganisation: Internet Assigned Numbers Authority\n"
                                           "\t\n"
                                           "\tcreated:      1992-01-01\n"
                                           "\tsource:       IANA\n"
                                           "\t\n"
                                           "\t\n"
                                           "\n");
    // The last packet ends the input: the closing separator follows directly.
    EXPECT_EQ(packetBlock(run.out, 11), kSeparator +
                                            "Packet 11\n"
                                            "TIME:\t17:25:19.369269 (0.001251)\n" +
                                            kServerToClient +
                                            "  IP:\t192.0.47.59 -> 10.0.2.15 hlen=20 TOS=00 dgramlen=40 id=4861\n"
                                            "\tMF/DF=0/0 frag=0 TTL=64 proto=TCP cksum=3725\n"
                                            " TCP:\tport 43 -> 44188 seq=0009920236 ack=2239453457\n"
                                            "\thlen=20 (data=0) UAPRSF=010000 wnd=65535 cksum=C9B2 urg=0\n"
                                            "DATA:\t<No data>\n"
                                            "\t<*** Spurious data at end: \"000000000000\" ***>\n");
}

TEST(WhoisCapture, TerseNarrowPageAndTrack) {
    RunResult run = runWhois({"-w", "40", "-track"});
    EXPECT_EQ(packetBlock(run.out, 6), kSeparator +
                                           "Packet 6\n"
                                           "TIME:\t17:25:19.303926 (0.119999)\n" +
                                           kServerToClient +
                                           "  IP:\t192.0.47.59 -> 10.0.2.15 hlen=20 TOS=00 dgramlen=273 id=485F\n"
                                           "\tMF/DF=0/0 frag=0 TTL=64 proto=TCP cksum=363E\n"
                                           " TCP:\tport 43 -> 44188 seq=0009920002 (expect=0009920235) "
                                           "ack=2239453456\n"
                                           "\thlen=20 (data=233) UAPRSF=011000 wnd=65535 cksum=4A0C urg=0\n"
                                           "DATA:\t% IANA WHOIS server\n"
                                           "\t% for more information on IANA, visit ht\n"
                                           "\ttp://www.iana.org\n"
                                           "\t% This query returned 1 object\n"
                                           "\t\n"
                                           "\tdomain:       EXAMPLE.COM\n"
                                           "\t\n"
                                           "\torganisation: Internet Assigned Numbers \n"
                                           "\tAuthority\n"
                                           "\t\n"
                                           "\tcreated:      1992-01-01\n"
                                           "\tsource:       IANA\n"
                                           "\t\n"
                                           "\t\n"
                                           "\n");
    // The SYN takes one sequence number; so does the FIN of packet 8.
    EXPECT_NE(packetBlock(run.out, 1).find(" TCP:\tport 44188 -> 43 seq=2239453442 (expect=2239453443) "
                                           "ack=0000000000\n"),
              std::string::npos);
    EXPECT_NE(packetBlock(run.out, 8).find(" TCP:\tport 43 -> 44188 seq=0009920235 (expect=0009920236) "
                                           "ack=2239453456\n"),
              std::string::npos);
}

TEST(WhoisCapture, Verbose) {
    RunResult run = runWhois({"-verbose"});
    EXPECT_EQ(packetBlock(run.out, 1), kSeparator +
                                           "Packet 1\n"
                                           "\tTimestamp:\t\t\t17:25:19.066204\n"
                                           "\tSource Ethernet Address:\t08:00:27:3E:AC:31\n"
                                           "\tDestination Ethernet Address:\t52:54:00:12:35:02\n"
                                           "\tEncapsulated Protocol:\t\tIPv4\n"
                                           "IP Header\n"
                                           "\tVersion:\t\t\t4\n"
                                           "\tHeader Length:\t\t\t20 bytes\n"
                                           "\tService Type:\t\t\t0x00\n"
                                           "\tDatagram Length:\t\t60 bytes\n"
                                           "\tIdentification:\t\t\t0x7E89\n"
                                           "\tFlags:\t\t\t\tMF=off, DF=on\n"
                                           "\tFragment Offset:\t\t0\n"
                                           "\tTTL:\t\t\t\t64\n"
                                           "\tEncapsulated Protocol:\t\tTCP\n"
                                           "\tHeader Checksum:\t\t0xC0E8\n"
                                           "\tSource IP Address:\t\t10.0.2.15\n"
                                           "\tDestination IP Address:\t\t192.0.47.59\n"
                                           "TCP Header\n"
                                           "\tSource Port:\t\t\t44188\n"
                                           "\tDestination Port:\t\t43\n"
                                           "\tSequence Number:\t\t2239453442\n"
                                           "\tAcknowledgement Number:\t\t0000000000\n"
                                           "\tHeader Length:\t\t\t40 bytes (data=0)\n"
                                           "\tFlags:\t\t\t\tURG=off, ACK=off, PSH=off\n"
                                           "\t\t\t\t\tRST=off, SYN=on,  FIN=off\n"
                                           "\tWindow Advertisement:\t\t29200 bytes\n"
                                           "\tChecksum:\t\t\t0xFB78\n"
                                           "\tUrgent Pointer:\t\t\t0\n"
                                           "\t<Options not displayed>\n"
                                           "TCP Data\n"
                                           "\t<No data>\n"
                                           "\n");
    EXPECT_EQ(packetBlock(run.out, 4), kSeparator +
                                           "Packet 4\n"
                                           "\tTimestamp:\t\t\t17:25:19.183706 (0.000463)\n"
                                           "\tSource Ethernet Address:\t08:00:27:3E:AC:31\n"
                                           "\tDestination Ethernet Address:\t52:54:00:12:35:02\n"
                                           "\tEncapsulated Protocol:\t\tIPv4\n"
                                           "IP Header\n"
                                           "\tVersion:\t\t\t4\n"
                                           "\tHeader Length:\t\t\t20 bytes\n"
                                           "\tService Type:\t\t\t0x00\n"
                                           "\tDatagram Length:\t\t53 bytes\n"
                                           "\tIdentification:\t\t\t0x7E8B\n"
                                           "\tFlags:\t\t\t\tMF=off, DF=on\n"
                                           "\tFragment Offset:\t\t0\n"
                                           "\tTTL:\t\t\t\t64\n"
                                           "\tEncapsulated Protocol:\t\tTCP\n"
                                           "\tHeader Checksum:\t\t0xC0ED\n"
                                           "\tSource IP Address:\t\t10.0.2.15\n"
                                           "\tDestination IP Address:\t\t192.0.47.59\n"
                                           "TCP Header\n"
                                           "\tSource Port:\t\t\t44188\n"
                                           "\tDestination Port:\t\t43\n"
                                           "\tSequence Number:\t\t2239453443\n"
                                           "\tAcknowledgement Number:\t\t0009920002\n"
                                           "\tHeader Length:\t\t\t20 bytes (data=13)\n"
                                           "\tFlags:\t\t\t\tURG=off, ACK=on,  PSH=on\n"
                                           "\t\t\t\t\tRST=off, SYN=off, FIN=off\n"
                                           "\tWindow Advertisement:\t\t29200 bytes\n"
                                           "\tChecksum:\t\t\t0xFB71\n"
                                           "\tUrgent Pointer:\t\t\t0\n"
                                           "TCP Data\n"
                                           "\texample.com.\n"
                                           "\t\n"
                                           "\n");
    EXPECT_EQ(packetBlock(run.out, 8), kSeparator +
                                           "Packet 8\n"
                                           "\tTimestamp:\t\t\t17:25:19.304752 (0.000312)\n"
                                           "\tSource Ethernet Address:\t52:54:00:12:35:02\n"
                                           "\tDestination Ethernet Address:\t08:00:27:3E:AC:31\n"
                                           "\tEncapsulated Protocol:\t\tIPv4\n"
                                           "IP Header\n"
                                           "\tVersion:\t\t\t4\n"
                                           "\tHeader Length:\t\t\t20 bytes\n"
                                           "\tService Type:\t\t\t0x00\n"
                                           "\tDatagram Length:\t\t40 bytes\n"
                                           "\tIdentification:\t\t\t0x4860\n"
                                           "\tFlags:\t\t\t\tMF=off, DF=off\n"
                                           "\tFragment Offset:\t\t0\n"
                                           "\tTTL:\t\t\t\t64\n"
                                           "\tEncapsulated Protocol:\t\tTCP\n"
                                           "\tHeader Checksum:\t\t0x3726\n"
                                           "\tSource IP Address:\t\t192.0.47.59\n"
                                           "\tDestination IP Address:\t\t10.0.2.15\n"
                                           "TCP Header\n"
                                           "\tSource Port:\t\t\t43\n"
                                           "\tDestination Port:\t\t44188\n"
                                           "\tSequence Number:\t\t0009920235\n"
                                           "\tAcknowledgement Number:\t\t2239453456\n"
                                           "\tHeader Length:\t\t\t20 bytes (data=0)\n"
                                           "\tFlags:\t\t\t\tURG=off, ACK=on,  PSH=off\n"
                                           "\t\t\t\t\tRST=off, SYN=off, FIN=on\n"
                                           "\tWindow Advertisement:\t\t65535 bytes\n"
                                           "\tChecksum:\t\t\t0xC9B3\n"
                                           "\tUrgent Pointer:\t\t\t0\n"
                                           "TCP Data\n"
                                           "\t<No data>\n"
                                           "\t<*** Spurious data at end: \"000000000000\" ***>\n"
                                           "\n");
}

TEST(WhoisCapture, OneLine) {
    RunResult run = runWhois({"-minHdrDecode"});
    EXPECT_EQ(packetBlock(run.out, 1),
              kSeparator + "Packet 1\n10.0.2.15.44188 -> 192.0.47.59.43 over TCP\n\t<No data>\n\n");
    EXPECT_EQ(packetBlock(run.out, 4),
              kSeparator + "Packet 4\n10.0.2.15.44188 -> 192.0.47.59.43 over TCP\n\texample.com.\n\t\n\n");
    EXPECT_EQ(packetBlock(run.out, 5), kSeparator +
                                           "Packet 5\n192.0.47.59.43 -> 10.0.2.15.44188 over TCP\n\t<No data>\n"
                                           "\t<*** Spurious data at end: \"000000000000\" ***>\n\n");
    RunResult counted = runWhois({"-minHdrDecode", "-noData"});
    EXPECT_EQ(packetBlock(counted.out, 6),
              kSeparator + "Packet 6\n192.0.47.59.43 -> 10.0.2.15.44188 over TCP\n\t233 bytes\n\n");
}
