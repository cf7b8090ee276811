#include <climits>

#include "common/display.h"
#include "common/name_table.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/protocol_table.h"
#include "decode/shared_fields.h"
#include "input/region.h"

// PIM version 2 (RFC 7761, 3973, 5059): the header, then the message type's
// fields with their encoded addresses and lists. A Register carries a
// datagram, which the chain decodes after it.
namespace {
constexpr int kHeaderLength = 4;
constexpr int kMaxOptions = 32;
constexpr int kMaxGroups = 32;
constexpr int kMaxSources = 64;
constexpr unsigned kFamilyIpv4 = 1, kFamilyIpv6 = 2;
constexpr unsigned kHello = 0, kRegister = 1, kRegisterStop = 2, kJoinPrune = 3, kBootstrap = 4, kAssert = 5,
                   kGraft = 6, kGraftAck = 7;
constexpr uint32_t kBorderBit = 0x80000000, kNullRegisterBit = 0x40000000;
constexpr uint32_t kRptBit = 0x80000000;
constexpr unsigned kSourceS = 0x04, kSourceW = 0x02, kSourceR = 0x01;

constexpr Name kTypes[] = {{kHello, "Hello"},
                           {kRegister, "Register"},
                           {kRegisterStop, "Register-Stop"},
                           {kJoinPrune, "Join/Prune"},
                           {kBootstrap, "Bootstrap"},
                           {kAssert, "Assert"},
                           {kGraft, "Graft"},
                           {kGraftAck, "Graft-Ack"},
                           {8, "Candidate-RP-Advertisement"},
                           {9, "State-Refresh"},
                           {10, "DF-Election"}};

const char kRunsPast[] = "\t<*** PIM message runs past the datagram ***>\n";
const char kNotDecoded[] = "\t<*** PIM encoded address not decoded ***>\n";

// The message read through a region of what the datagram has left, which
// notes a read past it; `notDecoded` notes an address of a kind not decoded.
struct Reader {
    Region region;
    bool notDecoded = false;

    bool sound() const { return !region.overrun() && !notDecoded; }
    unsigned byte() { return region.byte(); }
    unsigned shortValue() { return region.shortValue(); }
    uint32_t longValue() { return region.longValue(); }
    // An address of the family's size after the family and encoding bytes.
    void address(unsigned family, unsigned encoding, char (&text)[kIpv6AddrTextSize]) {
        if (!sound()) return;
        if ((family != kFamilyIpv4 && family != kFamilyIpv6) || encoding != 0) {
            notDecoded = true;
            return;
        }
        uint8_t bytes[16];
        if (family == kFamilyIpv4) {
            region.bytes(bytes, 4);
            formatText(text, sizeof text, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
        } else {
            region.bytes(bytes, 16);
            ipv6AddrText(bytes, text);
        }
    }
    void unicast(char (&text)[kIpv6AddrTextSize]) {
        unsigned family = byte(), encoding = byte();
        address(family, encoding, text);
    }
    // A group or source address: "address/mask"; `flags` gets its flag byte.
    void masked(char (&text)[kIpv6AddrTextSize + 4], unsigned& flags) {
        unsigned family = byte(), encoding = byte();
        flags = byte();
        unsigned mask = byte();
        char address[kIpv6AddrTextSize] = "";
        this->address(family, encoding, address);
        formatText(text, sizeof text, "%s/%u", address, mask);
    }
};

bool verbose() { return displayForm() == Form::verbose; }
bool terse() { return displayForm() == Form::terse; }

void showLine(const char* label, const char* terseKey, const char* text) {
    if (verbose()) putField(label, "%s", text);
    else if (terse()) putFormat("\t%s%s\n", terseKey, text);
}

// One Hello option's text; false when the reader stopped.
bool optionText(Reader& r, unsigned type, unsigned length, char* text, size_t size) {
    int end = state.dataLeft - static_cast<int>(length);
    if (type == 1 && length == 2) {
        formatText(text, size, "holdtime=%u", r.shortValue());
    } else if (type == 2 && length == 4) {
        unsigned delay = r.shortValue(), override = r.shortValue();
        formatText(text, size, "lan-prune-delay T=%u delay=%u override=%u", delay >> 15, delay & 0x7FFF, override);
    } else if (type == 19 && length == 4) {
        formatText(text, size, "dr-priority=%u", r.longValue());
    } else if (type == 20 && length == 4) {
        formatText(text, size, "generation-id=0x%08X", r.longValue());
    } else if (type == 21 && length == 4) {
        r.byte();
        unsigned interval = r.byte();
        r.shortValue();
        formatText(text, size, "state-refresh interval=%u", interval);
    } else if (type == 24) {
        int used = formatText(text, size, "address-list");
        while (state.dataLeft > end && r.sound()) {
            char address[kIpv6AddrTextSize] = "";
            r.unicast(address);
            if (state.dataLeft < end) r.region.need(INT32_MAX);   // an address past the option
            if (used < static_cast<int>(size)) used += formatText(text + used, size - used, " %s", address);
        }
    } else {
        r.region.skip(static_cast<int32_t>(length));
        formatText(text, size, "type=%u len=%u", type, length);
    }
    return r.sound();
}

bool walkHello(Reader& r) {
    for (int n = 0; state.dataLeft > 0; ++n) {
        if (n == kMaxOptions) {
            if (displayForm() != Form::oneLine) putText("\t<Rest of header not displayed>\n");
            return true;
        }
        unsigned type = r.shortValue(), length = r.shortValue();
        if (!r.region.need(static_cast<int32_t>(length))) return false;
        char text[512];
        if (!optionText(r, type, length, text, sizeof text)) return false;
        showLine("Option:", "", text);
    }
    return true;
}

// Join/Prune, Graft and Graft-Ack.
bool walkJoinPrune(Reader& r) {
    char upstream[kIpv6AddrTextSize] = "";
    r.unicast(upstream);
    r.byte();
    unsigned groups = r.byte(), holdtime = r.shortValue();
    if (!r.sound()) return false;
    if (verbose()) {
        putField("Upstream Neighbor:", "%s", upstream);
        putField("Number of Groups:", "%u", groups);
        putField("Holdtime:", "%u s", holdtime);
    } else if (terse()) {
        putFormat("\tupstream=%s groups=%u holdtime=%u\n", upstream, groups, holdtime);
    }
    for (unsigned g = 0; g < groups; ++g) {
        if (g == kMaxGroups) {
            if (displayForm() != Form::oneLine) putText("\t<Rest of header not displayed>\n");
            return true;
        }
        char group[kIpv6AddrTextSize + 4];
        unsigned flags;
        r.masked(group, flags);
        unsigned joins = r.shortValue(), prunes = r.shortValue();
        if (!r.sound()) return false;
        char text[96];
        formatText(text, sizeof text, "%s joins=%u prunes=%u", group, joins, prunes);
        showLine("Group:", "group ", text);
        for (unsigned s = 0; s < joins + prunes; ++s) {
            if (s == kMaxSources) {
                if (displayForm() != Form::oneLine) putText("\t<Rest of header not displayed>\n");
                return true;
            }
            char source[kIpv6AddrTextSize + 4];
            r.masked(source, flags);
            if (!r.sound()) return false;
            char letters[4];
            int used = 0;
            if (flags & kSourceS) letters[used++] = 'S';
            if (flags & kSourceW) letters[used++] = 'W';
            if (flags & kSourceR) letters[used++] = 'R';
            if (used == 0) letters[used++] = '-';
            letters[used] = '\0';
            formatText(text, sizeof text, "%s %s", source, letters);
            bool join = s < joins;
            showLine(join ? "Join:" : "Prune:", join ? "join " : "prune ", text);
        }
    }
    return true;
}

bool showGroupAndSource(Reader& r, bool withMetric) {
    char group[kIpv6AddrTextSize + 4];
    unsigned flags;
    r.masked(group, flags);
    char source[kIpv6AddrTextSize] = "";
    r.unicast(source);
    uint32_t preference = 0, metric = 0;
    if (withMetric) {
        preference = r.longValue();
        metric = r.longValue();
    }
    if (!r.sound()) return false;
    bool rpt = (preference & kRptBit) != 0;
    preference &= ~kRptBit;
    if (verbose()) {
        putField("Group:", "%s", group);
        putField("Source:", "%s", source);
        if (withMetric) {
            putField("RPT:", "%s", lastFlagText(rpt));
            putField("Metric Preference:", "%u", preference);
            putField("Metric:", "%u", metric);
        }
    } else if (terse()) {
        putFormat("\tgroup=%s source=%s\n", group, source);
        if (withMetric) putFormat("\trpt=%d pref=%u metric=%u\n", rpt ? 1 : 0, preference, metric);
    }
    return true;
}

bool showBootstrap(Reader& r) {
    unsigned tag = r.shortValue(), hashLength = r.byte(), priority = r.byte();
    char bsr[kIpv6AddrTextSize] = "";
    r.unicast(bsr);
    if (!r.sound()) return false;
    if (verbose()) {
        putField("Fragment Tag:", "0x%04X", tag);
        putField("Hash Mask Length:", "%u", hashLength);
        putField("BSR Priority:", "%u", priority);
        putField("BSR Address:", "%s", bsr);
    } else if (terse()) {
        putFormat("\tbsr=%s prio=%u hashlen=%u tag=%04X\n", bsr, priority, hashLength, tag);
    }
    return true;
}
}  // namespace

Step decodePim(HexCursor cursor) {
    // A null register carries a datagram header alone, whose protocol is
    // PIM: an empty message, shown as such rather than as one cut short.
    if (state.dataLeft == 0) {
        if (displayForm() == Form::oneLine) putFormat("%s -> %s PIM\n", state.srcHostText, state.dstHostText);
        return dataFollows(cursor, "PIM");
    }
    if (state.dataLeft < kHeaderLength) {
        putText(kRunsPast);
        return giveUp();
    }
    unsigned first = getByte(cursor);
    getByte(cursor);
    unsigned checksum = getShort(cursor);
    unsigned version = first >> 4, type = first & 0x0F;
    if (version != 2) return undecoded(cursor);
    state.dataLeft -= kHeaderLength;

    NumberText number;
    const char* typeText = nameOrNumber(kTypes, type, number);
    switch (displayForm()) {
    case Form::oneLine:
        if (type != kRegister) putFormat("%s -> %s PIMv2 %s\n", state.srcHostText, state.dstHostText, typeText);
        break;
    case Form::verbose: {
        putText("PIM Header\n");
        putField("Version:", "%u", version);
        putField("Type:", "%u (%s)", type, nameOr(kTypes, type, "<unknown>"));
        putField("Checksum:", "0x%04X", checksum);
        break;
    }
    case Form::terse:
        putTersePrefix("PIM");
        putFormat("v2 %s cksum=%04X\n", typeText, checksum);
        break;
    }

    Reader r{Region(cursor, state.dataLeft, kRunsPast)};
    bool sound = true;
    switch (type) {
    case kHello:
        sound = walkHello(r);
        break;
    case kRegister: {
        uint32_t flags = r.longValue();
        if (!r.sound()) {
            sound = false;
            break;
        }
        bool border = (flags & kBorderBit) != 0, null = (flags & kNullRegisterBit) != 0;
        if (verbose()) putField("Flags:", "B=%s N=%s", flagText(border), lastFlagText(null));
        else if (terse()) putFormat("\tB=%d N=%d\n", border ? 1 : 0, null ? 1 : 0);
        // The registered datagram, told by its version digit.
        if (unsigned datagram = datagramEtherType(cursor)) return followedByEtherType(cursor, datagram);
        if (displayForm() == Form::oneLine)
            putFormat("%s -> %s PIMv2 %s\n", state.srcHostText, state.dstHostText, typeText);
        break;
    }
    case kRegisterStop:
        sound = showGroupAndSource(r, false);
        break;
    case kJoinPrune:
    case kGraft:
    case kGraftAck:
        sound = walkJoinPrune(r);
        break;
    case kBootstrap:
        sound = showBootstrap(r);
        break;
    case kAssert:
        sound = showGroupAndSource(r, true);
        break;
    default:
        break;
    }
    if (!sound) {
        if (r.notDecoded) putText(kNotDecoded);
        else r.region.giveUp();
        return giveUp();
    }
    return dataFollows(cursor, "PIM");
}
