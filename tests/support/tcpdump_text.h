#pragma once

// Builders for small pieces of `tcpdump -enx` text, so that end-to-end tests
// can state their packets as hex and their expected displays by hand.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "support/run_binary.h"

namespace tcpdump_text {

// The digits of hex text with its white space taken out.
inline std::string hexDigits(std::string_view hex) {
    std::string digits;
    for (char c : hex)
        if (c != ' ' && c != '\t' && c != '\n') digits += c;
    return digits;
}

// Hex digits (white space in them is ignored) laid out as tcpdump's data
// lines: "\t0x0000:  4500 0054 ...\n", 16 bytes a line in groups of two bytes.
inline std::string dataLines(std::string_view hex) {
    const std::string digits = hexDigits(hex);
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

// A tcpdump 4.99 header line (arrow layout) for a frame 00:11:22:33:44:55 ->
// `dst`. `type` is what follows "ethertype ", e.g. "IPv4 (0x0800)";
// frameLength < 0 leaves the "length " phrase out.
inline std::string headerLine(const std::string& type, int frameLength,
                              const std::string& time = "12:00:00.000000",
                              const std::string& dst = "66:77:88:99:aa:bb") {
    std::string line = time + " 00:11:22:33:44:55 > " + dst + ", ethertype " + type;
    if (frameLength >= 0) line += ", length " + std::to_string(frameLength);
    return line + ": (summary)\n";
}

inline std::string ipHeaderLine(int frameLength = 0, const std::string& time = "12:00:00.000000") {
    return headerLine("IPv4 (0x0800)", frameLength, time);
}

// The whole text of one IPv4 frame: header line and data lines.
inline std::string ipFrame(std::string_view hex, int frameLength = 0,
                           const std::string& time = "12:00:00.000000") {
    return ipHeaderLine(frameLength, time) + dataLines(hex);
}

// Separator and packet number line; all that -minHdrDecode shows before the headers.
inline std::string packet(int number) { return kSeparator + "Packet " + std::to_string(number) + "\n"; }

// The link lines pacsift prints for the frames above, names off. Every frame
// is stamped 12:00:00.000000 unless a test says otherwise, so packets after
// the first show a zero delta.
inline std::string delta(int packet) { return packet > 1 ? " (0.000000)" : ""; }
inline std::string terseLink(const std::string& typeName, const std::string& dst = "66:77:88:99:AA:BB",
                             int packet = 1) {
    return "TIME:\t12:00:00.000000" + delta(packet) + "\nLINK:\t00:11:22:33:44:55 -> " + dst +
           " type=" + typeName + "\n";
}
inline std::string verboseLink(const std::string& typeName, const std::string& dst = "66:77:88:99:AA:BB",
                               int packet = 1) {
    return "\tTimestamp:\t\t\t12:00:00.000000" + delta(packet) +
           "\n\tSource Ethernet Address:\t00:11:22:33:44:55"
           "\n\tDestination Ethernet Address:\t" + dst +
           "\n\tEncapsulated Protocol:\t\t" + typeName + "\n";
}

// What pacsift prints for an IPv4 frame before the IPv4 display.
inline std::string terseStart(int number) { return packet(number) + terseLink("IPv4", "66:77:88:99:AA:BB", number); }
inline std::string verboseStart(int number) {
    return packet(number) + verboseLink("IPv4", "66:77:88:99:AA:BB", number);
}

// Runs pacsift on cooked text with every name lookup off, in the C locale,
// with these option words added.
inline RunResult runCooked(const std::vector<std::string>& options, const std::string& text) {
    return runPacsift(cookedArgs(options), text, {"LC_CTYPE=C"});
}

}  // namespace tcpdump_text
