// LACP, the Slow Protocols subtype 1: a LACPDU in its fixed layout.

#include "common/display.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/field_texts.h"
#include "decode/protocol_table.h"
#include "decode/shared_fields.h"
#include "decode/step.h"
#include "input/region.h"

namespace {
constexpr char kNotStandard[] = "\t<*** LACPDU not in the standard layout ***>\n";
constexpr unsigned kSubtypeLacp = 1;
constexpr unsigned kActorTlv = 1, kPartnerTlv = 2, kCollectorTlv = 3, kTerminatorTlv = 0;
constexpr unsigned kInfoLength = 20, kCollectorLength = 16;
constexpr int kCollectorReserved = 12;
constexpr int kTerminatorReserved = 50;
const char* const kStateBits[] = {"activity",   "timeout",      "aggregation", "synchronization",
                                  "collecting", "distributing", "defaulted",   "expired"};

struct Info {
    unsigned systemPriority;
    char system[kMacTextSize];
    unsigned key, portPriority, port, state;
};

bool readInfo(Region& region, unsigned expectedType, Info& info) {
    unsigned type = region.byte();
    unsigned length = region.byte();
    if (region.overrun() || type != expectedType || length != kInfoLength) return false;
    info.systemPriority = region.shortValue();
    uint8_t mac[6];
    region.bytes(mac, 6);
    macText(info.system, mac);
    info.key = region.shortValue();
    info.portPriority = region.shortValue();
    info.port = region.shortValue();
    info.state = region.byte();
    region.skip(3);
    return !region.overrun();
}

struct StateText {
    char text[120];
};
StateText stateText(unsigned bits) {
    StateText out;
    int at = formatText(out.text, sizeof out.text, "0x%02X (", bits);
    bool any = false;
    for (unsigned bit = 0; bit < 8; ++bit) {
        if ((bits & (1u << bit)) == 0) continue;
        at += formatText(out.text + at, sizeof out.text - static_cast<size_t>(at), "%s%s", any ? ", " : "",
                            kStateBits[bit]);
        any = true;
    }
    formatText(out.text + at, sizeof out.text - static_cast<size_t>(at), "%s)", any ? "" : "none");
    return out;
}

void showInfo(const char* who, const char* label, const Info& info) {
    Form form = displayForm();
    if (form == Form::verbose) {
        char text[40];
        auto field = [&](const char* name) {
            formatText(text, sizeof text, "%s %s:", label, name);
            return text;
        };
        putField(field("System Priority"), "%u", info.systemPriority);
        putField(field("System"), "%s", info.system);
        putField(field("Key"), "%u", info.key);
        putField(field("Port Priority"), "%u", info.portPriority);
        putField(field("Port"), "%u", info.port);
        putField(field("State"), "%s", stateText(info.state).text);
    } else if (form == Form::terse) {
        putFormat("\t%s prio=%u sys=%s key=%u port-prio=%u port=%u state=%02X\n", who, info.systemPriority,
                  info.system, info.key, info.portPriority, info.port, info.state);
    }
}
}  // namespace

Step decodeSlowProtocols(HexCursor cursor) {
    Region region(cursor, state.dataLeft, kNotStandard);
    unsigned subtype = region.byte();
    if (region.overrun()) return ranPast(region);
    if (subtype != kSubtypeLacp) return noDecoderFollows(cursor);
    unsigned version = region.byte();
    Info actor, partner;
    if (!readInfo(region, kActorTlv, actor) || !readInfo(region, kPartnerTlv, partner)) {
        if (!region.overrun()) putText(kNotStandard);
        return giveUp();
    }
    unsigned type = region.byte(), length = region.byte();
    unsigned maxDelay = region.shortValue();
    region.skip(kCollectorReserved);
    unsigned terminatorType = region.byte(), terminatorLength = region.byte();
    region.skip(kTerminatorReserved);
    if (region.overrun()) return ranPast(region);
    if (type != kCollectorTlv || length != kCollectorLength || terminatorType != kTerminatorTlv ||
        terminatorLength != 0) {
        putText(kNotStandard);
        return giveUp();
    }
    Form form = displayForm();
    if (form == Form::verbose) {
        putText("LACP Header\n");
        putField("Version:", "%u", version);
    } else if (form == Form::terse) {
        putTersePrefix("LACP");
        putFormat("v=%u\n", version);
    }
    showInfo("actor", "Actor", actor);
    showInfo("partner", "Partner", partner);
    if (form == Form::verbose)
        putField("Collector Max Delay:", "%u", maxDelay);
    else if (form == Form::terse)
        putFormat("\tmax-delay=%u\n", maxDelay);
    else
        putFormat("%s -> %s LACP actor %s key %u port %u partner %s key %u port %u\n", oneLineSource(), oneLineDestination(), actor.system, actor.key, actor.port, partner.system, partner.key, partner.port);
    return dataFollows(cursor, "LACP");
}
