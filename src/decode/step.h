#pragma once

#include <cstdint>

#include "input/hex_readers.h"

// What a decoder hands on: where it stands in the dump and what follows its
// header. The dispatch routes an EtherType or IP protocol number through the
// protocol table to the next decoder, and ends the chain with the data
// display, with nothing more, or by giving the packet up.
enum class Next : uint8_t {
    etherType,    // `value` is an EtherType (the link-type rows)
    ipProtocol,   // `value` is an IP protocol number (the IP protocol rows)
    data,         // the rest is data, shown under `label` ("<label> Data")
    end,          // nothing more is shown
    giveUp,       // the packet is given up, its notice already shown
};

struct Step {
    HexCursor cursor;
    Next next;
    unsigned value;
    const char* label;
};

inline Step followedByEtherType(HexCursor cursor, unsigned etherType) {
    return {cursor, Next::etherType, etherType, nullptr};
}
inline Step followedByProtocol(HexCursor cursor, unsigned protocol) {
    return {cursor, Next::ipProtocol, protocol, nullptr};
}
inline Step dataFollows(HexCursor cursor, const char* label) { return {cursor, Next::data, 0, label}; }
inline Step nothingFollows(HexCursor cursor) { return {cursor, Next::end, 0, nullptr}; }
inline Step giveUp() { return {nullptr, Next::giveUp, 0, nullptr}; }

// A decoder reads its header at the cursor, shows it, and says what follows.
using Decoder = Step (*)(HexCursor cursor);
