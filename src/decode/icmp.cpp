#include <cstring>

#include "common/display.h"
#include "common/name_table.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/program_end.h"
#include "common/protocol_numbers.h"
#include "decode/protocol_table.h"
#include "decode/shared_fields.h"
#include "present/names.h"

namespace {
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

// The fields after the checksum that -extended shows, by type: what is read
// and how many bytes the message loses to them (its header, 4, included).
enum class Fields : uint8_t { none, echo, timestamps, mask, pointer, unused };
struct MessageFields {
    Fields kind = Fields::none;
    int count = 4;
    uint16_t identifier = 0, sequence = 0;
    uint32_t originate = 0, receive = 0, transmit = 0;
    char mask[16] = {};
    uint8_t pointer = 0;
};

// {type, fields, bytes the message loses to its header and them}
struct FieldsRow {
    uint8_t type;
    Fields kind;
    int count;
};
constexpr FieldsRow kFieldsRows[] = {
    {0, Fields::echo, 8},       {3, Fields::unused, 8},      {4, Fields::unused, 8},  {8, Fields::echo, 8},
    {11, Fields::unused, 8},    {12, Fields::pointer, 8},    {13, Fields::timestamps, 20},
    {14, Fields::timestamps, 20}, {15, Fields::echo, 8},     {16, Fields::echo, 8},   {17, Fields::mask, 12},
    {18, Fields::mask, 12},
};

MessageFields fieldsOf(uint8_t type, uint8_t code) {
    MessageFields fields;
    // Port unreachable and fragmentation needed read their words as without -extended.
    if (type == 3 && (code == 3 || code == 4)) return fields;
    for (const FieldsRow& row : kFieldsRows)
        if (row.type == type) {
            fields.kind = row.kind;
            fields.count = row.count;
        }
    return fields;
}

// Reads the fields after the checksum, the message's first 4 bytes read.
void readFields(HexCursor& cursor, MessageFields& fields) {
    switch (fields.kind) {
    case Fields::none: break;
    case Fields::echo:
    case Fields::timestamps:
    case Fields::mask:
        fields.identifier = getShort(cursor);
        fields.sequence = getShort(cursor);
        if (fields.kind == Fields::timestamps) {
            fields.originate = getLong(cursor);
            fields.receive = getLong(cursor);
            fields.transmit = getLong(cursor);
        } else if (fields.kind == Fields::mask) {
            formatText(fields.mask, sizeof fields.mask, "%s", getIpAddr(cursor));
        }
        break;
    case Fields::pointer:
        fields.pointer = getByte(cursor);
        skipBytes(cursor, 3);
        break;
    case Fields::unused: skipBytes(cursor, 4); break;
    }
}

// A time stamp in milliseconds since midnight UTC, and the time it stands
// for when it is below a day.
constexpr uint32_t kMillisecondsADay = 86400000;
void putTimestampField(const char* label, uint32_t milliseconds) {
    if (milliseconds >= kMillisecondsADay) return putField(label, "%u", milliseconds);
    uint32_t seconds = milliseconds / 1000;
    putField(label, "%u (%02u:%02u:%02u.%03u UTC)", milliseconds, seconds / 3600, seconds / 60 % 60, seconds % 60,
             milliseconds % 1000);
}

// The fields, after the ICMP line and its information line (terse) or after
// the checksum (verbose); the one-line form shows none.
void showFields(const MessageFields& fields) {
    Form form = displayForm();
    if (form == Form::oneLine || fields.kind == Fields::none || fields.kind == Fields::unused) return;
    if (form == Form::terse) {
        if (fields.kind == Fields::pointer) return putFormat("\tpointer=%u\n", fields.pointer);
        putFormat("\tid=%04X seq=%u", fields.identifier, fields.sequence);
        if (fields.kind == Fields::timestamps)
            putFormat(" orig=%u recv=%u xmit=%u", fields.originate, fields.receive, fields.transmit);
        else if (fields.kind == Fields::mask)
            putFormat(" mask=%s", fields.mask);
        putChar('\n');
        return;
    }
    if (fields.kind == Fields::pointer) return putField("Pointer:", "%u", fields.pointer);
    putField("Identifier:", "0x%04X", fields.identifier);
    putField("Sequence Number:", "%u", fields.sequence);
    if (fields.kind == Fields::timestamps) {
        putTimestampField("Originate Timestamp:", fields.originate);
        putTimestampField("Receive Timestamp:", fields.receive);
        putTimestampField("Transmit Timestamp:", fields.transmit);
    } else if (fields.kind == Fields::mask) {
        putField("Address Mask:", "%s", fields.mask);
    }
}
}  // namespace

Step decodeIcmp(HexCursor cursor) {
    uint8_t type = getByte(cursor);
    uint8_t code = getByte(cursor);
    uint16_t checksum = getShort(cursor);

    bool extended = options.extended;
    const IcmpType* row = typeOf(type);
    if (row == nullptr) {
        state.dataLeft -= 4;
        showIcmpMessage("ICMP", unknownTypeText(type, code, extended), nullptr, nullptr, checksum);
        return dataFollows(cursor, "ICMP");
    }

    int count = 4;
    const char* reason = reasonWithCode(reasonOf(*row, code), code, extended);
    const char* info = nullptr;
    // -extended reads the fields after the checksum when the message holds them.
    MessageFields fields;
    if (extended) fields = fieldsOf(type, code);
    if (fields.count > state.dataLeft) fields = MessageFields{};
    if (fields.kind != Fields::none) {
        readFields(cursor, fields);
        count = fields.count;
    } else if (type == 3 && code == 3) {
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
            showIcmpMessage("ICMP", row->name, reason, nullptr, checksum);
            putText("\t<*** IP protocol field != TCP or UDP ***>\n");
            return giveUp();
        }
        const char* name = quotedPortName(port, quotedProtocol);
        if (std::strlen(name) >= 236) fatal("INFOBUF too small");
        formatText(INFOBUF, sizeof INFOBUF, kPortUnreachable, name);
        info = INFOBUF;
    } else if (type == 3 && code == 4) {
        skipBytes(cursor, 2);
        uint16_t mtu = getShort(cursor);
        count = 8;
        if (mtu != 0) {
            formatText(INFOBUF, sizeof INFOBUF, "My next-hop MTU is %d", mtu);
            info = INFOBUF;
        }
    } else if (type == 5) {
        const char* router = hostName(getIpAddr(cursor), true);
        if (std::strlen(router) >= 237) fatal("INFOBUF too small");
        formatText(INFOBUF, sizeof INFOBUF, "Use router %s instead", router);
        info = INFOBUF;
        count = 8;
    }

    state.dataLeft -= count;
    showIcmpMessage("ICMP", row->name, reason, info, checksum);
    showFields(fields);
    return dataFollows(cursor, "ICMP");
}
