// An MPLS label stack; what follows the bottom entry is told by its first
// hex digit (4: IPv4, 6: IPv6), as tshark does; anything else (a
// pseudowire control word among them) is data.

#include "common/display.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/protocol_table.h"
#include "decode/shared_fields.h"
#include "decode/step.h"
#include "input/region.h"

namespace {
constexpr char kRunsPast[] = "\t<*** MPLS label stack runs past the end of the frame ***>\n";
constexpr char kTooMany[] = "\t<*** More than 16 MPLS labels ***>\n";
constexpr int kMaxEntries = 16;
constexpr unsigned kEtherTypeIpv4 = 0x0800;
constexpr unsigned kEtherTypeIpv6 = 0x86DD;

// "16/17/18": the labels shown so far, outer first, for the one-line form.
char labelsText[kMaxEntries * 8 + 1];

void showEntry(uint32_t entry, bool first) {
    unsigned label = entry >> 12, tc = (entry >> 9) & 7, bottom = (entry >> 8) & 1, ttl = entry & 0xFF;
    Form form = displayForm();
    if (form == Form::verbose && !options.noLink) {
        if (first) putText("MPLS Header\n");
        putField("Label Stack Entry:", "label=%u TC=%u S=%u TTL=%u", label, tc, bottom, ttl);
    } else if (form == Form::terse && !options.noLink) {
        putTersePrefix("MPLS");
        putFormat("label=%u TC=%u S=%u TTL=%u\n", label, tc, bottom, ttl);
    }
}
}  // namespace

Step decodeMpls(HexCursor cursor) {
    Region region(cursor, state.dataLeft, kRunsPast);
    size_t at = 0;
    labelsText[0] = '\0';
    for (int n = 0;; ++n) {
        if (n == kMaxEntries) {
            putText(kTooMany);
            return giveUp();
        }
        uint32_t entry = region.longValue();
        if (region.overrun()) return ranPast(region);
        countLinkBytes(4);
        showEntry(entry, n == 0);
        at += static_cast<size_t>(formatText(labelsText + at, sizeof labelsText - at, "%s%u", n == 0 ? "" : "/",
                                                entry >> 12));
        if ((entry >> 8) & 1) break;
    }
    if (state.dataLeft > 0) {
        char digit = peekHexChar(cursor);
        if (digit == '4') return followedByEtherType(cursor, kEtherTypeIpv4);
        if (digit == '6') return followedByEtherType(cursor, kEtherTypeIpv6);
    }
    if (displayForm() == Form::oneLine)
        putFormat("%s -> %s MPLS %s\n", oneLineSource(), oneLineDestination(), labelsText);
    return dataFollows(cursor, "MPLS");
}
