#include <algorithm>
#include <climits>
#include <cstring>

#include "common/bounded_copy.h"
#include "common/display.h"
#include "common/name_table.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/protocol_numbers.h"
#include "decode/protocol_table.h"
#include "decode/shared_fields.h"
#include "input/region.h"
#include "present/names.h"

namespace {
constexpr int kFixedHeaderLength = 40;
constexpr int kMaxExtensionHeaders = 8;
// The longest extension header: (255 + 1) * 8 bytes.
constexpr int kMaxExtensionLength = 2048;
constexpr uint16_t kFragmentOffsetShift = 3;
constexpr uint16_t kMoreFragments = 0x0001;

const char kOptionPastHeader[] = "\t<*** Option runs past the end of its header ***>\n";
const char kPastPayload[] = "\t<*** Extension headers run past the payload length ***>\n";

char srcAddrText[kIpv6AddrTextSize];
char dstAddrText[kIpv6AddrTextSize];
char optionAddrText[kIpv6AddrTextSize];
uint8_t buffer[kMaxExtensionLength];
NumberText numberText;

// The terse name of a next-header number, or the number itself.
const char* terseNextName(unsigned number) { return nameOrNumber(nextHeaderName(number), number, numberText); }

void putNextHeaderField(unsigned number) {
    const char* name = nextHeaderName(number);
    putField("Next Header:", "%u (%s)", number, name != nullptr ? name : "<unknown>");
}

bool shown() { return !options.noIp; }

// The options with a name of their own, each at its one sound data length.
constexpr Name kOptionNames[] = {{0xC2, "jumbo"}, {0x04, "TEL"}, {0x05, "RA"}, {0xC9, "HAO"}};

// One Hop-by-Hop or Destination option's text, from its data.
void optionText(char* text, size_t size, unsigned type, const HeaderBytes& data) {
    const char* name = nameOf(kOptionNames, type);
    if (type == 0x01)
        formatText(text, size, "PadN=%d", data.length);
    else if (type == 0xC2 && data.length == 4)
        formatText(text, size, "%s=%u", name, data.longAt(0));
    else if (type == 0x04 && data.length == 1)
        formatText(text, size, "%s=%u", name, data.byteAt(0));
    else if (type == 0x05 && data.length == 2)
        formatText(text, size, "%s=%u", name, data.shortAt(0));
    else if (type == 0xC9 && data.length == 16)
        formatText(text, size, "%s=%s", name, data.ipv6At(0, optionAddrText));
    else
        formatText(text, size, "type=0x%02X len=%d", type, data.length);
}

// Hop-by-Hop or Destination Options: the options one by one. `readSoFar` is
// the extension-header bytes read, this header's included (for a Jumbo option).
bool showOptionsHeader(bool hopByHop, const HeaderBytes& header, int readSoFar, bool payloadLengthZero) {
    Form form = displayForm();
    bool show = shown();
    if (show && form == Form::verbose) {
        putText(hopByHop ? "Hop-by-Hop Options Header\n" : "Destination Options Header\n");
        putNextHeaderField(header.byteAt(0));
        putField("Header Length:", "%d bytes", header.length);
    } else if (show) {
        putTersePrefix(hopByHop ? "HBH" : "DOPT");
        putFormat("next=%s len=%d", terseNextName(header.byteAt(0)), header.length);
    }
    Region options(header.bytes + 2, header.length - 2, kOptionPastHeader);
    while (options.left() > 0) {
        unsigned type = options.byte();
        char text[80];
        if (type == 0) {
            formatText(text, sizeof text, "Pad1");
        } else {
            int dataLength = options.byte();
            uint8_t data[255];
            options.bytes(data, dataLength);
            if (options.overrun()) {
                if (show && form == Form::terse) putChar('\n');
                return options.giveUp();
            }
            HeaderBytes optionData{data, dataLength};
            optionText(text, sizeof text, type, optionData);
            if (hopByHop && payloadLengthZero && type == 0xC2 && dataLength == 4)
                state.dataLeft = static_cast<int32_t>(std::min<uint32_t>(optionData.longAt(0), INT32_MAX)) - readSoFar;
        }
        if (show && form == Form::verbose) putField("Option:", "%s", text);
        else if (show && form == Form::terse && type != 0 && type != 1) putFormat(" %s", text);
    }
    if (show && form == Form::terse) putChar('\n');
    return true;
}

void showRoutingHeader(const HeaderBytes& header) {
    if (!shown()) return;
    unsigned type = header.byteAt(2), segmentsLeft = header.byteAt(3);
    if (displayForm() == Form::terse) {
        putTersePrefix("RTG");
        putFormat("next=%s len=%d type=%u segleft=%u\n", terseNextName(header.byteAt(0)), header.length, type,
                  segmentsLeft);
        return;
    }
    putText("Routing Header\n");
    putNextHeaderField(header.byteAt(0));
    putField("Header Length:", "%d bytes", header.length);
    putField("Routing Type:", "%u", type);
    putField("Segments Left:", "%u", segmentsLeft);
    int at = 8;
    if (type == 4) {
        putField("Last Entry:", "%u", header.byteAt(4));
        putField("Flags:", "0x%02X", header.byteAt(5));
        putField("Tag:", "0x%04X", header.shortAt(6));
        for (unsigned n = 0; n <= header.byteAt(4) && at + 16 <= header.length; ++n, at += 16)
            putField("Address:", "%s", header.ipv6At(at, optionAddrText));
    } else if (type == 0 || type == 2) {
        for (; at + 16 <= header.length; at += 16) putField("Address:", "%s", header.ipv6At(at, optionAddrText));
    }
    bool known = type == 0 || type == 2 || type == 4;
    if (!known || at < header.length) putText("\t<Rest of header not displayed>\n");
}

void showFragmentHeader(const HeaderBytes& header, unsigned offset, bool more) {
    if (!shown()) return;
    if (displayForm() == Form::terse) {
        putTersePrefix("FRAG");
        putFormat("next=%s frag=%u MF=%d id=%08X\n", terseNextName(header.byteAt(0)), offset, more ? 1 : 0,
                  header.longAt(4));
        return;
    }
    putText("Fragment Header\n");
    putNextHeaderField(header.byteAt(0));
    putField("Fragment Offset:", "%u", offset);
    putField("Flags:", "MF=%s", lastFlagText(more));
    putField("Identification:", "0x%08X", header.longAt(4));
}

void showAuthenticationHeader(const HeaderBytes& header) {
    if (!shown()) return;
    if (displayForm() == Form::terse) {
        putTersePrefix("AH");
        putFormat("next=%s len=%d spi=%08X seq=%u\n", terseNextName(header.byteAt(0)), header.length,
                  header.longAt(4), header.longAt(8));
        return;
    }
    putText("Authentication Header\n");
    putNextHeaderField(header.byteAt(0));
    putField("Header Length:", "%d bytes", header.length);
    putField("SPI:", "0x%08X", header.longAt(4));
    putField("Sequence Number:", "%u", header.longAt(8));
    if (header.length > 12) putText("\t<Rest of header not displayed>\n");
}

bool isWalked(uint8_t next) {
    return next == kIpProtoHopByHop || next == kIpProtoRouting || next == kIpProtoFragment ||
           next == kIpProtoAuthentication || next == kIpProtoDestinationOptions;
}

// The length of an extension header from its first bytes.
int extensionLength(uint8_t kind, unsigned lengthField) {
    if (kind == kIpProtoFragment) return 8;
    if (kind == kIpProtoAuthentication) return static_cast<int>(lengthField + 2) * 4;
    return static_cast<int>(lengthField + 1) * 8;
}

// Walks the extension headers from state.ipProto on, each read whole before
// it is shown; false to give up. Without a payload length nothing bounds them
// but the dump.
bool walkExtensionHeaders(HexCursor& cursor, bool payloadLengthZero) {
    Region payload(cursor, payloadLengthZero ? INT32_MAX : state.dataLeft, kPastPayload);
    int readSoFar = 0;
    for (int count = 0; isWalked(state.ipProto); ++count) {
        if (count == kMaxExtensionHeaders) {
            putText("\t<*** More than 8 extension headers ***>\n");
            return false;
        }
        uint8_t kind = state.ipProto;
        int firstPart = kind == kIpProtoFragment ? 8 : 2;
        payload.bytes(buffer, firstPart);
        int length = extensionLength(kind, buffer[1]);
        payload.bytes(buffer + firstPart, length - firstPart);
        if (payload.overrun()) return payload.giveUp();
        readSoFar += length;
        HeaderBytes header{buffer, length};
        state.ipProto = static_cast<uint8_t>(header.byteAt(0));

        if (kind == kIpProtoHopByHop || kind == kIpProtoDestinationOptions) {
            if (!showOptionsHeader(kind == kIpProtoHopByHop, header, readSoFar, payloadLengthZero)) return false;
        } else if (kind == kIpProtoRouting) {
            showRoutingHeader(header);
        } else if (kind == kIpProtoAuthentication) {
            showAuthenticationHeader(header);
        } else {
            unsigned offset = header.shortAt(2) >> kFragmentOffsetShift;
            bool more = header.shortAt(2) & kMoreFragments;
            showFragmentHeader(header, offset, more);
            if (offset != 0) {
                // What follows is fragment data, not a header.
                state.laterFragment = true;
                state.fragmentProto = state.ipProto;
                state.fragmentOffset = offset;
                state.ipProto = kIpProtoFragment;
                return true;
            }
            if (more) state.firstFragment = true;
        }
    }
    return true;
}
}  // namespace

Step decodeIpv6(HexCursor cursor) {
    // A header inside another takes its count from the enclosing datagram,
    // an outer one from the frame.
    bool tunnelled = state.ipHeaders > 1;
    // An outer header's count until it is read: a dump that ends inside it is reported.
    int enclosing = state.dataLeft;
    if (!tunnelled) state.dataLeft = kFixedHeaderLength;
    uint32_t first = getLong(cursor);
    int version = static_cast<int>(first >> 28);
    if (version != 6) {
        // Shown in every form, -noIp included; -verbose picks the long text.
        if (verboseOptionGiven())
            putFormat("IPv6 Header\n\t<Not an IPv6 datagram (ver=%d)>\n", version);
        else
            putText("IPv6:\tnot v6\n");
        return giveUp();
    }
    unsigned trafficClass = (first >> 20) & 0xFF;
    unsigned flowLabel = first & 0xFFFFF;
    uint16_t payloadLength = getShort(cursor);
    uint8_t next = getByte(cursor);
    uint8_t hopLimit = getByte(cursor);
    std::memcpy(srcAddrText, getIpv6Addr(cursor), sizeof srcAddrText);
    std::memcpy(dstAddrText, getIpv6Addr(cursor), sizeof dstAddrText);

    state.ipVersion = 6;
    state.ipProto = next;
    state.firstFragment = false;
    state.laterFragment = false;
    copyBounded(state.srcHostText, hostName(srcAddrText, true));
    copyBounded(state.dstHostText, hostName(dstAddrText, true));

    bool overrun = false;
    if (payloadLength != 0) {
        state.dataLeft = payloadLength;
        long frame = static_cast<long>(state.linkLength) - static_cast<long>(linkHeaderLength());
        overrun = !tunnelled && state.linkLength != 0 && kFixedHeaderLength + static_cast<long>(payloadLength) > frame;
    } else {
        // No payload length (large offloads, jumbograms): what the frame or
        // the enclosing datagram leaves.
        long available = tunnelled ? enclosing
                         : state.linkLength != 0 ? static_cast<long>(state.linkLength) - static_cast<long>(linkHeaderLength())
                                                 : 0;
        state.dataLeft = static_cast<int32_t>(available >= kFixedHeaderLength ? available - kFixedHeaderLength : 0);
    }

    if (shown() && displayForm() == Form::verbose) {
        putText("IPv6 Header\n");
        putField("Version:", "6");
        putField("Traffic Class:", "0x%02X", trafficClass);
        putField("Flow Label:", "0x%05X", flowLabel);
        putField("Payload Length:", "%u bytes", payloadLength);
        putNextHeaderField(next);
        putField("Hop Limit:", "%u", hopLimit);
        putHostField("Source IPv6 Address:", srcAddrText);
        putHostField("Destination IPv6 Address:", dstAddrText);
    } else if (shown()) {
        putTersePrefix("IPv6");
        putFormat("%s -> %s TC=%02X flow=%05X plen=%u\n", state.srcHostText, state.dstHostText, trafficClass,
                  flowLabel, payloadLength);
        putFormat("\thlim=%u next=%s\n", hopLimit, terseNextName(next));
    }
    if (overrun) {
        putText("\t<*** IPv6 payload length exceeds the frame ***>\n");
        return giveUp();
    }
    if (!walkExtensionHeaders(cursor, payloadLength == 0)) return giveUp();
    if (state.laterFragment) return laterFragmentData(cursor);
    if (state.ipProto == kIpProtoNoNext) {
        state.dataLeft = 0;
        return nothingFollows(cursor);
    }
    return followedByProtocol(cursor, state.ipProto);
}
