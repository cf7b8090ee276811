
#include "common/display.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/protocol_numbers.h"
#include "decode/ether_types.h"
#include "decode/protocol_table.h"

// GRE (RFC 2784, 2890) and the version 1 that PPTP uses (RFC 2637): the
// flags say which optional fields follow the first four bytes.
namespace {
constexpr uint16_t kChecksumPresent = 0x8000;
constexpr uint16_t kRoutingPresent = 0x4000;
constexpr uint16_t kKeyPresent = 0x2000;
constexpr uint16_t kSequencePresent = 0x1000;
constexpr uint16_t kStrictRoute = 0x0800;
constexpr uint16_t kRecursionMask = 0x0700;
constexpr uint16_t kAckPresent = 0x0080;
constexpr uint16_t kVersionMask = 0x0007;
constexpr int kFixedLength = 4;
constexpr int kRouteEntryHeader = 4;
constexpr int kMaxRouteEntries = 16;

const char kRunsPast[] = "\t<*** GRE header runs past the datagram ***>\n";

struct GreHeader {
    uint16_t word;
    uint16_t protocol;
    unsigned version;
    uint16_t checksum, offset;
    uint32_t key;              // version 0
    uint16_t payloadLength;    // version 1
    uint16_t callId;
    uint32_t sequence, ack;
    int routingBytes;          // the source route entries, the empty last one included
    int length;                // the whole header
};

bool hasChecksum(const GreHeader& h) { return (h.word & (kChecksumPresent | kRoutingPresent)) != 0; }
bool hasKey(const GreHeader& h) { return (h.word & kKeyPresent) != 0; }
bool hasSequence(const GreHeader& h) { return (h.word & kSequencePresent) != 0; }
bool hasAck(const GreHeader& h) { return h.version == 1 && (h.word & kAckPresent) != 0; }
bool hasRouting(const GreHeader& h) { return (h.word & kRoutingPresent) != 0; }

// The set flags by name: "checksum, key, sequence", or "none".
void flagsText(uint16_t word, char* text, size_t size) {
    int used = 0;
    auto add = [&](const char* name) {
        used += formatText(text + used, size - static_cast<size_t>(used), "%s%s", used > 0 ? ", " : "", name);
    };
    if (word & kChecksumPresent) add("checksum");
    if (word & kRoutingPresent) add("routing");
    if (word & kKeyPresent) add("key");
    if (word & kSequencePresent) add("sequence");
    if (word & kStrictRoute) add("strict-route");
    if (word & kAckPresent) add("ack");
    if (word & kRecursionMask) {
        char recursion[16];
        formatText(recursion, sizeof recursion, "recursion=%u", (word & kRecursionMask) >> 8);
        add(recursion);
    }
    if (used == 0) formatText(text, size, "none");
}

// GRE's protocol type is an EtherType; a value that would be an 802.3
// length means nothing here.
const char* protocolName(unsigned protocol) {
    return protocol <= static_cast<unsigned>(kMaxIeee8023Length) ? "Unknown" : etherTypeName(protocol);
}

void showTerse(const GreHeader& h) {
    putTersePrefix("GRE");
    putFormat("v=%u flags=%04X proto=%04X (%s)", h.version, h.word, h.protocol, protocolName(h.protocol));
    if (hasChecksum(h)) putFormat(" cksum=%04X", h.checksum);
    if (hasKey(h) && h.version == 0) putFormat(" key=%08X", h.key);
    if (hasKey(h) && h.version == 1) putFormat(" len=%u call=%u", h.payloadLength, h.callId);
    if (hasSequence(h)) putFormat(" seq=%u", h.sequence);
    if (hasAck(h)) putFormat(" ack=%u", h.ack);
    putChar('\n');
}

void showVerbose(const GreHeader& h) {
    char flags[96];
    flagsText(h.word, flags, sizeof flags);
    putText("GRE Header\n");
    putField("Flags:", "0x%04X (%s)", h.word, flags);
    putField("Version:", "%u", h.version);
    putField("Protocol Type:", "0x%04X (%s)", h.protocol, protocolName(h.protocol));
    if (hasChecksum(h)) {
        putField("Checksum:", "0x%04X", h.checksum);
        putField("Offset:", "%u", h.offset);
    }
    if (hasKey(h) && h.version == 0) putField("Key:", "0x%08X", h.key);
    if (hasKey(h) && h.version == 1) {
        putField("Payload Length:", "%u", h.payloadLength);
        putField("Call ID:", "%u", h.callId);
    }
    if (hasSequence(h)) putField("Sequence Number:", "%u", h.sequence);
    if (hasAck(h)) putField("Acknowledgment Number:", "%u", h.ack);
    if (hasRouting(h)) putField("Routing:", "%d bytes", h.routingBytes);
}

// The optional fields after the first four bytes; false when they run past
// the datagram (or the route has more entries than any sound one).
bool readOptionalFields(HexCursor& cursor, GreHeader& h) {
    int fixed = (hasChecksum(h) ? 4 : 0) + (hasKey(h) ? 4 : 0) + (hasSequence(h) ? 4 : 0) + (hasAck(h) ? 4 : 0);
    if (kFixedLength + fixed > state.dataLeft) return false;
    if (hasChecksum(h)) {
        h.checksum = getShort(cursor);
        h.offset = getShort(cursor);
    }
    if (hasKey(h) && h.version == 0) h.key = getLong(cursor);
    if (hasKey(h) && h.version == 1) {
        h.payloadLength = getShort(cursor);
        h.callId = getShort(cursor);
    }
    if (hasSequence(h)) h.sequence = getLong(cursor);
    if (hasAck(h)) h.ack = getLong(cursor);
    h.length = kFixedLength + fixed;
    if (!hasRouting(h)) return true;
    // Route entries (family, offset, length, value) up to an empty one.
    for (int entry = 0; entry <= kMaxRouteEntries; ++entry) {
        if (entry == kMaxRouteEntries || h.length + kRouteEntryHeader > state.dataLeft) return false;
        getShort(cursor);   // address family
        getByte(cursor);    // offset
        unsigned entryLength = getByte(cursor);
        h.length += kRouteEntryHeader;
        h.routingBytes += kRouteEntryHeader;
        if (entryLength == 0) return true;
        if (h.length + static_cast<int>(entryLength) > state.dataLeft) return false;
        skipBytes(cursor, static_cast<int>(entryLength));
        h.length += static_cast<int>(entryLength);
        h.routingBytes += static_cast<int>(entryLength);
    }
    return false;
}
}  // namespace

Step decodeGre(HexCursor cursor) {
    if (state.dataLeft < kFixedLength) {
        putText(kRunsPast);
        return giveUp();
    }
    GreHeader h{};
    h.word = getShort(cursor);
    h.protocol = getShort(cursor);
    h.version = h.word & kVersionMask;
    if (h.version >= 2) return undecoded(cursor);
    if (!readOptionalFields(cursor, h)) {
        putText(kRunsPast);
        return giveUp();
    }
    state.dataLeft -= h.length;

    bool payload = state.dataLeft > 0;
    Form form = displayForm();
    if (form == Form::oneLine) {
        if (!payload) putFormat("%s -> %s GRE %s\n", state.srcHostText, state.dstHostText, protocolName(h.protocol));
    } else if (!options.noIp) {
        if (form == Form::verbose) showVerbose(h);
        else showTerse(h);
    }
    if (!payload) return dataFollows(cursor, "GRE");
    state.greProtocol = h.protocol;
    state.greSequence = hasSequence(h);
    if (h.protocol <= kMaxIeee8023Length) return undecoded(cursor);
    return followedByGreProtocol(cursor, h.protocol);
}
