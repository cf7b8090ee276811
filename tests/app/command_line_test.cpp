// Option words, the help text and option errors, seen from outside: the real
// binary on cooked input.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/cooked_text.h"
#include "support/run_binary.h"

using namespace cooked;

namespace {

const std::string kHelp =
    "\n"
    "Copyright (c) 2026 The pacsift authors. All rights reserved.\n"
    "Contact: the pacsift authors, through the project's issue tracker.\n"
    "\n"
    "pacsift -- decode a tcpdump(1) savefile, giving a fully\n"
    "           decoded display of Ethernet, ARP, RARP, IP, ICMP,\n"
    "           UDP and TCP headers and an ASCII display of\n"
    "           the application data.\n"
    "\n"
    "Version " PACSIFT_VERSION "\n"
    "\n"
    "Usage: pacsift [ options ... ] [ expr ]\n"
    "\n"
    "where options are as follows\n"
    "\t-b\t\tdo not break/wrap long lines\n"
    "\t-sb\t\tshow breaks (show where we broke a line)\n"
    "\t-w width\tset pagewidth to \"width\" columns (used by -b)\n"
    "\t-noLink\t\tdon't decode link header (Ethernet header)\n"
    "\t-noIp\t\tdon't decode IP header\n"
    "\t-extended\tdecode IPv6, VLAN, LLC, MPLS, PPPoE, GRE and more\n"
    "\t-noHostNames\tdon't map IP addresses to host names\n"
    "\t-fqdn\t\tshow host names as fully-qualified\n"
    "\t-noEtherNames\tdon't map Ethernet addresses to host names\n"
    "\t-noPortNames\tdon't map port numbers to names\n"
    "\t-noData\t\tdon't show data (show headers only)\n"
    "\t-minHdrDecode\tshow only a minimal header decode\n"
    "\t-track\t\ttrack sequence numbers (show next-expected ACK)\n"
    "\t-terse\t\tshow header decode in compact format (default)\n"
    "\t-verbose\tshow header decode in expanded format\n"
    "\t-cooked\t\tdon't run tcpdump to pre-process the input\n"
    "\t-pp\t\tpoint-to-point link (no Ethernet header available)\n"
    "\t-s\t\tdisplay hex dump of spurious data at packet-end\n"
    "\t-h\t\tdisplay this help summary\n"
    "\n"
    "expr is a tcpdump(1) expression, and is only valid when the -cooked\n"
    "option is not used.\n"
    "\n"
    "Input is from stdin, which must be a raw tcpdump(1) data file (savefile),\n"
    "unless the -cooked option is used, in which case stdin must be in the\n"
    "format produced by tcpdump -lenx.\n"
    "\n"
    "Output is to stdout.\n"
    "\n"
    "tcpdump(1) must be on your PATH unless -cooked is used.\n"
    "\n";

TEST(HelpText, PrintedExactlyWithStatusZero) {
    RunResult run = runPacsift({"-h"}, "");
    EXPECT_EQ(run.out, kHelp);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
}

TEST(HelpText, EndsRecognitionAtOnce) {
    // Whatever follows -h is never looked at, not even a bad option or a
    // -w without its value; options before it are recognised as usual.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"-h", "-bogus"}, {"-h", "-w"}, {"-h", "-w", "0"}, {"-cooked", "-verbose", "-h", "--"},
             {"-w", "5", "-h"}, {"-h", "port", "80"}}) {
        RunResult run = runPacsift(args, kTcpInput);
        EXPECT_EQ(run.out, kHelp) << args[0] << " " << args[1];
        EXPECT_EQ(run.err, "") << args[0] << " " << args[1];
        EXPECT_EQ(run.status, 0) << args[0] << " " << args[1];
    }
}

// The long words every Unix user tries: --help is -h; --version prints the
// name and the project's version alone. Both end recognition as -h does.
TEST(HelpText, LongWords) {
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {{"--help"}, kHelp},
        {{"-verbose", "--help", "-bogus"}, kHelp},
        {{"--version"}, "pacsift " PACSIFT_VERSION "\n"},
        {{"-cooked", "--version", "-w"}, "pacsift " PACSIFT_VERSION "\n"},
    };
    for (const Case& c : cases) {
        RunResult run = runPacsift(c.args, kTcpInput);
        EXPECT_EQ(run.out, c.out) << c.args[0];
        EXPECT_EQ(run.err, "") << c.args[0];
        EXPECT_EQ(run.status, 0) << c.args[0];
    }
    // After an expression word they are expression words.
    RunResult run = runPacsift(cookedArgs({"port", "--version"}), kTcpInput);
    EXPECT_EQ(run.out, kTcpOutput);
    EXPECT_EQ(run.status, 0);
}

TEST(HelpText, BadOptionBeforeItIsAnError) {
    RunResult run = runPacsift({"-bogus", "-h"}, "");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "***Error: Unknown command line flag\n");
    EXPECT_EQ(run.status, 1);
}

TEST(HelpText, AfterAnExpressionWordItIsAnExpressionWord) {
    RunResult run = runPacsift(cookedArgs({"port", "-h"}), kTcpInput);
    EXPECT_EQ(run.out, kTcpOutput);
    EXPECT_EQ(run.err, "input is cooked -- ignoring tcpdump expressions\n");
    EXPECT_EQ(run.status, 0);
}

// Option words that are not options: the whole word must match, case and all.
TEST(OptionErrors, UnknownWords) {
    for (const char* word : {"-", "--", "-S", "-help", "-sx", "-verbose2", "-H", "-Verbose", "-noip",
                             "-cook", "-w80", "-cooked=1", "--cooked", "-b ", "- s", "--h", "--Help", "-version",
                             "--version=1", "-V"}) {
        RunResult run = runPacsift({"-cooked", word}, kTcpInput);
        EXPECT_EQ(run.out, "") << word;
        EXPECT_EQ(run.err, "***Error: Unknown command line flag\n") << word;
        EXPECT_EQ(run.status, 1) << word;
    }
}

TEST(OptionErrors, WidthWithoutValue) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"-w"}, {"-cooked", "-w"}, {"-w", "5", "-w"}}) {
        RunResult run = runPacsift(args, kTcpInput);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "***Error: -w needs a numeric argument\n");
        EXPECT_EQ(run.status, 1);
    }
}

TEST(OptionErrors, WidthTooSmall) {
    // The value word is read whatever it looks like; what atoi makes of it
    // below 1 is too small. A too-small -w stops even after a good one.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"-w", "0"}, {"-w", "abc"}, {"-w", "-5"}, {"-w", "-cooked"}, {"-w", ""}, {"-w", "x80"},
             {"-w", "-0"}, {"-w", "  0x50"}, {"-w", "80", "-w", "0"}, {"-w", "-99999999999"}}) {
        std::vector<std::string> full = words({"-cooked"}, args);
        RunResult run = runPacsift(full, kTcpInput);
        EXPECT_EQ(run.out, "") << args[1];
        EXPECT_EQ(run.err, "***Error: -w value too small\n") << args[1];
        EXPECT_EQ(run.status, 1) << args[1];
    }
}

// Every option word is accepted, alone and repeated.
TEST(OptionWords, EachIsAccepted) {
    for (const char* word : {"-minHdrDecode", "-s", "-b", "-sb", "-terse", "-verbose", "-track", "-noData",
                             "-noLink", "-noIp", "-noHostNames", "-noEtherNames", "-noPortNames", "-fqdn",
                             "-cooked", "-pp", "-extended"}) {
        RunResult run = runPacsift({"-cooked", word, word}, "");
        EXPECT_EQ(run.out, "") << word;
        EXPECT_EQ(run.err, "") << word;
        EXPECT_EQ(run.status, 0) << word;
    }
}

// Decodes in this process (same option recognition and decoder as the
// binary), for the long tables of cases.
void expectDecoded(const std::vector<std::string>& args, const std::string& input, const std::string& expected,
                   const std::string& label) {
    int status = -1;
    std::string out = decodeInProcess(cookedArgs(args), input, &status);
    EXPECT_EQ(out, expected) << label;
    EXPECT_EQ(status, 0) << label;
}

struct OptionCase {
    std::vector<std::string> args;   // after -cooked and the quiet options
    std::string expected;
};

// The TCP packet of cooked_text.h under each option that changes what it shows.
TEST(OptionWords, EffectOnOnePacket) {
    const std::string verboseLink =
        "\tTimestamp:\t\t\t12:00:00.500000\n"
        "\tSource Ethernet Address:\t08:00:20:01:02:03\n"
        "\tDestination Ethernet Address:\t00:A0:C9:0E:1F:2B\n"
        "\tEncapsulated Protocol:\t\tIP\n";
    const std::string verboseIp =
        "IP Header\n"
        "\tVersion:\t\t\t4\n"
        "\tHeader Length:\t\t\t20 bytes\n"
        "\tService Type:\t\t\t0x00\n"
        "\tDatagram Length:\t\t44 bytes\n"
        "\tIdentification:\t\t\t0x1234\n"
        "\tFlags:\t\t\t\tMF=off, DF=on\n"
        "\tFragment Offset:\t\t0\n"
        "\tTTL:\t\t\t\t64\n"
        "\tEncapsulated Protocol:\t\tTCP\n"
        "\tHeader Checksum:\t\t0xABCD\n"
        "\tSource IP Address:\t\t10.0.0.1\n"
        "\tDestination IP Address:\t\t10.0.0.2\n";
    const std::string verboseTcp =
        "TCP Header\n"
        "\tSource Port:\t\t\t1234\n"
        "\tDestination Port:\t\t80\n"
        "\tSequence Number:\t\t0000001000\n"
        "\tAcknowledgement Number:\t\t0000002000\n"
        "\tHeader Length:\t\t\t20 bytes (data=4)\n"
        "\tFlags:\t\t\t\tURG=off, ACK=on,  PSH=on\n"
        "\t\t\t\t\tRST=off, SYN=off, FIN=off\n"
        "\tWindow Advertisement:\t\t8192 bytes\n"
        "\tChecksum:\t\t\t0x1234\n"
        "\tUrgent Pointer:\t\t\t0\n";
    const std::string verboseData = "TCP Data\n\tabcd\n";
    const std::string verbose = verboseLink + verboseIp + verboseTcp + verboseData;
    const std::string oneLine = "10.0.0.1.1234 -> 10.0.0.2.80 over TCP\n\tabcd\n";
    const std::string spurious = "\t<*** Spurious data at end: \"0000\" ***>\n";
    const std::string head = kSeparator + "Packet 1\n";

    const std::vector<OptionCase> cases = {
        {{}, head + kTcpTime + kTcpBody + kSeparator},
        {{"-terse"}, head + kTcpTime + kTcpBody + kSeparator},
        {{"-verbose"}, head + verbose + kSeparator},
        {{"-verbose", "-terse"}, head + kTcpTime + kTcpBody + kSeparator},
        {{"-terse", "-verbose"}, head + verbose + kSeparator},
        {{"-minHdrDecode"}, head + oneLine + kSeparator},
        {{"-minHdrDecode", "-verbose"}, head + oneLine + kSeparator},
        {{"-verbose", "-minHdrDecode", "-terse"}, head + oneLine + kSeparator},
        {{"-noLink"}, head + kTcpIp + kTcpTcp + kTcpData + kSeparator},
        {{"-noIp"}, head + kTcpTime + kTcpLink + kTcpTcp + kTcpData + kSeparator},
        {{"-noLink", "-noIp"}, head + kTcpTcp + kTcpData + kSeparator},
        {{"-noData"}, head + kTcpTime + kTcpLink + kTcpIp + kTcpTcp + "DATA:\t4 bytes\n" + kSeparator},
        {{"-track"},
         head + kTcpTime + kTcpLink + kTcpIp +
             " TCP:\tport 1234 -> 80 seq=0000001000 (expect=0000001004) ack=0000002000\n"
             "\thlen=20 (data=4) UAPRSF=011000 wnd=8192 cksum=1234 urg=0\n" +
             kTcpData + kSeparator},
        {{"-s"}, head + kTcpTime + kTcpBody + spurious + kSeparator},
        {{"-s", "-s"}, head + kTcpTime + kTcpBody + spurious + kSeparator},
        // -sb is a word of its own: it does not switch on -s.
        {{"-sb"}, head + kTcpTime + kTcpBody + kSeparator},
        {{"-b"}, head + kTcpTime + kTcpBody + kSeparator},
        {{"-pp"}, head + kTcpTime + kTcpIp + kTcpTcp + kTcpData + kSeparator},
        {{"-fqdn"}, head + kTcpTime + kTcpBody + kSeparator},
        {{"-cooked"}, head + kTcpTime + kTcpBody + kSeparator},
    };
    for (const OptionCase& c : cases) {
        std::string label;
        for (const std::string& word : c.args) label += word + " ";
        expectDecoded(c.args, kTcpInput, c.expected, label);
    }
    // The binary agrees.
    RunResult run = runPacsift(cookedArgs({"-terse", "-verbose"}), kTcpInput);
    EXPECT_EQ(run.out, head + verbose + kSeparator);
    EXPECT_EQ(run.status, 0);
}

// -noEtherNames is what lets a header line with a source that is no Ethernet
// address through: with it the lookup is never made.
TEST(OptionWords, NoEtherNamesSkipsTheLookup) {
    const std::string input = "12:00:00.500000 zz 0:a0:c9:e:1f:2b 86dd 60:\n" + kIpv6DataLine;

    RunResult named = runPacsift({"-cooked", "-noLink"}, input);
    EXPECT_EQ(named.out, kSeparator + "Packet 1\n");
    EXPECT_EQ(named.err, "***Error: Badly formatted Ethernet address\n");
    EXPECT_EQ(named.status, 1);

    RunResult unnamed = runPacsift({"-cooked", "-noLink", "-noEtherNames"}, input);
    EXPECT_EQ(unnamed.out, kSeparator + "Packet 1\n" + kNoDecode + kSeparator);
    EXPECT_EQ(unnamed.err, "");
    EXPECT_EQ(unnamed.status, 0);
}

// The first word that does not begin with '-' ends the options; it and all
// words after it are expression words, which -cooked ignores with a warning.
TEST(OptionWords, FirstExpressionWordEndsRecognition) {
    const std::vector<std::vector<std::string>> tails = {
        {"port", "80", "-s"},
        {"", "-s"},                 // an empty word is an expression word too
        {"", "-bogus", "-w"},
        {"tcp", "-verbose", "-minHdrDecode"},
    };
    for (const std::vector<std::string>& tail : tails) {
        RunResult run = runPacsift(cookedArgs(tail), kTcpInput);
        EXPECT_EQ(run.out, kTcpOutput) << tail[0] << " " << tail[1];
        EXPECT_EQ(run.err, "input is cooked -- ignoring tcpdump expressions\n") << tail[0] << " " << tail[1];
        EXPECT_EQ(run.status, 0) << tail[0] << " " << tail[1];
    }
}

// -w sets the page width of the payload display.
TEST(OptionWords, PageWidth) {
    const std::string input = tcpDatagramInput("abcdefghij");
    const std::string head = tcpDatagramHead(10);
    const std::vector<OptionCase> cases = {
        {{}, head + "DATA:\tabcdefghij\n" + kSeparator},
        {{"-w", "1"}, head + "DATA:\ta\n\tb\n\tc\n\td\n\te\n\tf\n\tg\n\th\n\ti\n\tj\n" + kSeparator},
        {{"-w", "7"}, head + "DATA:\tabcdefg\n\thij\n" + kSeparator},
        {{"-w", " 7"}, head + "DATA:\tabcdefg\n\thij\n" + kSeparator},
        {{"-w", "+5"}, head + "DATA:\tabcde\n\tfghij\n" + kSeparator},
        {{"-w", "4x"}, head + "DATA:\tabcd\n\tefgh\n\tij\n" + kSeparator},
        {{"-w", "10"}, head + "DATA:\tabcdefghij\n" + kSeparator},
        {{"-w", "9"}, head + "DATA:\tabcdefghi\n\tj\n" + kSeparator},
        {{"-w", "9", "-w", "3"}, head + "DATA:\tabc\n\tdef\n\tghi\n\tj\n" + kSeparator},
        {{"-w", "3", "-w", "9"}, head + "DATA:\tabcdefghi\n\tj\n" + kSeparator},
        {{"-w", "99999999999"}, head + "DATA:\tabcdefghij\n" + kSeparator},
        {{"-w", "2147483647"}, head + "DATA:\tabcdefghij\n" + kSeparator},
        {{"-w", "5", "-sb"}, head + "DATA:\tabcde<br>\n\tfghij\n" + kSeparator},
        {{"-w", "5", "-b"}, head + "DATA:\tabcdefghij\n" + kSeparator},
        {{"-w", "5", "-b", "-sb"}, head + "DATA:\tabcdefghij\n" + kSeparator},
        // -s is not -sb: no break marker.
        {{"-w", "5", "-s"}, head + "DATA:\tabcde\n\tfghij\n" + kSeparator},
    };
    for (const OptionCase& c : cases) {
        std::string label;
        for (const std::string& word : c.args) label += "[" + word + "] ";
        expectDecoded(c.args, input, c.expected, label);
    }
    RunResult run = runPacsift(cookedArgs({"-w", "4x"}), input);
    EXPECT_EQ(run.out, head + "DATA:\tabcd\n\tefgh\n\tij\n" + kSeparator);
    EXPECT_EQ(run.status, 0);
}

// 100 data bytes: 60 on the first line by default, 80 with -w 80x.
TEST(OptionWords, PageWidthWithTrailingLetters) {
    const std::string alphabet = "abcdefghijklmnopqrstuvwxyz";
    const std::string data = alphabet + alphabet + alphabet + "abcdefghijklmnopqrstuv";
    ASSERT_EQ(data.size(), 100u);
    const std::string input = tcpDatagramInput(data);
    const std::string head = tcpDatagramHead(100);

    RunResult byDefault = runPacsift(cookedArgs(), input);
    EXPECT_EQ(byDefault.out, head +
                                 "DATA:\tabcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefgh\n"
                                 "\tijklmnopqrstuvwxyzabcdefghijklmnopqrstuv\n" +
                                 kSeparator);
    EXPECT_EQ(byDefault.status, 0);

    RunResult wide = runPacsift(cookedArgs({"-w", "80x"}), input);
    EXPECT_EQ(wide.out, head +
                            "DATA:\tabcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzab\n"
                            "\tcdefghijklmnopqrstuv\n" +
                            kSeparator);
    EXPECT_EQ(wide.err, "");
    EXPECT_EQ(wide.status, 0);
}

// An option error stops the program before any input is read: nothing is
// decoded even when good input is waiting.
TEST(OptionErrors, NothingIsDecoded) {
    RunResult run = runPacsift(words(cookedArgs({"-verbose"}), {"-x"}), kTcpInput);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "***Error: Unknown command line flag\n");
    EXPECT_EQ(run.status, 1);
}

}  // namespace

// ---------------------------------------------------------------------------
// Locale: LC_CTYPE is consulted before LC_ALL, LANG never. The effect shown
// is the payload display's printable test on the byte 0xE9: a dot in the "C"
// locale, the byte itself in a single-byte Latin-1 locale.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace {

const char kLatin1[] = "fr_FR.ISO-8859-1";

// A directory for LOCPATH holding the Latin-1 locale, made once per build
// directory with localedef; empty when the machine cannot make it.
std::string latin1LocaleDir() {
    namespace fs = std::filesystem;
    const fs::path root = fs::path(PACSIFT_BINARY_DIR) / "test-locales";
    if (fs::exists(root / kLatin1 / "LC_CTYPE")) return root.string();
    std::error_code ignored;
    fs::create_directories(root, ignored);
    std::string scratch = (root / "making-XXXXXX").string();
    if (mkdtemp(scratch.data()) == nullptr) return "";
    RunResult made = runCommand({"localedef", "-i", "fr_FR", "-f", "ISO-8859-1", scratch + "/" + kLatin1}, "");
    if (fs::exists(fs::path(scratch) / kLatin1 / "LC_CTYPE"))
        fs::rename(fs::path(scratch) / kLatin1, root / kLatin1, ignored);   // another run may have won
    fs::remove_all(scratch, ignored);
    return fs::exists(root / kLatin1 / "LC_CTYPE") ? root.string() : "";
}

// Runs pacsift with none of the locale variables but those in `settings`.
RunResult runWithLocale(const std::string& locPath, const std::vector<std::string>& settings,
                        const std::vector<std::string>& args, const std::string& input) {
    std::vector<std::string> argv = {"env", "-u", "LC_ALL", "-u", "LC_CTYPE", "-u", "LANG", "-u", "LC_NUMERIC",
                                     "LOCPATH=" + locPath};
    argv.insert(argv.end(), settings.begin(), settings.end());
    argv.push_back(PACSIFT_BIN);
    argv.insert(argv.end(), args.begin(), args.end());
    return runCommand(argv, input);
}

TEST(Locale, CtypeBeforeAll) {
    const std::string locPath = latin1LocaleDir();
    if (locPath.empty()) GTEST_SKIP() << "localedef could not make " << kLatin1;
    const std::string latin1 = kLatin1;

    const std::string input = tcpDatagramInput("caf\xe9");
    const std::string shown = tcpDatagramHead(4) + "DATA:\tcaf\xe9\n" + kSeparator;
    const std::string dotted = tcpDatagramHead(4) + "DATA:\tcaf.\n" + kSeparator;
    struct Case {
        std::vector<std::string> settings;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{}, dotted},
        {{"LC_CTYPE=" + latin1}, shown},
        {{"LC_ALL=" + latin1}, shown},
        {{"LC_CTYPE=" + latin1, "LC_ALL=C"}, shown},
        {{"LC_CTYPE=C", "LC_ALL=" + latin1}, dotted},
        // A locale that cannot be set leaves "C"; LC_ALL is not tried then.
        {{"LC_CTYPE=xx_NOWHERE.nothing", "LC_ALL=" + latin1}, dotted},
        {{"LANG=" + latin1}, dotted},
    };
    for (const Case& c : cases) {
        std::string label;
        for (const std::string& setting : c.settings) label += setting + " ";
        RunResult run = runWithLocale(locPath, c.settings, cookedArgs(), input);
        EXPECT_EQ(run.out, c.expected) << label;
        EXPECT_EQ(run.err, "") << label;
        EXPECT_EQ(run.status, 0) << label;
    }
}

// The help text comes before the locale is chosen: the version keeps its point.
TEST(Locale, HelpTextIsUnaffected) {
    const std::string locPath = latin1LocaleDir();
    if (locPath.empty()) GTEST_SKIP() << "localedef could not make " << kLatin1;
    const std::string latin1 = kLatin1;
    for (const std::string& setting : {"LC_ALL=" + latin1, "LC_CTYPE=" + latin1, "LC_NUMERIC=" + latin1}) {
        RunResult run = runWithLocale(locPath, {setting}, {"-h"}, "");
        EXPECT_EQ(run.out, kHelp) << setting;
        EXPECT_EQ(run.status, 0) << setting;
    }
}

}  // namespace
