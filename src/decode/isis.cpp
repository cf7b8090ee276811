// IS-IS behind LLC (SAP 0xFE, NLPID 0x83): the common header, the fixed part
// of hellos, LSPs and sequence number PDUs, then the TLVs.

#include "common/display.h"
#include "common/name_table.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/field_texts.h"
#include "decode/protocol_table.h"
#include "decode/shared_fields.h"
#include "decode/step.h"
#include "input/region.h"

namespace {
constexpr char kPduLengthDoesNotFit[] = "\t<*** IS-IS PDU length does not fit the frame ***>\n";
constexpr char kTlvRunsPast[] = "\t<*** IS-IS TLV runs past the PDU ***>\n";
constexpr char kRestNotShown[] = "\t<Rest of header not displayed>\n";
constexpr int kCommonLength = 8;
constexpr unsigned kIdLength = 6;
constexpr int kMaxTlvs = 64;
constexpr unsigned kTlvHostname = 137;

constexpr Name kPduTypes[] = {{15, "L1-LAN-Hello"}, {16, "L2-LAN-Hello"}, {17, "P2P-Hello"},
                              {18, "L1-LSP"},       {20, "L2-LSP"},       {24, "L1-CSNP"},
                              {25, "L2-CSNP"},      {26, "L1-PSNP"},      {27, "L2-PSNP"}};
constexpr Name kTlvNames[] = {{1, "area-addresses"},
                              {2, "is-reachability"},
                              {6, "is-neighbors"},
                              {8, "padding"},
                              {9, "lsp-entries"},
                              {10, "authentication"},
                              {22, "extended-is-reachability"},
                              {128, "ip-internal-reachability"},
                              {129, "protocols-supported"},
                              {130, "ip-external-reachability"},
                              {132, "ip-interface-address"},
                              {135, "extended-ip-reachability"},
                              {232, "ipv6-interface-address"},
                              {236, "ipv6-reachability"},
                              {240, "p2p-adjacency-state"},
                              {242, "router-capability"}};

enum class Kind { lanHello, p2pHello, lsp, csnp, psnp };

Kind kindOf(unsigned type) {
    if (type == 15 || type == 16) return Kind::lanHello;
    if (type == 17) return Kind::p2pHello;
    if (type == 18 || type == 20) return Kind::lsp;
    if (type == 24 || type == 25) return Kind::csnp;
    return Kind::psnp;
}

int fixedLength(Kind kind) {
    switch (kind) {
    case Kind::lanHello: return 19;
    case Kind::p2pHello: return 12;
    case Kind::lsp: return 19;
    case Kind::csnp: return 25;
    case Kind::psnp: return 9;
    }
    return 0;
}

// "1111.2222.3333", with ".01" for a pseudonode and "-00" for an LSP number.
struct IdText {
    char text[24];
};
IdText systemId(const uint8_t* bytes, int extra) {
    IdText out;
    int at = formatText(out.text, sizeof out.text, "%02X%02X.%02X%02X.%02X%02X", bytes[0], bytes[1], bytes[2],
                           bytes[3], bytes[4], bytes[5]);
    if (extra >= 1) at += formatText(out.text + at, sizeof out.text - static_cast<size_t>(at), ".%02X", bytes[6]);
    if (extra >= 2) formatText(out.text + at, sizeof out.text - static_cast<size_t>(at), "-%02X", bytes[7]);
    return out;
}

struct Fixed {
    unsigned circuitType = 0, holdingTime = 0, pduLength = 0, priority = 0, localCircuit = 0;
    unsigned lifetime = 0, checksum = 0, flags = 0;
    uint32_t sequence = 0;
    IdText source{}, lan{}, lsp{}, start{}, end{};
};

Fixed readFixed(Region& region, Kind kind) {
    Fixed f;
    uint8_t bytes[8];
    if (kind == Kind::lanHello || kind == Kind::p2pHello) {
        f.circuitType = region.byte();
        region.bytes(bytes, 6);
        f.source = systemId(bytes, 0);
        f.holdingTime = region.shortValue();
        f.pduLength = region.shortValue();
        if (kind == Kind::lanHello) {
            f.priority = region.byte() & 0x7F;
            region.bytes(bytes, 7);
            f.lan = systemId(bytes, 1);
        } else {
            f.localCircuit = region.byte();
        }
    } else if (kind == Kind::lsp) {
        f.pduLength = region.shortValue();
        f.lifetime = region.shortValue();
        region.bytes(bytes, 8);
        f.lsp = systemId(bytes, 2);
        f.sequence = region.longValue();
        f.checksum = region.shortValue();
        f.flags = region.byte();
    } else {
        f.pduLength = region.shortValue();
        region.bytes(bytes, 7);
        f.source = systemId(bytes, 1);
        if (kind == Kind::csnp) {
            region.bytes(bytes, 8);
            f.start = systemId(bytes, 2);
            region.bytes(bytes, 8);
            f.end = systemId(bytes, 2);
        }
    }
    return f;
}

void showFixed(const Fixed& f, Kind kind) {
    if (kind == Kind::lanHello || kind == Kind::p2pHello) {
        putField("Circuit Type:", "%u", f.circuitType);
        putField("Source ID:", "%s", f.source.text);
        putField("Holding Time:", "%u s", f.holdingTime);
        putField("PDU Length:", "%u bytes", f.pduLength);
        if (kind == Kind::lanHello) {
            putField("Priority:", "%u", f.priority);
            putField("LAN ID:", "%s", f.lan.text);
        } else {
            putField("Local Circuit ID:", "%u", f.localCircuit);
        }
    } else if (kind == Kind::lsp) {
        putField("PDU Length:", "%u bytes", f.pduLength);
        putField("Remaining Lifetime:", "%u s", f.lifetime);
        putField("LSP ID:", "%s", f.lsp.text);
        putField("Sequence Number:", "0x%08X", f.sequence);
        putField("Checksum:", "0x%04X", f.checksum);
        putField("Flags:", "0x%02X", f.flags);
    } else {
        putField("PDU Length:", "%u bytes", f.pduLength);
        putField("Source ID:", "%s", f.source.text);
        if (kind == Kind::csnp) {
            putField("Start LSP ID:", "%s", f.start.text);
            putField("End LSP ID:", "%s", f.end.text);
        }
    }
}
}  // namespace

Step decodeIsis(HexCursor cursor) {
    Region frame(cursor, state.dataLeft, kPduLengthDoesNotFit);
    uint8_t header[kCommonLength];
    frame.bytes(header, kCommonLength);
    if (frame.overrun()) return ranPast(frame);
    unsigned idLength = header[3] == 0 ? kIdLength : header[3];
    unsigned pduType = header[4] & 0x1F;
    const char* typeName = nameOf(kPduTypes, pduType);
    if (idLength != kIdLength || typeName == nullptr) return noDecoderFollows(cursor);
    Kind kind = kindOf(pduType);
    Fixed f = readFixed(frame, kind);
    if (frame.overrun()) return ranPast(frame);
    int headerLength = kCommonLength + fixedLength(kind);
    if (static_cast<int>(f.pduLength) < headerLength ||
        static_cast<int32_t>(f.pduLength) - headerLength > frame.left()) {
        putText(kPduLengthDoesNotFit);
        return giveUp();
    }
    Form form = displayForm();
    if (form == Form::verbose) {
        putText("IS-IS Header\n");
        putField("Header Length:", "%u bytes", header[1]);
        putField("ID Length:", "%u", header[3]);
        putField("PDU Type:", "%u (%s)", pduType, typeName);
        putField("Max Area Addresses:", "%u", header[7]);
        showFixed(f, kind);
    } else if (form == Form::terse) {
        putText("IS-IS:\t");
        if (kind == Kind::lsp)
            putFormat("%s pdulen=%u lsp=%s seq=%08X life=%u\n", typeName, f.pduLength, f.lsp.text, f.sequence,
                      f.lifetime);
        else
            putFormat("%s pdulen=%u src=%s\n", typeName, f.pduLength, f.source.text);
    } else if (kind == Kind::lsp) {
        putFormat("%s -> %s IS-IS %s %s\n", oneLineSource(), oneLineDestination(), typeName, f.lsp.text);
    } else {
        putFormat("%s -> %s IS-IS %s\n", oneLineSource(), oneLineDestination(), typeName);
    }
    // The TLVs run to the PDU length; the bytes after it are the frame's fill.
    state.dataLeft = static_cast<int32_t>(f.pduLength) - headerLength;
    Region pdu(cursor, state.dataLeft, kTlvRunsPast);
    static uint8_t value[255];
    char text[kFieldTextSize + 16];
    for (int n = 0; pdu.left() > 0; ++n) {
        if (n == kMaxTlvs) {
            if (form != Form::oneLine) putText(kRestNotShown);
            break;
        }
        unsigned type = pdu.byte();
        unsigned length = pdu.byte();
        if (pdu.overrun()) return ranPast(pdu);
        if (static_cast<int32_t>(length) > pdu.left()) {
            putText(kTlvRunsPast);
            return giveUp();
        }
        pdu.bytes(value, static_cast<int>(length));
        const char* name = nameOf(kTlvNames, type);
        if (type == kTlvHostname) {
            char hostname[kFieldTextSize];
            printableText(hostname, value, static_cast<int>(length), false);
            formatText(text, sizeof text, "hostname=%s", hostname);
        } else if (name != nullptr) {
            formatText(text, sizeof text, "%s len=%u", name, length);
        } else {
            formatText(text, sizeof text, "type=%u len=%u", type, length);
        }
        if (form == Form::verbose)
            putField("TLV:", "%s", text);
        else if (form == Form::terse)
            putFormat("\t%s\n", text);
    }
    return dataFollows(cursor, "IS-IS");
}
