#include "input/hex_readers.h"

char etherAddrText[18];

namespace {
char ipAddrText[16];

// Writes 0..255 in decimal; returns the position after it.
char* putDecimal(char* out, unsigned value) {
    if (value >= 100) *out++ = static_cast<char>('0' + value / 100);
    if (value >= 10) *out++ = static_cast<char>('0' + value / 10 % 10);
    *out++ = static_cast<char>('0' + value % 10);
    return out;
}

const char upperHexDigits[] = "0123456789ABCDEF";
}  // namespace

// A field is converted as one number of all its digits, not as bytes combined:
// a malformed digit ends the whole number, as a "%x" scan would.
uint16_t getShort(HexCursor& cursor) {
    char chars[4];
    for (char& c : chars) c = takeHexChar(cursor);
    return static_cast<uint16_t>(hexValue(chars, 4));
}

uint32_t getLong(HexCursor& cursor) {
    char chars[8];
    for (char& c : chars) c = takeHexChar(cursor);
    return hexValue(chars, 8);
}

const char* getIpAddr(HexCursor& cursor) {
    char* out = ipAddrText;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) *out++ = '.';
        out = putDecimal(out, getByte(cursor));
    }
    *out = '\0';
    return ipAddrText;
}

const char* getEtherAddr(HexCursor& cursor) {
    char* out = etherAddrText;
    for (int i = 0; i < 6; ++i) {
        if (i > 0) *out++ = ':';
        uint8_t value = getByte(cursor);
        *out++ = upperHexDigits[value >> 4];
        *out++ = upperHexDigits[value & 15];
    }
    *out = '\0';
    return etherAddrText;
}
