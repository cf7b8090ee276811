#include "decode/protocol_table.h"

#include "common/display.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/shared_fields.h"

namespace {
constexpr int kUdpHeaderLength = 8;
}  // namespace

Step decodeUdp(HexCursor cursor) {
    uint16_t sourcePort = getShort(cursor);
    uint16_t destinationPort = getShort(cursor);
    uint16_t length = getShort(cursor);
    uint16_t checksum = getShort(cursor);

    // The UDP length must match what the IP header leaves and hold at least
    // its own header; a negative count never matches. In a first fragment
    // (known under -extended) it covers the whole datagram: nothing to match.
    bool matches = state.dataLeft == static_cast<int>(length) || state.firstFragment;
    if (!matches || length < kUdpHeaderLength) {
        putText("\t<*** Packet length corrupt ***>\n");
        return giveUp();
    }
    state.dataLeft -= kUdpHeaderLength;
    unsigned dataCount = static_cast<unsigned>(state.dataLeft);

    PortTexts ports = portTexts(sourcePort, destinationPort, "udp");

    switch (displayForm()) {
    case Form::oneLine:
        showOneLinePorts(ports, "UDP");
        break;
    case Form::verbose:
        putText("UDP Header\n");
        showVerbosePorts(sourcePort, destinationPort, "udp");
        putField("Datagram Length:", "%u bytes (Header=%u, Data=%u)", length, static_cast<unsigned>(kUdpHeaderLength), dataCount);
        putField("Checksum:", "0x%04X", checksum);
        break;
    case Form::terse:
        putTersePrefix("UDP");
        putFormat("port %s -> %s hdr=%u data=%u\n", ports.source, ports.destination, static_cast<unsigned>(kUdpHeaderLength),
                  dataCount);
        break;
    }
    return dataFollows(cursor, "UDP");
}
