// Spanning Tree BPDUs (802.1D, RSTP, MSTP, SPB), behind LLC SAP 0x42 or
// Cisco's PVST+ SNAP header.

#include <cstring>

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
constexpr char kRunsPast[] = "\t<*** BPDU runs past the end of the frame ***>\n";
constexpr char kMstTooShort[] = "\t<*** MST configuration shorter than 64 bytes ***>\n";
constexpr char kRestNotShown[] = "\t<Rest of header not displayed>\n";

constexpr unsigned kTypeConfig = 0x00;
constexpr unsigned kTypeRst = 0x02;
constexpr unsigned kTypeTcn = 0x80;
constexpr int kMstConfigLength = 64;    // the MST configuration identifier and CIST fields
constexpr int kMstiLength = 16;
constexpr int kMaxMstis = 64;
constexpr int kMstNameLength = 32;
constexpr int kDigestLength = 16;
constexpr int kPvstTlvLength = 6;

constexpr Name kVersions[] = {{0, "STP"}, {2, "RSTP"}, {3, "MSTP"}, {4, "SPB"}};
constexpr Name kTypes[] = {{kTypeConfig, "Config"}, {kTypeRst, "RST"}, {kTypeTcn, "TCN"}};
constexpr Name kOneLineKinds[] = {{2, "RST"}, {3, "MST"}, {4, "SPB"}};
const char* const kRoles[] = {"unknown", "alternate/backup", "root", "designated"};

// A bridge identifier: priority (the top 4 bits, as a multiple of 4096), the
// system id extension, the MAC.
struct BridgeId {
    unsigned priority;
    unsigned extension;
    char mac[kMacTextSize];
};

BridgeId readBridgeId(Region& region) {
    uint8_t bytes[8];
    region.bytes(bytes, 8);
    BridgeId id;
    unsigned field = static_cast<unsigned>(bytes[0] << 8 | bytes[1]);
    id.priority = field & 0xF000;
    id.extension = field & 0x0FFF;
    macText(id.mac, bytes + 2);
    return id;
}

struct IdText {
    char text[40];
};
IdText idText(const BridgeId& id) {
    IdText out;
    formatText(out.text, sizeof out.text, "%u/%u/%s", id.priority, id.extension, id.mac);
    return out;
}

// A time in 1/256 s: "2 s", or "1.25 s" (hundredths, cut).
struct TimeText {
    char text[20];
};
TimeText timeText(unsigned value, bool withUnit) {
    TimeText out;
    const char* unit = withUnit ? " s" : "";
    if (value % 256 == 0)
        formatText(out.text, sizeof out.text, "%u%s", value / 256, unit);
    else
        formatText(out.text, sizeof out.text, "%u.%02u%s", value / 256, value % 256 * 100 / 256, unit);
    return out;
}

// "0x3C (proposal, role=designated, learning, forwarding)"; the role only in
// RST BPDUs.
struct FlagsText {
    char text[120];
};
FlagsText flagsText(unsigned flags, bool withRole) {
    FlagsText out;
    int at = formatText(out.text, sizeof out.text, "0x%02X (", flags);
    bool any = false;
    auto add = [&](const char* word) {
        at += formatText(out.text + at, sizeof out.text - static_cast<size_t>(at), "%s%s", any ? ", " : "", word);
        any = true;
    };
    if (flags & 0x01) add("TC");
    if (flags & 0x02) add("proposal");
    if (withRole) {
        char role[24];
        formatText(role, sizeof role, "role=%s", kRoles[(flags >> 2) & 3]);
        add(role);
    }
    if (flags & 0x10) add("learning");
    if (flags & 0x20) add("forwarding");
    if (flags & 0x40) add("agreement");
    if (flags & 0x80) add("TCA");
    if (!any) add("none");
    formatText(out.text + at, sizeof out.text - static_cast<size_t>(at), ")");
    return out;
}

struct Bpdu {
    unsigned protocolId, version, type;
    unsigned flags;
    BridgeId root, bridge;
    uint32_t cost;
    unsigned port;
    unsigned age, maxAge, hello, forwardDelay;
    bool hasVersion1 = false;
    unsigned version1Length = 0;
    bool hasVersion3 = false;
    unsigned version3Length = 0;
};

struct MstConfig {
    char name[kFieldTextSize];
    unsigned revision;
    char digest[kFieldHexSize];
    uint32_t cistCost;
    BridgeId cistBridge;
    unsigned hops;
};

const char* typeName(unsigned type) { return nameOr(kTypes, type, "<unknown>"); }

void showCommonVerbose(const Bpdu& b) {
    putText("STP Header\n");
    putField("Protocol Identifier:", "0x%04X", b.protocolId);
    putField("Version:", "%u (%s)", b.version, nameOr(kVersions, b.version, "<unknown>"));
    putField("BPDU Type:", "0x%02X (%s)", b.type, typeName(b.type));
}

void showBpdu(const Bpdu& b) {
    Form form = displayForm();
    if (form == Form::verbose) {
        showCommonVerbose(b);
        putField("Flags:", "%s", flagsText(b.flags, b.type == kTypeRst).text);
        putField("Root Identifier:", "%s", idText(b.root).text);
        putField("Root Path Cost:", "%u", b.cost);
        putField("Bridge Identifier:", "%s", idText(b.bridge).text);
        putField("Port Identifier:", "0x%04X", b.port);
        putField("Message Age:", "%s", timeText(b.age, true).text);
        putField("Max Age:", "%s", timeText(b.maxAge, true).text);
        putField("Hello Time:", "%s", timeText(b.hello, true).text);
        putField("Forward Delay:", "%s", timeText(b.forwardDelay, true).text);
        if (b.hasVersion1) putField("Version 1 Length:", "%u", b.version1Length);
        if (b.hasVersion3) putField("Version 3 Length:", "%u", b.version3Length);
    } else if (form == Form::terse) {
        const char* name = nameOf(kTypes, b.type);
        putTersePrefix("STP");
        if (name != nullptr)
            putFormat("v=%u type=%s flags=%02X root=%s cost=%u\n", b.version, name, b.flags, idText(b.root).text, b.cost);
        else
            putFormat("v=%u type=%u flags=%02X root=%s cost=%u\n", b.version, b.type, b.flags, idText(b.root).text,
                      b.cost);
        putFormat("\tbridge=%s port=%04X age=%s max-age=%s hello=%s fwd=%s\n", idText(b.bridge).text, b.port,
                  timeText(b.age, false).text, timeText(b.maxAge, false).text, timeText(b.hello, false).text,
                  timeText(b.forwardDelay, false).text);
    }
}

void showMstConfig(const MstConfig& m) {
    Form form = displayForm();
    if (form == Form::verbose) {
        putField("MST Config Name:", "%s", m.name);
        putField("MST Config Revision:", "%u", m.revision);
        putField("MST Config Digest:", "%s", m.digest);
        putField("CIST Internal Root Path Cost:", "%u", m.cistCost);
        putField("CIST Bridge Identifier:", "%s", idText(m.cistBridge).text);
        putField("CIST Remaining Hops:", "%u", m.hops);
    } else if (form == Form::terse) {
        putFormat("\tmst-name=\"%s\" rev=%u cist-cost=%u cist-bridge=%s hops=%u\n", m.name, m.revision, m.cistCost,
                  idText(m.cistBridge).text, m.hops);
    }
}

void showMsti(Region& region) {
    uint8_t bytes[kMstiLength];
    region.bytes(bytes, kMstiLength);
    unsigned flags = bytes[0];
    unsigned rootPriority = static_cast<unsigned>(bytes[1] >> 4) << 12;
    unsigned id = static_cast<unsigned>((bytes[1] & 0x0F) << 8 | bytes[2]);
    char mac[kMacTextSize];
    macText(mac, bytes + 3);
    uint32_t cost = static_cast<uint32_t>(bytes[9]) << 24 | static_cast<uint32_t>(bytes[10]) << 16 |
                    static_cast<uint32_t>(bytes[11]) << 8 | bytes[12];
    char text[160];
    formatText(text, sizeof text, "id=%u flags=0x%02X root=%u/%s cost=%u bridge-prio=%u port-prio=%u hops=%u", id,
                  flags, rootPriority, mac, cost, bytes[13] >> 4, bytes[14] >> 4, bytes[15]);
    Form form = displayForm();
    if (form == Form::verbose)
        putField("MSTI:", "%s", text);
    else if (form == Form::terse)
        putFormat("\tmsti %s\n", text);
}

void showOneLine(const Bpdu& b) {
    if (displayForm() != Form::oneLine) return;
    if (b.type == kTypeTcn) {
        putFormat("%s -> %s STP TCN\n", oneLineSource(), oneLineDestination());
        return;
    }
    const char* kind = b.type == kTypeConfig ? "config" : nameOf(kOneLineKinds, b.version);
    if (kind == nullptr) kind = "RST";
    putFormat("%s -> %s STP %s root %s cost %u\n", oneLineSource(), oneLineDestination(), kind, idText(b.root).text,
              b.cost);
}

// The originating VLAN that PVST+ adds after the BPDU: type 0, length 2, VLAN.
void showPvstVlan(HexCursor& cursor, Region& region) {
    if (!state.pvst || region.left() < kPvstTlvLength) return;
    // Looked at before it is read where the current text holds it, so that
    // other bytes stay data; across a line it is read.
    constexpr int kDigits = 2 * kPvstTlvLength;
    peekHexChar(cursor);
    if (std::strlen(cursor) >= kDigits && (hexValue(cursor, 4) != 0 || hexValue(cursor + 4, 4) != 2)) return;
    unsigned type = region.shortValue();
    unsigned length = region.shortValue();
    unsigned vlan = region.shortValue();
    if (type != 0 || length != 2) return;
    if (displayForm() == Form::verbose)
        putField("Originating VLAN:", "%u", vlan);
    else if (displayForm() == Form::terse)
        putFormat("\tvlan=%u\n", vlan);
}
}  // namespace

Step decodeStp(HexCursor cursor) {
    Region region(cursor, state.dataLeft, kRunsPast);
    Bpdu b{};
    b.protocolId = region.shortValue();
    b.version = region.byte();
    b.type = region.byte();
    if (region.overrun()) return ranPast(region);
    if (b.protocolId != 0) return noDecoderFollows(cursor);   // GARP and GMRP share the SAP

    if (b.type == kTypeTcn) {
        if (displayForm() == Form::verbose)
            showCommonVerbose(b);
        else if (displayForm() == Form::terse)
            {
            putTersePrefix("STP");
            putFormat("v=%u type=TCN\n", b.version);
        }
        showOneLine(b);
        return dataFollows(cursor, "STP");
    }
    if (b.type != kTypeConfig && b.type != kTypeRst) {
        if (displayForm() == Form::verbose) {
            showCommonVerbose(b);
        } else if (displayForm() == Form::terse) {
            putTersePrefix("STP");
            putFormat("v=%u type=%u\n", b.version, b.type);
        } else {
            putFormat("%s -> %s STP type 0x%02X\n", oneLineSource(), oneLineDestination(), b.type);
        }
        return dataFollows(cursor, "STP");
    }

    b.flags = region.byte();
    b.root = readBridgeId(region);
    b.cost = region.longValue();
    b.bridge = readBridgeId(region);
    b.port = region.shortValue();
    b.age = region.shortValue();
    b.maxAge = region.shortValue();
    b.hello = region.shortValue();
    b.forwardDelay = region.shortValue();
    if (b.type == kTypeRst) {
        b.hasVersion1 = true;
        b.version1Length = region.byte();
    }
    bool mst = b.type == kTypeRst && b.version >= 3;
    if (mst) {
        b.hasVersion3 = true;
        b.version3Length = region.shortValue();
    }
    if (region.overrun()) return ranPast(region);
    if (mst && b.version3Length < kMstConfigLength) {
        showBpdu(b);
        putText(kMstTooShort);
        return giveUp();
    }
    // The whole MST part (and SPB's version 4 length) must lie in the frame.
    int32_t mstLength = static_cast<int32_t>(b.version3Length) + (b.version >= 4 ? 2 : 0);
    if (mst && mstLength > region.left()) {
        putText(kRunsPast);
        return giveUp();
    }
    showBpdu(b);
    if (mst) {
        MstConfig m;
        uint8_t name[kMstNameLength], digest[kDigestLength];
        region.skip(1);   // the format selector
        region.bytes(name, kMstNameLength);
        printableText(m.name, name, kMstNameLength, true);
        m.revision = region.shortValue();
        region.bytes(digest, kDigestLength);
        hexBytesText(m.digest, digest, kDigestLength);
        m.cistCost = region.longValue();
        m.cistBridge = readBridgeId(region);
        m.hops = region.byte();
        showMstConfig(m);
        int records = static_cast<int>(b.version3Length - kMstConfigLength) / kMstiLength;
        for (int i = 0; i < records; ++i) {
            if (i == kMaxMstis) {
                putText(kRestNotShown);
                showOneLine(b);
                return dataFollows(cursor, "STP");
            }
            showMsti(region);
        }
        // Bytes of the version 3 length that make no whole record.
        region.skip(static_cast<int>(b.version3Length - kMstConfigLength) % kMstiLength);
        if (b.version >= 4) {
            unsigned version4Length = region.shortValue();
            if (displayForm() == Form::verbose) putField("Version 4 Length:", "%u", version4Length);
            if (static_cast<int32_t>(version4Length) > region.left()) {
                putText(kRunsPast);
                return giveUp();
            }
            if (version4Length > 0 && displayForm() != Form::oneLine) putText(kRestNotShown);
        }
    } else {
        showPvstVlan(cursor, region);
    }
    showOneLine(b);
    return dataFollows(cursor, "STP");
}
