#pragma once

// Builders for small pieces of `tcpdump -enx` text, so that end-to-end tests
// can state their packets as hex and their expected displays by hand.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "support/run_binary.h"

namespace tcpdump_text {

// Hex digits (white space in them is ignored) laid out as tcpdump's data
// lines: "\t0x0000:  4500 0054 ...\n", 16 bytes a line in groups of two bytes.
inline std::string dataLines(std::string_view hex) {
    std::string digits;
    for (char c : hex)
        if (c != ' ' && c != '\t' && c != '\n') digits += c;
    std::string out;
    for (size_t start = 0; start < digits.size(); start += 32) {
        char offset[32];
        std::snprintf(offset, sizeof offset, "\t0x%04zx:  ", start / 2);
        out += offset;
        std::string_view line = std::string_view(digits).substr(start, 32);
        for (size_t i = 0; i < line.size(); i += 4) {
            if (i != 0) out += ' ';
            out += line.substr(i, 4);
        }
        out += '\n';
    }
    return out;
}

// The bytes of a text as hex digits ("hi" gives "6869").
inline std::string textHex(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", c);
        out += pair;
    }
    return out;
}

// A tcpdump 4.99 header line for an IPv4 frame between two fixed Ethernet
// addresses. frameLength < 0 leaves the "length " phrase out.
inline std::string ipHeaderLine(int frameLength = 0, const std::string& time = "12:00:00.000000") {
    std::string line = time + " 00:11:22:33:44:55 > 66:77:88:99:aa:bb, ethertype IPv4 (0x0800)";
    if (frameLength >= 0) line += ", length " + std::to_string(frameLength);
    return line + ": 10.0.0.1 > 10.0.0.2: tcp\n";
}

// The whole text of one IPv4 frame: header line and data lines.
inline std::string ipFrame(std::string_view hex, int frameLength = 0,
                           const std::string& time = "12:00:00.000000") {
    return ipHeaderLine(frameLength, time) + dataLines(hex);
}

// What pacsift prints for the frames above before the IPv4 display, names off.
// Every frame is stamped 12:00:00.000000, so later packets show a zero delta.
inline std::string terseStart(int packet) {
    return kSeparator + "Packet " + std::to_string(packet) + "\nTIME:\t12:00:00.000000" +
           (packet > 1 ? " (0.000000)" : "") +
           "\nLINK:\t00:11:22:33:44:55 -> 66:77:88:99:AA:BB type=IPv4\n";
}

inline std::string verboseStart(int packet) {
    return kSeparator + "Packet " + std::to_string(packet) + "\n\tTimestamp:\t\t\t12:00:00.000000" +
           (packet > 1 ? " (0.000000)" : "") +
           "\n\tSource Ethernet Address:\t00:11:22:33:44:55"
           "\n\tDestination Ethernet Address:\t66:77:88:99:AA:BB"
           "\n\tEncapsulated Protocol:\t\tIPv4\n";
}

// -minHdrDecode shows no link lines.
inline std::string oneLineStart(int packet) {
    return kSeparator + "Packet " + std::to_string(packet) + "\n";
}

// Runs pacsift on cooked text with every name lookup off, in the C locale,
// with these option words added.
inline RunResult runCooked(const std::vector<std::string>& options, const std::string& text) {
    return runPacsift(cookedArgs(options), text, {"LC_CTYPE=C"});
}

}  // namespace tcpdump_text
