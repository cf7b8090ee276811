#include "decode/field_texts.h"

#include "common/output.h"

namespace {
constexpr int kMaxTextCharacters = 255;
constexpr int kMaxHexBytes = 32;
const char kHexDigits[] = "0123456789ABCDEF";
}  // namespace

void printableText(char (&out)[kFieldTextSize], const uint8_t* bytes, int length, bool nulPadded) {
    int shown = 0;
    for (int i = 0; i < length; ++i) {
        uint8_t byte = bytes[i];
        if (byte == 0 && nulPadded) break;
        if (shown == kMaxTextCharacters) {
            out[shown++] = '.';
            out[shown++] = '.';
            out[shown++] = '.';
            break;
        }
        out[shown++] = byte >= 0x20 && byte <= 0x7E ? static_cast<char>(byte) : '.';
    }
    out[shown] = '\0';
}

void hexBytesText(char (&out)[kFieldHexSize], const uint8_t* bytes, int length) {
    int at = 0;
    for (int i = 0; i < length; ++i) {
        if (i == kMaxHexBytes) {
            out[at++] = '.';
            out[at++] = '.';
            out[at++] = '.';
            break;
        }
        out[at++] = kHexDigits[bytes[i] >> 4];
        out[at++] = kHexDigits[bytes[i] & 0x0F];
    }
    out[at] = '\0';
}

void macText(char (&out)[kMacTextSize], const uint8_t* bytes) {
    formatText(out, sizeof out, "%02X:%02X:%02X:%02X:%02X:%02X", bytes[0], bytes[1], bytes[2], bytes[3], bytes[4],
                  bytes[5]);
}
