#pragma once

// Frames written as tcpdump -enx prints them, for the UDP, ICMP, ARP/RARP and
// dispatch tests, and pieces of the displays expected for them. The packets
// are stated as hex by the tests themselves; the expected displays are
// spelled out in the tests, these helpers only glue the lines together.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "support/run_binary.h"
#include "support/tcpdump_text.h"

namespace frame_text {

// The data-line layout and text helpers are tcpdump_text's.
using tcpdump_text::dataLines;
using tcpdump_text::textHex;

inline size_t byteCount(std::string_view hex) {
    size_t digits = 0;
    for (char c : hex)
        if (c != ' ' && c != '\n' && c != '\t') ++digits;
    return digits / 2;
}

// A tcpdump 4.99 header line (arrow layout) for a frame 00:11:22:33:44:55 ->
// 66:77:88:99:aa:bb. `type` is what follows "ethertype ", e.g. "IPv4 (0x0800)".
inline std::string headerLine(const std::string& type, size_t frameLength,
                              const std::string& time = "12:00:00.000000",
                              const std::string& dst = "66:77:88:99:aa:bb") {
    return time + " 00:11:22:33:44:55 > " + dst + ", ethertype " + type + ", length " +
           std::to_string(frameLength) + ": (summary)\n";
}

// One whole frame: header line (frame length = 14 + the bytes given) and data lines.
inline std::string frame(const std::string& type, std::string_view hex,
                         const std::string& time = "12:00:00.000000") {
    return headerLine(type, 14 + byteCount(hex), time) + dataLines(hex);
}
inline std::string ipFrame(std::string_view hex, const std::string& time = "12:00:00.000000") {
    return frame("IPv4 (0x0800)", hex, time);
}
inline std::string arpFrame(std::string_view hex, const std::string& time = "12:00:00.000000") {
    return headerLine("ARP (0x0806)", 14 + byteCount(hex), time, "ff:ff:ff:ff:ff:ff") + dataLines(hex);
}
inline std::string rarpFrame(std::string_view hex, const std::string& time = "12:00:00.000000") {
    return headerLine("Reverse ARP (0x8035)", 14 + byteCount(hex), time, "ff:ff:ff:ff:ff:ff") + dataLines(hex);
}

// The display of cooked text with these options added, names off; the run
// must succeed without a word on standard error.
inline std::string decode(const std::vector<std::string>& more, const std::string& input) {
    RunResult run = runPacsift(cookedArgs(more), input);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    return run.out;
}

// Separator and packet number line.
inline std::string packet(int number) { return kSeparator + "Packet " + std::to_string(number) + "\n"; }

// Link lines of the frames above (first packet, so no delta).
inline std::string terseLink(const std::string& typeName, const std::string& dst = "66:77:88:99:AA:BB") {
    return "TIME:\t12:00:00.000000\nLINK:\t00:11:22:33:44:55 -> " + dst + " type=" + typeName + "\n";
}
inline std::string verboseLink(const std::string& typeName, const std::string& dst = "66:77:88:99:AA:BB") {
    return "\tTimestamp:\t\t\t12:00:00.000000\n"
           "\tSource Ethernet Address:\t00:11:22:33:44:55\n"
           "\tDestination Ethernet Address:\t" + dst + "\n"
           "\tEncapsulated Protocol:\t\t" + typeName + "\n";
}

}  // namespace frame_text
