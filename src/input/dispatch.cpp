#include "input/dispatch.h"

#include <cstdio>

#include "common/char_classes.h"
#include "common/display.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/protocol_numbers.h"
#include "decode/ip.h"
#include "decode/ipv6.h"
#include "decode/protocol_table.h"
#include "input/line_reader.h"
#include "present/payload.h"

namespace {
const char kNoDecode[] = "\t<*** No decode support for encapsulated protocol ***>\n";
const char kNoTunnelDecode[] = "\t<*** No decode support for encap protocol in IPIP packet ***>\n";

void showSpurious(const char* digits) {
    putText("\t<*** Spurious data at end: \"");
    putText(digits);
    putText("\" ***>\n");
}

// What a packet holds after its decoded bytes: the rest of the current data
// text, or else the whole next one. Either way the packet then ends.
void spuriousDataTail(HexCursor cursor) {
    if (*cursor != '\0') {
        if (options.showSpurious) showSpurious(cursor);
    } else {
        const char* next = fetchLine();
        if (next == nullptr) return;   // the next packet has begun
        if (options.showSpurious) showSpurious(next);
    }
    skipPacket();
}

// The row of the protocol a datagram carries when it has a decoder or is a
// tunnel here, else nullptr.
const IpProtocol* routeOf(uint8_t protocol, uint8_t ipVersion) {
    const IpProtocol* row = ipProtocol(protocol);
    if (row == nullptr) return nullptr;
    unsigned carriers = ipVersion == 6 ? kOverIpv6 : kOverIpv4 | (options.extended ? kOverIpv4Extended : 0u);
    return (row->carriedBy & carriers) != 0 ? row : nullptr;
}

// A later fragment (-extended): its bytes are data; the one-line form names it.
HexCursor showFragmentData(HexCursor cursor) {
    if (displayForm() == Form::oneLine) {
        const char* name = nextHeaderName(state.fragmentProto);
        char number[8];
        std::snprintf(number, sizeof number, "%u", state.fragmentProto);
        putFormat("%s -> %s %s fragment at offset %u\n", state.srcHostText, state.dstHostText,
                  name != nullptr ? name : number, state.fragmentOffset);
    }
    return showData(cursor);
}

HexCursor decodeDatagram(HexCursor cursor, Inner kind, bool tunnelled);

// What follows an IP header (and IPv6's extension headers): a transport
// header and data, a tunnelled datagram, or a later fragment's data.
// nullptr when the packet is given up.
HexCursor decodeUpperLayer(HexCursor cursor, bool tunnelled) {
    if (state.laterFragment) return showFragmentData(cursor);
    if (state.ipVersion == 6 && state.ipProto == kIpProtoNoNext) {
        state.dataLeft = 0;
        return cursor;
    }
    const IpProtocol* row = routeOf(state.ipProto, state.ipVersion);
    if (row != nullptr && row->inner != Inner::none) {
        if (tunnelled) row = nullptr;   // only one level of tunnel is decoded
        else return decodeDatagram(cursor, row->inner, true);
    }
    if (row == nullptr) {
        putText(tunnelled ? kNoTunnelDecode : kNoDecode);
        return nullptr;
    }
    cursor = row->decode(cursor);
    if (cursor == nullptr) return nullptr;
    return showData(cursor);
}

// Decodes an IPv4 or IPv6 datagram and what it carries.
HexCursor decodeDatagram(HexCursor cursor, Inner kind, bool tunnelled) {
    cursor = kind == Inner::ipv6 ? decodeIpv6(cursor, tunnelled) : decodeIp(cursor);
    if (cursor == nullptr) return nullptr;
    return decodeUpperLayer(cursor, tunnelled);
}

// tcpdump dumps the whole frame, link header included, when its own decoding
// was cut short: the dump then starts with the header line's addresses and
// outer type. Only the current text is looked at.
HexCursor skipWholeFrameHeader(HexCursor cursor) {
    const char* expected = state.frameStart;
    if (*expected == '\0') return cursor;
    for (int i = 0; i < 28; ++i)
        if (cursor[i] == '\0' || upperChar(cursor[i]) != expected[i]) return cursor;
    skipBytes(cursor, static_cast<int>(linkHeaderLength()));
    return cursor;
}

// Decodes the frame's body by its link type; nullptr when the packet is given up.
HexCursor decodeFrame(HexCursor cursor) {
    if (options.extended) {
        if (options.pointToPoint) {
            // Without a link header the first digit tells the version.
            return decodeDatagram(cursor, *cursor == '6' ? Inner::ipv6 : Inner::ipv4, false);
        }
        cursor = skipWholeFrameHeader(cursor);
    }
    const LinkType* row = linkType(state.etherType);
    if (row == nullptr) {
        if (displayForm() != Form::oneLine) putText(kNoDecode);
        return nullptr;
    }
    if (row->decode != nullptr) return row->decode(cursor);
    return decodeDatagram(cursor, row->datagram, false);
}
}  // namespace

void dispatchPacket() {
    HexCursor cursor = fetchLine();
    if (cursor == nullptr) return;   // no data lines: the next packet has begun
    cursor = decodeFrame(cursor);
    // The dispatch alone gives a packet up: the rest of it is discarded.
    if (cursor == nullptr) {
        skipPacket();
        return;
    }
    spuriousDataTail(cursor);
}
