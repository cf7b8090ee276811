#include "decode/protocol_table.h"

#include <cstring>

#include "common/bounded_copy.h"
#include "common/display.h"
#include "common/name_table.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/protocol_numbers.h"
#include "decode/shared_fields.h"
#include "input/region.h"
#include "present/names.h"

namespace {
constexpr int kIpv6HeaderLength = 40;
constexpr int kMldv2QueryLength = 28;      // a query this long or longer is MLDv2
constexpr int kMldv2QueryFields = 4;       // what an MLDv2 query adds to the MLD fields
constexpr int kRecordHeaderLength = 20;    // an MLDv2 record before its sources
constexpr int kAddressLength = 16;

const char kOptionPastMessage[] = "\t<*** ICMPv6 option runs past the end of the message ***>\n";
const char kRecordPastMessage[] = "\t<*** ICMPv6 record runs past the end of the message ***>\n";

constexpr Name kUnreachableReasons[] = {
    {0, "no-route-to-destination"},     {1, "admin-prohibited"},
    {2, "beyond-scope-of-source-address"}, {3, "address-unreachable"},
    {4, "port-unreachable"},            {5, "source-address-failed-policy"},
    {6, "reject-route-to-destination"}, {7, "error-in-source-routing-header"},
    {8, "headers-too-long"},
};
constexpr Name kTimeExceededReasons[] = {{0, "hop-limit-exceeded"}, {1, "reassembly-timer-expired"}};
constexpr Name kParameterProblemReasons[] = {
    {0, "erroneous-header-field"},
    {1, "unrecognized-next-header"},
    {2, "unrecognized-IPv6-option"},
    {3, "first-fragment-lacks-header-chain"},
    {4, "SR-upper-layer-header-error"},
    {5, "unrecognized-next-header-at-intermediate-node"},
    {6, "extension-header-too-big"},
    {7, "extension-header-chain-too-long"},
    {8, "too-many-extension-headers"},
    {9, "too-many-options-in-extension-header"},
    {10, "option-too-big"},
};
constexpr Name kRouterPreferences[] = {{0, "medium"}, {1, "high"}, {2, "reserved"}, {3, "low"}};

// The fields of one message, read before any of it is shown.
struct Message {
    uint8_t type = 0, code = 0;
    uint16_t checksum = 0;
    const char* typeText = nullptr;
    const char* reason = nullptr;
    const char* info = nullptr;
    uint32_t value = 0;                  // MTU, pointer, RA reachable time
    unsigned identifier = 0, sequence = 0;
    unsigned maxDelay = 0;               // MLD maximum response delay or code
    bool mldv2Query = false;
    unsigned flags = 0;                  // S/QRV, RA flags, NA flags (top byte)
    unsigned qqic = 0, count = 0;        // query interval code; sources or records
    unsigned hopLimit = 0, lifetime = 0;
    uint32_t retrans = 0;
    char target[kIpv6AddrTextSize] = {};
    char second[kIpv6AddrTextSize] = {};   // MLD group or redirect destination
    bool quoted = false;
};

char infoText[320];
char quotedText[200];
char fieldsText[256];
uint8_t body[65536];   // an option, or a record's sources (a record of more is not read)
char bigText[6144];    // one option's text: up to 127 RDNSS addresses

void readAddress(HexCursor& cursor, char (&text)[kIpv6AddrTextSize]) {
    std::memcpy(text, getIpv6Addr(cursor), sizeof text);
}

// ---------------------------------------------------------------------------
// Each message type's fields: a reader, the terse form's line, the verbose
// form's lines.

void readPointer(HexCursor& cursor, Message& m) { m.value = getLong(cursor); }

void readMtu(HexCursor& cursor, Message& m) {
    m.value = getLong(cursor);
    if (m.value != 0) {
        formatText(infoText, sizeof infoText, "My next-hop MTU is %u", m.value);
        m.info = infoText;
    }
}

void readEcho(HexCursor& cursor, Message& m) {
    m.identifier = getShort(cursor);
    m.sequence = getShort(cursor);
}

void readMld(HexCursor& cursor, Message& m) {
    // The message's length counts its type, code and checksum, read already.
    m.mldv2Query = m.type == 130 && state.dataLeft + 4 >= kMldv2QueryLength;
    m.maxDelay = getShort(cursor);
    skipBytes(cursor, 2);
    readAddress(cursor, m.second);
    if (m.mldv2Query) {
        m.flags = getByte(cursor);
        m.qqic = getByte(cursor);
        m.count = getShort(cursor);
        state.dataLeft -= kMldv2QueryFields;
    }
}

void readRouterAdvertisement(HexCursor& cursor, Message& m) {
    m.hopLimit = getByte(cursor);
    m.flags = getByte(cursor);
    m.lifetime = getShort(cursor);
    m.value = getLong(cursor);
    m.retrans = getLong(cursor);
}

void readNeighbor(HexCursor& cursor, Message& m) {
    m.flags = getLong(cursor) >> 24;
    readAddress(cursor, m.target);
}

void readRedirect(HexCursor& cursor, Message& m) {
    skipBytes(cursor, 4);
    readAddress(cursor, m.target);
    readAddress(cursor, m.second);
    const char* router = hostName(m.target, true);
    formatText(infoText, sizeof infoText, "Use router %s instead", router);
    m.info = infoText;
}

void readReport(HexCursor& cursor, Message& m) {
    skipBytes(cursor, 2);
    m.count = getShort(cursor);
}

int bit(unsigned flags, unsigned mask) { return (flags & mask) ? 1 : 0; }

void tersePointer(const Message& m) { formatText(fieldsText, sizeof fieldsText, "pointer=%u", m.value); }
void verbosePointer(const Message& m) { putField("Pointer:", "%u", m.value); }

void terseEcho(const Message& m) {
    formatText(fieldsText, sizeof fieldsText, "id=%04X seq=%u", m.identifier, m.sequence);
}
void verboseEcho(const Message& m) {
    putField("Identifier:", "0x%04X", m.identifier);
    putField("Sequence Number:", "%u", m.sequence);
}

void terseMld(const Message& m) {
    if (m.mldv2Query)
        formatText(fieldsText, sizeof fieldsText, "maxcode=%u group=%s S=%d QRV=%u QQIC=%u sources=%u",
                      m.maxDelay, m.second, bit(m.flags, 0x08), m.flags & 0x07, m.qqic, m.count);
    else
        formatText(fieldsText, sizeof fieldsText, "maxdelay=%u group=%s", m.maxDelay, m.second);
}
void verboseMld(const Message& m) {
    if (m.mldv2Query) {
        putField("Maximum Response Code:", "%u", m.maxDelay);
        putField("Multicast Address:", "%s", m.second);
        putField("Flags:", "S=%s", lastFlagText(m.flags & 0x08));
        putField("QRV:", "%u", m.flags & 0x07);
        putField("QQIC:", "%u", m.qqic);
        putField("Number of Sources:", "%u", m.count);
    } else {
        putField("Maximum Response Delay:", "%u ms", m.maxDelay);
        putField("Multicast Address:", "%s", m.second);
    }
}

const char* routerPreference(const Message& m) { return nameOf(kRouterPreferences, (m.flags >> 3) & 3); }

void terseRouterAdvertisement(const Message& m) {
    formatText(fieldsText, sizeof fieldsText,
                  "hoplimit=%u MOHP=%d%d%d%d prf=%s lifetime=%u reachable=%u retrans=%u", m.hopLimit,
                  bit(m.flags, 0x80), bit(m.flags, 0x40), bit(m.flags, 0x20), bit(m.flags, 0x04),
                  routerPreference(m), m.lifetime, m.value, m.retrans);
}
void verboseRouterAdvertisement(const Message& m) {
    putField("Current Hop Limit:", "%u", m.hopLimit);
    putField("Flags:", "M=%s O=%s H=%s P=%s", flagText(m.flags & 0x80), flagText(m.flags & 0x40),
             flagText(m.flags & 0x20), lastFlagText(m.flags & 0x04));
    putField("Router Preference:", "%s", routerPreference(m));
    putField("Router Lifetime:", "%u s", m.lifetime);
    putField("Reachable Time:", "%u ms", m.value);
    putField("Retransmit Timer:", "%u ms", m.retrans);
}

void terseSolicitation(const Message& m) { formatText(fieldsText, sizeof fieldsText, "target=%s", m.target); }
void verboseSolicitation(const Message& m) { putField("Target Address:", "%s", m.target); }

void terseAdvertisement(const Message& m) {
    formatText(fieldsText, sizeof fieldsText, "RSO=%d%d%d target=%s", bit(m.flags, 0x80), bit(m.flags, 0x40),
                  bit(m.flags, 0x20), m.target);
}
void verboseAdvertisement(const Message& m) {
    putField("Flags:", "R=%s S=%s O=%s", flagText(m.flags & 0x80), flagText(m.flags & 0x40),
             lastFlagText(m.flags & 0x20));
    putField("Target Address:", "%s", m.target);
}

void terseRedirect(const Message& m) { formatText(fieldsText, sizeof fieldsText, "destination=%s", m.second); }
void verboseRedirect(const Message& m) { putField("Destination Address:", "%s", m.second); }

void terseReport(const Message& m) { formatText(fieldsText, sizeof fieldsText, "records=%u", m.count); }
void verboseReport(const Message& m) { putField("Number of Records:", "%u", m.count); }

// What follows the fields: NDP options, MLDv2 records or query sources.
bool readOptions(HexCursor& cursor, Message& m);
bool readRecords(HexCursor& cursor, Message& m);
bool readQuerySources(HexCursor& cursor, Message& m);

// A message type: its name, its reasons by code (none: code 0 alone, any
// other is corrupt), the fields after the checksum and how they are read and
// shown, and what follows them.
struct MessageType {
    uint8_t type;
    const char* name;
    NameTable reasons;
    int fieldsLength;                         // charged once they are read
    void (*read)(HexCursor&, Message&);       // nullptr: the fields are skipped
    void (*terse)(const Message&);            // writes fieldsText; nullptr: no line
    void (*verbose)(const Message&);          // nullptr: no lines
    bool (*readList)(HexCursor&, Message&);   // false to give up
    bool quotesPacket;                        // an error: the packet it is about follows
};

constexpr MessageType kMessageTypes[] = {
    {1, "destination-unreachable", kUnreachableReasons, 4, nullptr, nullptr, nullptr, nullptr, true},
    {2, "packet-too-big", {}, 4, readMtu, nullptr, nullptr, nullptr, true},
    {3, "time-exceeded", kTimeExceededReasons, 4, nullptr, nullptr, nullptr, nullptr, true},
    {4, "parameter-problem", kParameterProblemReasons, 4, readPointer, tersePointer, verbosePointer, nullptr, true},
    {128, "echo-request", {}, 4, readEcho, terseEcho, verboseEcho, nullptr, false},
    {129, "echo-reply", {}, 4, readEcho, terseEcho, verboseEcho, nullptr, false},
    {130, "multicast-listener-query", {}, 20, readMld, terseMld, verboseMld, readQuerySources, false},
    {131, "multicast-listener-report", {}, 20, readMld, terseMld, verboseMld, nullptr, false},
    {132, "multicast-listener-done", {}, 20, readMld, terseMld, verboseMld, nullptr, false},
    {133, "router-solicitation", {}, 4, nullptr, nullptr, nullptr, readOptions, false},
    {134, "router-advertisement", {}, 12, readRouterAdvertisement, terseRouterAdvertisement,
     verboseRouterAdvertisement, readOptions, false},
    {135, "neighbor-solicitation", {}, 20, readNeighbor, terseSolicitation, verboseSolicitation, readOptions, false},
    {136, "neighbor-advertisement", {}, 20, readNeighbor, terseAdvertisement, verboseAdvertisement, readOptions,
     false},
    {137, "redirect", {}, 36, readRedirect, terseRedirect, verboseRedirect, readOptions, false},
    {143, "multicast-listener-report-v2", {}, 4, readReport, terseReport, verboseReport, readRecords, false},
};

const MessageType* messageTypeOf(uint8_t type) {
    for (const MessageType& row : kMessageTypes)
        if (row.type == type) return &row;
    return nullptr;
}

// ---------------------------------------------------------------------------
// The quoted datagram of an error: its fixed header and, for TCP and UDP, the ports.
void readQuote(HexCursor& cursor, Message& m) {
    skipBytes(cursor, 6);
    uint8_t next = getByte(cursor);
    skipBytes(cursor, 1);
    char source[kIpv6AddrTextSize], destination[kIpv6AddrTextSize];
    readAddress(cursor, source);
    readAddress(cursor, destination);
    state.dataLeft -= kIpv6HeaderLength;
    NumberText number;
    const char* name = nameOrNumber(nextHeaderName(next), next, number);
    if ((next == kIpProtoTcp || next == kIpProtoUdp) && state.dataLeft >= 4) {
        uint16_t sourcePort = getShort(cursor);
        uint16_t destinationPort = getShort(cursor);
        state.dataLeft -= 4;
        formatText(quotedText, sizeof quotedText, "[%s].%u -> [%s].%u over %s", source, sourcePort, destination,
                      destinationPort, name);
        if (m.type == 1 && m.code == 4) {
            formatText(infoText, sizeof infoText, kPortUnreachable, quotedPortName(destinationPort, next));
            m.info = infoText;
        }
    } else {
        formatText(quotedText, sizeof quotedText, "%s -> %s over %s", source, destination, name);
    }
    m.quoted = true;
}

void showMessage(const Message& m, const MessageType* row) {
    showIcmpMessage("ICMPv6", m.typeText, m.reason, m.info, m.checksum);
    if (row == nullptr) return;
    if (displayForm() == Form::verbose && row->verbose != nullptr) row->verbose(m);
    if (displayForm() == Form::terse && row->terse != nullptr) {
        row->terse(m);
        putFormat("\t%s\n", fieldsText);
    }
}

// An option, record or source line: "Option:"-style in the verbose form, a
// tab-led line in the terse form, nothing in the one-line form.
void showItem(const char* label, const char* text) {
    Form form = displayForm();
    if (form == Form::verbose)
        putField(label, "%s", text);
    else if (form == Form::terse)
        putFormat("\t%s\n", text);
}

// One NDP option's text, from the whole option (its type and length included).
void optionText(unsigned type, const HeaderBytes& o) {
    char address[kIpv6AddrTextSize];
    const size_t size = sizeof bigText;
    unsigned length = static_cast<unsigned>(o.length);
    if ((type == 1 || type == 2) && length == 8) {
        formatText(bigText, size, "%s=%02X:%02X:%02X:%02X:%02X:%02X",
                      type == 1 ? "source-link-address" : "target-link-address", o.byteAt(2), o.byteAt(3),
                      o.byteAt(4), o.byteAt(5), o.byteAt(6), o.byteAt(7));
    } else if (type == 3 && length == 32) {
        formatText(bigText, size, "prefix=%s/%u L=%d A=%d R=%d valid=%u preferred=%u", o.ipv6At(16, address),
                      o.byteAt(2), bit(o.byteAt(3), 0x80), bit(o.byteAt(3), 0x40), bit(o.byteAt(3), 0x20),
                      o.longAt(4), o.longAt(8));
    } else if (type == 5 && length == 8) {
        formatText(bigText, size, "mtu=%u", o.longAt(4));
    } else if (type == 25 && length >= 24 && (length / 8) % 2 == 1) {
        size_t used = static_cast<size_t>(formatText(bigText, size, "rdnss="));
        for (unsigned at = 8; at + kAddressLength <= length; at += kAddressLength)
            used += static_cast<size_t>(formatText(bigText + used, size - used, "%s%s", at > 8 ? "," : "",
                                                      o.ipv6At(static_cast<int>(at), address)));
        formatText(bigText + used, size - used, " lifetime=%u", o.longAt(4));
    } else {
        formatText(bigText, size, "type=%u len=%u", type, length);
    }
}

// NDP options to the end of the message, each read whole; false to give up.
bool readOptions(HexCursor& cursor, Message&) {
    Region message(cursor, state.dataLeft, kOptionPastMessage);
    while (message.left() >= 2) {
        body[0] = message.byte();
        body[1] = message.byte();
        int length = body[1] * 8;
        if (length == 0) {
            putText("\t<*** ICMPv6 option with length 0 ***>\n");
            return false;
        }
        message.bytes(body + 2, length - 2);
        if (message.overrun()) return message.giveUp();
        optionText(body[0], HeaderBytes{body, length});
        showItem("Option:", bigText);
    }
    return true;
}

// An MLDv2 record, read whole, then shown as one line.
void showRecord(const uint8_t (&header)[kRecordHeaderLength], unsigned sources) {
    if (displayForm() == Form::oneLine) return;
    HeaderBytes fields{header, kRecordHeaderLength};
    HeaderBytes addresses{body, static_cast<int>(sources) * kAddressLength};
    char group[kIpv6AddrTextSize], address[kIpv6AddrTextSize];
    NumberText number;
    if (displayForm() == Form::verbose)
        putLabel("Record:");
    else
        putChar('\t');
    putFormat("%s group=%s sources=%u", nameOrNumber(kGroupRecordTypes, fields.byteAt(0), number), fields.ipv6At(4, group),
              sources);
    for (unsigned i = 0; i < sources; ++i) putFormat(" %s", addresses.ipv6At(static_cast<int>(i) * kAddressLength, address));
    putChar('\n');
}

bool readRecords(HexCursor& cursor, Message& m) {
    Region message(cursor, state.dataLeft, kRecordPastMessage);
    for (unsigned r = 0; r < m.count; ++r) {
        uint8_t header[kRecordHeaderLength];
        message.bytes(header, kRecordHeaderLength);
        if (message.overrun()) return message.giveUp();
        int auxLength = header[1] * 4;
        unsigned sources = static_cast<unsigned>(header[2] << 8 | header[3]);
        // Only a jumbogram's record could hold more sources than the buffer.
        int sourcesLength = static_cast<int>(sources) * kAddressLength;
        if (!message.need(sourcesLength + auxLength) || sourcesLength > static_cast<int>(sizeof body))
            return message.giveUp();
        message.bytes(body, sourcesLength);
        message.skip(auxLength);
        showRecord(header, sources);
    }
    return true;
}

bool readQuerySources(HexCursor& cursor, Message& m) {
    if (!m.mldv2Query) return true;
    Region message(cursor, state.dataLeft, kRecordPastMessage);
    for (unsigned i = 0; i < m.count; ++i) {
        uint8_t bytes[kAddressLength];
        message.bytes(bytes, kAddressLength);
        if (message.overrun()) return message.giveUp();
        char address[kIpv6AddrTextSize];
        ipv6AddrText(bytes, address);
        if (displayForm() == Form::terse) {
            putFormat("\tsource=%s\n", address);
        } else if (displayForm() == Form::verbose) {
            putField("Source Address:", "%s", address);
        }
    }
    return true;
}
}  // namespace

Step decodeIcmpv6(HexCursor cursor) {
    Message m;
    m.type = getByte(cursor);
    m.code = getByte(cursor);
    m.checksum = getShort(cursor);
    state.dataLeft -= 4;

    const MessageType* row = messageTypeOf(m.type);
    if (row == nullptr) {
        // ICMPv6 is decoded under -extended only: the codes are always shown.
        m.typeText = unknownTypeText(m.type, m.code, true);
    } else {
        m.typeText = row->name;
        m.reason = reasonWithCode(
            row->reasons.empty() ? (m.code == 0 ? nullptr : kCorrupt) : nameOr(row->reasons, m.code, kCorrupt), m.code,
            true);
        if (row->read != nullptr)
            row->read(cursor, m);
        else
            skipBytes(cursor, row->fieldsLength);
        state.dataLeft -= row->fieldsLength;
    }

    if (row != nullptr && row->quotesPacket) {
        if (state.dataLeft < kIpv6HeaderLength) {
            showMessage(m, row);
            putText("\t<*** Quoted packet shorter than an IPv6 header ***>\n");
            return giveUp();
        }
        readQuote(cursor, m);
    }
    showMessage(m, row);

    if (row != nullptr && row->readList != nullptr && !row->readList(cursor, m)) return giveUp();

    if (m.quoted) {
        if (displayForm() == Form::verbose)
            putField("Quoted Packet:", "%s", quotedText);
        else if (displayForm() == Form::terse)
            putFormat("\tquoted %s\n", quotedText);
    }
    return dataFollows(cursor, "ICMPv6");
}
