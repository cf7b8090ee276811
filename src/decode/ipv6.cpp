#include "decode/ipv6.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "common/bounded_copy.h"
#include "common/display.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/protocol_numbers.h"
#include "decode/protocol_table.h"
#include "present/names.h"

namespace {
constexpr int kFixedHeaderLength = 40;
constexpr int kMaxExtensionHeaders = 8;
// The longest extension header: (255 + 1) * 8 bytes.
constexpr int kMaxExtensionLength = 2048;
constexpr uint16_t kFragmentOffsetShift = 3;
constexpr uint16_t kMoreFragments = 0x0001;

char srcAddrText[kIpv6AddrTextSize];
char dstAddrText[kIpv6AddrTextSize];
char optionAddrText[kIpv6AddrTextSize];
uint8_t header[kMaxExtensionLength];
char numberText[8];

// The terse name of a next-header number, or the number itself.
const char* terseNextName(unsigned number) {
    const char* name = nextHeaderName(number);
    if (name != nullptr) return name;
    std::snprintf(numberText, sizeof numberText, "%u", number);
    return numberText;
}

void putNextHeaderField(unsigned number) {
    const char* name = nextHeaderName(number);
    putField("Next Header:", "%u (%s)", number, name != nullptr ? name : "<unknown>");
}

unsigned byteAt(int at) { return header[at]; }
unsigned shortAt(int at) { return static_cast<unsigned>(header[at] << 8 | header[at + 1]); }
uint32_t longAt(int at) { return static_cast<uint32_t>(shortAt(at)) << 16 | shortAt(at + 2); }

const char* addressAt(int at, char (&text)[kIpv6AddrTextSize]) {
    ipv6AddrText(header + at, text);
    return text;
}

bool shown() { return !options.noIp; }

// One Hop-by-Hop or Destination option's text; `length` is its data length.
void optionText(char* text, size_t size, unsigned type, int at, unsigned length) {
    if (type == 0x01)
        std::snprintf(text, size, "PadN=%u", length);
    else if (type == 0xC2 && length == 4)
        std::snprintf(text, size, "jumbo=%u", longAt(at));
    else if (type == 0x04 && length == 1)
        std::snprintf(text, size, "TEL=%u", byteAt(at));
    else if (type == 0x05 && length == 2)
        std::snprintf(text, size, "RA=%u", shortAt(at));
    else if (type == 0xC9 && length == 16)
        std::snprintf(text, size, "HAO=%s", addressAt(at, optionAddrText));
    else
        std::snprintf(text, size, "type=0x%02X len=%u", type, length);
}

// Hop-by-Hop or Destination Options: the options one by one. `readSoFar` is
// the extension-header bytes read, this header's included (for a Jumbo option).
bool showOptionsHeader(bool hopByHop, int length, int readSoFar, bool payloadLengthZero) {
    Form form = displayForm();
    bool show = shown();
    if (show && form == Form::verbose) {
        putText(hopByHop ? "Hop-by-Hop Options Header\n" : "Destination Options Header\n");
        putNextHeaderField(byteAt(0));
        putField("Header Length:", "%d bytes", length);
    } else if (show) {
        putFormat(hopByHop ? " HBH:\tnext=%s len=%d" : "DOPT:\tnext=%s len=%d", terseNextName(byteAt(0)), length);
    }
    int at = 2;
    while (at < length) {
        unsigned type = byteAt(at);
        char text[80];
        if (type == 0) {
            std::snprintf(text, sizeof text, "Pad1");
            at += 1;
        } else {
            unsigned optionLength = at + 1 < length ? byteAt(at + 1) : 0;
            if (at + 1 >= length || at + 2 + static_cast<int>(optionLength) > length) {
                if (show && form == Form::terse) putChar('\n');
                putText("\t<*** Option runs past the end of its header ***>\n");
                return false;
            }
            optionText(text, sizeof text, type, at + 2, optionLength);
            if (hopByHop && payloadLengthZero && type == 0xC2 && optionLength == 4)
                state.dataLeft = static_cast<int32_t>(std::min<uint32_t>(longAt(at + 2), INT32_MAX)) - readSoFar;
            at += 2 + static_cast<int>(optionLength);
        }
        if (show && form == Form::verbose) putField("Option:", "%s", text);
        else if (show && form == Form::terse && type != 0 && type != 1) putFormat(" %s", text);
    }
    if (show && form == Form::terse) putChar('\n');
    return true;
}

void showRoutingHeader(int length) {
    if (!shown()) return;
    unsigned type = byteAt(2), segmentsLeft = byteAt(3);
    if (displayForm() == Form::terse) {
        putFormat(" RTG:\tnext=%s len=%d type=%u segleft=%u\n", terseNextName(byteAt(0)), length, type, segmentsLeft);
        return;
    }
    putText("Routing Header\n");
    putNextHeaderField(byteAt(0));
    putField("Header Length:", "%d bytes", length);
    putField("Routing Type:", "%u", type);
    putField("Segments Left:", "%u", segmentsLeft);
    int at = 8;
    if (type == 4) {
        putField("Last Entry:", "%u", byteAt(4));
        putField("Flags:", "0x%02X", byteAt(5));
        putField("Tag:", "0x%04X", shortAt(6));
        for (unsigned n = 0; n <= byteAt(4) && at + 16 <= length; ++n, at += 16)
            putField("Address:", "%s", addressAt(at, optionAddrText));
    } else if (type == 0 || type == 2) {
        for (; at + 16 <= length; at += 16) putField("Address:", "%s", addressAt(at, optionAddrText));
    }
    bool known = type == 0 || type == 2 || type == 4;
    if (!known || at < length) putText("\t<Rest of header not displayed>\n");
}

void showFragmentHeader(unsigned offset, bool more) {
    if (!shown()) return;
    if (displayForm() == Form::terse) {
        putFormat("FRAG:\tnext=%s frag=%u MF=%d id=%08X\n", terseNextName(byteAt(0)), offset, more ? 1 : 0,
                  longAt(4));
        return;
    }
    putText("Fragment Header\n");
    putNextHeaderField(byteAt(0));
    putField("Fragment Offset:", "%u", offset);
    putField("Flags:", "MF=%s", more ? "on" : "off");
    putField("Identification:", "0x%08X", longAt(4));
}

void showAuthenticationHeader(int length) {
    if (!shown()) return;
    if (displayForm() == Form::terse) {
        putFormat("  AH:\tnext=%s len=%d spi=%08X seq=%u\n", terseNextName(byteAt(0)), length, longAt(4), longAt(8));
        return;
    }
    putText("Authentication Header\n");
    putNextHeaderField(byteAt(0));
    putField("Header Length:", "%d bytes", length);
    putField("SPI:", "0x%08X", longAt(4));
    putField("Sequence Number:", "%u", longAt(8));
    if (length > 12) putText("\t<Rest of header not displayed>\n");
}

bool isWalked(uint8_t next) {
    return next == kIpProtoHopByHop || next == kIpProtoRouting || next == kIpProtoFragment ||
           next == kIpProtoAuthentication || next == kIpProtoDestinationOptions;
}

// Walks the extension headers from state.ipProto on; false to give up.
bool walkExtensionHeaders(HexCursor& cursor, bool payloadLengthZero) {
    int readSoFar = 0;
    for (int count = 0; isWalked(state.ipProto); ++count) {
        if (count == kMaxExtensionHeaders) {
            putText("\t<*** More than 8 extension headers ***>\n");
            return false;
        }
        uint8_t kind = state.ipProto;
        std::memset(header, 0, 12);
        int firstPart = kind == kIpProtoFragment ? 8 : 2;
        for (int i = 0; i < firstPart; ++i) header[i] = getByte(cursor);
        int length = kind == kIpProtoFragment         ? 8
                     : kind == kIpProtoAuthentication ? (header[1] + 2) * 4
                                                      : (header[1] + 1) * 8;
        if (!payloadLengthZero && length > state.dataLeft) {
            putText("\t<*** Extension headers run past the payload length ***>\n");
            return false;
        }
        for (int i = firstPart; i < length; ++i) header[i] = getByte(cursor);
        state.dataLeft -= length;
        readSoFar += length;
        state.ipProto = header[0];

        if (kind == kIpProtoHopByHop || kind == kIpProtoDestinationOptions) {
            if (!showOptionsHeader(kind == kIpProtoHopByHop, length, readSoFar, payloadLengthZero)) return false;
        } else if (kind == kIpProtoRouting) {
            showRoutingHeader(length);
        } else if (kind == kIpProtoAuthentication) {
            showAuthenticationHeader(length);
        } else {
            unsigned offset = shortAt(2) >> kFragmentOffsetShift;
            bool more = shortAt(2) & kMoreFragments;
            showFragmentHeader(offset, more);
            if (offset != 0) {
                // What follows is fragment data, not a header.
                state.laterFragment = true;
                state.fragmentProto = header[0];
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

HexCursor decodeIpv6(HexCursor cursor, bool tunnelled) {
    // An outer header's count until it is read: a dump that ends inside it is reported.
    int enclosing = state.dataLeft;
    if (!tunnelled) state.dataLeft = kFixedHeaderLength;
    uint32_t first = getLong(cursor);
    int version = static_cast<int>(first >> 28);
    if (version != 6) {
        // Shown in every form, -noIp included; -verbose picks the long text.
        if (options.verbose)
            putFormat("IPv6 Header\n\t<Not an IPv6 datagram (ver=%d)>\n", version);
        else
            putText("IPv6:\tnot v6\n");
        return nullptr;
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
        putLabel("Source IPv6 Address:");
        putText(srcAddrText);
        hostSuffix(srcAddrText);
        putChar('\n');
        putLabel("Destination IPv6 Address:");
        putText(dstAddrText);
        hostSuffix(dstAddrText);
        putChar('\n');
    } else if (shown()) {
        putFormat("IPv6:\t%s -> %s TC=%02X flow=%05X plen=%u\n", state.srcHostText, state.dstHostText, trafficClass,
                  flowLabel, payloadLength);
        putFormat("\thlim=%u next=%s\n", hopLimit, terseNextName(next));
    }
    if (overrun) {
        putText("\t<*** IPv6 payload length exceeds the frame ***>\n");
        return nullptr;
    }
    if (!walkExtensionHeaders(cursor, payloadLength == 0)) return nullptr;
    return cursor;
}
