#include "input/dispatch.h"

#include "common/display.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/ip.h"
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

// The row of the protocol an IPv4 datagram carries when it has a decoder or
// is a tunnel here, else nullptr.
const IpProtocol* routeOverIpv4(uint8_t protocol) {
    const IpProtocol* row = ipProtocol(protocol);
    if (row == nullptr) return nullptr;
    unsigned carriers = kOverIpv4 | (options.extended ? kOverIpv4Extended : 0u);
    return (row->carriedBy & carriers) != 0 ? row : nullptr;
}

// Decodes an IPv4 datagram and its payload; one level of tunnel is followed.
// nullptr when the packet is given up.
HexCursor decodeIpDatagram(HexCursor cursor, bool tunnelled) {
    cursor = decodeIp(cursor);
    if (cursor == nullptr) return nullptr;
    const IpProtocol* row = routeOverIpv4(state.ipProto);
    if (row != nullptr && row->inner != Inner::none) {
        if (tunnelled) row = nullptr;   // a tunnel in a tunnel is not decoded
        else return decodeIpDatagram(cursor, true);
    }
    if (row == nullptr) {
        putText(tunnelled ? kNoTunnelDecode : kNoDecode);
        return nullptr;
    }
    cursor = row->decode(cursor);
    if (cursor == nullptr) return nullptr;
    return showData(cursor);
}

// Decodes the frame's body by its link type; nullptr when the packet is given up.
HexCursor decodeFrame(HexCursor cursor) {
    const LinkType* row = linkType(state.etherType);
    if (row == nullptr) {
        if (displayForm() != Form::oneLine) putText(kNoDecode);
        return nullptr;
    }
    if (row->decode != nullptr) return row->decode(cursor);
    return decodeIpDatagram(cursor, false);
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
