// An 802.1Q tag read from the dump (inside a tunnelled frame; the outer
// frame's tags are read from the header line).

#include "common/display.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/ether_types.h"
#include "decode/protocol_table.h"
#include "decode/step.h"
#include "input/region.h"

namespace {
constexpr char kRunsPast[] = "\t<*** VLAN tag runs past the end of the frame ***>\n";
constexpr unsigned kMaxLength = 1500;
}  // namespace

Step decodeVlanTag(HexCursor cursor) {
    Region region(cursor, state.dataLeft, kRunsPast);
    unsigned control = region.shortValue();
    unsigned type = region.shortValue();
    if (region.overrun()) return ranPast(region);
    countLinkBytes(4);
    unsigned priority = control >> 13, id = control & 0x0FFF;
    bool dei = (control & 0x1000) != 0;
    const char* name = etherTypeName(type);
    if (!options.noLink) {
        if (displayForm() == Form::verbose) {
            putText("VLAN Header\n");
            putField("Priority:", "%u", priority);
            putField("Flags:", "DEI=%s", dei ? "on" : "off");
            putField("VLAN ID:", "%u", id);
            if (type <= kMaxLength)
                putField("Encapsulated Protocol:", "%s", name);
            else
                putField("Encapsulated Protocol:", "0x%04X (%s)", type, name);
        } else if (displayForm() == Form::terse) {
            putFormat("VLAN:\tid=%u prio=%u DEI=%d type=%s\n", id, priority, dei ? 1 : 0, name);
        }
    }
    return followedByEtherType(cursor, type);
}
