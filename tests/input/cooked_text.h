#pragma once

// Cooked input (the text of tcpdump -enx) shared by the start-up and framing
// tests, with the display each piece must give, worked out field by field.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "support/run_binary.h"

namespace cooked {

// The TCP packet used throughout. Frame 08:00:20:01:02:03 -> 00:a0:c9:0e:1f:2b,
// type 0800. IPv4: header length 20, TOS 0, total length 44 (0x2c),
// id 0x1234, DF, TTL 64, protocol 6, checksum 0xabcd, 10.0.0.1 -> 10.0.0.2.
// TCP: 1234 -> 80, seq 1000 (0x3e8), ack 2000 (0x7d0), data offset 5,
// ACK+PSH (0x18), window 8192, checksum 0x1234, urgent 0. Data: "abcd".
// Two Ethernet fill bytes (0000) follow the data on the last line.
inline const std::string kTcpHeaderLine = "12:00:00.500000 8:0:20:1:2:3 0:a0:c9:e:1f:2b 0800 60:\n";
inline const std::string kTcpLine1 = "\t0x0000:  4500 002c 1234 4000 4006 abcd 0a00 0001\n";
inline const std::string kTcpLine2 = "\t0x0010:  0a00 0002 04d2 0050 0000 03e8 0000 07d0\n";
inline const std::string kTcpLine3 = "\t0x0020:  5018 2000 1234 0000 6162 6364 0000\n";
inline const std::string kTcpInput = kTcpHeaderLine + kTcpLine1 + kTcpLine2 + kTcpLine3;

// The same packet cut short: the last line stops after "ab", two data bytes early.
inline const std::string kTcpLine3Short = "\t0x0020:  5018 2000 1234 0000 6162\n";

// Terse display of the packet as the first packet of a run.
inline const std::string kTcpTime = "TIME:\t12:00:00.500000\n";
inline const std::string kTcpLink = "LINK:\t08:00:20:01:02:03 -> 00:A0:C9:0E:1F:2B type=IP\n";
inline const std::string kTcpIp =
    "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=44 id=1234\n"
    "\tMF/DF=0/1 frag=0 TTL=64 proto=TCP cksum=ABCD\n";
inline const std::string kTcpTcp =
    " TCP:\tport 1234 -> 80 seq=0000001000 ack=0000002000\n"
    "\thlen=20 (data=4) UAPRSF=011000 wnd=8192 cksum=1234 urg=0\n";
inline const std::string kTcpData = "DATA:\tabcd\n";
// Everything after the time line.
inline const std::string kTcpBody = kTcpLink + kTcpIp + kTcpTcp + kTcpData;

// The whole display of kTcpInput alone.
inline const std::string kTcpOutput = kSeparator + "Packet 1\n" + kTcpTime + kTcpBody + kSeparator;

// ---------------------------------------------------------------------------
// A frame of a type without a decoder (plain layout, type 86dd).
inline std::string ipv6HeaderLine(const std::string& timestamp) {
    return timestamp + " 0:0:0:0:0:1 0:0:0:0:0:2 86dd 70:\n";
}
inline const std::string kIpv6DataLine = "\t0x0000:  6000 0000 0010 3a40 fe80 0000 0000 0000\n";
inline const std::string kIpv6Link = "LINK:\t00:00:00:00:00:01 -> 00:00:00:00:00:02 type=86dd\n";
inline const std::string kNoDecode = "\t<*** No decode support for encapsulated protocol ***>\n";
inline const std::string kMissing = "\n\t<*** Rest of data missing from packet dump ***>\n";

// ---------------------------------------------------------------------------
// Builders for longer packets.

// Hex lines as tcpdump -x prints them: 16 bytes a line, groups of two bytes.
inline std::string hexLines(const std::vector<uint8_t>& bytes, bool withOffset = true) {
    std::string text;
    char piece[32];
    for (size_t line = 0; line < bytes.size(); line += 16) {
        if (withOffset) {
            std::snprintf(piece, sizeof piece, "\t0x%04zx:  ", line);
            text += piece;
        } else {
            text += "\t\t\t ";
        }
        for (size_t i = line; i < line + 16 && i < bytes.size(); ++i) {
            if (i != line && (i - line) % 2 == 0) text += ' ';
            std::snprintf(piece, sizeof piece, "%02x", bytes[i]);
            text += piece;
        }
        text += '\n';
    }
    return text;
}

// IPv4 + TCP bytes for `payload`: as kTcpInput, but total length 40 + payload
// size, flags ACK only (0x10), checksums 0, id 0x0001, no DF, seq 1, ack 0,
// window 4096.
inline std::vector<uint8_t> tcpDatagram(const std::string& payload) {
    size_t total = 40 + payload.size();
    std::vector<uint8_t> bytes = {
        0x45, 0x00, static_cast<uint8_t>(total >> 8), static_cast<uint8_t>(total & 0xff),
        0x00, 0x01, 0x00, 0x00, 0x40, 0x06, 0x00, 0x00,
        0x0a, 0x00, 0x00, 0x01, 0x0a, 0x00, 0x00, 0x02,
        0x04, 0xd2, 0x00, 0x50, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,
        0x50, 0x10, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00,
    };
    for (char c : payload) bytes.push_back(static_cast<uint8_t>(c));
    return bytes;
}

inline std::string tcpDatagramInput(const std::string& payload) {
    return kTcpHeaderLine + hexLines(tcpDatagram(payload));
}

// The lines before the data display of a tcpDatagram packet of `dataLength`
// data bytes, as the first packet of a run.
inline std::string tcpDatagramHead(int dataLength) {
    return kSeparator + "Packet 1\n" + kTcpTime + kTcpLink +
           "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=" + std::to_string(40 + dataLength) +
           " id=0001\n"
           "\tMF/DF=0/0 frag=0 TTL=64 proto=TCP cksum=0000\n"
           " TCP:\tport 1234 -> 80 seq=0000000001 ack=0000000000\n"
           "\thlen=20 (data=" + std::to_string(dataLength) + ") UAPRSF=010000 wnd=4096 cksum=0000 urg=0\n";
}

}  // namespace cooked
