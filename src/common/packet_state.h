#pragma once

#include <cstdint>

#include "common/llc_fields.h"

// The state of the packet being decoded, shared by the line reader and the decoders.
struct PacketState {
    int32_t pktCount = 0;         // packets begun; the current packet's number
    bool sawHeader = false;       // the first header line has been read
    const char* curLine = nullptr;  // the text that the line reader produced last
    int etherType = 0;            // link-layer type from the header line
    unsigned linkLength = 0;      // frame length from the header line, 0 when absent
    uint8_t ipProto = 0;          // protocol of the IP header decoded last (IPv6: its upper layer)
    int vlanTags = 0;             // VLAN tags read from the header line (-extended only)
    int outerEtherType = 0;       // the header line's first type, before any VLAN tag
    char frameStart[29] = {};     // a whole-frame dump's first 28 digits (addresses, outer type); "" if unknown
    uint8_t ipVersion = 4;        // 4 or 6: the IP header the transport decoders work on
    int ipHeaders = 0;            // IP headers begun in this packet: 2 inside a tunnel
    bool firstFragment = false;   // a first fragment (offset 0, MF): UDP's length covers more
    bool laterFragment = false;   // a fragment after the first: its bytes are data
    uint8_t fragmentProto = 0;    // its protocol (ipProto is then 44, for the data heading)
    unsigned fragmentOffset = 0;  // and its offset in 8-byte units
    int32_t dataLeft = 0;         // data bytes still expected in this packet, counted in full
    // -extended, the link layer:
    int32_t frameCount = -1;      // the frame's bytes after its link header and header-line tags; -1 unknown
    unsigned linkBytes = 0;       // link-layer bytes read from the dump before the first IP header (LLC, MPLS, ...)
    bool outerLlcPending = false; // the outer frame is 802.3: its LLC header is in the header line, not the dump
    bool outerLlcRead = false;    // and the header line held a whole LLC phrase, read into outerLlc
    LlcFields outerLlc;
    bool pvst = false;            // the Spanning Tree BPDU at hand came behind Cisco's PVST+ SNAP header
    unsigned pppProtocol = 0;     // the protocol of the PPP header decoded last
    // The innermost Ethernet header's addresses as its LINK line shows them
    // (the one-line form's addresses of a frame without IP), and the IP
    // headers begun when they were set: an IP header after them has its own.
    char srcLinkText[256] = {};
    char dstLinkText[256] = {};
    int linkTextsAtIpHeaders = 0;
    char srcHostText[256] = {};   // host name or address text of the IP source
    char dstHostText[256] = {};   // the same for the destination
};

extern PacketState state;

// The Ethernet header and the VLAN tags before the datagram, and under
// -extended the other link-layer headers before the first IP header.
inline unsigned linkHeaderLength() { return 14 + 4 * static_cast<unsigned>(state.vlanTags) + state.linkBytes; }

// A link-layer header's bytes: before the first IP header they count in the
// link header's length.
inline void countLinkBytes(unsigned count) {
    if (state.ipHeaders == 0) state.linkBytes += count;
}
