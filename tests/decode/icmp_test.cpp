// ICMP messages through the real binary on cooked text: type and reason
// texts, the three messages that carry further fields, and the bytes charged
// to the data count. Whole displays of single messages in the three forms are
// rows of the golden table (tests/golden/TESTLIST, icmp-*).

#include <gtest/gtest.h>
#include <netdb.h>
#include <netinet/in.h>

#include "decode/frame_text.h"
#include "support/fake_names.h"
#include "support/run_binary.h"

namespace {
using namespace frame_text;

// IPv4 10.0.0.1 -> 10.0.0.2, id 0x0001, TTL 64, protocol 1, checksum 0xbeef,
// with the total length spliced in; the ICMP message follows.
std::string icmpDatagram(const std::string& totalLength, const std::string& icmpHex) {
    return "4500 " + totalLength + " 0001 0000 4001 beef 0a00 0001 0a00 0002 " + icmpHex;
}

std::string terseIp(int datagramLength) {
    return "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=" + std::to_string(datagramLength) +
           " id=0001\n\tMF/DF=0/0 frag=0 TTL=64 proto=ICMP cksum=BEEF\n";
}

const std::string kWxyz = "5758595a";   // the four bytes "WXYZ"

// ---------------------------------------------------------------------------
// Messages with nothing read beyond the checksum: 4 bytes charged, so the
// 4 bytes "WXYZ" after the checksum are shown as data.

struct TypeCase {
    int type;
    int code;
    const char* text;   // type text and reason as the terse line shows them
};

class IcmpTypeText : public ::testing::TestWithParam<TypeCase> {};

TEST_P(IcmpTypeText, TerseLineAndFourBytesCharged) {
    const TypeCase& c = GetParam();
    char head[8];
    std::snprintf(head, sizeof head, "%02x%02x", c.type, c.code);
    const std::string input = ipFrame(icmpDatagram("001c", std::string(head) + "1f2e" + kWxyz));
    EXPECT_EQ(decode({"-noLink"}, input),
              packet(1) + terseIp(28) + "ICMP:\t" + c.text + " cksum=1F2E\nDATA:\tWXYZ\n" + kSeparator);
}

INSTANTIATE_TEST_SUITE_P(
    Icmp, IcmpTypeText,
    ::testing::Values(
        TypeCase{0, 0, "echo-reply"},
        TypeCase{0, 5, "echo-reply because <*** CORRUPT ***>"},
        TypeCase{3, 0, "destination-unreachable because network-unreachable"},
        TypeCase{3, 1, "destination-unreachable because host-unreachable"},
        TypeCase{3, 2, "destination-unreachable because protocol-unreachable"},
        TypeCase{3, 5, "destination-unreachable because source-route-failed"},
        TypeCase{3, 6, "destination-unreachable because destination-network-unknown"},
        TypeCase{3, 7, "destination-unreachable because destination-host-unknown"},
        TypeCase{3, 8, "destination-unreachable because source-host-isolated"},
        TypeCase{3, 9, "destination-unreachable because dest-net-admin-prohibited"},
        TypeCase{3, 10, "destination-unreachable because dest-host-admin-prohibited"},
        TypeCase{3, 11, "destination-unreachable because network-unreachable-for-TOS"},
        TypeCase{3, 12, "destination-unreachable because host-unreachable-for-TOS"},
        TypeCase{3, 13, "destination-unreachable because trafffic-prohibited-by-filter"},
        TypeCase{3, 14, "destination-unreachable because host-precedence-violation"},
        TypeCase{3, 15, "destination-unreachable because precedence-cutoff-in-effect"},
        TypeCase{3, 16, "destination-unreachable because <*** CORRUPT ***>"},
        TypeCase{3, 255, "destination-unreachable because <*** CORRUPT ***>"},
        TypeCase{4, 0, "source-quench"},
        TypeCase{4, 1, "source-quench because <*** CORRUPT ***>"},
        TypeCase{8, 0, "echo-request"},
        TypeCase{8, 5, "echo-request because <*** CORRUPT ***>"},
        TypeCase{9, 0, "router-advertisement"},
        TypeCase{10, 0, "router-solicitation"},
        TypeCase{10, 2, "router-solicitation because <*** CORRUPT ***>"},
        TypeCase{11, 0, "time-exceeded because TTL-reached-zero"},
        TypeCase{11, 1, "time-exceeded because reassembly-timer-expired"},
        TypeCase{11, 2, "time-exceeded because <*** CORRUPT ***>"},
        TypeCase{12, 0, "parameter-problem because IP-header-bad"},
        TypeCase{12, 1, "parameter-problem because required-option-is-missing"},
        TypeCase{12, 2, "parameter-problem because <*** CORRUPT ***>"},
        TypeCase{13, 0, "timestamp-request"},
        TypeCase{14, 0, "timestamp-reply"},
        TypeCase{15, 0, "information-request"},
        TypeCase{16, 0, "information-reply"},
        TypeCase{17, 0, "address-mask-request"},
        TypeCase{18, 0, "address-mask-reply"},
        TypeCase{18, 1, "address-mask-reply because <*** CORRUPT ***>"},
        // Types without a name: the number, and never a reason.
        TypeCase{1, 0, "<unknown> (1)"},
        TypeCase{2, 0, "<unknown> (2)"},
        TypeCase{6, 0, "<unknown> (6)"},
        TypeCase{7, 0, "<unknown> (7)"},
        TypeCase{7, 3, "<unknown> (7)"},
        TypeCase{19, 0, "<unknown> (19)"},
        TypeCase{19, 1, "<unknown> (19)"},
        TypeCase{40, 0, "<unknown> (40)"},
        TypeCase{255, 255, "<unknown> (255)"}),
    [](const ::testing::TestParamInfo<TypeCase>& info) {
        return "Type" + std::to_string(info.param.type) + "Code" + std::to_string(info.param.code);
    });

// ---------------------------------------------------------------------------
// Redirect: the gateway is read for every code, 8 bytes are charged.

struct RedirectCase {
    int code;
    const char* reason;
};

class IcmpRedirect : public ::testing::TestWithParam<RedirectCase> {};

TEST_P(IcmpRedirect, RouterLineAndEightBytesCharged) {
    const RedirectCase& c = GetParam();
    char head[8];
    std::snprintf(head, sizeof head, "05%02x", c.code);
    const std::string input = ipFrame(icmpDatagram("0020", std::string(head) + "1f2e 0a00 00fe" + kWxyz));
    EXPECT_EQ(decode({"-noLink"}, input),
              packet(1) + terseIp(32) + "ICMP:\tredirect because " + c.reason +
                  " cksum=1F2E\n\tUse router 10.0.0.254 instead\nDATA:\tWXYZ\n" + kSeparator);
}

INSTANTIATE_TEST_SUITE_P(Icmp, IcmpRedirect,
                         ::testing::Values(RedirectCase{0, "route-wrong-for-network"},
                                           RedirectCase{1, "route-wrong-for-host"},
                                           RedirectCase{2, "route-wrong-for-TOS-and-net"},
                                           RedirectCase{3, "route-wrong-for-TOS-and-host"},
                                           RedirectCase{4, "<*** CORRUPT ***>"},
                                           RedirectCase{9, "<*** CORRUPT ***>"},
                                           RedirectCase{255, "<*** CORRUPT ***>"}),
                         [](const ::testing::TestParamInfo<RedirectCase>& info) {
                             return "Code" + std::to_string(info.param.code);
                         });

// The router's name goes into a 256-byte text with "Use router " and
// " instead": a name of 236 characters fits, one of 237 stops the program
// before anything of the message is shown. The names come from a controlled
// database (no dot in them, so nothing is cut off).
TEST(IcmpDecode, RouterNameLimit) {
    const std::string input = ipFrame(icmpDatagram("0020", "0501 1f2e 0a00 00fe" + kWxyz));
    std::vector<std::string> args{"-cooked", "-noPortNames", "-noEtherNames", "-noLink"};

    const std::string fits(236, 'r');
    std::string fixture = writeNameFixture("host 10.0.0.254 " + fits + "\n");
    RunResult shown = runPacsift(args, input, fakeNamesEnv(fixture));
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out, packet(1) + terseIp(32) + "ICMP:\tredirect because route-wrong-for-host cksum=1F2E\n" +
                             "\tUse router " + fits + " instead\n" + "DATA:\tWXYZ\n" + kSeparator);
    std::remove(fixture.c_str());

    fixture = writeNameFixture("host 10.0.0.254 " + std::string(237, 'r') + "\n");
    RunResult stopped = runPacsift(args, input, fakeNamesEnv(fixture));
    EXPECT_EQ(stopped.status, 1);
    EXPECT_EQ(stopped.err, "***Error: INFOBUF too small\n");
    EXPECT_EQ(stopped.out, packet(1) + terseIp(32));
    std::remove(fixture.c_str());
}

// ---------------------------------------------------------------------------
// Port unreachable: the quoted header and the ports are read; 12 + IHL * 4
// bytes are charged.

const std::string kQuotedUdp = "4500 0030 0000 0000 4011 0000 0a00 0002 0a00 0001 3039 0035";
const std::string kQuotedTcp60 = "4f00 0050 0000 0000 4006 0000 0a00 0002 0a00 0001" + std::string(80, '1') +
                                 "0401 0050";

// With port names on, the quoted protocol picks the services entry: port 512
// is commonly exec over TCP and biff over UDP. The expectation is looked up in
// this machine's services database.
TEST(IcmpDecode, PortNameLookedUpForTheQuotedProtocol) {
    auto expected = [](const char* protocol) {
        const servent* entry = getservbyport(htons(512), protocol);
        return "\tPort " + std::string(entry != nullptr ? entry->s_name : "512") + " is unreachable\n";
    };
    const std::string udp = "4500 0030 0000 0000 4011 0000 0a00 0002 0a00 0001 3039 0200";
    const std::string tcp = "4500 0030 0000 0000 4006 0000 0a00 0002 0a00 0001 3039 0200";
    std::vector<std::string> args{"-cooked", "-noHostNames", "-noEtherNames", "-noLink"};
    for (const auto& [quoted, protocol] : {std::pair{udp, "udp"}, std::pair{tcp, "tcp"}}) {
        RunResult run = runPacsift(args, ipFrame(icmpDatagram("0038", "0303 1f2e 0000 0000" + quoted + kWxyz)));
        EXPECT_EQ(run.out, packet(1) + terseIp(56) +
                               "ICMP:\tdestination-unreachable because port-unreachable cksum=1F2E\n" +
                               expected(protocol) + "DATA:\tWXYZ\n" + kSeparator)
            << protocol;
    }
}

// The datagram's length covers exactly the bytes charged, so the four bytes
// after it are the frame's leftovers: under -s they are the spurious data,
// which shows that exactly the charged bytes were read.
TEST(IcmpDecode, ChargedBytesEndWhereTheSpuriousDataBegins) {
    struct {
        std::string total, icmp;
    } cases[] = {
        {"0034", "0303 1f2e 0000 0000" + kQuotedUdp},   // port unreachable: 20 + 32
        {"005c", "0303 1f2e 0000 0000" + kQuotedTcp60},  // port unreachable: 20 + 72
        {"001c", "0501 1f2e 0a00 00fe"},                 // redirect: 20 + 8
        {"001c", "0304 1f2e 0000 0000"},                 // fragmentation needed: 20 + 8
        {"001c", "0304 1f2e 0000 0240"},
    };
    const std::string tail = "DATA:\t<No data>\n\t<*** Spurious data at end: \"5758595a\" ***>\n" + kSeparator;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.icmp.substr(0, 4));
        std::string out = decode({"-noLink", "-s"}, ipFrame(icmpDatagram(c.total, c.icmp + kWxyz)));
        ASSERT_GE(out.size(), tail.size());
        EXPECT_EQ(out.substr(out.size() - tail.size()), tail) << out;
    }
}

// The charge is made whatever the datagram length says: a total length that
// leaves only 4 ICMP bytes goes to -4 after a redirect's 8, so the data
// display shows its label alone, and the bytes after the gateway are spurious.
TEST(IcmpDecode, ChargeBeyondTheDatagramLeavesANegativeCount) {
    const std::string input = ipFrame(icmpDatagram("0018", "0501 1f2e 0a00 00fe" + kWxyz));
    EXPECT_EQ(decode({"-noLink", "-s"}, input),
              packet(1) + terseIp(24) +
                  "ICMP:\tredirect because route-wrong-for-host cksum=1F2E\n"
                  "\tUse router 10.0.0.254 instead\n"
                  "DATA:\t\n"
                  "\t<*** Spurious data at end: \"5758595a\" ***>\n" +
                  kSeparator);
}

// A quoted header length below 3 words announces less than the 10 bytes
// already read: nothing more is skipped (4 + 4 + 10 + 4 = 22 bytes charged).
// IHL 3 skips the 2 bytes beyond those 10 (24 bytes charged).
TEST(IcmpDecode, PortUnreachableWithShortQuotedHeader) {
    struct {
        const char* name;
        std::string quoted;
        std::string total;
    } cases[] = {
        {"IHL 0", "40 00 0000 0000 0000 40 11 3039 0035", "002e"},
        {"IHL 2", "42 00 0000 0000 0000 40 11 3039 0035", "002e"},
        {"IHL 3", "43 00 0000 0000 0000 40 11 aaaa 3039 0035", "0030"},
    };
    for (const auto& c : cases) {
        const std::string input = ipFrame(icmpDatagram(c.total, "0303 1f2e 0000 0000" + c.quoted + kWxyz));
        int length = c.total == "002e" ? 46 : 48;
        EXPECT_EQ(decode({"-noLink"}, input),
                  packet(1) + terseIp(length) +
                      "ICMP:\tdestination-unreachable because port-unreachable cksum=1F2E\n"
                      "\tPort 53 is unreachable\n"
                      "DATA:\tWXYZ\n" +
                      kSeparator)
            << c.name;
    }
}

// A quoted protocol other than TCP or UDP is a condition of this packet: the
// message without its information line, the notice, and the next packet.
TEST(IcmpDecode, PortUnreachableQuotingIcmpGoesOnWithTheNextPacket) {
    const std::string quotedIcmp = "4500 0030 0000 0000 4001 0000 0a00 0002 0a00 0001 0800 0035";
    const std::string input = ipFrame(icmpDatagram("0038", "0303 1f2e 0000 0000" + quotedIcmp + kWxyz)) +
                              ipFrame(icmpDatagram("001c", "0800 3c4d" + kWxyz), "12:00:00.500000");
    const std::string notice = "\t<*** IP protocol field != TCP or UDP ***>\n";

    RunResult terse = runPacsift(cookedArgs({"-noLink", "-s"}), input);
    EXPECT_EQ(terse.status, 0);
    EXPECT_EQ(terse.err, "");
    EXPECT_EQ(terse.out, packet(1) + terseIp(56) +
                             "ICMP:\tdestination-unreachable because port-unreachable cksum=1F2E\n" + notice + "\n" +
                             packet(2) + terseIp(28) + "ICMP:\techo-request cksum=3C4D\nDATA:\tWXYZ\n" + kSeparator);

    EXPECT_EQ(decode({"-verbose", "-noLink", "-noIp"}, input),
              packet(1) +
                  "ICMP Header\n"
                  "\tType:\t\t\t\tdestination-unreachable\n"
                  "\tBecause:\t\t\tport-unreachable\n"
                  "\tChecksum:\t\t\t0x1F2E\n" +
                  notice + "\n" + packet(2) +
                  "ICMP Header\n"
                  "\tType:\t\t\t\techo-request\n"
                  "\tChecksum:\t\t\t0x3C4D\n"
                  "ICMP Data\n"
                  "\tWXYZ\n" +
                  kSeparator);

    EXPECT_EQ(decode({"-minHdrDecode"}, input),
              packet(1) + "10.0.0.1 -> 10.0.0.2 ICMP destination-unreachable because port-unreachable\n" + notice +
                  "\n" + packet(2) + "10.0.0.1 -> 10.0.0.2 ICMP echo-request\n\tWXYZ\n" + kSeparator);
}

// The dump ends inside the quoted header: nothing of the message is shown,
// and the count that the IPv4 header set is not reduced.
TEST(IcmpDecode, MessageCutShortShowsNothingOfIt) {
    const std::string input = ipFrame(icmpDatagram("0038", "0303 1f2e 0000 0000 4500 0030")) +
                              ipFrame(icmpDatagram("001c", "0800 3c4d" + kWxyz), "12:00:00.500000");
    EXPECT_EQ(decode({"-noLink"}, input),
              packet(1) + terseIp(56) + "\n\n\t<*** Rest of data missing from packet dump ***>\n" + packet(2) +
                  terseIp(28) + "ICMP:\techo-request cksum=3C4D\nDATA:\tWXYZ\n" + kSeparator);
}

}  // namespace
