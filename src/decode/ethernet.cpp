#include <cstring>

#include "common/bounded_copy.h"
#include "common/display.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/ether_types.h"
#include "decode/protocol_table.h"
#include "decode/shared_fields.h"
#include "present/names.h"

// An Ethernet frame inside a tunnel (GRE's transparent bridging, ERSPAN):
// unlike the outer one, whose addresses tcpdump prints in the header line,
// all of it is in the dump.
namespace {
constexpr int kHeaderLength = 14;
char destination[18];
char source[18];
}  // namespace

Step decodeInnerEthernet(HexCursor cursor) {
    if (state.dataLeft < kHeaderLength) {
        putText("\t<*** Ethernet header runs past the datagram ***>\n");
        return giveUp();
    }
    copyBounded(destination, getEtherAddr(cursor));
    copyBounded(source, getEtherAddr(cursor));
    unsigned type = getShort(cursor);
    state.dataLeft -= kHeaderLength;

    // The one-line form of a link-layer message inside names this frame's ends.
    copyBounded(state.srcLinkText, etherHostName(source, true));
    copyBounded(state.dstLinkText, etherHostName(destination, true));
    state.linkTextsAtIpHeaders = state.ipHeaders;
    if (options.noLink) return followedByEtherType(cursor, type);
    switch (displayForm()) {
    case Form::oneLine:
        break;
    case Form::verbose:
        putText("Ethernet Header\n");
        putEtherField("Source Ethernet Address:", source);
        putEtherField("Destination Ethernet Address:", destination);
        putField("Encapsulated Protocol:", "%s", etherTypeName(type));
        break;
    case Form::terse:
        putFormat("LINK:\t%s -> %s type=%s\n", state.srcLinkText, state.dstLinkText, etherTypeName(type));
        break;
    }
    return followedByEtherType(cursor, type);
}
