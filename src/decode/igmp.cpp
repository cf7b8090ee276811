
#include "common/display.h"
#include "common/name_table.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/protocol_table.h"
#include "decode/shared_fields.h"
#include "input/region.h"

namespace {
const char kShorterThanHeader[] = "\t<*** IGMP message shorter than its header ***>\n";
const char kRecordPastMessage[] = "\t<*** IGMP record runs past the end of the message ***>\n";
const char kRestNotDisplayed[] = "\t<Rest of header not displayed>\n";

constexpr uint8_t kQuery = 0x11, kV1Report = 0x12, kV2Report = 0x16, kLeave = 0x17, kV3Report = 0x22;
constexpr uint8_t kMtraceResponse = 0x1E, kMtrace = 0x1F;
constexpr int kHeaderLength = 8;          // type, code, checksum, group (or record count)
constexpr int kV3QueryLength = 12;        // a query this long or longer is IGMPv3
constexpr int kRecordHeaderLength = 8;    // type, aux length, source count, group
constexpr int kMaxRecords = 64;
constexpr int kMaxSources = 64;
constexpr uint8_t kSuppressFlag = 0x08, kQrvMask = 0x07;

constexpr Name kTypes[] = {
    {kQuery, "membership-query"},     {kV1Report, "v1-membership-report"}, {0x13, "dvmrp"},
    {0x14, "pim-v1"},                 {kV2Report, "v2-membership-report"}, {kLeave, "leave-group"},
    {kMtraceResponse, "mtrace-response"}, {kMtrace, "mtrace"},          {kV3Report, "v3-membership-report"},
};

// The types whose 8-byte header ends with a group address.
bool hasGroup(uint8_t type) {
    return type == kQuery || type == kV1Report || type == kV2Report || type == kLeave || type == kMtraceResponse ||
           type == kMtrace;
}

// What the second byte of the header is.
enum class Second { maxResponse, hops, code, reserved };

// One message, read whole before it is shown.
struct Message {
    uint8_t type = 0;
    uint8_t second = 0;
    uint16_t checksum = 0;
    int version = 0;                   // 0: none to show
    char group[16] = {};               // "" where the type has none
    unsigned maxResponse = 0;          // tenths of a second
    uint8_t flags = 0, qqic = 0;       // a v3 query's S/QRV and interval code
    unsigned count = 0;                // a v3 query's sources or a v3 report's records
    NumberText number;
    const char* typeText = nullptr;
};

Second secondOf(const Message& m) {
    if (m.type == kMtrace || m.type == kMtraceResponse) return Second::hops;
    if (m.type == kV3Report) return Second::reserved;
    if ((m.type == kQuery && m.version >= 2) || m.type == kV2Report || m.type == kLeave) return Second::maxResponse;
    return Second::code;
}

// An IGMPv3 time code in tenths of a second: below 128 the value itself,
// else a mantissa and an exponent.
unsigned v3Time(uint8_t code) {
    if (code < 128) return code;
    unsigned mantissa = code & 0x0F, exponent = (code >> 4) & 0x07;
    return (mantissa | 0x10) << (exponent + 3);
}

void showHeader(const Message& m) {
    char maxResponse[24];
    formatText(maxResponse, sizeof maxResponse, "%u.%u s", m.maxResponse / 10, m.maxResponse % 10);
    switch (displayForm()) {
    case Form::oneLine:
        putFormat("%s -> %s IGMP %s", state.srcHostText, state.dstHostText, m.typeText);
        if (m.type == kV3Report)
            putFormat(" records %u", m.count);
        else if (m.group[0] != '\0')
            putFormat(" group %s", m.group);
        putChar('\n');
        break;
    case Form::verbose:
        putText("IGMP Header\n");
        if (m.version != 0) putField("Version:", "%d", m.version);
        putField("Type:", "0x%02X (%s)", m.type, nameOr(kTypes, m.type, "<unknown>"));
        switch (secondOf(m)) {
        case Second::maxResponse: putField("Max Response Time:", "%s", maxResponse); break;
        case Second::hops: putField("Hops:", "%u", m.second); break;
        case Second::code: putField("Code:", "%u", m.second); break;
        case Second::reserved: break;
        }
        putField("Checksum:", "0x%04X", m.checksum);
        if (m.group[0] != '\0') putField("Group Address:", "%s", m.group);
        if (m.type == kQuery && m.version == 3) {
            putField("Flags:", "S=%s", lastFlagText(m.flags & kSuppressFlag));
            putField("QRV:", "%u", m.flags & kQrvMask);
            putField("QQIC:", "%u", m.qqic);
            putField("Number of Sources:", "%u", m.count);
        } else if (m.type == kV3Report) {
            putField("Number of Records:", "%u", m.count);
        }
        break;
    case Form::terse:
        putTersePrefix("IGMP");
        if (m.version != 0) putFormat("v%d ", m.version);
        putFormat("%s cksum=%04X", m.typeText, m.checksum);
        if (m.group[0] != '\0') putFormat(" group=%s", m.group);
        putChar('\n');
        if (m.type == kQuery && m.version == 3)
            putFormat("\tmaxresp=%s S=%d QRV=%u QQIC=%u sources=%u\n", maxResponse, (m.flags & kSuppressFlag) ? 1 : 0,
                      m.flags & kQrvMask, m.qqic, m.count);
        else if (m.type == kV3Report)
            putFormat("\trecords=%u\n", m.count);
        break;
    }
}

// A v3 query's sources, each shown as read; false to give up.
bool readQuerySources(Region& message, unsigned sources) {
    for (unsigned i = 0; i < sources; ++i) {
        if (i == kMaxSources) {
            if (displayForm() != Form::oneLine) putText(kRestNotDisplayed);
            return true;
        }
        uint8_t address[4];
        message.bytes(address, 4);
        if (message.overrun()) return message.giveUp();
        char text[16];
        formatText(text, sizeof text, "%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
        if (displayForm() == Form::verbose)
            putField("Source Address:", "%s", text);
        else if (displayForm() == Form::terse)
            putFormat("\tsource=%s\n", text);
    }
    return true;
}

// A v3 report's records, each read whole (at most 64 of its sources shown),
// then shown as one line; false to give up.
bool readRecords(Region& message, unsigned records) {
    for (unsigned r = 0; r < records; ++r) {
        if (r == kMaxRecords) {
            if (displayForm() != Form::oneLine) putText(kRestNotDisplayed);
            return true;
        }
        uint8_t header[kRecordHeaderLength];
        message.bytes(header, kRecordHeaderLength);
        int auxLength = header[1] * 4;
        unsigned sources = static_cast<unsigned>(header[2] << 8 | header[3]);
        uint8_t addresses[kMaxSources * 4];
        unsigned shown = sources < kMaxSources ? sources : kMaxSources;
        message.bytes(addresses, static_cast<int32_t>(shown) * 4);
        message.skip(static_cast<int32_t>(sources - shown) * 4 + auxLength);
        if (message.overrun()) return message.giveUp();
        if (displayForm() == Form::oneLine) continue;
        NumberText number;
        if (displayForm() == Form::verbose)
            putLabel("Record:");
        else
            putChar('\t');
        putFormat("%s group=%u.%u.%u.%u sources=%u", nameOrNumber(kGroupRecordTypes, header[0], number), header[4],
                  header[5], header[6], header[7], sources);
        for (unsigned i = 0; i < shown; ++i)
            putFormat(" %u.%u.%u.%u", addresses[4 * i], addresses[4 * i + 1], addresses[4 * i + 2],
                      addresses[4 * i + 3]);
        if (shown < sources) putText(" ...");
        putChar('\n');
    }
    return true;
}
}  // namespace

Step decodeIgmp(HexCursor cursor) {
    Message m;
    int32_t length = state.dataLeft;
    Region message(cursor, length, kShorterThanHeader);
    m.type = message.byte();
    int headerLength = hasGroup(m.type) || m.type == kV3Report ? kHeaderLength : 4;
    if (!message.need(headerLength - 1)) {
        message.giveUp();
        return giveUp();
    }
    m.second = message.byte();
    m.checksum = message.shortValue();
    m.typeText = nameOrNumber(kTypes, m.type, m.number);
    if (hasGroup(m.type)) {
        uint8_t group[4];
        message.bytes(group, 4);
        formatText(m.group, sizeof m.group, "%u.%u.%u.%u", group[0], group[1], group[2], group[3]);
    } else if (m.type == kV3Report) {
        message.skip(2);
        m.count = message.shortValue();
    }

    if (m.type == kQuery) {
        m.version = length >= kV3QueryLength ? 3 : length == kHeaderLength && m.second == 0 ? 1 : 2;
        m.maxResponse = m.version == 3 ? v3Time(m.second) : m.second;
    } else if (m.type == kV1Report) {
        m.version = 1;
    } else if (m.type == kV2Report || m.type == kLeave) {
        m.version = 2;
        m.maxResponse = m.second;
    } else if (m.type == kV3Report) {
        m.version = 3;
    }
    Region rest(cursor, length - headerLength, kRecordPastMessage);
    if (m.type == kQuery && m.version == 3) {
        m.flags = rest.byte();
        m.qqic = rest.byte();
        m.count = rest.shortValue();
    }
    showHeader(m);
    if (m.type == kQuery && m.version == 3 && !readQuerySources(rest, m.count)) return giveUp();
    if (m.type == kV3Report && !readRecords(rest, m.count)) return giveUp();
    return dataFollows(cursor, "IGMP");
}
