#include "input/hex_readers.h"

#include "common/output.h"

char etherAddrText[18];

namespace {
char ipAddrText[16];
char ipv6Text[kIpv6AddrTextSize];

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

void ipv6AddrText(const uint8_t bytes[16], char (&text)[kIpv6AddrTextSize]) {
    unsigned words[8];
    for (int i = 0; i < 8; ++i) words[i] = static_cast<unsigned>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
    int runStart = -1, runLength = 0;
    for (int i = 0; i < 8;) {
        if (words[i] != 0) {
            ++i;
            continue;
        }
        int j = i;
        while (j < 8 && words[j] == 0) ++j;
        if (j - i > runLength && j - i >= 2) runStart = i, runLength = j - i;
        i = j;
    }
    bool dottedTail = runStart == 0 && (runLength == 6 || (runLength == 5 && words[5] == 0xFFFF));
    int lastWord = dottedTail ? 5 : 7;
    char* out = text;
    char* end = text + kIpv6AddrTextSize;
    for (int i = 0; i <= lastWord; ++i) {
        if (i == runStart) {
            out += formatText(out, static_cast<size_t>(end - out), "::");
            i += runLength - 1;
            continue;
        }
        // A word after another word (not after the "::") is joined by a colon.
        if (i > 0 && i != runStart + runLength) *out++ = ':';
        out += formatText(out, static_cast<size_t>(end - out), "%x", words[i]);
    }
    if (dottedTail) {
        if (runStart + runLength != 6) *out++ = ':';
        out += formatText(out, static_cast<size_t>(end - out), "%u.%u.%u.%u", bytes[12], bytes[13], bytes[14],
                             bytes[15]);
    }
    *out = '\0';
}

const char* getIpv6Addr(HexCursor& cursor) {
    uint8_t bytes[16];
    for (uint8_t& byte : bytes) byte = getByte(cursor);
    ipv6AddrText(bytes, ipv6Text);
    return ipv6Text;
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
