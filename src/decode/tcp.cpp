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
    state.dataLeft -= headerLength;

    PortTexts ports = portTexts(sourcePort, destinationPort, "tcp");

    bool urg = offsetAndFlags & 0x20, ack = offsetAndFlags & 0x10, psh = offsetAndFlags & 0x08;
    bool rst = offsetAndFlags & 0x04, syn = offsetAndFlags & 0x02, fin = offsetAndFlags & 0x01;
    int dataCount = state.dataLeft;

    if (options.minHdrDecode) {
        putFormat("%s.%s -> %s.%s over TCP\n", state.srcHostText, ports.source, state.dstHostText,
                  ports.destination);
    } else {
        // The acknowledgement the peer should send: SYN and FIN each take one
        // sequence number (together still one). A header longer than the
        // datagram leaves no data to acknowledge.
        uint32_t dataToAck = dataCount > 0 ? static_cast<uint32_t>(dataCount) : 0u;
        uint32_t expectedAck = sequence + dataToAck + ((syn || fin) ? 1u : 0u);
        if (options.verbose) {
            putText("TCP Header\n");
            showVerbosePorts(sourcePort, destinationPort, "tcp");
            putFormat("\tSequence Number:\t\t%010u\n", sequence);
            if (options.track) putFormat("\tExpect peer ACK:\t\t%010u\n", expectedAck);
            putFormat("\tAcknowledgement Number:\t\t%010u\n", acknowledgement);
            putFormat("\tHeader Length:\t\t\t%d bytes (data=%d)\n", headerLength, dataCount);
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
            putFormat("\thlen=%d (data=%d) UAPRSF=%d%d%d%d%d%d", headerLength, dataCount, urg, ack, psh, rst, syn,
                      fin);
            putFormat(" wnd=%d cksum=%04X urg=%d\n", window, checksum, urgentPointer);
        }
    }

    if (dataCount < 0) {
        // The header claims more bytes than the datagram holds: what follows
        // it is no data of this segment.
        putText("\t<*** TCP header longer than the datagram ***>\n");
        skipPacket();
        return nullptr;
    }
    skipOptions(cursor, headerLength, options.verbose && !options.minHdrDecode);
    return cursor;
}
