
#include "common/display.h"
#include "common/name_table.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/protocol_table.h"
#include "decode/shared_fields.h"
#include "input/region.h"
#include "present/payload.h"

// SCTP (RFC 9260): the common header, then chunks to the end of the
// datagram, each shown as read; a DATA chunk's user data is shown right
// after its line.
namespace {
constexpr int kHeaderLength = 12;
constexpr int kChunkHeaderLength = 4;
constexpr int kDataChunkLength = 16;
constexpr int kInitLength = 20;
constexpr int kSackLength = 16;
constexpr int kMaxChunks = 32;
constexpr unsigned kData = 0, kInit = 1, kInitAck = 2, kSack = 3;

constexpr Name kChunkTypes[] = {
    {kData, "DATA"}, {kInit, "INIT"}, {kInitAck, "INIT_ACK"}, {kSack, "SACK"}, {4, "HEARTBEAT"},
    {5, "HEARTBEAT_ACK"}, {6, "ABORT"}, {7, "SHUTDOWN"}, {8, "SHUTDOWN_ACK"}, {9, "ERROR"}, {10, "COOKIE_ECHO"},
    {11, "COOKIE_ACK"}, {12, "ECNE"}, {13, "CWR"}, {14, "SHUTDOWN_COMPLETE"}, {15, "AUTH"}, {64, "I_DATA"},
    {128, "ASCONF_ACK"}, {130, "RE_CONFIG"}, {132, "PAD"}, {192, "FORWARD_TSN"}, {193, "ASCONF"},
    {194, "I_FORWARD_TSN"},
};

const char kChunkNotice[] = "\t<*** SCTP chunk runs past the end of the datagram ***>\n";

void showChunk(const char* text) {
    if (displayForm() == Form::verbose) putField("Chunk:", "%s", text);
    else if (displayForm() == Form::terse) putFormat("\t%s\n", text);
}

// The chunk's user data, `count` bytes, as the data display shows the rest
// of a packet.
HexCursor showUserData(HexCursor cursor, int count) {
    int after = state.dataLeft - count;
    state.dataLeft = count;
    cursor = showData(cursor, "SCTP");
    state.dataLeft = after;
    return cursor;
}
}  // namespace

Step decodeSctp(HexCursor cursor) {
    if (state.dataLeft < kHeaderLength) {
        putText("\t<*** SCTP header longer than the datagram ***>\n");
        return giveUp();
    }
    unsigned sourcePort = getShort(cursor), destinationPort = getShort(cursor);
    uint32_t tag = getLong(cursor), checksum = getLong(cursor);
    state.dataLeft -= kHeaderLength;

    PortTexts ports = portTexts(sourcePort, destinationPort, "sctp");
    switch (displayForm()) {
    case Form::oneLine:
        showOneLinePorts(ports, "SCTP");
        break;
    case Form::verbose:
        putText("SCTP Header\n");
        showVerbosePorts(sourcePort, destinationPort, "sctp");
        putField("Verification Tag:", "0x%08X", tag);
        putField("Checksum:", "0x%08X", checksum);
        break;
    case Form::terse:
        putFormat("SCTP:\tport %s -> %s vtag=%08X cksum=%08X\n", ports.source, ports.destination, tag, checksum);
        break;
    }

    bool lastWasData = false;
    for (int n = 0; state.dataLeft > 0; ++n) {
        if (n == kMaxChunks) {
            if (displayForm() != Form::oneLine) putText("\t<Rest of header not displayed>\n");
            lastWasData = false;
            break;
        }
        // A chunk is read through a region of what the datagram has left.
        Region chunk(cursor, state.dataLeft, kChunkNotice);
        unsigned type = chunk.byte(), flags = chunk.byte(), length = chunk.shortValue();
        int chunkLength = static_cast<int>(length);
        bool tooShort = chunkLength < kChunkHeaderLength || (type == kData && chunkLength < kDataChunkLength);
        if (tooShort || !chunk.need(chunkLength - kChunkHeaderLength)) {
            chunk.giveUp();
            return giveUp();
        }
        NumberText number;
        const char* name = nameOf(kChunkTypes, type);
        if (name == nullptr) {
            formatText(number.text, sizeof number.text, "type=%u", type);
            name = number.text;
        }
        char text[160];
        int used = formatText(text, sizeof text, "%s flags=0x%02X len=%u", name, flags, length);
        int read = kChunkHeaderLength;
        if (type == kData) {
            uint32_t tsn = chunk.longValue();
            unsigned stream = chunk.shortValue(), ssn = chunk.shortValue();
            uint32_t ppid = chunk.longValue();
            formatText(text + used, sizeof text - used, " TSN=%u stream=%u ssn=%u ppid=%u", tsn, stream, ssn, ppid);
            read = kDataChunkLength;
        } else if ((type == kInit || type == kInitAck) && chunkLength >= kInitLength) {
            uint32_t initiateTag = chunk.longValue(), window = chunk.longValue();
            unsigned outbound = chunk.shortValue(), inbound = chunk.shortValue();
            uint32_t tsn = chunk.longValue();
            formatText(text + used, sizeof text - used, " tag=0x%08X a_rwnd=%u out=%u in=%u TSN=%u", initiateTag,
                          window, outbound, inbound, tsn);
            read = kInitLength;
        } else if (type == kSack && chunkLength >= kSackLength) {
            uint32_t cumulative = chunk.longValue(), window = chunk.longValue();
            unsigned gaps = chunk.shortValue(), duplicates = chunk.shortValue();
            formatText(text + used, sizeof text - used, " cum-TSN=%u a_rwnd=%u gaps=%u dups=%u", cumulative, window,
                          gaps, duplicates);
            read = kSackLength;
        }
        showChunk(text);
        if (type == kData) cursor = showUserData(cursor, chunkLength - read);
        else chunk.skip(chunkLength - read);
        // Chunks are padded to 4 bytes; the last one's padding may be missing.
        int padding = (4 - chunkLength % 4) % 4;
        Region rest(cursor, state.dataLeft, kChunkNotice);
        rest.skip(padding < rest.left() ? padding : rest.left());
        lastWasData = type == kData;
    }
    if (lastWasData) return nothingFollows(cursor);
    return dataFollows(cursor, "SCTP");
}
