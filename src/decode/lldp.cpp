// LLDP: a list of TLVs (type 7 bits, length 9 bits, value) up to End.

#include <cstring>

#include "common/bounded_copy.h"
#include "common/display.h"
#include "common/name_table.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/field_texts.h"
#include "decode/protocol_table.h"
#include "decode/shared_fields.h"
#include "decode/step.h"
#include "input/hex_readers.h"
#include "input/region.h"

namespace {
constexpr char kRunsPast[] = "\t<*** LLDP TLV runs past the end of the frame ***>\n";
constexpr char kRestNotShown[] = "\t<Rest of header not displayed>\n";
constexpr int kMaxTlvs = 64;
constexpr int kMaxValue = 511;
constexpr int kOneLineTextSize = 512;

constexpr unsigned kEnd = 0, kChassisId = 1, kPortId = 2, kTtl = 3, kPortDescription = 4, kSystemName = 5,
                   kSystemDescription = 6, kCapabilities = 7, kManagementAddress = 8, kOrganization = 127;

constexpr Name kChassisSubtypes[] = {{1, "chassis-component"}, {2, "interface-alias"}, {3, "port-component"},
                                     {4, "mac"},               {5, "address"},         {6, "interface-name"},
                                     {7, "local"}};
constexpr Name kPortSubtypes[] = {{1, "interface-alias"}, {2, "port-component"},   {3, "mac"},  {4, "address"},
                                  {5, "interface-name"},  {6, "agent-circuit-id"}, {7, "local"}};
constexpr Name kInterfaceSubtypes[] = {{1, "unknown"}, {2, "ifIndex"}, {3, "port"}};
const char* const kCapabilityNames[] = {"other",  "repeater", "bridge",  "WLAN-AP", "router", "telephone",
                                        "DOCSIS", "station",  "C-VLAN", "S-VLAN",  "TPMR"};

uint8_t value[kMaxValue];
char text[kFieldTextSize + 64];
char printable[kFieldTextSize];
char chassisText[kOneLineTextSize];
char portText[kOneLineTextSize];

unsigned shortOf(const uint8_t* b) { return static_cast<unsigned>(b[0] << 8 | b[1]); }
uint32_t longOf(const uint8_t* b) {
    return static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 | static_cast<uint32_t>(b[2]) << 8 |
           b[3];
}

// An address of an IANA family: 1 IPv4, 2 IPv6, 6 a MAC (management
// addresses only), else hex.
void addressText(char* out, size_t size, unsigned family, const uint8_t* bytes, int length, bool macFamily) {
    if (family == 1 && length == 4) {
        formatText(out, size, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
    } else if (family == 2 && length == 16) {
        char address[kIpv6AddrTextSize];
        ipv6AddrText(bytes, address);
        formatText(out, size, "%s", address);
    } else if (macFamily && family == 6 && length == 6) {
        char mac[kMacTextSize];
        macText(mac, bytes);
        formatText(out, size, "%s", mac);
    } else {
        char hex[kFieldHexSize];
        hexBytesText(hex, bytes, length);
        formatText(out, size, "%s", hex);
    }
}

// Chassis ID and Port ID: "mac 02:00:00:00:00:01", "interface-name eth0", ...
void idText(char* out, size_t size, const Name* subtypes, size_t count, bool chassis, int length) {
    if (length < 1) {
        formatText(out, size, "type=%u len=%d", chassis ? kChassisId : kPortId, length);
        return;
    }
    unsigned subtype = value[0];
    const char* word = nullptr;
    for (size_t i = 0; i < count; ++i)
        if (subtypes[i].value == subtype) word = subtypes[i].text;
    const uint8_t* id = value + 1;
    int idLength = length - 1;
    char shown[kFieldTextSize];
    if (word == nullptr) {
        char hex[kFieldHexSize];
        hexBytesText(hex, id, idLength);
        formatText(out, size, "subtype=%u %s", subtype, hex);
        return;
    }
    if (std::strcmp(word, "mac") == 0 && idLength == 6) {
        char mac[kMacTextSize];
        macText(mac, id);
        formatText(out, size, "%s %s", word, mac);
    } else if (std::strcmp(word, "mac") == 0) {
        char hex[kFieldHexSize];
        hexBytesText(hex, id, idLength);
        formatText(out, size, "%s %s", word, hex);
    } else if (std::strcmp(word, "address") == 0 && idLength >= 1) {
        addressText(shown, sizeof shown, id[0], id + 1, idLength - 1, false);
        formatText(out, size, "%s %s", word, shown);
    } else {
        printableText(shown, id, idLength, false);
        formatText(out, size, "%s %s", word, shown);
    }
}

void capabilitiesText(char* out, size_t size, unsigned bits) {
    size_t at = 0;
    for (unsigned bit = 0; bit < sizeof kCapabilityNames / sizeof kCapabilityNames[0]; ++bit)
        if (bits & (1u << bit))
            at += static_cast<size_t>(formatText(out + at, size - at, "%s%s", at > 0 ? "," : "", kCapabilityNames[bit]));
    if (at == 0) formatText(out, size, "none");
}

// The management address TLV; false when a part runs past the TLV.
bool managementText(char* out, size_t size, int length, bool terse) {
    if (length < 1) return false;
    int stringLength = value[0];
    int at = 1 + stringLength;   // the interface subtype, number (32) and OID length follow the address
    if (stringLength < 1 || at + 6 > length) return false;
    char address[kFieldHexSize];
    addressText(address, sizeof address, value[1], value + 2, stringLength - 1, true);
    unsigned interfaceSubtype = value[at];
    uint32_t number = longOf(value + at + 1);
    int oidLength = value[at + 5];
    if (at + 6 + oidLength > length) return false;
    if (terse) {
        formatText(out, size, "%s", address);
        return true;
    }
    const char* interface = nameOf(kInterfaceSubtypes, interfaceSubtype);
    if (interface != nullptr)
        formatText(out, size, "%s (interface %s %u)", address, interface, number);
    else
        formatText(out, size, "%s (interface %u %u)", address, interfaceSubtype, number);
    return true;
}

struct Labels {
    const char* verbose;
    const char* terse;
};
Labels labelsOf(unsigned type) {
    switch (type) {
    case kChassisId: return {"Chassis ID:", "chassis"};
    case kPortId: return {"Port ID:", "port"};
    case kTtl: return {"Time To Live:", "ttl"};
    case kPortDescription: return {"Port Description:", "port-desc"};
    case kSystemName: return {"System Name:", "sysname"};
    case kSystemDescription: return {"System Description:", "sysdesc"};
    case kCapabilities: return {"Capabilities:", "caps"};
    case kManagementAddress: return {"Management Address:", "mgmt"};
    case kOrganization: return {"Organization TLV:", "org"};
    default: return {"TLV:", nullptr};
    }
}
}  // namespace

Step decodeLldp(HexCursor cursor) {
    Region frame(cursor, state.dataLeft, kRunsPast);
    Form form = displayForm();
    copyBounded(chassisText, "-");
    copyBounded(portText, "-");
    bool haveTtl = false;
    unsigned ttl = 0;
    if (form == Form::verbose) putText("LLDP Header\n");
    int n = 0;
    for (;; ++n) {
        if (n == kMaxTlvs) {
            if (form != Form::oneLine) putText(kRestNotShown);
            break;
        }
        if (frame.left() <= 0) break;
        unsigned head = frame.shortValue();
        if (frame.overrun()) return ranPast(frame);
        unsigned type = head >> 9;
        int length = static_cast<int>(head & 0x1FF);
        if (length > frame.left()) {
            putText(kRunsPast);
            return giveUp();
        }
        frame.bytes(value, length);
        if (type == kEnd) {
            if (n == 0 && form == Form::terse) putText("LLDP:\tend\n");
            break;
        }
        Labels labels = labelsOf(type);
        bool quoted = false;
        char terseText[kFieldTextSize + 64];
        terseText[0] = '\0';
        switch (type) {
        case kChassisId: idText(text, sizeof text, kChassisSubtypes, 7, true, length); break;
        case kPortId: idText(text, sizeof text, kPortSubtypes, 7, false, length); break;
        case kTtl:
            if (length == 2) formatText(text, sizeof text, "%u s", shortOf(value));
            else labels = {"TLV:", nullptr};
            break;
        case kPortDescription:
        case kSystemName:
        case kSystemDescription:
            printableText(printable, value, length, false);
            copyBounded(text, printable);
            quoted = true;
            break;
        case kCapabilities:
            if (length == 4) {
                char system[96], enabled[96];
                capabilitiesText(system, sizeof system, shortOf(value));
                capabilitiesText(enabled, sizeof enabled, shortOf(value + 2));
                formatText(text, sizeof text, "0x%04X (%s) enabled 0x%04X (%s)", shortOf(value), system,
                              shortOf(value + 2), enabled);
                formatText(terseText, sizeof terseText, "%04X/%04X", shortOf(value), shortOf(value + 2));
            } else {
                labels = {"TLV:", nullptr};
            }
            break;
        case kManagementAddress:
            if (!managementText(text, sizeof text, length, false)) {
                putText(kRunsPast);
                return giveUp();
            }
            managementText(terseText, sizeof terseText, length, true);
            break;
        case kOrganization:
            if (length >= 4) {
                uint32_t oui = static_cast<uint32_t>(value[0] << 16 | value[1] << 8 | value[2]);
                formatText(text, sizeof text, "oui=%06X subtype=%u len=%d", oui, value[3], length);
                formatText(terseText, sizeof terseText, "%06X/%u len=%d", oui, value[3], length);
            } else {
                labels = {"TLV:", nullptr};
            }
            break;
        default: break;
        }
        if (labels.terse == nullptr) formatText(text, sizeof text, "type=%u len=%d", type, length);
        if (type == kChassisId && std::strcmp(chassisText, "-") == 0) copyBounded(chassisText, text);
        if (type == kPortId && std::strcmp(portText, "-") == 0) copyBounded(portText, text);
        if (type == kTtl && labels.terse != nullptr && !haveTtl) {
            haveTtl = true;
            ttl = shortOf(value);
        }
        if (form == Form::verbose) {
            putField(labels.verbose, "%s", text);
        } else if (form == Form::terse) {
            if (n == 0)
                putText("LLDP:\t");
            else
                putChar('\t');
            if (labels.terse == nullptr)
                putFormat("%s\n", text);
            else if (type == kTtl)
                putFormat("ttl=%u\n", shortOf(value));
            else if (quoted)
                putFormat("%s=\"%s\"\n", labels.terse, text);
            else
                putFormat("%s=%s\n", labels.terse, terseText[0] != '\0' ? terseText : text);
        }
    }
    if (form == Form::oneLine) {
        if (haveTtl)
            putFormat("%s -> %s LLDP chassis %s port %s ttl %u\n", oneLineSource(), oneLineDestination(), chassisText,
                      portText, ttl);
        else
            putFormat("%s -> %s LLDP chassis %s port %s ttl -\n", oneLineSource(), oneLineDestination(), chassisText,
                      portText);
    }
    return dataFollows(cursor, "LLDP");
}
