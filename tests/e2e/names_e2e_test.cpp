// Names in the display of the real binary, with a name database under the
// tests' control (tests/support/fake_names.c, preloaded): the limits of the
// names and the errors they end a run with. Whole displays with names on are
// rows of the golden table (tests/golden/TESTLIST, names-*).
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

// The verbose form keeps the whole host name in its parentheses under -fqdn.
TEST_F(NamesEndToEnd, FqdnShowsWholeHostNames) {
    RunResult r = run({"-verbose", "-fqdn", "-noPortNames", "-noEtherNames"}, kTcpPacket);
    EXPECT_NE(r.out.find("\tSource IP Address:\t\t10.0.0.1 (alpha.example.com)\n"), std::string::npos) << r.out;
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
