// The PPP control protocols: LCP, IPCP, IPV6CP and CCP (code, identifier,
// length, options), PAP and CHAP (code, identifier, length; the rest data).

#include "common/display.h"
#include "common/name_table.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/protocol_table.h"
#include "decode/shared_fields.h"
#include "decode/step.h"
#include "input/hex_readers.h"
#include "input/region.h"

namespace {
constexpr char kLengthDoesNotFit[] = "\t<*** PPP control message length does not fit ***>\n";
constexpr char kOptionRunsPast[] = "\t<*** PPP option runs past the end of the message ***>\n";
constexpr char kRestNotShown[] = "\t<Rest of header not displayed>\n";
constexpr int kHeaderLength = 4;
constexpr int kMaxOptions = 32;
constexpr int kOptionBytesKept = 16;

constexpr unsigned kLcp = 0xC021, kIpcp = 0x8021, kIpv6cp = 0x8057, kCcp = 0x80FD, kPap = 0xC023, kChap = 0xC223;

constexpr Name kConfigureCodes[] = {{1, "Configure-Request"}, {2, "Configure-Ack"},     {3, "Configure-Nak"},
                                    {4, "Configure-Reject"},  {5, "Terminate-Request"}, {6, "Terminate-Ack"},
                                    {7, "Code-Reject"}};
constexpr Name kLcpCodes[] = {{8, "Protocol-Reject"},  {9, "Echo-Request"},    {10, "Echo-Reply"},
                              {11, "Discard-Request"}, {12, "Identification"}, {13, "Time-Remaining"}};
constexpr Name kCcpCodes[] = {{14, "Reset-Request"}, {15, "Reset-Ack"}};
constexpr Name kPapCodes[] = {{1, "Authenticate-Request"}, {2, "Authenticate-Ack"}, {3, "Authenticate-Nak"}};
constexpr Name kChapCodes[] = {{1, "Challenge"}, {2, "Response"}, {3, "Success"}, {4, "Failure"}};

const char* codeName(unsigned protocol, unsigned code) {
    if (protocol == kPap) return nameOf(kPapCodes, code);
    if (protocol == kChap) return nameOf(kChapCodes, code);
    if (const char* name = nameOf(kConfigureCodes, code)) return name;
    if (protocol == kLcp) return nameOf(kLcpCodes, code);
    if (protocol == kCcp) return nameOf(kCcpCodes, code);
    return nullptr;
}

uint32_t longOf(const uint8_t* b) {
    return static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 | static_cast<uint32_t>(b[2]) << 8 |
           b[3];
}
unsigned shortOf(const uint8_t* b) { return static_cast<unsigned>(b[0] << 8 | b[1]); }

void optionText(char* out, size_t size, unsigned protocol, unsigned type, unsigned length, const uint8_t* v) {
    unsigned data = length - 2;
    if (protocol == kLcp) {
        if (type == 1 && data == 2) { formatText(out, size, "MRU=%u", shortOf(v)); return; }
        if (type == 2 && data == 4) { formatText(out, size, "ACCM=0x%08X", longOf(v)); return; }
        if (type == 3 && data == 2) { formatText(out, size, "auth=0x%04X", shortOf(v)); return; }
        if (type == 3 && data == 3) { formatText(out, size, "auth=0x%04X/%u", shortOf(v), v[2]); return; }
        if (type == 5 && data == 4) { formatText(out, size, "magic=0x%08X", longOf(v)); return; }
        if (type == 7 && data == 0) { formatText(out, size, "PFC"); return; }
        if (type == 8 && data == 0) { formatText(out, size, "ACFC"); return; }
    } else if (protocol == kIpcp) {
        if (type == 2 && data >= 2) { formatText(out, size, "compression=0x%04X", shortOf(v)); return; }
        const char* word = type == 3     ? "address"
                           : type == 129 ? "primary-DNS"
                           : type == 130 ? "primary-NBNS"
                           : type == 131 ? "secondary-DNS"
                           : type == 132 ? "secondary-NBNS"
                                         : nullptr;
        if (word != nullptr && data == 4) {
            formatText(out, size, "%s=%u.%u.%u.%u", word, v[0], v[1], v[2], v[3]);
            return;
        }
    } else if (protocol == kIpv6cp) {
        if (type == 1 && data == 8) {
            formatText(out, size, "interface-id=%04x:%04x:%04x:%04x", shortOf(v), shortOf(v + 2), shortOf(v + 4),
                          shortOf(v + 6));
            return;
        }
    }
    formatText(out, size, "type=%u len=%u", type, length);
}
}  // namespace

Step decodePppControl(HexCursor cursor) {
    unsigned protocol = state.pppProtocol;
    const char* protocolName = pppProtocolName(protocol);
    Region region(cursor, state.dataLeft, kLengthDoesNotFit);
    unsigned code = region.byte();
    unsigned identifier = region.byte();
    unsigned length = region.shortValue();
    if (region.overrun()) return ranPast(region);
    if (length < kHeaderLength || static_cast<int32_t>(length - kHeaderLength) > state.dataLeft) {
        putText(kLengthDoesNotFit);
        return giveUp();
    }
    const char* name = codeName(protocol, code);
    Form form = displayForm();
    if (form == Form::verbose) {
        putFormat("%s Header\n", protocolName);
        putField("Code:", "%u (%s)", code, name != nullptr ? name : "<unknown>");
        putField("Identifier:", "%u", identifier);
        putField("Length:", "%u bytes", length);
    } else if (form == Form::terse) {
        putTersePrefix(protocolName);
        if (name != nullptr)
            putFormat("code=%s id=%u len=%u\n", name, identifier, length);
        else
            putFormat("code=%u id=%u len=%u\n", code, identifier, length);
    }
    // The bytes after the message are the frame's fill.
    state.dataLeft = static_cast<int32_t>(length - kHeaderLength);
    Region message(cursor, state.dataLeft, kOptionRunsPast);
    bool hasOptions = protocol != kPap && protocol != kChap && code >= 1 && code <= 4;
    if (hasOptions) {
        uint8_t value[kOptionBytesKept];
        char text[64];
        for (int n = 0; message.left() > 0; ++n) {
            if (n == kMaxOptions) {
                if (form != Form::oneLine) putText(kRestNotShown);
                break;
            }
            unsigned type = message.byte();
            unsigned optionLength = message.byte();
            if (message.overrun()) return ranPast(message);
            if (optionLength < 2 || static_cast<int32_t>(optionLength - 2) > message.left()) {
                putText(kOptionRunsPast);
                return giveUp();
            }
            int data = static_cast<int>(optionLength) - 2;
            int kept = data < kOptionBytesKept ? data : kOptionBytesKept;
            message.bytes(value, kept);
            message.skip(data - kept);
            optionText(text, sizeof text, protocol, type, optionLength, value);
            if (form == Form::verbose)
                putField("Option:", "%s", text);
            else if (form == Form::terse)
                putFormat("\t%s\n", text);
        }
    } else if (protocol == kLcp && code >= 9 && code <= 11 && length >= 8) {
        uint32_t magic = message.longValue();
        if (form == Form::verbose)
            putField("Magic Number:", "0x%08X", magic);
        else if (form == Form::terse)
            putFormat("\tmagic=%08X\n", magic);
    } else if (protocol == kLcp && code == 8 && length >= 6) {
        unsigned rejected = message.shortValue();
        if (form == Form::verbose)
            putField("Rejected Protocol:", "0x%04X", rejected);
        else if (form == Form::terse)
            putFormat("\trejected=%04X\n", rejected);
    }
    if (form == Form::oneLine)
        putFormat("%s -> %s %s %s id %u\n", oneLineSource(), oneLineDestination(), protocolName,
                  name != nullptr ? name : "<unknown>", identifier);
    return dataFollows(cursor, protocolName);
}
