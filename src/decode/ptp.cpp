// PTP version 2 over Ethernet: the common header, then the timestamp (and
// requesting port) that the event and general messages carry.

#include "common/display.h"
#include "common/name_table.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/protocol_table.h"
#include "decode/shared_fields.h"
#include "decode/step.h"
#include "input/region.h"

namespace {
constexpr char kBelow34[] = "\t<*** PTP message length below 34 ***>\n";
constexpr char kExceedsFrame[] = "\t<*** PTP message length exceeds the frame ***>\n";
constexpr int kHeaderLength = 34;
constexpr int kTimestampLength = 10;
constexpr int kPortIdentityLength = 10;

constexpr Name kTypes[] = {{0, "Sync"},      {1, "Delay_Req"},  {2, "Pdelay_Req"},
                           {3, "Pdelay_Resp"}, {8, "Follow_Up"}, {9, "Delay_Resp"},
                           {10, "Pdelay_Resp_Follow_Up"}, {11, "Announce"}, {12, "Signaling"}, {13, "Management"}};

bool carriesTimestamp(unsigned type) { return type <= 3 || (type >= 8 && type <= 11); }
bool carriesRequestingPort(unsigned type) { return type == 3 || type == 9 || type == 10; }

uint64_t readLongLong(Region& region) {
    uint64_t high = region.longValue();
    return high << 32 | region.longValue();
}

// The correction field, in ns times 2^16: "-2 ns + 32768/65536".
struct CorrectionText {
    char text[48];
};
CorrectionText correctionText(uint64_t raw) {
    CorrectionText out;
    long long nanoseconds = static_cast<long long>(raw) >> 16;
    unsigned fraction = static_cast<unsigned>(raw & 0xFFFF);
    if (fraction != 0)
        formatText(out.text, sizeof out.text, "%lld ns + %u/65536", nanoseconds, fraction);
    else
        formatText(out.text, sizeof out.text, "%lld ns", nanoseconds);
    return out;
}
}  // namespace

Step decodePtp(HexCursor cursor) {
    Region frame(cursor, state.dataLeft, kExceedsFrame);
    unsigned first = frame.byte();
    unsigned second = frame.byte();
    unsigned length = frame.shortValue();
    if (frame.overrun()) return ranPast(frame);
    unsigned transport = first >> 4, type = first & 0x0F;
    unsigned minor = second >> 4, version = second & 0x0F;
    if (version != 2) return noDecoderFollows(cursor);
    if (length < kHeaderLength) {
        putText(kBelow34);
        return giveUp();
    }
    if (static_cast<int32_t>(length) - 4 > frame.left()) {
        putText(kExceedsFrame);
        return giveUp();
    }
    unsigned domain = frame.byte();
    frame.skip(1);
    unsigned flags = frame.shortValue();
    uint64_t correction = readLongLong(frame);
    frame.skip(4);
    uint64_t clock = readLongLong(frame);
    unsigned port = frame.shortValue();
    unsigned sequence = frame.shortValue();
    unsigned control = frame.byte();
    int interval = static_cast<int8_t>(frame.byte());
    if (frame.overrun()) return ranPast(frame);
    // The bytes after the message are the frame's fill.
    state.dataLeft = static_cast<int32_t>(length) - kHeaderLength;
    Region body(cursor, state.dataLeft, kExceedsFrame);
    bool hasTimestamp = carriesTimestamp(type) && body.left() >= kTimestampLength;
    uint64_t seconds = 0;
    unsigned nanoseconds = 0;
    if (hasTimestamp) {
        seconds = static_cast<uint64_t>(body.shortValue()) << 32;
        seconds |= body.longValue();
        nanoseconds = body.longValue();
    }
    bool hasRequesting = hasTimestamp && carriesRequestingPort(type) && body.left() >= kPortIdentityLength;
    uint64_t requestingClock = 0;
    unsigned requestingPort = 0;
    if (hasRequesting) {
        requestingClock = readLongLong(body);
        requestingPort = body.shortValue();
    }
    const char* name = nameOf(kTypes, type);
    Form form = displayForm();
    if (form == Form::verbose) {
        putText("PTP Header\n");
        putField("Transport Specific:", "%u", transport);
        putField("Message Type:", "%u (%s)", type, name != nullptr ? name : "<unknown>");
        putField("Version:", "2.%u", minor);
        putField("Message Length:", "%u bytes", length);
        putField("Domain Number:", "%u", domain);
        putField("Flags:", "0x%04X", flags);
        putField("Correction Field:", "%s", correctionText(correction).text);
        putField("Clock Identity:", "0x%016llX", static_cast<unsigned long long>(clock));
        putField("Source Port ID:", "%u", port);
        putField("Sequence ID:", "%u", sequence);
        putField("Control Field:", "%u", control);
        putField("Log Message Interval:", "%d", interval);
        if (hasTimestamp)
            putField("Timestamp:", "%llu.%09u", static_cast<unsigned long long>(seconds), nanoseconds);
        if (hasRequesting)
            putField("Requesting Port Identity:", "0x%016llX/%u", static_cast<unsigned long long>(requestingClock),
                     requestingPort);
    } else if (form == Form::terse) {
        putTersePrefix("PTP");
        if (name != nullptr)
            putFormat("v=2.%u type=%s len=%u domain=%u flags=%04X seq=%u\n", minor, name, length, domain, flags,
                      sequence);
        else
            putFormat("v=2.%u type=%u len=%u domain=%u flags=%04X seq=%u\n", minor, type, length, domain, flags,
                      sequence);
        putFormat("\tclock=%016llX port=%u corr=%s ctrl=%u interval=%d\n", static_cast<unsigned long long>(clock), port,
                  correctionText(correction).text, control, interval);
        if (hasTimestamp) putFormat("\ttimestamp=%llu.%09u\n", static_cast<unsigned long long>(seconds), nanoseconds);
        if (hasRequesting)
            putFormat("\trequesting=%016llX/%u\n", static_cast<unsigned long long>(requestingClock), requestingPort);
    } else {
        if (name != nullptr)
            putFormat("%s -> %s PTPv2 %s seq %u\n", oneLineSource(), oneLineDestination(), name, sequence);
        else
            putFormat("%s -> %s PTPv2 %u seq %u\n", oneLineSource(), oneLineDestination(), type, sequence);
    }
    return dataFollows(cursor, "PTP");
}
