#pragma once

#include <cstdint>

#include "input/line_reader.h"

// The next unread hex digit of the current compacted data text. Handed from
// decoder to decoder; every reader advances it.
using HexCursor = const char*;

namespace hex_detail {
struct DigitTable {
    signed char value[256];   // -1 for a character that is no hex digit
};
constexpr DigitTable makeDigitTable() {
    DigitTable table{};
    for (int c = 0; c < 256; ++c) table.value[c] = -1;
    for (int c = '0'; c <= '9'; ++c) table.value[c] = static_cast<signed char>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c) table.value[c] = static_cast<signed char>(c - 'a' + 10);
    for (int c = 'A'; c <= 'F'; ++c) table.value[c] = static_cast<signed char>(c - 'A' + 10);
    return table;
}
inline constexpr DigitTable digits = makeDigitTable();
}  // namespace hex_detail

// Takes one character, fetching the next data text first when the cursor
// stands on the end of the current one (and only then: reading a packet's last
// byte never reads ahead into the next header line).
inline char takeHexChar(HexCursor& cursor) {
    if (*cursor == '\0') cursor = nextLine();
    return *cursor++;
}

// The value of `count` characters as a "%x" scan of them reads it: an
// optional 0x before a hex digit, then the hex digits; a character that is no
// hex digit ends the number. tcpdump writes plain digits only; other text is
// still read as that scan would ("0x12" is 0x12). A sign is not taken: the
// dots and dashes of the text column that some tcpdump printers add to their
// own hex lines have always read as the end of a number.
inline uint32_t hexValue(const char* chars, int count) {
    auto digitAt = [chars](int i) { return hex_detail::digits.value[static_cast<unsigned char>(chars[i])]; };
    int i = 0;
    if (count > 2 && chars[0] == '0' && (chars[1] == 'x' || chars[1] == 'X') && digitAt(2) >= 0) i = 2;
    uint32_t value = 0;
    for (; i < count; ++i) {
        int digit = digitAt(i);
        if (digit < 0) break;
        value = value * 16 + static_cast<uint32_t>(digit);
    }
    return value;
}

inline uint8_t getByte(HexCursor& cursor) {
    // Two plain digits within the current text: the common case, read directly.
    int high = hex_detail::digits.value[static_cast<unsigned char>(cursor[0])];
    if (high >= 0) {
        int low = hex_detail::digits.value[static_cast<unsigned char>(cursor[1])];
        if (low >= 0) {
            cursor += 2;
            return static_cast<uint8_t>(high * 16 + low);
        }
    }
    char chars[2];
    chars[0] = takeHexChar(cursor);
    chars[1] = takeHexChar(cursor);
    return static_cast<uint8_t>(hexValue(chars, 2));
}

// The next hex digit, looked at and not taken: the next data text is
// fetched first when the cursor stands at the end of the current one.
inline char peekHexChar(HexCursor& cursor) {
    if (*cursor == '\0') cursor = nextLine();
    return *cursor;
}

// The next byte, looked at and not taken (a data text holds whole bytes).
inline uint8_t peekByte(HexCursor& cursor) {
    if (*cursor == '\0') cursor = nextLine();
    return static_cast<uint8_t>(hexValue(cursor, 2));
}

// Reads and discards `count` bytes (none when count is 0 or less).
inline void skipBytes(HexCursor& cursor, int count) {
    for (int i = 0; i < count; ++i) getByte(cursor);
}

uint16_t getShort(HexCursor& cursor);
uint32_t getLong(HexCursor& cursor);

// Shared result texts, rewritten by the next call of the same reader.
const char* getIpAddr(HexCursor& cursor);      // "192.168.1.10"
const char* getEtherAddr(HexCursor& cursor);   // "08:00:2B:01:02:0A"
const char* getIpv6Addr(HexCursor& cursor);    // "2001:db8::1", see ipv6AddrText

// The longest IPv6 address text, "ffff:ffff:ffff:ffff:ffff:ffff:255.255.255.255", and its end.
constexpr int kIpv6AddrTextSize = 46;

// Writes an IPv6 address as text (the compressed form of RFC 5952): the
// longest run of two or more zero words (the first of equal runs) as "::",
// other words in lower-case hex without leading zeros, and the last two
// words as a dotted IPv4 address after six zero words or after five and
// ffff. Written here rather than by the C library, whose forms differ.
void ipv6AddrText(const uint8_t bytes[16], char (&text)[kIpv6AddrTextSize]);

// The 18-byte Ethernet-address text that getEtherAddr and normEtherAddr share.
extern char etherAddrText[18];
