#include <climits>

#include "common/display.h"
#include "common/name_table.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/protocol_table.h"
#include "input/region.h"

// EIGRP (RFC 7868): a 20-byte header, then TLVs to the end of the packet.
namespace {
constexpr int kHeaderLength = 20;
constexpr int kTlvHeaderLength = 4;
constexpr int kMaxTlvs = 32;
constexpr unsigned kParameters = 0x0001, kSoftwareVersion = 0x0004;
constexpr unsigned kParametersLength = 12, kSoftwareVersionLength = 8;

constexpr Name kOpcodes[] = {{1, "Update"}, {3, "Query"}, {4, "Reply"}, {5, "Hello"},
                             {6, "IPX-SAP"}, {10, "SIA-Query"}, {11, "SIA-Reply"}};

const char kTlvNotice[] = "\t<*** EIGRP TLV runs past the end of the packet ***>\n";

void showTlv(const char* text) {
    if (displayForm() == Form::verbose) putField("TLV:", "%s", text);
    else if (displayForm() == Form::terse) putFormat("\t%s\n", text);
}
}  // namespace

Step decodeEigrp(HexCursor cursor) {
    if (state.dataLeft < kHeaderLength) {
        putText("\t<*** EIGRP header longer than the datagram ***>\n");
        return giveUp();
    }
    unsigned version = getByte(cursor), opcode = getByte(cursor), checksum = getShort(cursor);
    uint32_t flags = getLong(cursor), sequence = getLong(cursor), ack = getLong(cursor);
    unsigned vrid = getShort(cursor), as = getShort(cursor);
    state.dataLeft -= kHeaderLength;

    NumberText number;
    const char* opcodeText = nameOrNumber(kOpcodes, opcode, number);
    switch (displayForm()) {
    case Form::oneLine:
        putFormat("%s -> %s EIGRP %s AS %u\n", state.srcHostText, state.dstHostText, opcodeText, as);
        break;
    case Form::verbose: {
        putText("EIGRP Header\n");
        putField("Version:", "%u", version);
        putField("Opcode:", "%u (%s)", opcode, nameOr(kOpcodes, opcode, "<unknown>"));
        putField("Checksum:", "0x%04X", checksum);
        putField("Flags:", "0x%08X", flags);
        putField("Sequence Number:", "%u", sequence);
        putField("Acknowledgment Number:", "%u", ack);
        putField("Virtual Router ID:", "%u", vrid);
        putField("Autonomous System:", "%u", as);
        break;
    }
    case Form::terse:
        putFormat("EIGRP:\tv%u %s seq=%u ack=%u AS=%u flags=%08X cksum=%04X\n", version, opcodeText, sequence, ack, as,
                  flags, checksum);
        break;
    }

    Region tlvs(cursor, state.dataLeft, kTlvNotice);
    for (int n = 0; tlvs.left() > 0; ++n) {
        if (n == kMaxTlvs) {
            if (displayForm() != Form::oneLine) putText("\t<Rest of header not displayed>\n");
            break;
        }
        unsigned type = tlvs.shortValue(), length = tlvs.shortValue();
        if (length < kTlvHeaderLength) tlvs.need(INT32_MAX);   // a length that cannot hold its own header
        if (!tlvs.need(static_cast<int32_t>(length) - kTlvHeaderLength)) {
            tlvs.giveUp();
            return giveUp();
        }
        char text[96];
        if (type == kParameters && length == kParametersLength) {
            unsigned k[6];
            for (unsigned& value : k) value = tlvs.byte();
            unsigned hold = tlvs.shortValue();
            formatText(text, sizeof text, "parameters K1=%u K2=%u K3=%u K4=%u K5=%u K6=%u hold=%u", k[0], k[1], k[2],
                          k[3], k[4], k[5], hold);
        } else if (type == kSoftwareVersion && length == kSoftwareVersionLength) {
            unsigned v[4];
            for (unsigned& value : v) value = tlvs.byte();
            formatText(text, sizeof text, "software-version %u.%u/%u.%u", v[0], v[1], v[2], v[3]);
        } else {
            tlvs.skip(static_cast<int32_t>(length) - kTlvHeaderLength);
            formatText(text, sizeof text, "type=0x%04X len=%u", type, length);
        }
        showTlv(text);
    }
    return dataFollows(cursor, "EIGRP");
}
