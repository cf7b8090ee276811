#include "decode/tcp.h"

#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/shared_fields.h"

HexCursor decodeTcp(HexCursor cursor) {
    uint16_t sourcePort = getShort(cursor);
    uint16_t destinationPort = getShort(cursor);
    uint32_t sequence = getLong(cursor);
    uint32_t acknowledgement = getLong(cursor);
    uint16_t offsetAndFlags = getShort(cursor);
    uint16_t window = getShort(cursor);
    uint16_t checksum = getShort(cursor);
    uint16_t urgentPointer = getShort(cursor);

    int headerLength = (offsetAndFlags >> 10) & ~3;
    state.dataLeft = static_cast<int16_t>(state.dataLeft - headerLength);

    PortTexts ports = portTexts(sourcePort, destinationPort, "tcp");

    bool urg = offsetAndFlags & 0x20, ack = offsetAndFlags & 0x10, psh = offsetAndFlags & 0x08;
    bool rst = offsetAndFlags & 0x04, syn = offsetAndFlags & 0x02, fin = offsetAndFlags & 0x01;
    unsigned dataCount = static_cast<uint32_t>(static_cast<int32_t>(state.dataLeft));

    if (options.minHdrDecode) {
        putFormat("%s.%s -> %s.%s over TCP\n", state.srcHostText, ports.source, state.dstHostText,
                  ports.destination);
    } else {
        // The acknowledgement the peer should send: SYN and FIN each take one
        // sequence number (together still one).
        uint32_t expectedAck = sequence + static_cast<uint32_t>(static_cast<int32_t>(state.dataLeft)) +
                               ((syn || fin) ? 1u : 0u);
        if (options.verbose) {
            putText("TCP Header\n");
            showVerbosePorts(sourcePort, destinationPort, "tcp");
            putFormat("\tSequence Number:\t\t%010u\n", sequence);
            if (options.track) putFormat("\tExpect peer ACK:\t\t%010u\n", expectedAck);
            putFormat("\tAcknowledgement Number:\t\t%010u\n", acknowledgement);
            putFormat("\tHeader Length:\t\t\t%d bytes (data=%u)\n", headerLength, dataCount);
            putFormat("\tFlags:%s%s%s%s%s%s\n%s%s%s%s%s%s\n", "\t\t\t\tURG=", flagText(urg), " ACK=", flagText(ack),
                      " PSH=", lastFlagText(psh), "\t\t\t\t\tRST=", flagText(rst), " SYN=", flagText(syn), " FIN=",
                      lastFlagText(fin));
            putFormat("\tWindow Advertisement:\t\t%d bytes\n", window);
            putFormat("\tChecksum:\t\t\t0x%04X\n", checksum);
            putFormat("\tUrgent Pointer:\t\t\t%d\n", urgentPointer);
        } else {
            putFormat(" TCP:\tport %s -> %s seq=%010u", ports.source, ports.destination, sequence);
            if (options.track) putFormat(" (expect=%010u)", expectedAck);
            putFormat(" ack=%010u\n", acknowledgement);
            putFormat("\thlen=%d (data=%u) UAPRSF=%d%d%d%d%d%d", headerLength, dataCount, urg, ack, psh, rst, syn,
                      fin);
            putFormat(" wnd=%d cksum=%04X urg=%d\n", window, checksum, urgentPointer);
        }
    }

    skipOptions(cursor, headerLength, options.verbose && !options.minHdrDecode);
    return cursor;
}
