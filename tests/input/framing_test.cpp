// Cutting cooked input into packets: which lines open a packet, which feed
// the decoders and which are ignored, the closing lines between packets and at
// the end of input. The real binary on cooked text, names off.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "input/cooked_text.h"
#include "support/run_binary.h"

using namespace cooked;

namespace {

// The real binary.
void expectDisplay(const std::string& input, const std::string& expected, const std::string& label = "") {
    RunResult run = runPacsift(cookedArgs(), input);
    EXPECT_EQ(run.out, expected) << label;
    EXPECT_EQ(run.err, "") << label;
    EXPECT_EQ(run.status, 0) << label;
}

// The same decoder in this process: for the long tables of cases, where a
// process per case would make the suite slow.
void expectDecoded(const std::string& input, const std::string& expected, const std::string& label = "") {
    int status = -1;
    std::string out = decodeInProcess(cookedArgs(), input, &status);
    EXPECT_EQ(out, expected) << label;
    EXPECT_EQ(status, 0) << label;
}

std::string tcpHeaderLineAt(const std::string& timestamp) {
    return timestamp + " 8:0:20:1:2:3 0:a0:c9:e:1f:2b 0800 60:\n";
}

std::string withNul(const std::string& before, const std::string& after) {
    return before + std::string(1, '\0') + after;
}

// Printable form of a line for failure messages.
std::string shown(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '\t') {
            out += "\\t";
        } else if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02x", c);
            out += code;
        }
    }
    return out;
}

TEST(Framing, NothingWithoutAHeaderLine) {
    const std::vector<std::string> inputs = {
        "",
        "\n",
        "hello\n",
        "\t0x0000:  4500 002c 1234 4000 4006 abcd 0a00 0001\n",
        kTcpLine1 + kTcpLine2 + kTcpLine3,
        " 12:00:00.500000 0:0:0:0:0:1 0:0:0:0:0:2 86dd\n",           // blank-led: shifted
        "12:00:00 0:0:0:0:0:1 0:0:0:0:0:2 86dd\n" + kIpv6DataLine,   // no fraction
        "12:00:00,500000 0:0:0:0:0:1 0:0:0:0:0:2 86dd\n" + kIpv6DataLine,
        "12:00:0.5 0:0:0:0:0:1 0:0:0:0:0:2 86dd\n",
        withNul("12:00:00", ".500000 0:0:0:0:0:1 0:0:0:0:0:2 86dd\n") + kIpv6DataLine,
        withNul("12:00", ":00.500000 0:0:0:0:0:1 0:0:0:0:0:2 86dd\n"),
        "12:00:00",
    };
    for (const std::string& input : inputs) expectDecoded(input, "", shown(input));
    expectDisplay(inputs[3], "");
}

// "12:00:00." has its '.' at position 8: the shortest header line there is.
// The missing tokens are empty texts.
TEST(Framing, ShortestHeaderLine) {
    expectDisplay("12:00:00.\n",
                  kSeparator + "Packet 1\nTIME:\t12:00:00.\nLINK:\t ->  type=\n" + kSeparator);
}

TEST(Framing, LinesBeforeTheFirstHeaderAreIgnored) {
    const std::string before =
        "tcpdump: reading from file -, link-type EN10MB (Ethernet)\n"
        "\t0x0000:  6000 0000 0000 0000\n"     // tab-led data before any packet
        "\t\t4500 002c\n"
        "  0x0000:  4500 002c\n"
        "\n"
        "\t\n";
    expectDisplay(before + kTcpInput, kTcpOutput);
}

// Lines that are neither header lines nor data lines with digits, put inside
// the TCP packet: they change nothing.
TEST(Framing, LinesSkippedInsideAPacket) {
    const std::vector<std::string> lines = {
        " 0x0010:  6000 0000 0000 0000\n",                          // blank-led hex line
        "  6000 0000 0000\n",
        "12:00:01 0:0:0:0:0:1 0:0:0:0:0:2 86dd\n",                  // timestamp without fraction
        "12:00:01,000000 0:0:0:0:0:1 0:0:0:0:0:2 86dd\n",
        "12-00-01.000000 0:0:0:0:0:1 0:0:0:0:0:2 86dd\n",
        "1:00:00.500000 0:0:0:0:0:1 0:0:0:0:0:2 86dd\n",
        "12:00:0\n",
        "\n",
        "     \n",
        "\r\n",
        "\t\n",                                                       // nothing left once compacted
        "\t \t  \v\f\r\n",
        "\t0x0010:\n",                                               // the offset field alone
        "\t0x0010:    \t\n",
        withNul("", "\t6000 0000 0000\n"),                           // NUL first: an empty line
        withNul("\t", " 6000 0000 0000\n"),                          // NUL after the tab
        withNul("\t", "12:00:01.000000 0:0:0:0:0:1 0:0:0:0:0:2 86dd\n"),
        "garbage \xff\xfe\x80 text\n",
        "\xff\t6000\n",
    };
    for (const std::string& line : lines) {
        expectDecoded(kTcpHeaderLine + line + kTcpLine1 + kTcpLine2 + kTcpLine3, kTcpOutput,
                      "before the first data line: " + shown(line));
        expectDecoded(kTcpHeaderLine + kTcpLine1 + line + kTcpLine2 + kTcpLine3, kTcpOutput,
                      "between data lines: " + shown(line));
    }
    // All of them at once, through the binary.
    std::string all;
    for (const std::string& line : lines) all += line;
    expectDisplay(kTcpHeaderLine + all + kTcpLine1 + all + kTcpLine2 + all + kTcpLine3, kTcpOutput, "all");
}

// The header test comes first: a tab-led line with ':' at 2 and 5 and '.' at 8
// opens a packet.
TEST(Framing, TabLedHeaderLine) {
    const std::string input =
        kTcpInput + "\t1:00:00.500000 0:0:0:0:0:1 0:0:0:0:0:2 86dd 70:\n" + kIpv6DataLine;
    // Its timestamp token is 1:00:00.500000, which shows no delta (no ':' at 2).
    expectDisplay(input, kSeparator + "Packet 1\n" + kTcpTime + kTcpBody + "\n" +
                             kSeparator + "Packet 2\nTIME:\t1:00:00.500000\n" + kIpv6Link + kNoDecode + kSeparator);
}

TEST(Framing, TwoHeaderLinesInARow) {
    expectDisplay(ipv6HeaderLine("12:00:00.500000") + ipv6HeaderLine("12:00:01.000000"),
                  kSeparator + "Packet 1\nTIME:\t12:00:00.500000\n" + kIpv6Link + "\n" +
                      kSeparator + "Packet 2\nTIME:\t12:00:01.000000 (0.500000)\n" + kIpv6Link + kSeparator);

    // An IPv4 header line with no data lines: no decoder runs.
    expectDisplay(kTcpHeaderLine + ipv6HeaderLine("12:00:01.000000") + kIpv6DataLine,
                  kSeparator + "Packet 1\n" + kTcpTime + kTcpLink + "\n" +
                      kSeparator + "Packet 2\nTIME:\t12:00:01.000000 (0.500000)\n" + kIpv6Link + kNoDecode + kSeparator);
}

TEST(Framing, HeaderLineLast) {
    const std::string alone = kSeparator + "Packet 1\nTIME:\t12:00:00.500000\n" + kIpv6Link + kSeparator;
    expectDisplay(ipv6HeaderLine("12:00:00.500000"), alone, "with newline");
    std::string unterminated = ipv6HeaderLine("12:00:00.500000");
    unterminated.pop_back();
    expectDisplay(unterminated, alone, "without newline");
    expectDisplay("12:00:00.500000 0:0:0:0:0:1 0:0:0:0:0:2 86dd", alone, "four tokens, without newline");

    std::string last = ipv6HeaderLine("12:00:01.000000");
    last.pop_back();
    expectDisplay(kTcpInput + last, kSeparator + "Packet 1\n" + kTcpTime + kTcpBody + "\n" + kSeparator +
                                        "Packet 2\nTIME:\t12:00:01.000000 (0.500000)\n" + kIpv6Link + kSeparator);
}

TEST(Framing, LastDataLineWithoutNewline) {
    std::string input = kTcpInput;
    input.pop_back();
    expectDisplay(input, kTcpOutput);
}

// The missing-data notice comes only when the next header line cuts a packet
// short while data bytes are still expected; the end of input never gives it.
// The end of input finishes a packet cut short as the next header line does.
TEST(Framing, MissingDataAtARestartAndAtTheEnd) {
    const std::string cutInData = kTcpHeaderLine + kTcpLine1 + kTcpLine2 + kTcpLine3Short;
    const std::string shownBeforeCut = kSeparator + "Packet 1\n" + kTcpTime + kTcpLink + kTcpIp + kTcpTcp + "DATA:\tab";

    expectDisplay(cutInData + ipv6HeaderLine("12:00:01.000000"),
                  shownBeforeCut + "\n" + kMissing + kSeparator + "Packet 2\nTIME:\t12:00:01.000000 (0.500000)\n" +
                      kIpv6Link + kSeparator,
                  "data cut by the next packet");
    expectDisplay(cutInData, shownBeforeCut + "\n" + kMissing + kSeparator, "data cut by the end of input");

    // Cut inside the TCP header: the 24 bytes after the IP header are still expected.
    const std::string cutInTcp = kTcpHeaderLine + kTcpLine1 + kTcpLine2;
    expectDisplay(cutInTcp + ipv6HeaderLine("12:00:01.000000"),
                  kSeparator + "Packet 1\n" + kTcpTime + kTcpLink + kTcpIp + "\n" + kMissing + kSeparator +
                      "Packet 2\nTIME:\t12:00:01.000000 (0.500000)\n" + kIpv6Link + kSeparator,
                  "TCP header cut by the next packet");
    expectDisplay(cutInTcp, kSeparator + "Packet 1\n" + kTcpTime + kTcpLink + kTcpIp + "\n" + kMissing + kSeparator,
                  "TCP header cut by the end of input");

    // Cut inside the IP header: nothing of it is shown, nothing is expected yet.
    const std::string cutInIp = kTcpHeaderLine + kTcpLine1;
    expectDisplay(cutInIp + ipv6HeaderLine("12:00:01.000000"),
                  kSeparator + "Packet 1\n" + kTcpTime + kTcpLink + "\n" + kSeparator +
                      "Packet 2\nTIME:\t12:00:01.000000 (0.500000)\n" + kIpv6Link + kSeparator,
                  "IP header cut by the next packet");
    expectDisplay(cutInIp, kSeparator + "Packet 1\n" + kTcpTime + kTcpLink + "\n" + kSeparator,
                  "IP header cut by the end of input");
}

// A packet cut short does not hand its expected count on: each packet starts
// with nothing expected.
TEST(Framing, MissingDataIsNotCarriedOver) {
    const std::string cutInData = kTcpHeaderLine + kTcpLine1 + kTcpLine2 + kTcpLine3Short;
    const std::string first =
        kSeparator + "Packet 1\n" + kTcpTime + kTcpLink + kTcpIp + kTcpTcp + "DATA:\tab\n" + kMissing;

    // Next: a packet without data lines.
    expectDisplay(cutInData + ipv6HeaderLine("12:00:01.000000") + ipv6HeaderLine("12:00:01.500000"),
                  first + kSeparator + "Packet 2\nTIME:\t12:00:01.000000 (0.500000)\n" + kIpv6Link + "\n" + kSeparator +
                      "Packet 3\nTIME:\t12:00:01.500000 (0.500000)\n" + kIpv6Link + kSeparator,
                  "header only");

    // Next: an IPv4 packet cut inside its IP header.
    expectDisplay(cutInData + tcpHeaderLineAt("12:00:01.000000") + kTcpLine1 + ipv6HeaderLine("12:00:01.500000"),
                  first + kSeparator + "Packet 2\nTIME:\t12:00:01.000000 (0.500000)\n" + kTcpLink + "\n" + kSeparator +
                      "Packet 3\nTIME:\t12:00:01.500000 (0.500000)\n" + kIpv6Link + kSeparator,
                  "IP header cut");

    // Next: a packet of a type without a decoder, with data.
    expectDisplay(cutInData + ipv6HeaderLine("12:00:01.000000") + kIpv6DataLine + ipv6HeaderLine("12:00:01.500000"),
                  first + kSeparator + "Packet 2\nTIME:\t12:00:01.000000 (0.500000)\n" + kIpv6Link + kNoDecode + "\n" +
                      kSeparator + "Packet 3\nTIME:\t12:00:01.500000 (0.500000)\n" + kIpv6Link + kSeparator,
                  "no decoder");
}

TEST(Framing, PacketNumbersCountEveryHeaderLine) {
    const std::string input = ipv6HeaderLine("12:00:00.500000") + kIpv6DataLine + kIpv6DataLine +
                              ipv6HeaderLine("12:00:01.000000") + tcpHeaderLineAt("12:00:01.500000") + kTcpLine1 +
                              kTcpLine2 + kTcpLine3;
    expectDisplay(input, kSeparator + "Packet 1\nTIME:\t12:00:00.500000\n" + kIpv6Link + kNoDecode + "\n" +
                             kSeparator + "Packet 2\nTIME:\t12:00:01.000000 (0.500000)\n" + kIpv6Link + "\n" +
                             kSeparator + "Packet 3\nTIME:\t12:00:01.500000 (0.500000)\n" + kTcpBody + kSeparator);
}

// The same bytes however tcpdump laid them out: with or without the offset
// field, any white space between groups, digits of either case, lines cut
// anywhere (even inside a byte).
TEST(Framing, DataLineLayouts) {
    const std::vector<std::string> layouts = {
        "\t\t\t 4500 002c 1234 4000 4006 abcd 0a00 0001\n"
        "\t\t\t 0a00 0002 04d2 0050 0000 03e8 0000 07d0\n"
        "\t\t\t 5018 2000 1234 0000 6162 6364 0000\n",
        "\t0x0000:  4500 002C 1234 4000 4006 ABCD 0A00 0001\n"
        "\t0x0010:  0A00 0002 04D2 0050 0000 03E8 0000 07D0\n"
        "\t0x0020:  5018 2000 1234 0000 6162 6364 0000\n",
        "\t0x0000:4500002c123440004006abcd0a000001\n"
        "\t0x0010:0a00000204d20050000003e8000007d0\n"
        "\t0x0020:5018200012340000616263640000\n",
        "\t0x0000:\t4500\t002c\t1234 4000\v4006\fabcd 0a00 0001 \n"
        "\t0x0010:  0a00 0002 04d2 0050 0000 03e8 0000 07d0\r\n"
        "\t0x0020:  5018 2000 1234 0000 6162 6364 0000  \n",
        "\t4500002c123440004006abcd0a0000010a00000204d20050000003e8000007d05018200012340000616263640000\n",
        "\t0x0000:  4500 002c 1\n"
        "\t0x0005:  234 4000 4006 abcd 0a00 0001 0a00 0002 04d2 0050 0000 03e8 0000 07\n"
        "\td0 5018 2000 1234 0000 6162 6364 0000\n",
        // Groups of other sizes, other white space after a group, one blank
        // after the offset field.
        "\t0x0000:  4500002c 1234\t4000 4006\rabcd 0a 00 0001\n"
        "\t0x0010:  0a0 00002 04d20 050 0000 03e8 0000 07d0\n"
        "\t0x0020: 5018 2000 1234 0000 6162 6364 0000\n",
    };
    for (const std::string& lines : layouts) expectDecoded(kTcpHeaderLine + lines, kTcpOutput, shown(lines));
    expectDisplay(kTcpHeaderLine + layouts.back(), kTcpOutput);
}

// Lines of more than 10240 characters arrive in pieces of 10240, and each
// piece is a line of its own for the header and tab tests.
TEST(Framing, LongLinesArriveInPieces) {
    const std::string tabAndBlanks = "\t" + std::string(10239, ' ');   // one whole piece, nothing in it

    // The rest of the line does not begin with a tab: ignored.
    expectDisplay(kTcpHeaderLine + tabAndBlanks + "6000 0000 0000 0000\n" + kTcpLine1 + kTcpLine2 + kTcpLine3,
                  kTcpOutput, "second piece without a tab");

    // The rest begins with a tab: it is the packet's first data line.
    expectDisplay(kTcpHeaderLine + tabAndBlanks + kTcpLine1 + kTcpLine2 + kTcpLine3, kTcpOutput,
                  "second piece with a tab");

    // The rest is a header line: it opens the next packet.
    expectDisplay(kTcpInput + tabAndBlanks + ipv6HeaderLine("12:00:01.000000") + kIpv6DataLine,
                  kSeparator + "Packet 1\n" + kTcpTime + kTcpBody + "\n" + kSeparator +
                      "Packet 2\nTIME:\t12:00:01.000000 (0.500000)\n" + kIpv6Link + kNoDecode + kSeparator,
                  "second piece is a header line");

    // A line of exactly 10240 characters, its newline counted, is one piece.
    const std::string digits = "4500 002c 1234 4000 4006 abcd 0a00 0001\n";
    std::string exact = "\t";   // appended: g++ 12 at -O3 warns falsely on "\t" + std::string(...)
    exact.append(10240 - 1 - digits.size(), ' ');
    exact += digits;
    ASSERT_EQ(exact.size(), 10240u);
    expectDisplay(kTcpHeaderLine + exact + kTcpLine2 + kTcpLine3, kTcpOutput, "exactly 10240");

    // A header line of more than 10240 characters: its second piece is a data line.
    const std::string header = "12:00:00.500000 0:0:0:0:0:1 0:0:0:0:0:2 86dd";
    expectDisplay(header + std::string(10240 - header.size(), ' ') + kIpv6DataLine,
                  kSeparator + "Packet 1\nTIME:\t12:00:00.500000\n" + kIpv6Link + kNoDecode + kSeparator,
                  "long header line");
}

// A NUL byte ends a line's text: what follows it up to the newline is gone.
TEST(Framing, NulBytes) {
    expectDisplay(kTcpHeaderLine + withNul("\t0x0000:  4500 002c 1234 4000 4006 abcd 0a00 0001", " ffff ffff\n") +
                      kTcpLine2 + kTcpLine3,
                  kTcpOutput, "NUL in a data line");

    // In the header line it cuts the type token short: 86, no decoder.
    expectDisplay(withNul("12:00:00.500000 0:0:0:0:0:1 0:0:0:0:0:2 86", "dd 70:\n") + kIpv6DataLine,
                  kSeparator + "Packet 1\nTIME:\t12:00:00.500000\n"
                         "LINK:\t00:00:00:00:00:01 -> 00:00:00:00:00:02 type=86\n" +
                      kNoDecode + kSeparator,
                  "NUL in a header line");
}

// Deterministic bytes of every value but '.', so no line can be a header line,
// ending with a newline.
std::string garbage(size_t length, uint32_t seed) {
    std::string text;
    uint32_t x = seed;
    while (text.size() < length) {
        x = x * 1664525u + 1013904223u;
        char c = static_cast<char>(x >> 24);
        if (c == '.') continue;
        // Plenty of line ends, tabs and NULs.
        if ((x >> 8) % 16 == 0) c = '\n';
        if ((x >> 8) % 16 == 1) c = '\t';
        if ((x >> 8) % 16 == 2) c = '\0';
        text += c;
    }
    return text + "\n";
}

TEST(Framing, BinaryGarbage) {
    const std::string noise = garbage(40000, 1);
    expectDisplay(noise, "", "garbage alone");

    // Before the first header line it is ignored; inside a packet without a
    // decoder it is discarded.
    const std::string input = noise + ipv6HeaderLine("12:00:00.500000") + kIpv6DataLine + garbage(40000, 2) +
                              tcpHeaderLineAt("12:00:01.000000") + kTcpLine1 + kTcpLine2 + kTcpLine3;
    expectDisplay(input, kSeparator + "Packet 1\nTIME:\t12:00:00.500000\n" + kIpv6Link + kNoDecode + "\n" + kSeparator +
                             "Packet 2\nTIME:\t12:00:01.000000 (0.500000)\n" + kTcpBody + kSeparator);

    // One long line of garbage without a newline at all.
    std::string unbroken = garbage(30000, 3);
    for (char& c : unbroken)
        if (c == '\n') c = ' ';
    expectDisplay(unbroken, "", "garbage without newlines");
}

// Lines ending in carriage return and newline: the carriage return is white
// space, in data lines and header lines alike.
TEST(Framing, CrLfLineEnds) {
    std::string input = kTcpInput + "12:00:01.000000 0:0:0:0:0:1 0:0:0:0:0:2 86dd\n" + kIpv6DataLine;
    std::string crlf;
    for (char c : input) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    expectDisplay(crlf, kSeparator + "Packet 1\n" + kTcpTime + kTcpBody + "\n" + kSeparator +
                            "Packet 2\nTIME:\t12:00:01.000000 (0.500000)\n" + kIpv6Link + kNoDecode + kSeparator);
}

}  // namespace
