// EAPOL (802.1X) and the EAP packet it carries.

#include "common/display.h"
#include "common/name_table.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/protocol_table.h"
#include "decode/shared_fields.h"
#include "decode/step.h"
#include "input/region.h"

namespace {
constexpr char kExceedsFrame[] = "\t<*** EAPOL length exceeds the frame ***>\n";
constexpr char kEapDoesNotFit[] = "\t<*** EAP length does not fit the EAPOL body ***>\n";
constexpr int kEapHeaderLength = 4;
constexpr unsigned kTypeEapPacket = 0, kTypeKey = 3;

constexpr Name kEapolTypes[] = {{0, "EAP-Packet"}, {1, "Start"}, {2, "Logoff"}, {3, "Key"}, {4, "ASF-Alert"}, {5, "MKA"}};
constexpr Name kDescriptors[] = {{1, "RC4"}, {2, "RSN"}, {254, "WPA"}};
constexpr Name kCodes[] = {{1, "Request"}, {2, "Response"}, {3, "Success"},
                           {4, "Failure"}, {5, "Initiate"}, {6, "Finish"}};
constexpr Name kEapTypes[] = {{1, "Identity"}, {2, "Notification"}, {3, "Nak"},    {4, "MD5-Challenge"}, {5, "OTP"},
                              {6, "GTC"},      {13, "TLS"},         {17, "LEAP"},  {18, "SIM"},          {21, "TTLS"},
                              {23, "AKA"},     {25, "PEAP"},        {26, "MSCHAPv2"}, {43, "FAST"},      {50, "AKA'"},
                              {254, "Expanded"}};

const char* named(NameTable table, unsigned value) { return nameOr(table, value, "<unknown>"); }

// The terse form's name, or the number.
template <size_t N>
void putNameOrNumber(const Name (&table)[N], unsigned value) {
    const char* name = nameOf(table, value);
    if (name != nullptr)
        putText(name);
    else
        putFormat("%u", value);
}
}  // namespace

Step decodeEapol(HexCursor cursor) {
    Region frame(cursor, state.dataLeft, kExceedsFrame);
    unsigned version = frame.byte();
    unsigned type = frame.byte();
    unsigned length = frame.shortValue();
    if (frame.overrun()) return ranPast(frame);
    if (static_cast<int32_t>(length) > frame.left()) {
        putText(kExceedsFrame);
        return giveUp();
    }
    // The bytes after the body are the frame's fill.
    state.dataLeft = static_cast<int32_t>(length);
    Region body(cursor, state.dataLeft, kExceedsFrame);
    bool hasDescriptor = type == kTypeKey && length >= 1;
    unsigned descriptor = hasDescriptor ? body.byte() : 0;
    bool hasEap = type == kTypeEapPacket && length >= kEapHeaderLength;
    unsigned code = 0, identifier = 0, eapLength = 0, eapType = 0;
    bool hasEapType = false;
    if (hasEap) {
        code = body.byte();
        identifier = body.byte();
        eapLength = body.shortValue();
    }
    if (body.overrun()) return ranPast(body);

    Form form = displayForm();
    if (form == Form::verbose) {
        putText("EAPOL Header\n");
        putField("Version:", "%u", version);
        putField("Type:", "%u (%s)", type, named(kEapolTypes, type));
        putField("Length:", "%u bytes", length);
        if (hasDescriptor) putField("Key Descriptor Type:", "%u (%s)", descriptor, named(kDescriptors, descriptor));
    } else if (form == Form::terse) {
        putTersePrefix("EAPOL");
        putFormat("v=%u type=", version);
        putNameOrNumber(kEapolTypes, type);
        putFormat(" len=%u", length);
        if (hasDescriptor) putFormat(" desc=%u", descriptor);
        putChar('\n');
    }
    if (!hasEap) {
        if (form == Form::oneLine) {
            putFormat("%s -> %s EAPOL ", oneLineSource(), oneLineDestination());
            putNameOrNumber(kEapolTypes, type);
            putChar('\n');
        }
        return dataFollows(cursor, "EAPOL");
    }
    if (eapLength < kEapHeaderLength || eapLength > length) {
        putText(kEapDoesNotFit);
        return giveUp();
    }
    if ((code == 1 || code == 2) && eapLength >= kEapHeaderLength + 1) {
        hasEapType = true;
        eapType = body.byte();
    }
    if (form == Form::verbose) {
        putText("EAP Header\n");
        putField("Code:", "%u (%s)", code, named(kCodes, code));
        putField("Identifier:", "%u", identifier);
        putField("Length:", "%u bytes", eapLength);
        if (hasEapType) putField("Type:", "%u (%s)", eapType, named(kEapTypes, eapType));
    } else if (form == Form::terse) {
        putTersePrefix("EAP");
        putText("code=");
        putNameOrNumber(kCodes, code);
        putFormat(" id=%u len=%u", identifier, eapLength);
        if (hasEapType) {
            putText(" type=");
            putNameOrNumber(kEapTypes, eapType);
        }
        putChar('\n');
    } else {
        putFormat("%s -> %s EAP ", oneLineSource(), oneLineDestination());
        putNameOrNumber(kCodes, code);
        putFormat(" id %u", identifier);
        if (hasEapType) {
            putChar(' ');
            putNameOrNumber(kEapTypes, eapType);
        }
        putChar('\n');
    }
    // What the EAP length leaves is data; the rest of the EAPOL body too is
    // not EAP's, but tshark and tcpdump leave it unread: it is the fill.
    state.dataLeft = static_cast<int32_t>(eapLength) - kEapHeaderLength - (hasEapType ? 1 : 0);
    return dataFollows(cursor, "EAP");
}
