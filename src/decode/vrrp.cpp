#include "common/display.h"
#include "common/name_table.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/field_texts.h"
#include "decode/protocol_table.h"
#include "decode/shared_fields.h"

// VRRP version 2 (RFC 3768, IPv4, interval in seconds, authentication) and
// version 3 (RFC 5798, IPv4 or IPv6, interval in centiseconds).
namespace {
constexpr int kHeaderLength = 8;
constexpr int kAuthenticationLength = 8;
constexpr Name kTypes[] = {{1, "advertisement"}};
constexpr Name kAuthTypes[] = {{0, "none"}, {1, "simple"}, {2, "AH"}};

const char kRunsPast[] = "\t<*** VRRP addresses run past the datagram ***>\n";

struct VrrpHeader {
    unsigned version, type, vrid, priority, count, authType, interval, checksum;
};

void showHeader(const VrrpHeader& h) {
    NumberText typeNumber;
    const char* type = nameOrNumber(kTypes, h.type, typeNumber);
    switch (displayForm()) {
    case Form::oneLine:
        putFormat("%s -> %s VRRPv%u %s vrid %u prio %u\n", state.srcHostText, state.dstHostText, h.version, type,
                  h.vrid, h.priority);
        break;
    case Form::verbose: {
        putText("VRRP Header\n");
        putField("Version:", "%u", h.version);
        putField("Type:", "%u (%s)", h.type, nameOr(kTypes, h.type, "<unknown>"));
        putField("Virtual Router ID:", "%u", h.vrid);
        putField("Priority:", "%u", h.priority);
        putField("Address Count:", "%u", h.count);
        if (h.version == 2) {
            putField("Auth Type:", "%u (%s)", h.authType, nameOr(kAuthTypes, h.authType, "<unknown>"));
            putField("Advertisement Interval:", "%u s", h.interval);
        } else {
            putField("Advertisement Interval:", "%u cs", h.interval);
        }
        putField("Checksum:", "0x%04X", h.checksum);
        break;
    }
    case Form::terse:
        putFormat("VRRP:\tv%u %s vrid=%u prio=%u count=%u", h.version, type, h.vrid, h.priority, h.count);
        if (h.version == 2) putFormat(" auth=%u int=%us", h.authType, h.interval);
        else putFormat(" int=%ucs", h.interval);
        putFormat(" cksum=%04X\n", h.checksum);
        break;
    }
}

void showAddress(const char* text) {
    if (displayForm() == Form::verbose) putField("Address:", "%s", text);
    else if (displayForm() == Form::terse) putFormat("\taddr=%s\n", text);
}
}  // namespace

Step decodeVrrp(HexCursor cursor) {
    if (state.dataLeft < kHeaderLength) {
        putText(kRunsPast);
        return giveUp();
    }
    VrrpHeader h{};
    unsigned first = getByte(cursor);
    h.version = first >> 4;
    h.type = first & 0x0F;
    h.vrid = getByte(cursor);
    h.priority = getByte(cursor);
    h.count = getByte(cursor);
    if (h.version == 2) {
        h.authType = getByte(cursor);
        h.interval = getByte(cursor);
    } else {
        h.interval = getShort(cursor) & 0x0FFF;
    }
    h.checksum = getShort(cursor);
    if (h.version != 2 && h.version != 3) return undecoded(cursor);
    state.dataLeft -= kHeaderLength;

    bool ipv6 = h.version == 3 && state.ipVersion == 6;
    int addressLength = ipv6 ? 16 : 4;
    showHeader(h);
    if (static_cast<int>(h.count) * addressLength > state.dataLeft) {
        putText(kRunsPast);
        return giveUp();
    }
    for (unsigned n = 0; n < h.count; ++n) showAddress(ipv6 ? getIpv6Addr(cursor) : getIpAddr(cursor));
    state.dataLeft -= static_cast<int>(h.count) * addressLength;
    if (h.version == 2 && state.dataLeft >= kAuthenticationLength) {
        uint8_t bytes[kAuthenticationLength];
        for (uint8_t& byte : bytes) byte = getByte(cursor);
        state.dataLeft -= kAuthenticationLength;
        char text[kFieldTextSize];
        printableText(text, bytes, kAuthenticationLength, true);
        if (h.authType != 0 && displayForm() == Form::verbose) putField("Authentication Data:", "%s", text);
    }
    return dataFollows(cursor, "VRRP");
}
