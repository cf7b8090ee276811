// The payload display, end to end: TCP segments in cooked tcpdump text
// through the pacsift binary.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/tcpdump_text.h"

using namespace tcpdump_text;

namespace {

const std::string kTcp = "04d2 0050 0102 0304 0a0b 0c0d 5018 7210 abcd 0000";

constexpr int kAsPresent = 1000000;

// A TCP segment carrying `dataHex`, whose IPv4 total length announces
// `announced` data bytes (as many as there are by default), followed in the
// dump by `trailingHex`.
std::string segment(const std::string& dataHex, int announced = kAsPresent, const std::string& trailingHex = "") {
    int present = 0;
    for (char c : dataHex) present += c != ' ';
    present /= 2;
    char ip[64];
    std::snprintf(ip, sizeof ip, "4500 %04x 1c46 4000 4006 b1e6 0a00 0001 0a00 0002",
                  40 + (announced == kAsPresent ? present : announced));
    return ipFrame(ip + kTcp + dataHex + trailingHex, 54 + present);
}

// What comes after the payload display in these runs: the closing separator.
std::string payloadOf(const RunResult& run) {
    std::string::size_type at = run.out.find("urg=0\n");
    if (at == std::string::npos) return "<no TCP line in: " + run.out + ">";
    return run.out.substr(at + 6);
}

std::string verbosePayloadOf(const RunResult& run) {
    std::string::size_type at = run.out.find("\tUrgent Pointer:\t\t\t0\n");
    if (at == std::string::npos) return "<no TCP block in: " + run.out + ">";
    return run.out.substr(at + 21);
}

std::string oneLinePayloadOf(const RunResult& run) {
    std::string::size_type at = run.out.find(" over TCP\n");
    if (at == std::string::npos) return "<no TCP line in: " + run.out + ">";
    return run.out.substr(at + 10);
}

// 33 bytes: "The quick brown fox" CR LF "jumps" TAB "over" 0x01 LF.
const std::string kFox = "54 68 65 20 71 75 69 63 6B 20 62 72 6F 77 6E 20 66 6F 78 0D 0A "
                         "6A 75 6D 70 73 09 6F 76 65 72 01 0A";

}  // namespace

TEST(PayloadDisplay, WrappingAtWidthTen) {
    std::string frame = segment(kFox);
    EXPECT_EQ(payloadOf(runCooked({"-w", "10"}, frame)),
              "DATA:\tThe quick \n"
              "\tbrown fox.\n"
              "\tjumps\tover\n"
              "\t.\n"
              "\t\n" +
                  kSeparator);
    EXPECT_EQ(payloadOf(runCooked({"-w", "10", "-sb"}, frame)),
              "DATA:\tThe quick <br>\n"
              "\tbrown fox.\n"
              "\tjumps\tover<br>\n"
              "\t.\n"
              "\t\n" +
                  kSeparator);
    // -b: no wrapping, and -sb then shows nothing.
    const std::string unwrapped =
        "DATA:\tThe quick brown fox.\n"
        "\tjumps\tover.\n"
        "\t\n" +
        kSeparator;
    EXPECT_EQ(payloadOf(runCooked({"-w", "10", "-b"}, frame)), unwrapped);
    EXPECT_EQ(payloadOf(runCooked({"-b", "-sb", "-w", "10"}, frame)), unwrapped);
}

TEST(PayloadDisplay, WrappingInTheOtherForms) {
    std::string frame = segment(kFox);
    const std::string wrapped =
        "\tThe quick \n"
        "\tbrown fox.\n"
        "\tjumps\tover\n"
        "\t.\n"
        "\t\n" +
        kSeparator;
    EXPECT_EQ(verbosePayloadOf(runCooked({"-w", "10", "-verbose"}, frame)), "TCP Data\n" + wrapped);
    EXPECT_EQ(oneLinePayloadOf(runCooked({"-w", "10", "-minHdrDecode"}, frame)), wrapped);
}

// The default width is 60: 60 bytes fit on the label's line, the 61st starts
// a line of its own.
TEST(PayloadDisplay, DefaultWidthSixty) {
    std::string sixty;
    for (int i = 0; i < 6; ++i) sixty += "0123456789";
    EXPECT_EQ(payloadOf(runCooked({}, segment(textHex(sixty)))), "DATA:\t" + sixty + "\n" + kSeparator);
    EXPECT_EQ(payloadOf(runCooked({}, segment(textHex(sixty + "X")))),
              "DATA:\t" + sixty + "\n\tX\n" + kSeparator);
    EXPECT_EQ(payloadOf(runCooked({"-sb"}, segment(textHex(sixty + "X")))),
              "DATA:\t" + sixty + "<br>\n\tX\n" + kSeparator);
}

struct WrapCase {
    const char* name;
    std::vector<std::string> options;
    std::string data;       // the payload's bytes
    std::string expected;   // the display from the label on, before the separator
};

TEST(PayloadDisplay, WrappingAndCharacters) {
    const WrapCase cases[] = {
        {"width 1", {"-w", "1"}, "abc", "DATA:\ta\n\tb\n\tc\n"},
        {"newline last", {}, "ab\n", "DATA:\tab\n\t\n"},
        {"newline restarts the count", {"-w", "3"}, "abc\ndef", "DATA:\tabc\n\tdef\n"},
        {"break before the fourth", {"-w", "3"}, "abcd", "DATA:\tabc\n\td\n"},
        {"newline never breaks", {"-w", "3", "-sb"}, "abc\n\nd", "DATA:\tabc\n\t\n\td\n"},
        {"tab takes one column", {"-w", "3"}, "a\tbc d", "DATA:\ta\tb\n\tc d\n"},
        {"controls, DEL and high bytes are dots", {}, "caf\xE9\x7F\x0D\x80\xFF\x01 ~!", "DATA:\tcaf...... ~!\n"},
        {"a NUL byte is a dot", {}, std::string("a\0b", 3), "DATA:\ta.b\n"},
        {"dots count as columns", {"-w", "2"}, "\x01\x02\x03", "DATA:\t..\n\t.\n"},
        {"unwrapped high bytes", {"-b", "-w", "2"}, "\xE9\xE9\xE9z", "DATA:\t...z\n"},
    };
    for (const WrapCase& c : cases) {
        RunResult run = runCooked(c.options, segment(textHex(c.data)));
        EXPECT_EQ(payloadOf(run), c.expected + kSeparator) << c.name;
    }
}

TEST(PayloadDisplay, NoDataInAllForms) {
    std::string frame = segment("");
    EXPECT_EQ(payloadOf(runCooked({}, frame)), "DATA:\t<No data>\n" + kSeparator);
    EXPECT_EQ(verbosePayloadOf(runCooked({"-verbose"}, frame)), "TCP Data\n\t<No data>\n" + kSeparator);
    EXPECT_EQ(oneLinePayloadOf(runCooked({"-minHdrDecode"}, frame)), "\t<No data>\n" + kSeparator);
}

// An ICMP message longer than the datagram (4 bytes counted of 2): the label
// alone on its line, and no byte consumed, so the spurious-data tail sees them.
TEST(PayloadDisplay, NegativeCountInAllForms) {
    std::string frame = ipFrame("4500 0016 1c46 4000 4001 b1e6 0a00 0001 0a00 0002 0800 f7ff 0001 0002", 36);
    const std::string spurious = "\t<*** Spurious data at end: \"00010002\" ***>\n" + kSeparator;
    auto after = [](const RunResult& run, const std::string& text) {
        std::string::size_type at = run.out.find(text);
        return at == std::string::npos ? "<no " + text + " in: " + run.out + ">" : run.out.substr(at + text.size());
    };
    EXPECT_EQ(after(runCooked({"-s"}, frame), "cksum=F7FF\n"), "DATA:\t\n" + spurious);
    EXPECT_EQ(after(runCooked({"-s", "-verbose"}, frame), "\tChecksum:\t\t\t0xF7FF\n"), "ICMP Data\n\t\n" + spurious);
    EXPECT_EQ(after(runCooked({"-s", "-minHdrDecode"}, frame), "ICMP echo-request\n"), "\t\n" + spurious);
    // -noData reports 0 bytes and consumes nothing.
    EXPECT_EQ(after(runCooked({"-s", "-noData"}, frame), "cksum=F7FF\n"), "DATA:\t0 bytes\n" + spurious);
}

// -noData: the count line, and exactly that many bytes consumed.
TEST(PayloadDisplay, NoDataOptionCountsAndConsumes) {
    std::string frame = segment(textHex("hi t"), kAsPresent, "aabb ccdd");
    const std::string spurious = "\t<*** Spurious data at end: \"aabbccdd\" ***>\n" + kSeparator;
    EXPECT_EQ(payloadOf(runCooked({"-noData", "-s"}, frame)), "DATA:\t4 bytes\n" + spurious);
    EXPECT_EQ(verbosePayloadOf(runCooked({"-noData", "-s", "-verbose"}, frame)), "TCP Data\n\t4 bytes\n" + spurious);
    EXPECT_EQ(oneLinePayloadOf(runCooked({"-noData", "-s", "-minHdrDecode"}, frame)), "\t4 bytes\n" + spurious);

    // 42 bytes that end the dump: nothing spurious is left.
    std::string fortyTwo(42, 'x');
    EXPECT_EQ(payloadOf(runCooked({"-noData", "-s"}, segment(textHex(fortyTwo)))), "DATA:\t42 bytes\n" + kSeparator);
    EXPECT_EQ(payloadOf(runCooked({"-noData"}, segment(""))), "DATA:\t0 bytes\n" + kSeparator);
}

// -noData and a dump cut short: the count is settled first, so the next
// header line brings no missing-data notice.
TEST(PayloadDisplay, NoDataOptionDumpCutShort) {
    std::string cut = segment(textHex("hi t"), 8);
    std::string run = runCooked({"-noData"}, cut + cut).out;
    EXPECT_NE(run.find("urg=0\nDATA:\t8 bytes\n\n" + terseStart(2)), std::string::npos) << run;
    EXPECT_EQ(run.find("Rest of data missing"), std::string::npos) << run;
    // Without -noData the same dump gets the notice.
    std::string shown = runCooked({}, cut + cut).out;
    EXPECT_NE(shown.find("urg=0\nDATA:\thi t\n\n\t<*** Rest of data missing from packet dump ***>\n" + terseStart(2)),
              std::string::npos)
        << shown;
}
