#pragma once

#include <cstdint>

// The fields of an 802.2 LLC header and the SNAP header after it: read from
// tcpdump's header line for the outer frame, from the dump inside a tunnel.
struct LlcFields {
    uint8_t dsap = 0;            // with the I/G bit
    uint8_t ssap = 0;            // with the C/R bit
    unsigned control = 0;        // a two-byte control as first | second << 8
    uint8_t controlBytes = 0;    // 1 or 2
    bool snap = false;           // a SNAP header follows
    uint32_t oui = 0;
    unsigned protocolId = 0;     // the SNAP protocol id (an EtherType when the OUI is 0)
};
