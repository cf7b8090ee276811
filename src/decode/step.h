#pragma once

#include <cstdint>

#include "input/hex_readers.h"
#include "input/region.h"

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
    llcSap,       // `value` is the LLC service access point (Spanning Tree, IS-IS) or PVST+
    pppProtocol,  // `value` is a PPP protocol number
};

// A route value that no row has.
constexpr unsigned kNoRoute = 0xFFFFFFFFu;

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
inline Step followedBySap(HexCursor cursor, unsigned sap) { return {cursor, Next::llcSap, sap, nullptr}; }
inline Step followedByPppProtocol(HexCursor cursor, unsigned protocol) {
    return {cursor, Next::pppProtocol, protocol, nullptr};
}
// What follows has no decoder here: the dispatch shows the no-decode line.
inline Step noDecoderFollows(HexCursor cursor) { return {cursor, Next::etherType, kNoRoute, nullptr}; }
inline Step dataFollows(HexCursor cursor, const char* label) { return {cursor, Next::data, 0, label}; }
inline Step nothingFollows(HexCursor cursor) { return {cursor, Next::end, 0, nullptr}; }
inline Step giveUp() { return {nullptr, Next::giveUp, 0, nullptr}; }

// A walk that ran past its region: the region's notice, and the packet is given up.
inline Step ranPast(const Region& region) {
    region.giveUp();
    return giveUp();
}

// A decoder reads its header at the cursor, shows it, and says what follows.
using Decoder = Step (*)(HexCursor cursor);
