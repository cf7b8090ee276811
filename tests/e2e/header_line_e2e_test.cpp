// Time and link lines of real savefiles through the tcpdump child, and of a
// cooked plain-layout input. The expected lines are worked out from the text
// of `tcpdump -enx -r FILE` (with TZ=UTC), not from pacsift's own output.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/run_binary.h"

namespace {
const std::vector<std::string> kNoNamesNoData = words(kNoNames, {"-noData"});

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Every "Packet N" line of a display with the `count` lines that follow it.
std::vector<std::string> packetHeads(const std::string& out, size_t count) {
    std::vector<std::string> lines = linesOf(out), heads;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind("Packet ", 0) != 0) continue;
        for (size_t k = 0; k <= count && i + k < lines.size(); ++k) heads.push_back(lines[i + k]);
    }
    return heads;
}

RunResult runOnSavefile(std::vector<std::string> args, const std::string& name) {
    return runPacsiftOnFile(args, fixturePath("header_line/" + name), {"TZ=UTC"});
}

// mptcp-fclose.pcap: two ARP packets, then nine TCP segments.
//   tcpdump: 15:40:42.767916 16:51:53:04:3f:55 > ff:ff:ff:ff:ff:ff, ethertype ARP (0x0806), length 42: ...
struct Packet {
    const char* time;
    const char* delta;
    const char* source;
    const char* destination;
    const char* type;
};
const char kHostA[] = "16:51:53:04:3F:55";
const char kHostB[] = "D6:06:3C:4A:35:7A";
const Packet kMptcpPackets[] = {
    {"15:40:42.767916", "", kHostA, "FF:FF:FF:FF:FF:FF", "ARP"},
    {"15:40:42.768169", " (0.000253)", kHostB, kHostA, "ARP"},
    {"15:40:42.768187", " (0.000018)", kHostA, kHostB, "IPv4"},
    {"15:40:42.768439", " (0.000252)", kHostB, kHostA, "IPv4"},
    {"15:40:42.768831", " (0.000392)", kHostA, kHostB, "IPv4"},
    {"15:40:42.769130", " (0.000299)", kHostA, kHostB, "IPv4"},
    {"15:40:42.769364", " (0.000234)", kHostB, kHostA, "IPv4"},
    {"15:40:43.780182", " (1.010818)", kHostB, kHostA, "IPv4"},
    {"15:40:43.780384", " (0.000202)", kHostA, kHostB, "IPv4"},
    {"15:40:47.779986", " (3.999602)", kHostA, kHostB, "IPv4"},
    {"15:40:47.780117", " (0.000131)", kHostB, kHostA, "IPv4"},
};

TEST(HeaderLineSavefile, TerseTimeAndLinkLinesOfEveryPacket) {
    RunResult r = runOnSavefile(kNoNamesNoData, "mptcp-fclose.pcap");
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> expected;
    int number = 0;
    for (const Packet& p : kMptcpPackets) {
        expected.push_back("Packet " + std::to_string(++number));
        expected.push_back(std::string("TIME:\t") + p.time + p.delta);
        expected.push_back(std::string("LINK:\t") + p.source + " -> " + p.destination + " type=" + p.type);
    }
    EXPECT_EQ(packetHeads(r.out, 2), expected);
    EXPECT_EQ(r.out.rfind(kSeparator, 0), 0u);
    EXPECT_EQ(r.out.substr(r.out.size() - kSeparator.size()), kSeparator);
}

TEST(HeaderLineSavefile, VerboseLinkLinesOfEveryPacket) {
    std::vector<std::string> args = kNoNamesNoData;
    args.push_back("-verbose");
    RunResult r = runOnSavefile(args, "mptcp-fclose.pcap");
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> expected;
    int number = 0;
    for (const Packet& p : kMptcpPackets) {
        expected.push_back("Packet " + std::to_string(++number));
        expected.push_back(std::string("\tTimestamp:\t\t\t") + p.time + p.delta);
        expected.push_back(std::string("\tSource Ethernet Address:\t") + p.source);
        expected.push_back(std::string("\tDestination Ethernet Address:\t") + p.destination);
        expected.push_back(std::string("\tEncapsulated Protocol:\t\t") + p.type);
    }
    EXPECT_EQ(packetHeads(r.out, 4), expected);
}

// rarp-short.pcap: one RARP frame cut to 8 bytes of data.
//   tcpdump: 06:41:17.999999 c0:c1:c0:a0:00:64 > 00:0c:ff:7f:96:77, ethertype Reverse ARP (0x8035),
//            length 65570: Unknown Hardware (65280) (len 0), ...
// The type name holds a blank; the frame ends inside the RARP body, so the
// input ends there too.
TEST(HeaderLineSavefile, ReverseArpTypeName) {
    RunResult r = runOnSavefile(kNoNamesNoData, "rarp-short.pcap");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, kSeparator +
                         "Packet 1\n"
                         "TIME:\t06:41:17.999999\n"
                         "LINK:\tC0:C1:C0:A0:00:64 -> 00:0C:FF:7F:96:77 type=Reverse ARP\n" +
                         kSeparator);
    std::vector<std::string> args = kNoNamesNoData;
    args.push_back("-verbose");
    r = runOnSavefile(args, "rarp-short.pcap");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, kSeparator +
                         "Packet 1\n"
                         "\tTimestamp:\t\t\t06:41:17.999999\n"
                         "\tSource Ethernet Address:\tC0:C1:C0:A0:00:64\n"
                         "\tDestination Ethernet Address:\t00:0C:FF:7F:96:77\n"
                         "\tEncapsulated Protocol:\t\tReverse ARP\n" +
                         kSeparator);
}

// mptcp-tcprst.pcap: raw IPv4, read with -pp.
//   tcpdump: 14:27:19.175792 ip: 192.0.2.1.55739 > 192.168.76.28.8080: Flags [R.], ...
//            14:27:19.175964 ip: ...
TEST(HeaderLineSavefile, PointToPointShowsOnlyTheTime) {
    std::vector<std::string> args = kNoNamesNoData;
    args.push_back("-pp");
    RunResult r = runOnSavefile(args, "mptcp-tcprst.pcap");
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> heads = packetHeads(r.out, 2);
    ASSERT_EQ(heads.size(), 6u) << r.out;
    EXPECT_EQ(heads[0], "Packet 1");
    EXPECT_EQ(heads[1], "TIME:\t14:27:19.175792");
    EXPECT_EQ(heads[2].rfind("  IP:\t192.0.2.1 -> 192.168.76.28 ", 0), 0u) << heads[2];
    EXPECT_EQ(heads[3], "Packet 2");
    EXPECT_EQ(heads[4], "TIME:\t14:27:19.175964 (0.000172)");
    EXPECT_EQ(heads[5].rfind("  IP:\t192.0.2.1 -> 192.168.76.28 ", 0), 0u) << heads[5];
}

TEST(HeaderLineCooked, PlainLayout) {
    const std::string input =
        // ARP request, type as a hex token.
        "12:00:00.000000 8:0:20:1:2:3 ff:ff:ff:ff:ff:ff 0806 60:\n"
        "\t0x0000:  0001 0800 0604 0001 0800 2001 0203 0a00\n"
        "\t0x0010:  0001 0000 0000 0000 0a00 0002\n"
        // A type without a decoder is shown by its own text.
        "12:00:00.500000 0:11:22:33:44:55 8:0:20:1:2:3 86dd 60:\n"
        "\t0x0000:  6000 0000 0000 3a40\n"
        // A header line without data lines: the input ends there.
        "12:01:02.750000 8:0:20:1:2:3 0:11:22:33:44:55 0800 60:\n";
    RunResult r = runPacsift(cookedArgs(), input);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kSeparator +
                         "Packet 1\n"
                         "TIME:\t12:00:00.000000\n"
                         "LINK:\t08:00:20:01:02:03 -> FF:FF:FF:FF:FF:FF type=ARP\n"
                         "ARP:\thtype=Ethernet ptype=IP hlen=6 plen=4 op=request\n"
                         "\tsender-MAC-addr=08:00:20:01:02:03 sender-IP-address=10.0.0.1\n"
                         "\ttarget-MAC-addr=00:00:00:00:00:00 target-IP-address=10.0.0.2\n"
                         "\n" +
                         kSeparator +
                         "Packet 2\n"
                         "TIME:\t12:00:00.500000 (0.500000)\n"
                         "LINK:\t00:11:22:33:44:55 -> 08:00:20:01:02:03 type=86dd\n"
                         "\t<*** No decode support for encapsulated protocol ***>\n"
                         "\n" +
                         kSeparator +
                         "Packet 3\n"
                         "TIME:\t12:01:02.750000 (01:2.250000)\n"
                         "LINK:\t08:00:20:01:02:03 -> 00:11:22:33:44:55 type=IP\n" +
                         kSeparator);

    r = runPacsift(cookedArgs({"-verbose"}),
                   "12:00:00.500000 0:11:22:33:44:55 8:0:20:1:2:3 86dd 60:\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kSeparator +
                         "Packet 1\n"
                         "\tTimestamp:\t\t\t12:00:00.500000\n"
                         "\tSource Ethernet Address:\t00:11:22:33:44:55\n"
                         "\tDestination Ethernet Address:\t08:00:20:01:02:03\n"
                         "\tEncapsulated Protocol:\t\t86dd\n" +
                         kSeparator);
}
}  // namespace
