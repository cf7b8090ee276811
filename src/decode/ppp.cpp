// A PPP header: the address and control bytes (FF 03) when they are there
// (GRE carries them; a PPPoE session's first byte is never FF), then the
// protocol (one byte when its low bit is set, else two).

#include "common/display.h"
#include "common/name_table.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/protocol_table.h"
#include "decode/step.h"
#include "input/region.h"

namespace {
constexpr char kRunsPast[] = "\t<*** PPP header runs past the end of the frame ***>\n";
constexpr uint8_t kAddressAllStations = 0xFF;
constexpr uint8_t kControlUi = 0x03;
}  // namespace

Step decodePpp(HexCursor cursor) {
    Region region(cursor, state.dataLeft, kRunsPast);
    bool addressAndControl = false;
    unsigned protocol = region.byte();
    if (protocol == kAddressAllStations) {
        unsigned control = region.byte();
        if (control == kControlUi) {
            addressAndControl = true;
            protocol = region.byte();
        } else {
            protocol = kAddressAllStations;   // no such protocol: no route below
        }
    }
    int protocolBytes = 1;
    if ((protocol & 1) == 0) {
        protocol = protocol << 8 | region.byte();
        protocolBytes = 2;
    }
    if (region.overrun()) return ranPast(region);
    countLinkBytes(static_cast<unsigned>((addressAndControl ? 2 : 0) + protocolBytes));
    state.pppProtocol = protocol;
    const char* name = pppProtocolName(protocol);
    if (!options.noLink) {
        Form form = displayForm();
        if (form == Form::verbose) {
            putText("PPP Header\n");
            if (addressAndControl) {
                putField("Address:", "0x%02X", kAddressAllStations);
                putField("Control:", "0x%02X", kControlUi);
            }
            putField("Protocol:", "0x%04X (%s)", protocol, name != nullptr ? name : "<unknown>");
        } else if (form == Form::terse) {
            putTersePrefix("PPP");
            if (addressAndControl) putFormat("addr=%02X ctrl=%02X ", kAddressAllStations, kControlUi);
            putFormat("proto=%04X (%s)\n", protocol, name != nullptr ? name : "<unknown>");
        }
    }
    return followedByPppProtocol(cursor, protocol);
}
