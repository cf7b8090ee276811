#include "decode/udp.h"

#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/shared_fields.h"

namespace {
constexpr int kUdpHeaderLength = 8;
}  // namespace

HexCursor decodeUdp(HexCursor cursor) {
    uint16_t sourcePort = getShort(cursor);
    uint16_t destinationPort = getShort(cursor);
    uint16_t length = getShort(cursor);
    uint16_t checksum = getShort(cursor);

    // The UDP length must match what the IPv4 header leaves and hold at least
    // its own header; a negative count never matches. (The first fragment of
    // a datagram fails this too.)
    if (state.dataLeft != static_cast<int>(length) || length < kUdpHeaderLength) {
        putText("\t<*** Packet length corrupt ***>\n");
        skipPacket();
        return nullptr;
    }
    state.dataLeft -= kUdpHeaderLength;
    unsigned dataCount = static_cast<unsigned>(state.dataLeft);

    PortTexts ports = portTexts(sourcePort, destinationPort, "udp");

    if (options.minHdrDecode) {
        putFormat("%s.%s -> %s.%s over UDP\n", state.srcHostText, ports.source, state.dstHostText,
                  ports.destination);
    } else if (options.verbose) {
        putText("UDP Header\n");
        showVerbosePorts(sourcePort, destinationPort, "udp");
        putFormat("\tDatagram Length:\t\t%u bytes (Header=%u, Data=%u)\n", length, static_cast<unsigned>(kUdpHeaderLength), dataCount);
        putFormat("\tChecksum:\t\t\t0x%04X\n", checksum);
    } else {
        putFormat(" UDP:\tport %s -> %s hdr=%u data=%u\n", ports.source, ports.destination, static_cast<unsigned>(kUdpHeaderLength), dataCount);
    }
    return cursor;
}
