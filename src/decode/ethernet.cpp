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
char destinationName[256];
char sourceName[256];
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
        // Each name is copied before the next lookup reuses the result.
        copyBounded(sourceName, etherHostName(source, true));
        copyBounded(destinationName, etherHostName(destination, true));
        putFormat("LINK:\t%s -> %s type=%s\n", sourceName, destinationName, etherTypeName(type));
        break;
    }
    return followedByEtherType(cursor, type);
}
