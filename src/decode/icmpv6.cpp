#include "decode/protocol_table.h"

#include <cstdio>
#include <cstring>

#include "common/bounded_copy.h"
#include "common/display.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/program_end.h"
#include "common/protocol_numbers.h"
#include "decode/shared_fields.h"
#include "present/names.h"

namespace {
const char kCorrupt[] = "<*** CORRUPT ***>";
constexpr int kIpv6HeaderLength = 40;
constexpr int kMldv2QueryLength = 28;      // a query this long or longer is MLDv2
constexpr int kRecordHeaderLength = 20;    // an MLDv2 record before its sources
constexpr int kAddressLength = 16;

const char* const unreachableReasons[] = {
    "no-route-to-destination", "admin-prohibited", "beyond-scope-of-source-address",
    "address-unreachable", "port-unreachable", "source-address-failed-policy",
    "reject-route-to-destination", "error-in-source-routing-header", "headers-too-long",
};
const char* const timeExceededReasons[] = {"hop-limit-exceeded", "reassembly-timer-expired"};
const char* const parameterProblemReasons[] = {
    "erroneous-header-field", "unrecognized-next-header", "unrecognized-IPv6-option",
    "first-fragment-lacks-header-chain", "SR-upper-layer-header-error",
    "unrecognized-next-header-at-intermediate-node", "extension-header-too-big",
    "extension-header-chain-too-long", "too-many-extension-headers",
    "too-many-options-in-extension-header", "option-too-big",
};
const char* const recordTypes[] = {"is-include", "is-exclude", "to-include", "to-exclude", "allow-new", "block-old"};
const char* const routerPreferences[] = {"medium", "high", "reserved", "low"};

template <size_t N>
const char* reasonOf(const char* const (&reasons)[N], uint8_t code) {
    return code < N ? reasons[code] : kCorrupt;
}

const char* typeTextOf(uint8_t type) {
    switch (type) {
    case 1: return "destination-unreachable";
    case 2: return "packet-too-big";
    case 3: return "time-exceeded";
    case 4: return "parameter-problem";
    case 128: return "echo-request";
    case 129: return "echo-reply";
    case 130: return "multicast-listener-query";
    case 131: return "multicast-listener-report";
    case 132: return "multicast-listener-done";
    case 133: return "router-solicitation";
    case 134: return "router-advertisement";
    case 135: return "neighbor-solicitation";
    case 136: return "neighbor-advertisement";
    case 137: return "redirect";
    case 143: return "multicast-listener-report-v2";
    default: return nullptr;
    }
}

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

char unknownTypeText[32];
char infoText[320];
char quotedText[200];
char fieldsText[256];
uint8_t body[65536];   // an option, or a record's sources (a record of more is not read)
char bigText[6144];    // one option's text: up to 127 RDNSS addresses

void readAddress(HexCursor& cursor, char (&text)[kIpv6AddrTextSize]) {
    std::memcpy(text, getIpv6Addr(cursor), sizeof text);
}

void addressAt(const uint8_t* bytes, char (&text)[kIpv6AddrTextSize]) { ipv6AddrText(bytes, text); }

uint32_t longAt(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// The quoted datagram of an error: its fixed header and, for TCP and UDP, the ports.
void readQuote(HexCursor& cursor, Message& m) {
    skipBytes(cursor, 6);
    uint8_t next = getByte(cursor);
    skipBytes(cursor, 1);
    char source[kIpv6AddrTextSize], destination[kIpv6AddrTextSize];
    readAddress(cursor, source);
    readAddress(cursor, destination);
    state.dataLeft -= kIpv6HeaderLength;
    const char* name = nextHeaderName(next);
    char number[8];
    std::snprintf(number, sizeof number, "%u", next);
    if (name == nullptr) name = number;
    if ((next == kIpProtoTcp || next == kIpProtoUdp) && state.dataLeft >= 4) {
        uint16_t sourcePort = getShort(cursor);
        uint16_t destinationPort = getShort(cursor);
        state.dataLeft -= 4;
        std::snprintf(quotedText, sizeof quotedText, "[%s].%u -> [%s].%u over %s", source, sourcePort, destination,
                      destinationPort, name);
        if (m.type == 1 && m.code == 4) {
            const char* port = portName(destinationPort, next == kIpProtoTcp ? "tcp" : "udp", true);
            std::snprintf(infoText, sizeof infoText, "Port %s is unreachable", port);
            m.info = infoText;
        }
    } else {
        std::snprintf(quotedText, sizeof quotedText, "%s -> %s over %s", source, destination, name);
    }
    m.quoted = true;
}

// Reads the type's fixed fields; the count is reduced by what is read.
void readFields(HexCursor& cursor, Message& m) {
    int read = 0;
    switch (m.type) {
    case 1:
    case 3:
    case 133:
        skipBytes(cursor, 4);
        read = 4;
        break;
    case 2:
    case 4:
        m.value = getLong(cursor);
        read = 4;
        if (m.type == 2 && m.value != 0) {
            std::snprintf(infoText, sizeof infoText, "My next-hop MTU is %u", m.value);
            m.info = infoText;
        }
        break;
    case 128:
    case 129:
        m.identifier = getShort(cursor);
        m.sequence = getShort(cursor);
        read = 4;
        break;
    case 130:
    case 131:
    case 132:
        // The message's length counts its type, code and checksum, read already.
        m.mldv2Query = m.type == 130 && state.dataLeft + 4 >= kMldv2QueryLength;
        m.maxDelay = getShort(cursor);
        skipBytes(cursor, 2);
        readAddress(cursor, m.second);
        read = 20;
        if (m.mldv2Query) {
            m.flags = getByte(cursor);
            m.qqic = getByte(cursor);
            m.count = getShort(cursor);
            read = 24;
        }
        break;
    case 134:
        m.hopLimit = getByte(cursor);
        m.flags = getByte(cursor);
        m.lifetime = getShort(cursor);
        m.value = getLong(cursor);
        m.retrans = getLong(cursor);
        read = 12;
        break;
    case 135:
    case 136:
        m.flags = getLong(cursor) >> 24;
        readAddress(cursor, m.target);
        read = 20;
        break;
    case 137: {
        skipBytes(cursor, 4);
        readAddress(cursor, m.target);
        readAddress(cursor, m.second);
        read = 36;
        const char* router = hostName(m.target, true);
        std::snprintf(infoText, sizeof infoText, "Use router %s instead", router);
        m.info = infoText;
        break;
    }
    case 143:
        skipBytes(cursor, 2);
        m.count = getShort(cursor);
        read = 4;
        break;
    default:
        break;
    }
    state.dataLeft -= read;
}

const char* onOff(bool on) { return on ? "on" : "off"; }

// The terse form's one line of fields; empty when the type has none.
const char* terseFields(const Message& m) {
    fieldsText[0] = '\0';
    const size_t size = sizeof fieldsText;
    switch (m.type) {
    case 4: std::snprintf(fieldsText, size, "pointer=%u", m.value); break;
    case 128:
    case 129: std::snprintf(fieldsText, size, "id=%04X seq=%u", m.identifier, m.sequence); break;
    case 130:
    case 131:
    case 132:
        if (m.mldv2Query)
            std::snprintf(fieldsText, size, "maxcode=%u group=%s S=%d QRV=%u QQIC=%u sources=%u", m.maxDelay, m.second,
                          (m.flags & 0x08) ? 1 : 0, m.flags & 0x07, m.qqic, m.count);
        else
            std::snprintf(fieldsText, size, "maxdelay=%u group=%s", m.maxDelay, m.second);
        break;
    case 134:
        std::snprintf(fieldsText, size, "hoplimit=%u MOHP=%d%d%d%d prf=%s lifetime=%u reachable=%u retrans=%u",
                      m.hopLimit, (m.flags & 0x80) ? 1 : 0, (m.flags & 0x40) ? 1 : 0, (m.flags & 0x20) ? 1 : 0,
                      (m.flags & 0x04) ? 1 : 0, routerPreferences[(m.flags >> 3) & 3], m.lifetime, m.value, m.retrans);
        break;
    case 135: std::snprintf(fieldsText, size, "target=%s", m.target); break;
    case 136:
        std::snprintf(fieldsText, size, "RSO=%d%d%d target=%s", (m.flags & 0x80) ? 1 : 0, (m.flags & 0x40) ? 1 : 0,
                      (m.flags & 0x20) ? 1 : 0, m.target);
        break;
    case 137: std::snprintf(fieldsText, size, "destination=%s", m.second); break;
    case 143: std::snprintf(fieldsText, size, "records=%u", m.count); break;
    default: break;
    }
    return fieldsText;
}

void showVerboseFields(const Message& m) {
    switch (m.type) {
    case 4: putField("Pointer:", "%u", m.value); break;
    case 128:
    case 129:
        putField("Identifier:", "0x%04X", m.identifier);
        putField("Sequence Number:", "%u", m.sequence);
        break;
    case 130:
    case 131:
    case 132:
        if (m.mldv2Query) {
            putField("Maximum Response Code:", "%u", m.maxDelay);
            putField("Multicast Address:", "%s", m.second);
            putField("Flags:", "S=%s", onOff(m.flags & 0x08));
            putField("QRV:", "%u", m.flags & 0x07);
            putField("QQIC:", "%u", m.qqic);
            putField("Number of Sources:", "%u", m.count);
        } else {
            putField("Maximum Response Delay:", "%u ms", m.maxDelay);
            putField("Multicast Address:", "%s", m.second);
        }
        break;
    case 134:
        putField("Current Hop Limit:", "%u", m.hopLimit);
        putField("Flags:", "M=%s O=%s H=%s P=%s", flagText(m.flags & 0x80), flagText(m.flags & 0x40),
                 flagText(m.flags & 0x20), lastFlagText(m.flags & 0x04));
        putField("Router Preference:", "%s", routerPreferences[(m.flags >> 3) & 3]);
        putField("Router Lifetime:", "%u s", m.lifetime);
        putField("Reachable Time:", "%u ms", m.value);
        putField("Retransmit Timer:", "%u ms", m.retrans);
        break;
    case 135: putField("Target Address:", "%s", m.target); break;
    case 136:
        putField("Flags:", "R=%s S=%s O=%s", flagText(m.flags & 0x80), flagText(m.flags & 0x40),
                 lastFlagText(m.flags & 0x20));
        putField("Target Address:", "%s", m.target);
        break;
    case 137: putField("Destination Address:", "%s", m.second); break;
    case 143: putField("Number of Records:", "%u", m.count); break;
    default: break;
    }
}

void showMessage(const Message& m) {
    const char* because = m.reason != nullptr ? " because " : "";
    const char* reason = m.reason != nullptr ? m.reason : "";
    switch (displayForm()) {
    case Form::oneLine:
        putFormat("%s -> %s ICMPv6 %s%s%s\n", state.srcHostText, state.dstHostText, m.typeText, because, reason);
        if (m.info != nullptr) putFormat("\t%s\n", m.info);
        break;
    case Form::verbose:
        putText("ICMPv6 Header\n");
        putField("Type:", "%s%s%s", m.typeText, *because ? "\n\tBecause:\t\t\t" : "", reason);
        if (m.info != nullptr) putField("Additional Information:", "%s", m.info);
        putField("Checksum:", "0x%04X", m.checksum);
        showVerboseFields(m);
        break;
    case Form::terse:
        putFormat("ICMPv6:\t%s%s%s cksum=%04X\n", m.typeText, because, reason, m.checksum);
        if (m.info != nullptr) putFormat("\t%s\n", m.info);
        if (const char* fields = terseFields(m); *fields != '\0') putFormat("\t%s\n", fields);
        break;
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

void noticeAndGiveUp(const char* notice) { putFormat("\t%s\n", notice); }

void optionText(unsigned type, unsigned length, const uint8_t* o) {
    char address[kIpv6AddrTextSize];
    const size_t size = sizeof bigText;
    if ((type == 1 || type == 2) && length == 8) {
        std::snprintf(bigText, size, "%s=%02X:%02X:%02X:%02X:%02X:%02X",
                      type == 1 ? "source-link-address" : "target-link-address", o[2], o[3], o[4], o[5], o[6], o[7]);
    } else if (type == 3 && length == 32) {
        addressAt(o + 16, address);
        std::snprintf(bigText, size, "prefix=%s/%u L=%d A=%d R=%d valid=%u preferred=%u", address, o[2],
                      (o[3] & 0x80) ? 1 : 0, (o[3] & 0x40) ? 1 : 0, (o[3] & 0x20) ? 1 : 0, longAt(o + 4),
                      longAt(o + 8));
    } else if (type == 5 && length == 8) {
        std::snprintf(bigText, size, "mtu=%u", longAt(o + 4));
    } else if (type == 25 && length >= 24 && (length / 8) % 2 == 1) {
        size_t used = static_cast<size_t>(std::snprintf(bigText, size, "rdnss="));
        for (unsigned at = 8; at + kAddressLength <= length; at += kAddressLength) {
            addressAt(o + at, address);
            used += static_cast<size_t>(std::snprintf(bigText + used, size - used, "%s%s", at > 8 ? "," : "", address));
        }
        std::snprintf(bigText + used, size - used, " lifetime=%u", longAt(o + 4));
    } else {
        std::snprintf(bigText, size, "type=%u len=%u", type, length);
    }
}

// NDP options to the end of the message; false to give up.
bool readOptions(HexCursor& cursor) {
    while (state.dataLeft >= 2) {
        body[0] = getByte(cursor);
        body[1] = getByte(cursor);
        int length = body[1] * 8;
        if (length == 0) {
            noticeAndGiveUp("<*** ICMPv6 option with length 0 ***>");
            return false;
        }
        if (length > state.dataLeft) {
            noticeAndGiveUp("<*** ICMPv6 option runs past the end of the message ***>");
            return false;
        }
        for (int i = 2; i < length; ++i) body[i] = getByte(cursor);
        state.dataLeft -= length;
        optionText(body[0], static_cast<unsigned>(length), body);
        showItem("Option:", bigText);
    }
    return true;
}

// An MLDv2 record, read whole, then shown as one line.
void showRecord(const uint8_t* header, unsigned sources) {
    char group[kIpv6AddrTextSize], address[kIpv6AddrTextSize];
    addressAt(header + 4, group);
    char number[8];
    std::snprintf(number, sizeof number, "%u", header[0]);
    const char* kind = header[0] >= 1 && header[0] <= 6 ? recordTypes[header[0] - 1] : number;
    Form form = displayForm();
    if (form == Form::oneLine) return;
    if (form == Form::verbose)
        putLabel("Record:");
    else
        putChar('\t');
    putFormat("%s group=%s sources=%u", kind, group, sources);
    for (unsigned i = 0; i < sources; ++i) {
        addressAt(body + i * kAddressLength, address);
        putFormat(" %s", address);
    }
    putChar('\n');
}

bool readRecords(HexCursor& cursor, unsigned records) {
    for (unsigned r = 0; r < records; ++r) {
        if (state.dataLeft < kRecordHeaderLength) {
            noticeAndGiveUp("<*** ICMPv6 record runs past the end of the message ***>");
            return false;
        }
        uint8_t header[kRecordHeaderLength];
        for (uint8_t& byte : header) byte = getByte(cursor);
        unsigned auxLength = header[1] * 4u;
        unsigned sources = static_cast<unsigned>(header[2] << 8 | header[3]);
        long rest = static_cast<long>(sources) * kAddressLength + auxLength;
        // Only a jumbogram's record could hold more sources than the buffer.
        if (kRecordHeaderLength + rest > state.dataLeft || sources * kAddressLength > sizeof body) {
            noticeAndGiveUp("<*** ICMPv6 record runs past the end of the message ***>");
            return false;
        }
        for (unsigned i = 0; i < sources * kAddressLength; ++i) body[i] = getByte(cursor);
        skipBytes(cursor, static_cast<int>(auxLength));
        state.dataLeft -= kRecordHeaderLength + static_cast<int32_t>(rest);
        showRecord(header, sources);
    }
    return true;
}

bool readQuerySources(HexCursor& cursor, unsigned sources) {
    for (unsigned i = 0; i < sources; ++i) {
        if (state.dataLeft < kAddressLength) {
            noticeAndGiveUp("<*** ICMPv6 record runs past the end of the message ***>");
            return false;
        }
        char address[kIpv6AddrTextSize];
        readAddress(cursor, address);
        state.dataLeft -= kAddressLength;
        if (displayForm() == Form::terse) {
            putFormat("\tsource=%s\n", address);
        } else if (displayForm() == Form::verbose) {
            putField("Source Address:", "%s", address);
        }
    }
    return true;
}
}  // namespace

HexCursor decodeIcmpv6(HexCursor cursor) {
    Message m;
    m.type = getByte(cursor);
    m.code = getByte(cursor);
    m.checksum = getShort(cursor);
    state.dataLeft -= 4;

    m.typeText = typeTextOf(m.type);
    m.reason = m.code == 0 ? nullptr : kCorrupt;
    switch (m.type) {
    case 1: m.reason = reasonOf(unreachableReasons, m.code); break;
    case 3: m.reason = reasonOf(timeExceededReasons, m.code); break;
    case 4: m.reason = reasonOf(parameterProblemReasons, m.code); break;
    default: break;
    }
    if (m.typeText == nullptr) {
        std::snprintf(unknownTypeText, sizeof unknownTypeText, "<unknown> (%d)", m.type);
        m.typeText = unknownTypeText;
        m.reason = nullptr;
    } else {
        readFields(cursor, m);
    }

    bool error = m.type >= 1 && m.type <= 4;
    if (error) {
        if (state.dataLeft < kIpv6HeaderLength) {
            showMessage(m);
            noticeAndGiveUp("<*** Quoted packet shorter than an IPv6 header ***>");
            return nullptr;
        }
        readQuote(cursor, m);
    }
    showMessage(m);

    bool going = true;
    if (m.type >= 133 && m.type <= 137)
        going = readOptions(cursor);
    else if (m.type == 143)
        going = readRecords(cursor, m.count);
    else if (m.mldv2Query)
        going = readQuerySources(cursor, m.count);
    if (!going) return nullptr;

    if (m.quoted) {
        if (displayForm() == Form::verbose)
            putField("Quoted Packet:", "%s", quotedText);
        else if (displayForm() == Form::terse)
            putFormat("\tquoted %s\n", quotedText);
    }
    return cursor;
}
