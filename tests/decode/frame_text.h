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

// The text builders and display pieces are tcpdump_text's.
using tcpdump_text::dataLines;
using tcpdump_text::headerLine;
using tcpdump_text::packet;
using tcpdump_text::terseLink;
using tcpdump_text::textHex;
using tcpdump_text::verboseLink;

inline int byteCount(std::string_view hex) { return static_cast<int>(tcpdump_text::hexDigits(hex).size() / 2); }

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
    RunResult run = tcpdump_text::runCooked(more, input);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    return run.out;
}

}  // namespace frame_text
