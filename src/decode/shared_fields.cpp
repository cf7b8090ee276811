#include "decode/shared_fields.h"

#include "common/bounded_copy.h"
#include "common/display.h"
#include "common/output.h"
#include "common/name_table.h"
#include "common/packet_state.h"
#include "common/protocol_numbers.h"
#include "decode/protocol_table.h"
#include "input/line_reader.h"
#include "present/names.h"

namespace {
// IPv4 and TCP headers both have a fixed part of 20 bytes; the rest are options.
constexpr int kFixedHeaderLength = 20;
}  // namespace

PortTexts portTexts(uint16_t source, uint16_t destination, const char* protocol) {
    // Each name is copied before the next lookup reuses the service entry.
    PortTexts texts;
    copyBounded(texts.source, portName(source, protocol, true));
    copyBounded(texts.destination, portName(destination, protocol, true));
    return texts;
}

void showVerbosePorts(uint16_t source, uint16_t destination, const char* protocol) {
    putLabel("Source Port:");
    putFormat("%d", source);
    serviceSuffix(source, protocol);
    putChar('\n');
    putLabel("Destination Port:");
    putFormat("%d", destination);
    serviceSuffix(destination, protocol);
    putChar('\n');
}

void showOneLinePorts(const PortTexts& ports, const char* protocolName) {
    // Brackets keep an IPv6 address (or its name) apart from the port.
    const char* format = state.ipVersion == 6 ? "[%s].%s -> [%s].%s over %s\n" : "%s.%s -> %s.%s over %s\n";
    putFormat(format, state.srcHostText, ports.source, state.dstHostText, ports.destination, protocolName);
}

void skipOptions(HexCursor& cursor, int headerLength, bool notice) {
    if (headerLength <= kFixedHeaderLength) return;
    if (notice) putText("\t<Options not displayed>\n");
    skipBytes(cursor, headerLength - kFixedHeaderLength);
}

void putHostField(const char* label, const char* address) {
    putLabel(label);
    putText(address);
    hostSuffix(address);
    putChar('\n');
}

void putEtherField(const char* label, const char* address) {
    putLabel(label);
    putText(address);
    etherSuffix(address);
    putChar('\n');
}

const char* quotedPortName(uint16_t port, uint8_t protocol) {
    return portName(port, protocol == kIpProtoTcp ? "tcp" : "udp", true);
}

Step laterFragmentData(HexCursor cursor) {
    if (displayForm() == Form::oneLine) {
        NumberText number;
        putFormat("%s -> %s %s fragment at offset %u\n", state.srcHostText, state.dstHostText,
                  nameOrNumber(nextHeaderName(state.fragmentProto), state.fragmentProto, number),
                  state.fragmentOffset);
    }
    return dataFollows(cursor, "Fragment");
}

unsigned datagramEtherType(HexCursor& cursor) {
    if (state.dataLeft <= 0) return 0;
    if (*cursor == '\0') cursor = nextLine();
    if (*cursor == '4') return kEtherTypeIp;
    if (*cursor == '6') return kEtherTypeIpv6;
    return 0;
}

const char* reasonWithCode(const char* reason, unsigned code, bool withCode) {
    static char text[sizeof kCorrupt + 16];
    if (!withCode || reason != kCorrupt) return reason;
    formatText(text, sizeof text, "%s (code %u)", kCorrupt, code);
    return text;
}

const char* unknownTypeText(unsigned type, unsigned code, bool withCode) {
    static char text[40];
    if (withCode && code != 0)
        formatText(text, sizeof text, "<unknown> (%u, code %u)", type, code);
    else
        formatText(text, sizeof text, "<unknown> (%u)", type);
    return text;
}

const char* oneLineSource() {
    return state.ipHeaders > state.linkTextsAtIpHeaders ? state.srcHostText : state.srcLinkText;
}

const char* oneLineDestination() {
    return state.ipHeaders > state.linkTextsAtIpHeaders ? state.dstHostText : state.dstLinkText;
}

void showIcmpMessage(const char* name, const char* typeText, const char* reason, const char* info,
                     uint16_t checksum) {
    const char* because = reason != nullptr ? " because " : "";
    if (reason == nullptr) reason = "";
    switch (displayForm()) {
    case Form::oneLine:
        putFormat("%s -> %s %s %s%s%s\n", state.srcHostText, state.dstHostText, name, typeText, because, reason);
        if (info != nullptr) putFormat("\t%s\n", info);
        break;
    case Form::verbose:
        putFormat("%s Header\n", name);
        putField("Type:", "%s%s%s", typeText, *because ? "\n\tBecause:\t\t\t" : "", reason);
        if (info != nullptr) putField("Additional Information:", "%s", info);
        putField("Checksum:", "0x%04X", checksum);
        break;
    case Form::terse:
        putTersePrefix(name);
        putFormat("%s%s%s cksum=%04X\n", typeText, because, reason, checksum);
        if (info != nullptr) putFormat("\t%s\n", info);
        break;
    }
}
