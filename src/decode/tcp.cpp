#include "decode/protocol_table.h"

#include <initializer_list>

#include "common/display.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/option_list.h"
#include "decode/shared_fields.h"

namespace {
// The data offset is the top 4 bits of the 16 that hold the flags, in 32-bit
// words: shifted down by 10 and its two low bits cleared, it is in bytes.
constexpr int kDataOffsetShift = 10;
constexpr int kDataOffsetByteMask = ~3;
constexpr int kFixedHeaderLength = 20;
constexpr uint16_t kUrg = 0x20, kAck = 0x10, kPsh = 0x08, kRst = 0x04, kSyn = 0x02, kFin = 0x01;
// The ECN flags (-extended): AE, CWR and ECE, which Accurate ECN reads together as its ACE field.
constexpr uint16_t kAe = 0x100, kCwr = 0x080, kEce = 0x040;
}  // namespace

Step decodeTcp(HexCursor cursor) {
    uint16_t sourcePort = getShort(cursor);
    uint16_t destinationPort = getShort(cursor);
    uint32_t sequence = getLong(cursor);
    uint32_t acknowledgement = getLong(cursor);
    uint16_t offsetAndFlags = getShort(cursor);
    uint16_t window = getShort(cursor);
    uint16_t checksum = getShort(cursor);
    uint16_t urgentPointer = getShort(cursor);

    int headerLength = (offsetAndFlags >> kDataOffsetShift) & kDataOffsetByteMask;
    int dataCount = state.dataLeft - headerLength;
    // Under -extended the options are charged as they are read, so that a dump
    // ending inside them is reported as data missing (a header longer than
    // the datagram is given up before its options).
    bool extended = options.extended;
    bool readOptions = extended && headerLength > kFixedHeaderLength && dataCount >= 0;
    state.dataLeft -= readOptions ? kFixedHeaderLength : headerLength;

    PortTexts ports = portTexts(sourcePort, destinationPort, "tcp");

    bool urg = offsetAndFlags & kUrg, ack = offsetAndFlags & kAck, psh = offsetAndFlags & kPsh;
    bool rst = offsetAndFlags & kRst, syn = offsetAndFlags & kSyn, fin = offsetAndFlags & kFin;
    bool ae = offsetAndFlags & kAe, cwr = offsetAndFlags & kCwr, ece = offsetAndFlags & kEce;

    Form form = displayForm();
    if (form == Form::oneLine) {
        showOneLinePorts(ports, "TCP");
    } else {
        // The acknowledgement the peer should send: SYN and FIN each take one
        // sequence number (together still one). A header longer than the
        // datagram leaves no data to acknowledge.
        uint32_t dataToAck = dataCount > 0 ? static_cast<uint32_t>(dataCount) : 0u;
        uint32_t expectedAck = sequence + dataToAck + ((syn || fin) ? 1u : 0u);
        if (form == Form::verbose) {
            putText("TCP Header\n");
            showVerbosePorts(sourcePort, destinationPort, "tcp");
            putField("Sequence Number:", "%010u", sequence);
            if (options.track) putField("Expect peer ACK:", "%010u", expectedAck);
            putField("Acknowledgement Number:", "%010u", acknowledgement);
            putField("Header Length:", "%d bytes (data=%d)", headerLength, dataCount);
            // The flags take two lines, the second lined up under the first.
            putField("Flags:", "URG=%s ACK=%s PSH=%s\n\t\t\t\t\tRST=%s SYN=%s FIN=%s", flagText(urg), flagText(ack),
                     lastFlagText(psh), flagText(rst), flagText(syn), lastFlagText(fin));
            if (extended)
                putFormat("\t\t\t\t\tAE=%s  CWR=%s ECE=%s\n", flagText(ae), flagText(cwr), lastFlagText(ece));
            putField("Window Advertisement:", "%d bytes", window);
            putField("Checksum:", "0x%04X", checksum);
            putField("Urgent Pointer:", "%d", urgentPointer);
        } else {
            // " TCP:\tport %s -> %s seq=%010u", " (expect=%010u)" with -track,
            // " ack=%010u\n", "\thlen=%d (data=%d) UAPRSF=%d%d%d%d%d%d",
            // " wnd=%d cksum=%04X urg=%d\n", put together without a format.
            putTersePrefix("TCP");
            putText("port ");
            putText(ports.source);
            putText(" -> ");
            putText(ports.destination);
            putText(" seq=");
            putUnsigned(sequence, 10);
            if (options.track) {
                putText(" (expect=");
                putUnsigned(expectedAck, 10);
                putChar(')');
            }
            putText(" ack=");
            putUnsigned(acknowledgement, 10);
            putText("\n\thlen=");
            putSigned(headerLength);
            putText(" (data=");
            putSigned(dataCount);
            putText(") UAPRSF=");
            for (bool flag : {urg, ack, psh, rst, syn, fin}) putChar(flag ? '1' : '0');
            if (extended) {
                putText(" ACE=");
                for (bool flag : {ae, cwr, ece}) putChar(flag ? '1' : '0');
            }
            putText(" wnd=");
            putSigned(window);
            putText(" cksum=");
            putHex(checksum, 4);
            putText(" urg=");
            putSigned(urgentPointer);
            putChar('\n');
        }
    }

    if (dataCount < 0) {
        // The header claims more bytes than the datagram holds: what follows
        // it is no data of this segment.
        putText("\t<*** TCP header longer than the datagram ***>\n");
        return giveUp();
    }
    if (readOptions)
        readOptionArea(cursor, kTcpOptionTable, headerLength, form != Form::oneLine);
    else
        skipOptions(cursor, headerLength, form == Form::verbose);
    return dataFollows(cursor, "TCP");
}
