#include <cstdio>
#include <cstring>

#include "common/display.h"
#include "common/name_table.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/program_end.h"
#include "common/protocol_numbers.h"
#include "decode/protocol_table.h"
#include "decode/shared_fields.h"
#include "present/names.h"

namespace {
char unknownTypeText[80];
char INFOBUF[256];

constexpr Name kUnreachableCodes[] = {
    {0, "network-unreachable"},          {1, "host-unreachable"},
    {2, "protocol-unreachable"},         {3, "port-unreachable"},
    {4, "frag-needed-but-DF-set"},       {5, "source-route-failed"},
    {6, "destination-network-unknown"},  {7, "destination-host-unknown"},
    {8, "source-host-isolated"},         {9, "dest-net-admin-prohibited"},
    {10, "dest-host-admin-prohibited"},  {11, "network-unreachable-for-TOS"},
    {12, "host-unreachable-for-TOS"},    {13, "trafffic-prohibited-by-filter"},
    {14, "host-precedence-violation"},   {15, "precedence-cutoff-in-effect"},
};
constexpr Name kRedirectCodes[] = {
    {0, "route-wrong-for-network"},
    {1, "route-wrong-for-host"},
    {2, "route-wrong-for-TOS-and-net"},
    {3, "route-wrong-for-TOS-and-host"},
};
constexpr Name kTimeExceededCodes[] = {{0, "TTL-reached-zero"}, {1, "reassembly-timer-expired"}};
constexpr Name kParameterProblemCodes[] = {{0, "IP-header-bad"}, {1, "required-option-is-missing"}};

// A message type: its name and the reasons its codes give. A type without
// reasons has code 0 alone; any other code is corrupt.
struct IcmpType {
    uint8_t type;
    const char* name;
    NameTable reasons;
};
constexpr IcmpType kTypes[] = {
    {0, "echo-reply", {}},
    {3, "destination-unreachable", kUnreachableCodes},
    {4, "source-quench", {}},
    {5, "redirect", kRedirectCodes},
    {8, "echo-request", {}},
    {9, "router-advertisement", {}},
    {10, "router-solicitation", {}},
    {11, "time-exceeded", kTimeExceededCodes},
    {12, "parameter-problem", kParameterProblemCodes},
    {13, "timestamp-request", {}},
    {14, "timestamp-reply", {}},
    {15, "information-request", {}},
    {16, "information-reply", {}},
    {17, "address-mask-request", {}},
    {18, "address-mask-reply", {}},
};

const IcmpType* typeOf(uint8_t type) {
    for (const IcmpType& row : kTypes)
        if (row.type == type) return &row;
    return nullptr;
}

// The reason a code gives, nullptr for code 0 of a type without reasons.
const char* reasonOf(const IcmpType& type, uint8_t code) {
    if (type.reasons.empty()) return code == 0 ? nullptr : kCorrupt;
    return nameOr(type.reasons, code, kCorrupt);
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
        putTersePrefix("ICMP");
        putFormat("%s%s%s cksum=%04X\n", typeText, because, reason, checksum);
        if (info != nullptr) putFormat("\t%s\n", info);
        break;
    }
}
}  // namespace

Step decodeIcmp(HexCursor cursor) {
    uint8_t type = getByte(cursor);
    uint8_t code = getByte(cursor);
    uint16_t checksum = getShort(cursor);

    const IcmpType* row = typeOf(type);
    if (row == nullptr) {
        std::snprintf(unknownTypeText, sizeof unknownTypeText, "%s (%d)", "<unknown>", type);
        state.dataLeft -= 4;
        printMessage(unknownTypeText, nullptr, nullptr, checksum);
        return dataFollows(cursor, "ICMP");
    }

    int count = 4;
    const char* reason = reasonOf(*row, code);
    const char* info = nullptr;
    if (type == 3 && code == 3) {
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
            printMessage(row->name, reason, nullptr, checksum);
            putText("\t<*** IP protocol field != TCP or UDP ***>\n");
            return giveUp();
        }
        const char* name = quotedPortName(port, quotedProtocol);
        if (std::strlen(name) >= 236) fatal("INFOBUF too small");
        std::snprintf(INFOBUF, sizeof INFOBUF, kPortUnreachable, name);
        info = INFOBUF;
    } else if (type == 3 && code == 4) {
        skipBytes(cursor, 2);
        uint16_t mtu = getShort(cursor);
        count = 8;
        if (mtu != 0) {
            std::snprintf(INFOBUF, sizeof INFOBUF, "My next-hop MTU is %d", mtu);
            info = INFOBUF;
        }
    } else if (type == 5) {
        const char* router = hostName(getIpAddr(cursor), true);
        if (std::strlen(router) >= 237) fatal("INFOBUF too small");
        std::snprintf(INFOBUF, sizeof INFOBUF, "Use router %s instead", router);
        info = INFOBUF;
        count = 8;
    }

    state.dataLeft -= count;
    printMessage(row->name, reason, info, checksum);
    return dataFollows(cursor, "ICMP");
}
