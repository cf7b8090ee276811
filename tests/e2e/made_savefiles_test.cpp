// The savefiles that tests/fixtures/make-pcaps writes (ICMP errors, IP in IP,
// RARP, ARP with fill bytes), read through the real tcpdump child in the
// terse, verbose and one-line forms. tcpdump prints local time, so TZ is UTC:
// packet n of a file is stamped 01:46:4(n-1).000000.
//
// tcpdump's header lines for these frames use the arrow layout, e.g.
// "01:46:40.000000 02:00:00:00:00:01 > ff:ff:ff:ff:ff:ff, ethertype Reverse ARP
// (0x8035), length 60: ...": the type name shown is the one the line carries.

#include <gtest/gtest.h>

#include <optional>

#include "support/run_binary.h"

namespace {

const std::string kHostA = "02:00:00:00:00:01";
const std::string kHostB = "02:00:00:00:00:02";
const std::string kBroadcast = "FF:FF:FF:FF:FF:FF";

struct Ip {
    std::string src, dst;
    int length;
    std::string id;         // as shown, four hex digits
    std::string protocol;   // protoName
    std::string checksum;   // as shown, four hex digits
};

struct Packet {
    std::string src, dst, type;   // link line
    std::optional<Ip> outer, inner;
    std::string terse, verbose, oneLine;   // what follows the IPv4 lines
};

std::string stamp(int n) {
    return "01:46:4" + std::to_string(n - 1) + ".000000" + (n > 1 ? " (1.000000)" : "");
}

std::string terseIp(const Ip& ip) {
    return "  IP:\t" + ip.src + " -> " + ip.dst + " hlen=20 TOS=00 dgramlen=" + std::to_string(ip.length) +
           " id=" + ip.id + "\n\tMF/DF=0/0 frag=0 TTL=64 proto=" + ip.protocol + " cksum=" + ip.checksum + "\n";
}

std::string verboseIp(const Ip& ip) {
    return "IP Header\n"
           "\tVersion:\t\t\t4\n"
           "\tHeader Length:\t\t\t20 bytes\n"
           "\tService Type:\t\t\t0x00\n"
           "\tDatagram Length:\t\t" + std::to_string(ip.length) + " bytes\n"
           "\tIdentification:\t\t\t0x" + ip.id + "\n"
           "\tFlags:\t\t\t\tMF=off, DF=off\n"
           "\tFragment Offset:\t\t0\n"
           "\tTTL:\t\t\t\t64\n"
           "\tEncapsulated Protocol:\t\t" + ip.protocol + "\n"
           "\tHeader Checksum:\t\t0x" + ip.checksum + "\n"
           "\tSource IP Address:\t\t" + ip.src + "\n"
           "\tDestination IP Address:\t\t" + ip.dst + "\n";
}

enum class Form { Terse, Verbose, OneLine };

// The whole display of a file: packets separated by the newline that the next
// header line brings, and the closing separator.
std::string display(const std::vector<Packet>& packets, Form form) {
    std::string out;
    for (size_t i = 0; i < packets.size(); ++i) {
        const Packet& p = packets[i];
        int n = static_cast<int>(i) + 1;
        if (i > 0) out += "\n";
        out += kSeparator + "Packet " + std::to_string(n) + "\n";
        if (form == Form::Terse) {
            out += "TIME:\t" + stamp(n) + "\nLINK:\t" + p.src + " -> " + p.dst + " type=" + p.type + "\n";
            if (p.outer) out += terseIp(*p.outer);
            if (p.inner) out += terseIp(*p.inner);
            out += p.terse;
        } else if (form == Form::Verbose) {
            out += "\tTimestamp:\t\t\t" + stamp(n) + "\n\tSource Ethernet Address:\t" + p.src +
                   "\n\tDestination Ethernet Address:\t" + p.dst + "\n\tEncapsulated Protocol:\t\t" + p.type + "\n";
            if (p.outer) out += verboseIp(*p.outer);
            if (p.inner) out += verboseIp(*p.inner);
            out += p.verbose;
        } else {
            out += p.oneLine;
        }
    }
    return out + kSeparator;
}

void expectDisplay(const std::string& file, const std::vector<Packet>& packets,
                   const std::vector<std::string>& extra = {}) {
    const std::vector<std::pair<Form, std::vector<std::string>>> forms = {
        {Form::Terse, {}}, {Form::Verbose, {"-verbose"}}, {Form::OneLine, {"-minHdrDecode"}}};
    for (const auto& [form, formWords] : forms) {
        RunResult run = runPacsiftOnFile(words(words(kNoNames, extra), formWords), fixturePath("pcap/" + file), {"TZ=UTC"});
        SCOPED_TRACE(file + (formWords.empty() ? " terse" : " " + formWords[0]));
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, display(packets, form));
    }
}

// The 28 quoted bytes (IPv4 header and UDP header of 192.168.1.2:12345 ->
// 172.16.5.5:53) shown as data: 45 00 00 28 41 41 00 00 40, then eleven bytes
// that are not printable, then 30 39 00 35 00 14 00 00.
const std::string kQuoted = "E..(AA..@...........09.5....";

Ip icmpIp(const std::string& src, int length, const std::string& id, const std::string& checksum) {
    return Ip{src, "192.168.1.2", length, id, "ICMP", checksum};
}

Packet icmpPacket(const Ip& ip, const std::string& type, const std::string& reason, const std::string& info,
                  const std::string& checksum, const std::string& data) {
    Packet p{kHostA, kHostB, "IPv4", ip, std::nullopt, "", "", ""};
    std::string because = reason.empty() ? "" : " because " + reason;
    p.terse = "ICMP:\t" + type + because + " cksum=" + checksum + "\n" + (info.empty() ? "" : "\t" + info + "\n") +
              "DATA:\t" + data + "\n";
    p.verbose = "ICMP Header\n\tType:\t\t\t\t" + type + (reason.empty() ? "" : "\n\tBecause:\t\t\t" + reason) + "\n" +
                (info.empty() ? "" : "\tAdditional Information:\t\t" + info + "\n") + "\tChecksum:\t\t\t0x" +
                checksum + "\nICMP Data\n\t" + data + "\n";
    p.oneLine = ip.src + " -> " + ip.dst + " ICMP " + type + because + "\n" + (info.empty() ? "" : "\t" + info + "\n") +
                "\t" + data + "\n";
    return p;
}

TEST(MadeSavefiles, IcmpRedirect) {
    expectDisplay("icmp-redirect.pcap",
                  {icmpPacket(icmpIp("192.168.1.1", 56, "0101", "F670"), "redirect", "route-wrong-for-host",
                              "Use router 192.168.1.254 instead", "07D6", kQuoted),
                   icmpPacket(icmpIp("192.168.1.1", 56, "0102", "F66F"), "redirect", "<*** CORRUPT ***>",
                              "Use router 192.168.1.253 instead", "07CF", kQuoted)});
}

TEST(MadeSavefiles, IcmpFragmentationNeeded) {
    expectDisplay("icmp-frag-needed.pcap",
                  {icmpPacket(icmpIp("192.168.1.1", 56, "0201", "F570"), "destination-unreachable",
                              "frag-needed-but-DF-set", "My next-hop MTU is 1400", "C701", kQuoted),
                   icmpPacket(icmpIp("192.168.1.1", 56, "0202", "F56F"), "destination-unreachable",
                              "frag-needed-but-DF-set", "", "CC79", kQuoted)});
}

TEST(MadeSavefiles, IcmpPortUnreachableQuotingUdpAndTcp) {
    // UDP: 32 bytes charged, the quoted length and checksum (00 14 00 00) are data.
    // TCP with a 60-byte header: 72 bytes charged, the quoted sequence number
    // (11 22 33 44) is data.
    expectDisplay("icmp-port-unreachable.pcap",
                  {icmpPacket(icmpIp("172.16.5.5", 56, "0301", "0505"), "destination-unreachable", "port-unreachable",
                              "Port 53 is unreachable", "CC7A", "...."),
                   icmpPacket(icmpIp("172.16.5.5", 96, "0302", "04DC"), "destination-unreachable", "port-unreachable",
                              "Port 80 is unreachable", "B445", ".\"3D")});
}

TEST(MadeSavefiles, IcmpTimeExceeded) {
    // 4 bytes charged: the unused word and the quoted bytes are data.
    expectDisplay("icmp-time-exceeded.pcap",
                  {icmpPacket(icmpIp("192.168.1.1", 56, "0401", "F370"), "time-exceeded", "TTL-reached-zero", "",
                              "C47D", "...." + kQuoted),
                   icmpPacket(icmpIp("172.16.5.5", 56, "0402", "0404"), "time-exceeded", "reassembly-timer-expired",
                              "", "C47C", "...." + kQuoted)});
}

TEST(MadeSavefiles, IcmpParameterProblem) {
    expectDisplay("icmp-parameter-problem.pcap",
                  {icmpPacket(icmpIp("192.168.1.1", 28, "0501", "F28C"), "parameter-problem", "IP-header-bad", "",
                              "F2FF", "...."),
                   icmpPacket(icmpIp("192.168.1.1", 28, "0502", "F28B"), "parameter-problem",
                              "required-option-is-missing", "", "F3FE", "....")});
}

TEST(MadeSavefiles, IcmpUnknownTypes) {
    // Type 7 comes with code 3: still no reason.
    expectDisplay("icmp-unknown-types.pcap",
                  {icmpPacket(icmpIp("192.168.1.1", 28, "0601", "F18C"), "<unknown> (7)", "", "", "484A", "WXYZ"),
                   icmpPacket(icmpIp("192.168.1.1", 28, "0602", "F18B"), "<unknown> (19)", "", "", "3C4D", "WXYZ")});
}

TEST(MadeSavefiles, IpInIp) {
    auto outer = [](int length, const std::string& id, const std::string& checksum) {
        return Ip{"192.168.1.1", "192.168.1.2", length, id, "IPIP", checksum};
    };
    auto inner = [](int length, const std::string& id, const std::string& protocol, const std::string& checksum) {
        return Ip{"10.1.1.1", "10.2.2.2", length, id, protocol, checksum};
    };
    Packet tcp{kHostA, kHostB, "IPv4", outer(60, "0701", "F00F"), inner(40, "0711", "TCP", "5CBA"),
               " TCP:\tport 1025 -> 80 seq=0000000001 ack=0000000000\n"
               "\thlen=20 (data=0) UAPRSF=000010 wnd=8192 cksum=0000 urg=0\n"
               "DATA:\t<No data>\n",
               "TCP Header\n"
               "\tSource Port:\t\t\t1025\n"
               "\tDestination Port:\t\t80\n"
               "\tSequence Number:\t\t0000000001\n"
               "\tAcknowledgement Number:\t\t0000000000\n"
               "\tHeader Length:\t\t\t20 bytes (data=0)\n"
               "\tFlags:\t\t\t\tURG=off, ACK=off, PSH=off\n"
               "\t\t\t\t\tRST=off, SYN=on,  FIN=off\n"
               "\tWindow Advertisement:\t\t8192 bytes\n"
               "\tChecksum:\t\t\t0x0000\n"
               "\tUrgent Pointer:\t\t\t0\n"
               "TCP Data\n"
               "\t<No data>\n",
               "10.1.1.1.1025 -> 10.2.2.2.80 over TCP\n\t<No data>\n"};
    Packet udp{kHostA, kHostB, "IPv4", outer(53, "0702", "F015"), inner(33, "0712", "UDP", "5CB5"),
               " UDP:\tport 5000 -> 53 hdr=8 data=5\nDATA:\tquery\n",
               "UDP Header\n"
               "\tSource Port:\t\t\t5000\n"
               "\tDestination Port:\t\t53\n"
               "\tDatagram Length:\t\t13 bytes (Header=8, Data=5)\n"
               "\tChecksum:\t\t\t0x0000\n"
               "UDP Data\n"
               "\tquery\n",
               "10.1.1.1.5000 -> 10.2.2.2.53 over UDP\n\tquery\n"};
    Packet icmp{kHostA, kHostB, "IPv4", outer(52, "0703", "F015"), inner(32, "0713", "ICMP", "5CC5"),
                "ICMP:\techo-request cksum=94A8\nDATA:\tABCDping\n",
                "ICMP Header\n"
                "\tType:\t\t\t\techo-request\n"
                "\tChecksum:\t\t\t0x94A8\n"
                "ICMP Data\n"
                "\tABCDping\n",
                "10.1.1.1 -> 10.2.2.2 ICMP echo-request\n\tABCDping\n"};
    const std::string noDecode = "\t<*** No decode support for encap protocol in IPIP packet ***>\n";
    Packet nested{kHostA, kHostB, "IPv4", outer(73, "0704", "EFFF"), inner(53, "0714", "IPIP", "5C52"),
                  noDecode, noDecode, noDecode};
    expectDisplay("ipip.pcap", {tcp, udp, icmp, nested});
}

TEST(MadeSavefiles, RarpRequestAndReply) {
    // tcpdump names the type "Reverse ARP". The zero fill after each 28-byte
    // body is dropped without -s.
    Packet request{kHostA, kBroadcast, "Reverse ARP", std::nullopt, std::nullopt,
                   "RARP:\thtype=Ethernet ptype=IP hlen=6 plen=4 op=request\n"
                   "\tsender-MAC-addr=02:00:00:00:00:01 sender-IP-address=0.0.0.0\n"
                   "\ttarget-MAC-addr=02:00:00:00:00:01 target-IP-address=0.0.0.0\n",
                   "RARP Header\n"
                   "\tHardware Type:\t\t\tEthernet\n"
                   "\tProtocol Type:\t\t\tIP\n"
                   "\tHardware Address Length:\t6 bytes\n"
                   "\tProtocol Address Length:\t4 bytes\n"
                   "\tOperation:\t\t\tRARP request\n"
                   "\tSender Hardware Address:\t02:00:00:00:00:01\n"
                   "\tSender IP Address:\t\t0.0.0.0\n"
                   "\tTarget Hardware Address:\t02:00:00:00:00:01\n"
                   "\tTarget IP Address:\t\t0.0.0.0\n",
                   "02:00:00:00:00:01 asks for its IP address\n"};
    Packet reply{kHostB, kHostA, "Reverse ARP", std::nullopt, std::nullopt,
                 "RARP:\thtype=Ethernet ptype=IP hlen=6 plen=4 op=response\n"
                 "\tsender-MAC-addr=02:00:00:00:00:02 sender-IP-address=192.168.1.2\n"
                 "\ttarget-MAC-addr=02:00:00:00:00:01 target-IP-address=192.168.1.77\n",
                 "RARP Header\n"
                 "\tHardware Type:\t\t\tEthernet\n"
                 "\tProtocol Type:\t\t\tIP\n"
                 "\tHardware Address Length:\t6 bytes\n"
                 "\tProtocol Address Length:\t4 bytes\n"
                 "\tOperation:\t\t\tRARP response\n"
                 "\tSender Hardware Address:\t02:00:00:00:00:02\n"
                 "\tSender IP Address:\t\t192.168.1.2\n"
                 "\tTarget Hardware Address:\t02:00:00:00:00:01\n"
                 "\tTarget IP Address:\t\t192.168.1.77\n",
                 "192.168.1.2 says to 02:00:00:00:00:01 its IP address is 192.168.1.77\n"};
    expectDisplay("rarp.pcap", {request, reply});
}

TEST(MadeSavefiles, ArpWithFillBytesUnderSpuriousDisplay) {
    // 18 fill bytes a0..b1 follow each 28-byte body; tcpdump prints 16 bytes a
    // line, so the rest of the second line (a0a1 a2a3) is the spurious data.
    const std::string spurious = "\t<*** Spurious data at end: \"a0a1a2a3\" ***>\n";
    Packet request{kHostA, kBroadcast, "ARP", std::nullopt, std::nullopt,
                   "ARP:\thtype=Ethernet ptype=IP hlen=6 plen=4 op=request\n"
                   "\tsender-MAC-addr=02:00:00:00:00:01 sender-IP-address=192.168.1.1\n"
                   "\ttarget-MAC-addr=00:00:00:00:00:00 target-IP-address=192.168.1.2\n" +
                       spurious,
                   "ARP Header\n"
                   "\tHardware Type:\t\t\tEthernet\n"
                   "\tProtocol Type:\t\t\tIP\n"
                   "\tHardware Address Length:\t6 bytes\n"
                   "\tProtocol Address Length:\t4 bytes\n"
                   "\tOperation:\t\t\tARP request\n"
                   "\tSender Hardware Address:\t02:00:00:00:00:01\n"
                   "\tSender IP Address:\t\t192.168.1.1\n"
                   "\tTarget Hardware Address:\t00:00:00:00:00:00\n"
                   "\tTarget IP Address:\t\t192.168.1.2\n" +
                       spurious,
                   "192.168.1.1 (02:00:00:00:00:01) asks where is 192.168.1.2\n" + spurious};
    Packet reply{kHostB, kHostA, "ARP", std::nullopt, std::nullopt,
                 "ARP:\thtype=Ethernet ptype=IP hlen=6 plen=4 op=response\n"
                 "\tsender-MAC-addr=02:00:00:00:00:02 sender-IP-address=192.168.1.2\n"
                 "\ttarget-MAC-addr=02:00:00:00:00:01 target-IP-address=192.168.1.1\n" +
                     spurious,
                 "ARP Header\n"
                 "\tHardware Type:\t\t\tEthernet\n"
                 "\tProtocol Type:\t\t\tIP\n"
                 "\tHardware Address Length:\t6 bytes\n"
                 "\tProtocol Address Length:\t4 bytes\n"
                 "\tOperation:\t\t\tARP response\n"
                 "\tSender Hardware Address:\t02:00:00:00:00:02\n"
                 "\tSender IP Address:\t\t192.168.1.2\n"
                 "\tTarget Hardware Address:\t02:00:00:00:00:01\n"
                 "\tTarget IP Address:\t\t192.168.1.1\n" +
                     spurious,
                 "192.168.1.2 says to 192.168.1.1 it's at 02:00:00:00:00:02\n" + spurious};
    expectDisplay("arp-padding.pcap", {request, reply}, {"-s"});
}

// The committed savefiles are what the script writes.
TEST(MadeSavefiles, MatchTheScript) {
    RunResult run = runCommand({"python3", std::string(PACSIFT_FIXTURES) + "/make-pcaps", "--check"}, "");
    if (run.status == 127) GTEST_SKIP() << "no python3";
    EXPECT_EQ(run.status, 0) << run.out << run.err;
}

}  // namespace
