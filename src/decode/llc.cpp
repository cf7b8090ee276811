// 802.2 LLC and the SNAP header after it. The outer frame's are read from
// tcpdump's header line (the dump starts after them); inside a tunnel they
// are read from the dump.

#include "common/display.h"
#include "common/llc_fields.h"
#include "common/name_table.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/ether_types.h"
#include "decode/protocol_table.h"
#include "decode/shared_fields.h"
#include "decode/step.h"
#include "input/region.h"

namespace {
constexpr char kRunsPast[] = "\t<*** LLC header runs past the end of the frame ***>\n";

constexpr uint8_t kSapSnap = 0xAA;
constexpr uint8_t kSapStp = 0x42;
constexpr uint8_t kSapOsi = 0xFE;
constexpr unsigned kControlUi = 0x03;
constexpr unsigned kUnnumberedBits = 0x03;   // both low bits of the first control byte: a one-byte control
constexpr uint32_t kOuiEthernet = 0x000000;
constexpr uint32_t kOuiBridgeTunnel = 0x0000F8;
constexpr uint32_t kOuiCisco = 0x00000C;
constexpr unsigned kPidPvst = 0x010B;
constexpr int kSnapLength = 5;
constexpr uint8_t kIsisNlpid = 0x83;

constexpr Name kSaps[] = {{0x00, "Null"}, {0x06, "IP"},      {0x42, "STP"}, {0xAA, "SNAP"},
                          {0xE0, "IPX"},  {0xF0, "NetBIOS"}, {0xFE, "OSI"}};
constexpr Name kOuis[] = {{kOuiEthernet, "Ethernet"}, {kOuiCisco, "Cisco"}};
constexpr Name kCiscoPids[] = {{kPidPvst, "PVST+"}, {0x2000, "CDP"}, {0x2003, "VTP"}, {0x2004, "DTP"}, {0x0111, "UDLD"}};

const char* orUnknown(const char* name) { return name != nullptr ? name : "<unknown>"; }

const char* controlKind(const LlcFields& llc) {
    if (llc.controlBytes == 1) return "U";
    return (llc.control & 1) == 0 ? "I" : "S";
}

const char* protocolIdName(const LlcFields& llc) {
    if (llc.oui == kOuiEthernet) return etherTypeName(llc.protocolId);
    if (llc.oui == kOuiCisco) return orUnknown(nameOf(kCiscoPids, llc.protocolId));
    return "<unknown>";
}

void showLlc(const LlcFields& llc) {
    if (options.noLink) return;
    Form form = displayForm();
    unsigned dsap = llc.dsap & 0xFEu, ssap = llc.ssap & 0xFEu;
    bool group = (llc.dsap & 1) != 0, response = (llc.ssap & 1) != 0;
    if (form == Form::verbose) {
        putText("LLC Header\n");
        putField("DSAP:", "0x%02X (%s)", dsap, orUnknown(nameOf(kSaps, dsap)));
        putField("SSAP:", "0x%02X (%s)", ssap, orUnknown(nameOf(kSaps, ssap)));
        putField("Flags:", "IG=%s CR=%s", flagText(group), lastFlagText(response));
        if (llc.controlBytes == 1)
            putField("Control:", "0x%02X (%s)", llc.control, controlKind(llc));
        else
            putField("Control:", "0x%04X (%s)", llc.control, controlKind(llc));
        if (llc.snap) {
            putText("SNAP Header\n");
            putField("OUI:", "0x%06X (%s)", llc.oui, orUnknown(nameOf(kOuis, llc.oui)));
            putField("Protocol ID:", "0x%04X (%s)", llc.protocolId, protocolIdName(llc));
        }
    } else if (form == Form::terse) {
        putTersePrefix("LLC");
        putFormat(llc.controlBytes == 1 ? "dsap=%02X ssap=%02X IG=%d CR=%d ctrl=%02X\n"
                                        : "dsap=%02X ssap=%02X IG=%d CR=%d ctrl=%04X\n",
                  dsap, ssap, group ? 1 : 0, response ? 1 : 0, llc.control);
        if (llc.snap) {
            putTersePrefix("SNAP");
            putFormat("oui=%06X pid=%04X\n", llc.oui, llc.protocolId);
        }
    }
}

// What follows the LLC (and SNAP) header.
Step routeAfter(HexCursor cursor, const LlcFields& llc) {
    state.pvst = false;
    if (llc.snap) {
        if (llc.oui == kOuiEthernet || llc.oui == kOuiBridgeTunnel) return followedByEtherType(cursor, llc.protocolId);
        if (llc.oui == kOuiCisco && llc.protocolId == kPidPvst) {
            state.pvst = true;
            return followedBySap(cursor, kSapStp);
        }
        return noDecoderFollows(cursor);
    }
    unsigned dsap = llc.dsap & 0xFEu;
    if (dsap == kSapStp) return followedBySap(cursor, kSapStp);
    if (dsap == kSapOsi && peekByte(cursor) == kIsisNlpid) return followedBySap(cursor, kSapOsi);
    return noDecoderFollows(cursor);
}
}  // namespace

Step decodeLlc(HexCursor cursor) {
    LlcFields llc;
    if (state.outerLlcPending) {
        // The outer frame: the header line's fields; their bytes are not in the dump.
        state.outerLlcPending = false;
        if (!state.outerLlcRead) return noDecoderFollows(cursor);   // raw IPX and other frames without LLC
        llc = state.outerLlc;
        int length = llc.controlBytes + 2 + (llc.snap ? kSnapLength : 0);
        state.dataLeft -= length;
        countLinkBytes(static_cast<unsigned>(length));
    } else if (state.linkBytes == 0 && state.ipHeaders == 0) {
        // An outer frame of a type tcpdump does not name (none is 0): as ever, not decoded.
        return noDecoderFollows(cursor);
    } else {
        Region region(cursor, state.dataLeft, kRunsPast);
        llc.dsap = region.byte();
        llc.ssap = region.byte();
        llc.control = region.byte();
        llc.controlBytes = 1;
        if ((llc.control & kUnnumberedBits) != kUnnumberedBits) {
            llc.control |= static_cast<unsigned>(region.byte()) << 8;
            llc.controlBytes = 2;
        }
        if (llc.dsap == kSapSnap && llc.ssap == kSapSnap && llc.control == kControlUi) {
            llc.snap = true;
            llc.oui = static_cast<uint32_t>(region.byte()) << 16;
            llc.oui |= region.shortValue();
            llc.protocolId = region.shortValue();
        }
        if (region.overrun()) return ranPast(region);
        countLinkBytes(static_cast<unsigned>(llc.controlBytes + 2 + (llc.snap ? kSnapLength : 0)));
    }
    showLlc(llc);
    return routeAfter(cursor, llc);
}
