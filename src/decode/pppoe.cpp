// PPPoE discovery (its tags) and session headers; a session's payload is a
// PPP frame.

#include "common/display.h"
#include "common/name_table.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/protocol_numbers.h"
#include "decode/field_texts.h"
#include "decode/protocol_table.h"
#include "decode/shared_fields.h"
#include "decode/step.h"
#include "input/region.h"

namespace {
constexpr char kExceedsFrame[] = "\t<*** PPPoE length exceeds the frame ***>\n";
constexpr char kTagRunsPast[] = "\t<*** PPPoE tag runs past the payload ***>\n";
constexpr char kRestNotShown[] = "\t<Rest of header not displayed>\n";
constexpr int kHeaderLength = 6;
constexpr int kMaxTags = 32;
constexpr int kTagBytesKept = 256;   // enough for the longest text (255 characters and "...")
constexpr unsigned kTagEndOfList = 0x0000;

constexpr Name kCodes[] = {{0x00, "Session"}, {0x09, "PADI"}, {0x07, "PADO"},
                           {0x19, "PADR"},    {0x65, "PADS"}, {0xA7, "PADT"}};

struct Header {
    unsigned version, type, code, session, length;
};

const char* codeName(unsigned code) {
    return nameOr(kCodes, code, "<unknown>");
}

void showHeader(const Header& h, bool shown) {
    if (!shown) return;
    Form form = displayForm();
    if (form == Form::verbose) {
        putText("PPPoE Header\n");
        putField("Version:", "%u", h.version);
        putField("Type:", "%u", h.type);
        putField("Code:", "0x%02X (%s)", h.code, codeName(h.code));
        putField("Session ID:", "0x%04X", h.session);
        putField("Payload Length:", "%u bytes", h.length);
    } else if (form == Form::terse) {
        putTersePrefix("PPPoE");
        const char* name = nameOf(kCodes, h.code);
        if (name != nullptr)
            putFormat("v=%u type=%u code=%s session=%04X len=%u\n", h.version, h.type, name, h.session, h.length);
        else
            putFormat("v=%u type=%u code=%u session=%04X len=%u\n", h.version, h.type, h.code, h.session, h.length);
    }
}

// A tag's text; `value` holds its first bytes (at most kTagBytesKept).
void tagText(char* out, size_t size, unsigned type, unsigned length, const uint8_t* value) {
    int kept = length < kTagBytesKept ? static_cast<int>(length) : kTagBytesKept;
    char text[kFieldTextSize];
    char hex[kFieldHexSize];
    const char* quoted = nullptr;
    switch (type) {
    case 0x0000: formatText(out, size, "End-Of-List"); return;
    case 0x0101: quoted = "Service-Name"; break;
    case 0x0102: quoted = "AC-Name"; break;
    case 0x0201: quoted = "Service-Name-Error"; break;
    case 0x0202: quoted = "AC-System-Error"; break;
    case 0x0203: quoted = "Generic-Error"; break;
    case 0x0103:
    case 0x0104:
    case 0x0110:
        hexBytesText(hex, value, kept);
        formatText(out, size, "%s=%s",
                      type == 0x0103 ? "Host-Uniq" : type == 0x0104 ? "AC-Cookie" : "Relay-Session-Id", hex);
        return;
    case 0x0105:
        if (length >= 4) {
            uint32_t vendor = static_cast<uint32_t>(value[0]) << 24 | static_cast<uint32_t>(value[1]) << 16 |
                              static_cast<uint32_t>(value[2]) << 8 | value[3];
            formatText(out, size, "Vendor-Specific vendor=%u len=%u", vendor, length);
            return;
        }
        break;
    case 0x0120:
        if (length == 2) {
            formatText(out, size, "PPP-Max-Payload=%u", static_cast<unsigned>(value[0] << 8 | value[1]));
            return;
        }
        break;
    default: break;
    }
    if (quoted != nullptr) {
        printableText(text, value, kept, false);
        formatText(out, size, "%s=\"%s\"", quoted, text);
        return;
    }
    formatText(out, size, "type=0x%04X len=%u", type, length);
}

void showTag(const char* text) {
    if (displayForm() == Form::verbose)
        putField("Tag:", "%s", text);
    else if (displayForm() == Form::terse)
        putFormat("\t%s\n", text);
}

// The tags of a discovery packet, up to the payload length or End-Of-List.
bool showTags(HexCursor& cursor, unsigned payloadLength) {
    Region payload(cursor, static_cast<int32_t>(payloadLength), kTagRunsPast);
    static uint8_t value[kTagBytesKept];
    char text[kFieldTextSize + 48];
    for (int n = 0; payload.left() > 0; ++n) {
        if (n == kMaxTags) {
            if (displayForm() != Form::oneLine) putText(kRestNotShown);
            return true;
        }
        unsigned type = payload.shortValue();
        unsigned length = payload.shortValue();
        if (static_cast<int32_t>(length) > payload.left() && !payload.overrun()) {
            putText(kTagRunsPast);
            return false;
        }
        int kept = length < kTagBytesKept ? static_cast<int>(length) : kTagBytesKept;
        payload.bytes(value, kept);
        payload.skip(static_cast<int>(length) - kept);
        if (payload.overrun()) return false;
        tagText(text, sizeof text, type, length, value);
        showTag(text);
        if (type == kTagEndOfList) break;
    }
    return true;
}

// The header, and its payload length checked against the frame; nullptr
// when the packet is given up.
bool readHeader(HexCursor& cursor, Header& h) {
    Region region(cursor, state.dataLeft, kExceedsFrame);
    unsigned first = region.byte();
    h.version = first >> 4;
    h.type = first & 0x0F;
    h.code = region.byte();
    h.session = region.shortValue();
    h.length = region.shortValue();
    if (region.overrun()) return region.giveUp();
    if (static_cast<int32_t>(h.length) > state.dataLeft) {
        putText(kExceedsFrame);
        return false;
    }
    // The bytes after the payload are the frame's fill.
    state.dataLeft = static_cast<int32_t>(h.length);
    return true;
}
}  // namespace

Step decodePppoeDiscovery(HexCursor cursor) {
    Header h;
    if (!readHeader(cursor, h)) return giveUp();
    showHeader(h, true);
    if (!showTags(cursor, h.length)) return giveUp();
    if (displayForm() == Form::oneLine)
        putFormat("%s -> %s PPPoE %s session 0x%04X\n", oneLineSource(), oneLineDestination(), codeName(h.code),
                  h.session);
    return dataFollows(cursor, "PPPoE");
}

Step decodePppoeSession(HexCursor cursor) {
    Header h;
    if (!readHeader(cursor, h)) return giveUp();
    countLinkBytes(kHeaderLength);
    showHeader(h, !options.noLink);
    return followedByEtherType(cursor, kEtherTypePpp);
}
