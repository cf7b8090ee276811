// Names in the display of the real binary, with a name database under the
// tests' control (tests/support/fake_names.c, preloaded).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/fake_names.h"
#include "support/run_binary.h"

namespace {

const std::string kNames =
    "# hosts\n"
    "host 10.0.0.1 alpha.example.com\n"
    "host 10.0.0.2 beta\n"
    "# services: 80 only for tcp, 53 only for udp\n"
    "service 80 tcp http\n"
    "service 53 udp domain\n"
    "# Ethernet hosts\n"
    "ether 08:00:20:01:02:03 gateway\n"
    "ether 00:a0:c9:0e:1f:2b printer.example.com\n";

// 10.0.0.1 port 80 -> 10.0.0.2 port 1025, TCP ACK without data.
const std::string kTcpPacket =
    "12:00:00.000000 08:00:20:01:02:03 > 00:11:22:33:44:55, ethertype IPv4 (0x0800), length 54: "
    "10.0.0.1.80 > 10.0.0.2.1025: Flags [.], ack 1, win 4096, length 0\n"
    "\t0x0000:  4500 0028 0001 4000 4006 0000 0a00 0001\n"
    "\t0x0010:  0a00 0002 0050 0401 0000 0001 0000 0000\n"
    "\t0x0020:  5010 1000 0000 0000\n";
// 10.0.0.3 port 53 -> 10.0.0.1 port 80, UDP with the 4 bytes "test".
const std::string kUdpPacket =
    "12:00:00.250000 00:a0:c9:0e:1f:2b > 08:00:20:01:02:03, ethertype IPv4 (0x0800), length 46: "
    "10.0.0.3.53 > 10.0.0.1.80: UDP, length 4\n"
    "\t0x0000:  4500 0020 0002 0000 4011 0000 0a00 0003\n"
    "\t0x0010:  0a00 0001 0035 0050 000c 0000 7465 7374\n";
// ARP request: who has 10.0.0.2, tell 10.0.0.1 (08:00:20:01:02:03).
const std::string kArpPacket =
    "12:00:01.250000 08:00:20:01:02:03 > ff:ff:ff:ff:ff:ff, ethertype ARP (0x0806), length 42: "
    "Request who-has 10.0.0.2 tell 10.0.0.1, length 28\n"
    "\t0x0000:  0001 0800 0604 0001 0800 2001 0203 0a00\n"
    "\t0x0010:  0001 0000 0000 0000 0a00 0002\n";
const std::string kThreePackets = kTcpPacket + kUdpPacket + kArpPacket;

class NamesEndToEnd : public ::testing::Test {
protected:
    RunResult run(const std::vector<std::string>& options, const std::string& input,
                  const std::string& names = kNames) {
        std::vector<std::string> args{"-cooked"};
        args.insert(args.end(), options.begin(), options.end());
        std::string fixture = writeNameFixture(names);
        RunResult result = runPacsift(args, input, fakeNamesEnv(fixture));
        std::remove(fixture.c_str());
        return result;
    }
};

TEST_F(NamesEndToEnd, TerseShowsNamesInPlaceOfNumbers) {
    RunResult r = run({}, kThreePackets);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              kSeparator +
                  "Packet 1\n"
                  "TIME:\t12:00:00.000000\n"
                  "LINK:\tgateway -> 00:11:22:33:44:55 type=IPv4\n"
                  "  IP:\talpha -> beta hlen=20 TOS=00 dgramlen=40 id=0001\n"
                  "\tMF/DF=0/1 frag=0 TTL=64 proto=TCP cksum=0000\n"
                  " TCP:\tport http -> 1025 seq=0000000001 ack=0000000000\n"
                  "\thlen=20 (data=0) UAPRSF=010000 wnd=4096 cksum=0000 urg=0\n"
                  "DATA:\t<No data>\n"
                  "\n" +
                  kSeparator +
                  "Packet 2\n"
                  "TIME:\t12:00:00.250000 (0.250000)\n"
                  "LINK:\tprinter.example.com -> gateway type=IPv4\n"
                  "  IP:\t10.0.0.3 -> alpha hlen=20 TOS=00 dgramlen=32 id=0002\n"
                  "\tMF/DF=0/0 frag=0 TTL=64 proto=UDP cksum=0000\n"
                  " UDP:\tport domain -> 80 hdr=8 data=4\n"
                  "DATA:\ttest\n"
                  "\n" +
                  kSeparator +
                  "Packet 3\n"
                  "TIME:\t12:00:01.250000 (1.000000)\n"
                  "LINK:\tgateway -> FF:FF:FF:FF:FF:FF type=ARP\n"
                  "ARP:\thtype=Ethernet ptype=IP hlen=6 plen=4 op=request\n"
                  "\tsender-MAC-addr=gateway sender-IP-address=alpha\n"
                  "\ttarget-MAC-addr=00:00:00:00:00:00 target-IP-address=beta\n" +
                  kSeparator);
}

TEST_F(NamesEndToEnd, VerboseShowsNamesAfterNumbers) {
    RunResult r = run({"-verbose"}, kThreePackets);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              kSeparator +
                  "Packet 1\n"
                  "\tTimestamp:\t\t\t12:00:00.000000\n"
                  "\tSource Ethernet Address:\t08:00:20:01:02:03 (gateway)\n"
                  "\tDestination Ethernet Address:\t00:11:22:33:44:55 (<unknown>)\n"
                  "\tEncapsulated Protocol:\t\tIPv4\n"
                  "IP Header\n"
                  "\tVersion:\t\t\t4\n"
                  "\tHeader Length:\t\t\t20 bytes\n"
                  "\tService Type:\t\t\t0x00\n"
                  "\tDatagram Length:\t\t40 bytes\n"
                  "\tIdentification:\t\t\t0x0001\n"
                  "\tFlags:\t\t\t\tMF=off, DF=on\n"
                  "\tFragment Offset:\t\t0\n"
                  "\tTTL:\t\t\t\t64\n"
                  "\tEncapsulated Protocol:\t\tTCP\n"
                  "\tHeader Checksum:\t\t0x0000\n"
                  "\tSource IP Address:\t\t10.0.0.1 (alpha)\n"
                  "\tDestination IP Address:\t\t10.0.0.2 (beta)\n"
                  "TCP Header\n"
                  "\tSource Port:\t\t\t80 (http)\n"
                  "\tDestination Port:\t\t1025 (<unknown>)\n"
                  "\tSequence Number:\t\t0000000001\n"
                  "\tAcknowledgement Number:\t\t0000000000\n"
                  "\tHeader Length:\t\t\t20 bytes (data=0)\n"
                  "\tFlags:\t\t\t\tURG=off, ACK=on,  PSH=off\n"
                  "\t\t\t\t\tRST=off, SYN=off, FIN=off\n"
                  "\tWindow Advertisement:\t\t4096 bytes\n"
                  "\tChecksum:\t\t\t0x0000\n"
                  "\tUrgent Pointer:\t\t\t0\n"
                  "TCP Data\n"
                  "\t<No data>\n"
                  "\n" +
                  kSeparator +
                  "Packet 2\n"
                  "\tTimestamp:\t\t\t12:00:00.250000 (0.250000)\n"
                  "\tSource Ethernet Address:\t00:A0:C9:0E:1F:2B (printer.example.com)\n"
                  "\tDestination Ethernet Address:\t08:00:20:01:02:03 (gateway)\n"
                  "\tEncapsulated Protocol:\t\tIPv4\n"
                  "IP Header\n"
                  "\tVersion:\t\t\t4\n"
                  "\tHeader Length:\t\t\t20 bytes\n"
                  "\tService Type:\t\t\t0x00\n"
                  "\tDatagram Length:\t\t32 bytes\n"
                  "\tIdentification:\t\t\t0x0002\n"
                  "\tFlags:\t\t\t\tMF=off, DF=off\n"
                  "\tFragment Offset:\t\t0\n"
                  "\tTTL:\t\t\t\t64\n"
                  "\tEncapsulated Protocol:\t\tUDP\n"
                  "\tHeader Checksum:\t\t0x0000\n"
                  "\tSource IP Address:\t\t10.0.0.3 (<unknown>)\n"
                  "\tDestination IP Address:\t\t10.0.0.1 (alpha)\n"
                  "UDP Header\n"
                  "\tSource Port:\t\t\t53 (domain)\n"
                  "\tDestination Port:\t\t80 (<unknown>)\n"
                  "\tDatagram Length:\t\t12 bytes (Header=8, Data=4)\n"
                  "\tChecksum:\t\t\t0x0000\n"
                  "UDP Data\n"
                  "\ttest\n"
                  "\n" +
                  kSeparator +
                  "Packet 3\n"
                  "\tTimestamp:\t\t\t12:00:01.250000 (1.000000)\n"
                  "\tSource Ethernet Address:\t08:00:20:01:02:03 (gateway)\n"
                  "\tDestination Ethernet Address:\tFF:FF:FF:FF:FF:FF (<unknown>)\n"
                  "\tEncapsulated Protocol:\t\tARP\n"
                  "ARP Header\n"
                  "\tHardware Type:\t\t\tEthernet\n"
                  "\tProtocol Type:\t\t\tIP\n"
                  "\tHardware Address Length:\t6 bytes\n"
                  "\tProtocol Address Length:\t4 bytes\n"
                  "\tOperation:\t\t\tARP request\n"
                  "\tSender Hardware Address:\t08:00:20:01:02:03 (gateway)\n"
                  "\tSender IP Address:\t\t10.0.0.1 (alpha)\n"
                  "\tTarget Hardware Address:\t00:00:00:00:00:00 (<unknown>)\n"
                  "\tTarget IP Address:\t\t10.0.0.2 (beta)\n" +
                  kSeparator);
}

TEST_F(NamesEndToEnd, OneLineFormUsesTheSameNames) {
    const std::string expected = kSeparator +
                                 "Packet 1\n"
                                 "alpha.http -> beta.1025 over TCP\n"
                                 "\t<No data>\n"
                                 "\n" +
                                 kSeparator +
                                 "Packet 2\n"
                                 "10.0.0.3.domain -> alpha.80 over UDP\n"
                                 "\ttest\n"
                                 "\n" +
                                 kSeparator +
                                 "Packet 3\n"
                                 "alpha (gateway) asks where is beta\n" +
                                 kSeparator;
    RunResult r = run({"-minHdrDecode"}, kThreePackets);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expected);
}

TEST_F(NamesEndToEnd, FqdnShowsWholeHostNames) {
    RunResult r = run({"-minHdrDecode", "-fqdn"}, kThreePackets);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kSeparator +
                         "Packet 1\n"
                         "alpha.example.com.http -> beta.1025 over TCP\n"
                         "\t<No data>\n"
                         "\n" +
                         kSeparator +
                         "Packet 2\n"
                         "10.0.0.3.domain -> alpha.example.com.80 over UDP\n"
                         "\ttest\n"
                         "\n" +
                         kSeparator +
                         "Packet 3\n"
                         "alpha.example.com (gateway) asks where is beta\n" +
                         kSeparator);
    r = run({"-verbose", "-fqdn", "-noPortNames", "-noEtherNames"}, kTcpPacket);
    EXPECT_NE(r.out.find("\tSource IP Address:\t\t10.0.0.1 (alpha.example.com)\n"), std::string::npos) << r.out;
}

TEST_F(NamesEndToEnd, NamingOptionsShowNumbersEvenForKnownNames) {
    RunResult r = run({"-noHostNames", "-noPortNames", "-noEtherNames"}, kTcpPacket);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kSeparator +
                         "Packet 1\n"
                         "TIME:\t12:00:00.000000\n"
                         "LINK:\t08:00:20:01:02:03 -> 00:11:22:33:44:55 type=IPv4\n"
                         "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=40 id=0001\n"
                         "\tMF/DF=0/1 frag=0 TTL=64 proto=TCP cksum=0000\n"
                         " TCP:\tport 80 -> 1025 seq=0000000001 ack=0000000000\n"
                         "\thlen=20 (data=0) UAPRSF=010000 wnd=4096 cksum=0000 urg=0\n"
                         "DATA:\t<No data>\n" +
                         kSeparator);
    // Each option turns off its own names only.
    r = run({"-minHdrDecode", "-noPortNames"}, kTcpPacket + kArpPacket);
    EXPECT_EQ(r.out, kSeparator + "Packet 1\nalpha.80 -> beta.1025 over TCP\n\t<No data>\n\n" + kSeparator +
                         "Packet 2\nalpha (gateway) asks where is beta\n" + kSeparator);
    r = run({"-minHdrDecode", "-noHostNames"}, kTcpPacket + kArpPacket);
    EXPECT_EQ(r.out, kSeparator + "Packet 1\n10.0.0.1.http -> 10.0.0.2.1025 over TCP\n\t<No data>\n\n" + kSeparator +
                         "Packet 2\n10.0.0.1 (gateway) asks where is 10.0.0.2\n" + kSeparator);
    r = run({"-minHdrDecode", "-noEtherNames"}, kArpPacket);
    EXPECT_EQ(r.out, kSeparator + "Packet 1\nalpha (08:00:20:01:02:03) asks where is beta\n" + kSeparator);
}

TEST_F(NamesEndToEnd, HostNameLimit) {
    const std::string longest(255, 'h');
    RunResult r = run({"-minHdrDecode"}, kTcpPacket, "host 10.0.0.1 " + longest + "\nservice 80 tcp http\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kSeparator + "Packet 1\n" + longest + ".http -> 10.0.0.2.1025 over TCP\n\t<No data>\n" + kSeparator);

    // 256 characters end the run; what was displayed before stays.
    r = run({}, kTcpPacket, "host 10.0.0.2 " + std::string(256, 'h') + "\n");
    EXPECT_EQ(r.err, "***Error: Hostname too long\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, kSeparator +
                         "Packet 1\n"
                         "TIME:\t12:00:00.000000\n"
                         "LINK:\t08:00:20:01:02:03 -> 00:11:22:33:44:55 type=IPv4\n");
    // The limit holds for the whole name, not just what the display keeps of it.
    r = run({"-minHdrDecode"}, kTcpPacket, "host 10.0.0.1 a." + std::string(254, 'h') + "\n");
    EXPECT_EQ(r.err, "***Error: Hostname too long\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, kSeparator + "Packet 1\n");
}

TEST_F(NamesEndToEnd, ServiceNameLimit) {
    const std::string longest(32, 's');
    RunResult r = run({"-minHdrDecode", "-noHostNames"}, kTcpPacket, "service 1025 tcp " + longest + "\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kSeparator + "Packet 1\n10.0.0.1.80 -> 10.0.0.2." + longest + " over TCP\n\t<No data>\n" + kSeparator);

    r = run({"-noHostNames", "-noEtherNames"}, kUdpPacket, "service 80 udp " + std::string(33, 's') + "\n");
    EXPECT_EQ(r.err, "***Error: Port name too long\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, kSeparator +
                         "Packet 1\n"
                         "TIME:\t12:00:00.250000\n"
                         "LINK:\t00:A0:C9:0E:1F:2B -> 08:00:20:01:02:03 type=IPv4\n"
                         "  IP:\t10.0.0.3 -> 10.0.0.1 hlen=20 TOS=00 dgramlen=32 id=0002\n"
                         "\tMF/DF=0/0 frag=0 TTL=64 proto=UDP cksum=0000\n");
}

TEST_F(NamesEndToEnd, BadlyFormattedLinkAddressEndsTheRunEvenWithoutLinkLines) {
    const std::string input =
        "12:00:00.000000 IP 10.0.0.1.80 > 10.0.0.2.1025: Flags [.], ack 1, win 4096, length 0\n"
        "\t0x0000:  4500 0028 0001 4000 4006 0000 0a00 0001\n";
    RunResult r = run({"-minHdrDecode"}, input);
    EXPECT_EQ(r.err, "***Error: Badly formatted Ethernet address\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, kSeparator + "Packet 1\n");
    r = run({"-noLink"}, input);
    EXPECT_EQ(r.err, "***Error: Badly formatted Ethernet address\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, kSeparator + "Packet 1\n");
}
}  // namespace
