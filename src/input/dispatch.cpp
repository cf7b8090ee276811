#include "input/dispatch.h"

#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/protocol_numbers.h"
#include "decode/arp.h"
#include "decode/icmp.h"
#include "decode/ip.h"
#include "decode/tcp.h"
#include "decode/udp.h"
#include "input/line_reader.h"
#include "present/payload.h"

namespace {
// The transport decoder for an IPv4 protocol, or nullptr when there is none.
HexCursor (*transportDecoder(uint8_t protocol))(HexCursor) {
    switch (protocol) {
    case kIpProtoIcmp: return decodeIcmp;
    case kIpProtoTcp: return decodeTcp;
    case kIpProtoUdp: return decodeUdp;
    default: return nullptr;
    }
}

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

// Decodes an IPv4 datagram and its payload; nullptr when the packet has ended.
HexCursor decodeIpDatagram(HexCursor cursor) {
    cursor = decodeIp(cursor);
    if (cursor == nullptr) return nullptr;
    auto decoder = transportDecoder(state.ipProto);
    if (decoder == nullptr && state.ipProto == kIpProtoIpInIp) {
        // One level of IP in IP is decoded.
        cursor = decodeIp(cursor);
        if (cursor == nullptr) return nullptr;
        decoder = transportDecoder(state.ipProto);
        if (decoder == nullptr) {
            putText("\t<*** No decode support for encap protocol in IPIP packet ***>\n");
            skipPacket();
            return nullptr;
        }
    }
    if (decoder == nullptr) {
        putText("\t<*** No decode support for encapsulated protocol ***>\n");
        skipPacket();
        return nullptr;
    }
    cursor = decoder(cursor);
    if (cursor == nullptr) return nullptr;
    return showData(cursor);
}
}  // namespace

void dispatchPacket() {
    HexCursor cursor = fetchLine();
    if (cursor == nullptr) return;   // no data lines: the next packet has begun

    switch (state.etherType) {
    case kEtherTypeIp:
        cursor = decodeIpDatagram(cursor);
        if (cursor == nullptr) return;
        break;
    case kEtherTypeArp:
    case kEtherTypeRarp:
        cursor = decodeArp(cursor);
        break;
    default:
        if (!options.minHdrDecode) putText("\t<*** No decode support for encapsulated protocol ***>\n");
        skipPacket();
        return;
    }
    spuriousDataTail(cursor);
}
