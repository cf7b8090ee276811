#include "common/display.h"
#include "common/name_table.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/protocol_numbers.h"
#include "decode/protocol_table.h"
#include "decode/shared_fields.h"

// ERSPAN, the mirrored frames that GRE carries: type I has no header of its
// own, type II 8 bytes, type III 12 (and 8 more with the platform
// sub-header). Which type it is comes from GRE (its protocol type and
// sequence number flag); the header's version must agree.
namespace {
constexpr int kType2Length = 8;
constexpr int kType3Length = 12;
constexpr int kPlatformLength = 8;
constexpr unsigned kType2Version = 1;
constexpr unsigned kType3Version = 2;
constexpr unsigned kFrameEthernet = 0;
constexpr unsigned kFrameIp = 2;

constexpr Name kFrameTypes[] = {{kFrameEthernet, "Ethernet"}, {kFrameIp, "IP"}};

const char kRunsPast[] = "\t<*** ERSPAN header runs past the datagram ***>\n";

struct ErspanHeader {
    unsigned type;   // 1, 2 or 3
    unsigned version, vlan, cos, encapsulation, truncated, session, index;   // II (encapsulation: III's BSO)
    uint32_t timestamp;
    unsigned sgt, p, frameType, hardware, direction, granularity, o, platform;   // III
};

void readFirstWord(HexCursor& cursor, ErspanHeader& h) {
    uint32_t word = getLong(cursor);
    h.version = word >> 28;
    h.vlan = (word >> 16) & 0x0FFF;
    h.cos = (word >> 13) & 0x7;
    h.encapsulation = (word >> 11) & 0x3;
    h.truncated = (word >> 10) & 0x1;
    h.session = word & 0x03FF;
}

void readType3(HexCursor& cursor, ErspanHeader& h) {
    h.timestamp = getLong(cursor);
    uint32_t word = getLong(cursor);
    h.sgt = word >> 16;
    h.p = (word >> 15) & 0x1;
    h.frameType = (word >> 10) & 0x1F;
    h.hardware = (word >> 4) & 0x3F;
    h.direction = (word >> 3) & 0x1;
    h.granularity = (word >> 1) & 0x3;
    h.o = word & 0x1;
}

const char* typeText(unsigned type) { return type == 1 ? "I" : type == 2 ? "II" : "III"; }

void showTerse(const ErspanHeader& h) {
    putTersePrefix("ERSPAN");
    if (h.type == 1) {
        putText("type=I\n");
    } else if (h.type == 2) {
        putFormat("type=II vlan=%u cos=%u en=%u T=%u session=%u index=%u\n", h.vlan, h.cos, h.encapsulation,
                  h.truncated, h.session, h.index);
    } else {
        putFormat("type=III vlan=%u cos=%u bso=%u T=%u session=%u ts=%u sgt=%u P=%u ft=%u hw=%u D=%u gra=%u O=%u\n",
                  h.vlan, h.cos, h.encapsulation, h.truncated, h.session, h.timestamp, h.sgt, h.p, h.frameType,
                  h.hardware, h.direction, h.granularity, h.o);
    }
}

void showVerbose(const ErspanHeader& h) {
    putText("ERSPAN Header\n");
    if (h.type == 1) {
        putField("Version:", "Type I (no header)");
        return;
    }
    putField("Version:", "%u (Type %s)", h.version, typeText(h.type));
    putField("VLAN:", "%u", h.vlan);
    putField("COS:", "%u", h.cos);
    if (h.type == 2) putField("Encapsulation:", "%u", h.encapsulation);
    else putField("BSO:", "%u", h.encapsulation);
    putField("Truncated:", "%s", lastFlagText(h.truncated != 0));
    putField("Session ID:", "%u", h.session);
    if (h.type == 2) {
        putField("Index:", "%u", h.index);
        return;
    }
    const char* frameName = nameOr(kFrameTypes, h.frameType, "<unknown>");
    putField("Timestamp:", "%u", h.timestamp);
    putField("Security Group Tag:", "%u", h.sgt);
    putField("Frame Type:", "%u (%s)", h.frameType, frameName);
    putField("Hardware ID:", "%u", h.hardware);
    putField("Direction:", "%s", h.direction != 0 ? "egress" : "ingress");
    putField("Granularity:", "%u", h.granularity);
    putField("Flags:", "P=%s O=%s", flagText(h.p != 0), lastFlagText(h.o != 0));
    if (h.o != 0) putField("Platform ID:", "%u", h.platform);
}
}  // namespace

Step decodeErspan(HexCursor cursor) {
    unsigned type = state.greProtocol == kGreErspan3 ? 3 : state.greSequence ? 2 : 1;
    ErspanHeader h{};
    h.type = type;
    int length = type == 1 ? 0 : type == 2 ? kType2Length : kType3Length;
    if (length > state.dataLeft) {
        putText(kRunsPast);
        return giveUp();
    }
    if (type == 2) {
        readFirstWord(cursor, h);
        h.index = getLong(cursor) & 0x000FFFFF;
    } else if (type == 3) {
        readFirstWord(cursor, h);
        readType3(cursor, h);
        if (h.o != 0 && h.version == kType3Version) {
            if (length + kPlatformLength > state.dataLeft) {
                putText(kRunsPast);
                return giveUp();
            }
            uint32_t high = getLong(cursor);
            getLong(cursor);
            h.platform = high >> 26;
            length += kPlatformLength;
        }
    }
    if ((type == 2 && h.version != kType2Version) || (type == 3 && h.version != kType3Version))
        return undecoded(cursor);
    state.dataLeft -= length;

    Form form = displayForm();
    bool toData = type == 3 && h.frameType != kFrameEthernet && h.frameType != kFrameIp;
    if (form == Form::oneLine) {
        if (toData)
            putFormat("%s -> %s ERSPAN type %s session %u\n", state.srcHostText, state.dstHostText, typeText(type),
                      h.session);
    } else if (!options.noIp) {
        if (form == Form::verbose) showVerbose(h);
        else showTerse(h);
    }
    if (toData) return dataFollows(cursor, "ERSPAN");
    if (type == 3 && h.frameType == kFrameIp) {
        // An IP datagram, told by its version digit; anything else is data.
        if (unsigned datagram = datagramEtherType(cursor)) return followedByEtherType(cursor, datagram);
        if (form == Form::oneLine)
            putFormat("%s -> %s ERSPAN type %s session %u\n", state.srcHostText, state.dstHostText, typeText(type),
                      h.session);
        return dataFollows(cursor, "ERSPAN");
    }
    return followedByEtherType(cursor, kEtherTypeTeb);
}
