#include "decode/protocol_table.h"

#include <cstdio>
#include <cstring>

#include "common/display.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/program_end.h"
#include "common/protocol_numbers.h"
#include "present/names.h"

namespace {
const char kCorrupt[] = "<*** CORRUPT ***>";

char unknownTypeText[80];
char INFOBUF[256];

const char* const unreachableReasons[16] = {
    "network-unreachable",       "host-unreachable",
    "protocol-unreachable",      "port-unreachable",
    "frag-needed-but-DF-set",    "source-route-failed",
    "destination-network-unknown", "destination-host-unknown",
    "source-host-isolated",      "dest-net-admin-prohibited",
    "dest-host-admin-prohibited", "network-unreachable-for-TOS",
    "host-unreachable-for-TOS",  "trafffic-prohibited-by-filter",
    "host-precedence-violation", "precedence-cutoff-in-effect",
};

const char* const redirectReasons[4] = {
    "route-wrong-for-network",
    "route-wrong-for-host",
    "route-wrong-for-TOS-and-net",
    "route-wrong-for-TOS-and-host",
};

// The type text of the types that have no further fields; nullptr for the others.
const char* plainTypeText(uint8_t type) {
    switch (type) {
    case 0: return "echo-reply";
    case 4: return "source-quench";
    case 8: return "echo-request";
    case 9: return "router-advertisement";
    case 10: return "router-solicitation";
    case 13: return "timestamp-request";
    case 14: return "timestamp-reply";
    case 15: return "information-request";
    case 16: return "information-reply";
    case 17: return "address-mask-request";
    case 18: return "address-mask-reply";
    default: return nullptr;
    }
}

void printMessage(const char* typeText, const char* reason, const char* info, uint16_t checksum) {
    const char* because = reason != nullptr ? " because " : "";
    if (reason == nullptr) reason = "";
    switch (displayForm()) {
    case Form::oneLine:
        putFormat("%s -> %s ICMP %s%s%s\n", state.srcHostText, state.dstHostText, typeText, because, reason);
        if (info != nullptr) putFormat("\t%s\n", info);
        break;
    case Form::verbose:
        putText("ICMP Header\n");
        putField("Type:", "%s%s%s", typeText, *because ? "\n\tBecause:\t\t\t" : "", reason);
        if (info != nullptr) putField("Additional Information:", "%s", info);
        putField("Checksum:", "0x%04X", checksum);
        break;
    case Form::terse:
        putFormat("ICMP:\t%s%s%s cksum=%04X\n", typeText, because, reason, checksum);
        if (info != nullptr) putFormat("\t%s\n", info);
        break;
    }
}
}  // namespace

HexCursor decodeIcmp(HexCursor cursor) {
    uint8_t type = getByte(cursor);
    uint8_t code = getByte(cursor);
    uint16_t checksum = getShort(cursor);

    int count = 4;
    const char* typeText = plainTypeText(type);
    const char* reason = code == 0 ? nullptr : kCorrupt;
    const char* info = nullptr;

    if (type == 3) {
        typeText = "destination-unreachable";
        reason = code < 16 ? unreachableReasons[code] : kCorrupt;
        if (code == 3) {
            // Port unreachable: the quoted datagram's header, then its ports.
            skipBytes(cursor, 4);
            int quotedHeaderLength = (getByte(cursor) & 0x0F) * 4;
            skipBytes(cursor, 8);
            uint8_t quotedProtocol = getByte(cursor);
            // A quoted header shorter than the 10 bytes already read has nothing more to skip.
            int rest = quotedHeaderLength > 10 ? quotedHeaderLength - 10 : 0;
            skipBytes(cursor, rest + 2);
            uint16_t port = getShort(cursor);
            count = 4 + 4 + 10 + rest + 4;
            if (quotedProtocol != kIpProtoTcp && quotedProtocol != kIpProtoUdp) {
                // A condition of this packet alone: show what is known and go on.
                state.dataLeft -= count;
                printMessage(typeText, reason, nullptr, checksum);
                putText("\t<*** IP protocol field != TCP or UDP ***>\n");
                return nullptr;
            }
            const char* name = portName(port, quotedProtocol == kIpProtoTcp ? "tcp" : "udp", true);
            if (std::strlen(name) >= 236) fatal("INFOBUF too small");
            std::snprintf(INFOBUF, sizeof INFOBUF, "Port %s is unreachable", name);
            info = INFOBUF;
        } else if (code == 4) {
            skipBytes(cursor, 2);
            uint16_t mtu = getShort(cursor);
            count = 8;
            if (mtu != 0) {
                std::snprintf(INFOBUF, sizeof INFOBUF, "My next-hop MTU is %d", mtu);
                info = INFOBUF;
            }
        }
    } else if (type == 5) {
        typeText = "redirect";
        reason = code < 4 ? redirectReasons[code] : kCorrupt;
        const char* router = hostName(getIpAddr(cursor), true);
        if (std::strlen(router) >= 237) fatal("INFOBUF too small");
        std::snprintf(INFOBUF, sizeof INFOBUF, "Use router %s instead", router);
        info = INFOBUF;
        count = 8;
    } else if (type == 11) {
        typeText = "time-exceeded";
        reason = code == 0 ? "TTL-reached-zero" : code == 1 ? "reassembly-timer-expired" : kCorrupt;
    } else if (type == 12) {
        typeText = "parameter-problem";
        reason = code == 0 ? "IP-header-bad" : code == 1 ? "required-option-is-missing" : kCorrupt;
    } else if (typeText == nullptr) {
        std::snprintf(unknownTypeText, sizeof unknownTypeText, "%s (%d)", "<unknown>", type);
        typeText = unknownTypeText;
        reason = nullptr;
    }

    state.dataLeft -= count;
    printMessage(typeText, reason, info, checksum);
    return cursor;
}
