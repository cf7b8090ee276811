#pragma once

#include <cstddef>
#include <cstdint>

// The texts of fields inside link-layer messages (names, digests, addresses),
// shown without a name lookup.

// A text field: bytes 0x20-0x7E as themselves, others as '.', up to the first
// NUL when the field is NUL-padded, at most 255 characters and then "...".
// `out` holds 259 bytes or more.
constexpr size_t kFieldTextSize = 259;
void printableText(char (&out)[kFieldTextSize], const uint8_t* bytes, int length, bool nulPadded);

// A byte string in hex, "%02X" a byte, at most 32 bytes and then "...".
constexpr size_t kFieldHexSize = 68;
void hexBytesText(char (&out)[kFieldHexSize], const uint8_t* bytes, int length);

// An Ethernet address, "XX:XX:XX:XX:XX:XX".
constexpr size_t kMacTextSize = 18;
void macText(char (&out)[kMacTextSize], const uint8_t* bytes);
