#pragma once

#include <cstdint>

#include "input/hex_readers.h"

// A length-prefixed stretch of a packet: a message's rest, a list of options
// or records, one option. Every read is checked against what is left of it: a
// read that would run past it reads nothing (it gives 0) and marks the region
// overrun; the walk then gives the packet up with the region's notice. A
// region of the dump charges each read to dataLeft once it is read (so a dump
// that ends inside a read still counts its bytes as missing); a region of
// bytes already read (a header read whole) charges nothing.
class Region {
public:
    // The next `length` bytes of the dump at `cursor`.
    Region(HexCursor& cursor, int32_t length, const char* notice)
        : cursor_(&cursor), left_(length), notice_(notice) {}
    // `length` bytes already read into `bytes`.
    Region(const uint8_t* bytes, int32_t length, const char* notice)
        : bytes_(bytes), left_(length), notice_(notice) {}

    int32_t left() const { return left_; }
    bool overrun() const { return overrun_; }

    // True when `count` more bytes are there to read; else marks an overrun.
    bool need(int32_t count);

    uint8_t byte();
    uint16_t shortValue();
    uint32_t longValue();
    void bytes(uint8_t* into, int32_t count);
    void skip(int32_t count);

    // Shows the region's notice, "\t<*** ... ***>\n", and returns false: the
    // last words of a walk that ran past its region (once it has ended any
    // line it had begun).
    bool giveUp() const;

private:
    HexCursor* cursor_ = nullptr;   // reads from the dump, or else
    const uint8_t* bytes_ = nullptr;   // from bytes already read
    int32_t left_;
    const char* notice_;
    bool overrun_ = false;
};

// A header read whole into a buffer, read by offset: a read at or past its
// length gives 0 and never touches the buffer beyond it.
struct HeaderBytes {
    const uint8_t* bytes;
    int length;

    unsigned byteAt(int at) const { return at >= 0 && at < length ? bytes[at] : 0u; }
    unsigned shortAt(int at) const { return byteAt(at) << 8 | byteAt(at + 1); }
    uint32_t longAt(int at) const { return static_cast<uint32_t>(shortAt(at)) << 16 | shortAt(at + 2); }
    // The IPv6 address at `at` as text (all zero where the header ends before it).
    const char* ipv6At(int at, char (&text)[kIpv6AddrTextSize]) const;
};
