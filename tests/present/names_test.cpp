// Host, service and Ethernet names, through fakes of the platform's lookups.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <string>

#include "common/options.h"
#include "common/output.h"
#include "common/program_end.h"
#include "present/names.h"
#include "support/fake_name_database.h"
#include "support/in_process_test.h"
#include "support/run_binary.h"

namespace {
class Names : public InProcessTest {
protected:
    void SetUp() override {
        InProcessTest::SetUp();
        fake_names::install();
        fake_names::hosts = {{"10.0.0.1", "alpha.example.com"},
                             {"10.0.0.2", "beta"},
                             {"10.0.0.3", ".hidden.example.com"},
                             {"10.0.0.4", "gamma."}};
        fake_names::services = {{"80/tcp", "http"}, {"53/udp", "domain"}, {"65535/tcp", "top"}};
        fake_names::ethers = {{"08:00:20:01:02:03", "gateway"}, {"00:a0:c9:0e:1f:2b", "printer.example.com"}};
    }
};

// Runs `lookup`, which must end the program with status 1 and this message.
template <typename Lookup>
void expectFatal(Lookup lookup, const std::string& message) {
    testing::internal::CaptureStderr();
    int status = -1;
    try {
        lookup();
    } catch (const ProgramEnd& end) {
        status = end.status;
    }
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1);
    EXPECT_EQ(err, "***Error: " + message + "\n");
}

TEST_F(Names, HostNameAsksTheHostsDatabaseForTheAddress) {
    EXPECT_STREQ(hostName("10.0.0.2", true), "beta");
    EXPECT_EQ(fake_names::calls.gethostbyaddr, 1);
    EXPECT_EQ(fake_names::lastHostQuery, "10.0.0.2");
    EXPECT_EQ(fake_names::lastHostLength, 4u);
    EXPECT_EQ(fake_names::lastHostFamily, AF_INET);
    // No cache: the same address is asked for again.
    EXPECT_STREQ(hostName("10.0.0.2", false), "beta");
    EXPECT_EQ(fake_names::calls.gethostbyaddr, 2);
}

TEST_F(Names, HostNameIsCutAtItsFirstDotUnlessFqdn) {
    struct Case {
        const char* addr;
        const char* shortName;
        const char* fullName;
    };
    const Case cases[] = {
        {"10.0.0.1", "alpha", "alpha.example.com"},
        {"10.0.0.2", "beta", "beta"},
        {"10.0.0.3", "", ".hidden.example.com"},
        {"10.0.0.4", "gamma", "gamma."},
    };
    for (const Case& c : cases) {
        options.fqdn = false;
        EXPECT_STREQ(hostName(c.addr, true), c.shortName) << c.addr;
        EXPECT_STREQ(hostName(c.addr, false), c.shortName) << c.addr;
        options.fqdn = true;
        EXPECT_STREQ(hostName(c.addr, true), c.fullName) << c.addr;
    }
}

TEST_F(Names, HostWithoutNameGivesTheAddressOrUnknown) {
    const char addr[] = "192.168.7.9";
    EXPECT_EQ(hostName(addr, true), addr);   // the very text passed in
    EXPECT_STREQ(hostName(addr, false), "<unknown>");
    EXPECT_EQ(fake_names::calls.gethostbyaddr, 2);
}

TEST_F(Names, HostNameLimitIs255Characters) {
    std::string longest(255, 'h');
    fake_names::hosts["10.9.9.9"] = longest;
    EXPECT_EQ(hostName("10.9.9.9", true), longest);
    // 255 with dots, kept whole under -fqdn.
    std::string dotted = std::string(100, 'a') + "." + std::string(154, 'b');
    fake_names::hosts["10.9.9.8"] = dotted;
    options.fqdn = true;
    EXPECT_EQ(hostName("10.9.9.8", true), dotted);

    fake_names::hosts["10.9.9.7"] = std::string(256, 'h');
    expectFatal([] { hostName("10.9.9.7", true); }, "Hostname too long");
    // Too long even when the display would keep only the first label.
    options.fqdn = false;
    fake_names::hosts["10.9.9.6"] = "short." + std::string(250, 'x');
    expectFatal([] { hostName("10.9.9.6", true); }, "Hostname too long");
    expectFatal([] { hostSuffix("10.9.9.6"); }, "Hostname too long");
}

TEST_F(Names, PortNameAsksForThePortInNetworkOrderAndItsProtocol) {
    EXPECT_STREQ(portName(80, "tcp", true), "http");
    EXPECT_EQ(fake_names::lastServicePort, htons(80));
    EXPECT_EQ(fake_names::lastServiceProtocol, "tcp");
    EXPECT_STREQ(portName(65535, "tcp", true), "top");
    EXPECT_EQ(fake_names::lastServicePort, htons(65535));
    // A service listed only for udp is no name for tcp, and the other way round.
    EXPECT_STREQ(portName(53, "tcp", true), "53");
    EXPECT_STREQ(portName(53, "udp", true), "domain");
    EXPECT_EQ(fake_names::lastServiceProtocol, "udp");
    EXPECT_STREQ(portName(80, "udp", true), "80");
    EXPECT_EQ(fake_names::calls.getservbyport, 5);
}

TEST_F(Names, PortWithoutNameGivesTheNumberOrUnknown) {
    EXPECT_STREQ(portName(8080, "tcp", true), "8080");
    EXPECT_STREQ(portName(0, "udp", true), "0");
    EXPECT_STREQ(portName(65534, "tcp", true), "65534");
    EXPECT_STREQ(portName(8080, "tcp", false), "<unknown>");
}

TEST_F(Names, PortNameLimitIs32Characters) {
    std::string longest(32, 's');
    fake_names::services["1000/tcp"] = longest;
    EXPECT_EQ(portName(1000, "tcp", true), longest);
    EXPECT_EQ(portName(1000, "tcp", false), longest);
    serviceSuffix(1000, "tcp");
    EXPECT_EQ(takeOutput(), " (" + longest + ")");

    fake_names::services["1001/udp"] = std::string(33, 's');
    expectFatal([] { portName(1001, "udp", true); }, "Port name too long");
    expectFatal([] { portName(1001, "udp", false); }, "Port name too long");
    expectFatal([] { serviceSuffix(1001, "udp"); }, "Port name too long");
}

TEST_F(Names, EtherHostName) {
    EXPECT_STREQ(etherHostName("08:00:20:01:02:03", true), "gateway");
    EXPECT_STREQ(etherHostName("08:00:20:01:02:03", false), "gateway");
    // Ethernet host names are not cut at a dot, even without -fqdn.
    EXPECT_STREQ(etherHostName("00:A0:C9:0E:1F:2B", true), "printer.example.com");
    const char unnamed[] = "00:11:22:33:44:55";
    EXPECT_EQ(etherHostName(unnamed, true), unnamed);
    EXPECT_STREQ(etherHostName(unnamed, false), "<unknown>");
    EXPECT_EQ(fake_names::calls.ether_aton, 5);
    EXPECT_EQ(fake_names::calls.ether_ntohost, 5);
}

TEST_F(Names, EtherHostNameIsCutTo255Characters) {
    fake_names::ethers["00:00:00:00:00:01"] = std::string(300, 'e');
    EXPECT_EQ(etherHostName("00:00:00:00:00:01", true), std::string(255, 'e'));
    etherSuffix("00:00:00:00:00:01");
    EXPECT_EQ(takeOutput(), " (" + std::string(255, 'e') + ")");
}

TEST_F(Names, BadlyFormattedEthernetAddressEndsTheProgram) {
    const char* bad[] = {"not-an-address", "", "08:00:20:01:02", "GG:00:20:01:02:03"};
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        expectFatal([text] { etherHostName(text, true); }, "Badly formatted Ethernet address");
        expectFatal([text] { etherSuffix(text); }, "Badly formatted Ethernet address");
        EXPECT_EQ(takeOutput(), "");
    }
    // Under -noEtherNames the text is not even parsed.
    options.noEtherNames = true;
    fake_names::calls = {};
    for (const char* text : bad) {
        EXPECT_EQ(etherHostName(text, true), text);
        EXPECT_STREQ(etherHostName(text, false), "<unknown>");
        etherSuffix(text);
    }
    EXPECT_EQ(takeOutput(), "");
    EXPECT_EQ(fake_names::calls.total(), 0);
}

TEST_F(Names, NamingOptionsMakeNoPlatformCall) {
    options.noHostNames = true;
    options.noPortNames = true;
    options.noEtherNames = true;
    const char addr[] = "10.0.0.1";
    const char ether[] = "08:00:20:01:02:03";
    EXPECT_EQ(hostName(addr, true), addr);
    EXPECT_STREQ(hostName(addr, false), "<unknown>");
    // Known to the database, shown as a number all the same.
    EXPECT_STREQ(portName(80, "tcp", true), "80");
    EXPECT_STREQ(portName(80, "tcp", false), "<unknown>");
    EXPECT_EQ(etherHostName(ether, true), ether);
    EXPECT_STREQ(etherHostName(ether, false), "<unknown>");
    hostSuffix(addr);
    serviceSuffix(80, "tcp");
    etherSuffix(ether);
    EXPECT_EQ(takeOutput(), "");
    EXPECT_EQ(fake_names::calls.total(), 0);
}

TEST_F(Names, EachNamingOptionTurnsOffItsOwnLookupOnly) {
    options.noHostNames = true;
    EXPECT_STREQ(portName(80, "tcp", true), "http");
    EXPECT_STREQ(etherHostName("08:00:20:01:02:03", true), "gateway");
    EXPECT_EQ(fake_names::calls.gethostbyaddr, 0);
    options = Options{};
    options.noPortNames = true;
    EXPECT_STREQ(hostName("10.0.0.2", true), "beta");
    EXPECT_EQ(fake_names::calls.getservbyport, 1);
    options = Options{};
    options.noEtherNames = true;
    EXPECT_STREQ(hostName("10.0.0.2", true), "beta");
    EXPECT_STREQ(portName(80, "tcp", true), "http");
    EXPECT_EQ(fake_names::calls.ether_aton + fake_names::calls.ether_ntohost, 2);
}

TEST_F(Names, SuffixesShowTheNameOrUnknown) {
    hostSuffix("10.0.0.1");
    EXPECT_EQ(takeOutput(), " (alpha)");
    options.fqdn = true;
    hostSuffix("10.0.0.1");
    EXPECT_EQ(takeOutput(), " (alpha.example.com)");
    hostSuffix("10.0.0.99");
    EXPECT_EQ(takeOutput(), " (<unknown>)");
    hostSuffix("10.0.0.3");
    EXPECT_EQ(takeOutput(), " (.hidden.example.com)");
    options.fqdn = false;
    hostSuffix("10.0.0.3");
    EXPECT_EQ(takeOutput(), " ()");

    serviceSuffix(80, "tcp");
    EXPECT_EQ(takeOutput(), " (http)");
    serviceSuffix(80, "udp");
    EXPECT_EQ(takeOutput(), " (<unknown>)");
    serviceSuffix(53, "udp");
    EXPECT_EQ(takeOutput(), " (domain)");

    etherSuffix("08:00:20:01:02:03");
    EXPECT_EQ(takeOutput(), " (gateway)");
    etherSuffix("FF:FF:FF:FF:FF:FF");
    EXPECT_EQ(takeOutput(), " (<unknown>)");
}
// No lookup result is kept: every name on the display is asked for afresh,
// and the verbose suffixes ask again for what the display texts already asked.
TEST_F(Names, LookupsPerDecodedPacket) {
    setOutputSink(writeToStandardOutput);
    const std::string tcpPacket =
        "12:00:00.000000 08:00:20:01:02:03 > 00:11:22:33:44:55, ethertype IPv4 (0x0800), length 54: x\n"
        "\t0x0000:  4500 0028 0001 4000 4006 0000 0a00 0001\n"
        "\t0x0010:  0a00 0002 0050 0401 0000 0001 0000 0000\n"
        "\t0x0020:  5010 1000 0000 0000\n";
    struct Case {
        std::vector<std::string> args;
        int hosts, services, ethers;
    };
    const Case cases[] = {
        {{"-cooked"}, 2, 2, 2},
        {{"-cooked", "-verbose"}, 4, 4, 4},
        // The link addresses are looked up even when no link line is shown.
        {{"-cooked", "-minHdrDecode"}, 2, 2, 2},
        {{"-cooked", "-verbose", "-noHostNames"}, 0, 4, 4},
        {{"-cooked", "-verbose", "-noPortNames"}, 4, 0, 4},
        {{"-cooked", "-verbose", "-noEtherNames"}, 4, 4, 0},
        {{"-cooked", "-verbose", "-noHostNames", "-noPortNames", "-noEtherNames"}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        std::string words;
        for (const std::string& word : c.args) words += word + " ";
        SCOPED_TRACE(words);
        fake_names::calls = {};
        int status = -1;
        decodeInProcess(c.args, tcpPacket, &status);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(fake_names::calls.gethostbyaddr, c.hosts);
        EXPECT_EQ(fake_names::calls.getservbyport, c.services);
        EXPECT_EQ(fake_names::calls.ether_ntohost, c.ethers);
        EXPECT_EQ(fake_names::calls.ether_aton, c.ethers);
    }
}
}  // namespace
