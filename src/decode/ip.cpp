#include "decode/protocol_table.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "common/bounded_copy.h"
#include "common/display.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/protocol_numbers.h"
#include "decode/option_list.h"
#include "decode/shared_fields.h"
#include "present/names.h"

namespace {
constexpr uint8_t kHeaderLengthMask = 0x0F;     // low nibble of byte 0, in 32-bit words
constexpr uint16_t kMoreFragments = 0x2000;
constexpr uint16_t kDontFragment = 0x4000;
constexpr uint16_t kFragmentOffsetMask = 0x1FFF;
constexpr unsigned kEthernetHeaderLength = 14;
constexpr int kFixedHeaderLength = 20;

char srcAddrText[16];
char dstAddrText[16];
}  // namespace

Step decodeIp(HexCursor cursor) {
    uint8_t versionAndLength = getByte(cursor);
    int version = versionAndLength >> 4;
    if (version != 4) {
        // Shown in every form, -noIp included; -verbose picks the long text.
        if (verboseOptionGiven())
            putFormat("IP Header\n\t<Not an IPv4 datagram (ver=%d)>\n", version);
        else
            putText("IP:\tnot v4\n");
        return giveUp();
    }

    uint8_t serviceType = getByte(cursor);
    uint16_t totalLength = getShort(cursor);
    uint16_t identification = getShort(cursor);
    uint16_t flags = getShort(cursor);
    uint8_t timeToLive = getByte(cursor);
    state.ipProto = getByte(cursor);
    uint16_t checksum = getShort(cursor);
    std::memcpy(srcAddrText, getIpAddr(cursor), sizeof srcAddrText);
    std::memcpy(dstAddrText, getIpAddr(cursor), sizeof dstAddrText);

    int headerLength = (versionAndLength & kHeaderLengthMask) * 4;
    // A total length of 0 (as large segment offloads leave it, "BIG TCP"
    // frames of more than 64 KiB among them) is taken from the frame length
    // less the link header: the Ethernet header, and under -extended the VLAN
    // tags too. Counts are kept in full, so that a datagram of more than
    // 32 KiB never shows a negative or wrapped count.
    unsigned linkHeader = options.extended ? linkHeaderLength() : kEthernetHeaderLength;
    unsigned datagramLength = totalLength;
    if (totalLength == 0) datagramLength = state.linkLength >= linkHeader ? state.linkLength - linkHeader : 0;
    // Under -extended the options are charged as they are read, so that a dump
    // ending inside them is reported as data missing.
    bool readOptions = options.extended && headerLength > kFixedHeaderLength;
    state.dataLeft = static_cast<int32_t>(std::min<unsigned>(datagramLength, INT32_MAX)) -
                     (readOptions ? kFixedHeaderLength : headerLength);

    bool moreFragments = flags & kMoreFragments;
    bool dontFragment = flags & kDontFragment;
    int fragmentOffset = flags & kFragmentOffsetMask;

    copyBounded(state.srcHostText, hostName(srcAddrText, true));
    copyBounded(state.dstHostText, hostName(dstAddrText, true));

    bool shown = !options.noIp;
    // -extended shows the number of a protocol without a name.
    bool unnamed = std::strcmp(protoName(state.ipProto), "<unknown>") == 0;
    if (shown && displayForm() == Form::verbose) {
        putText("IP Header\n");
        putField("Version:", "4");
        putField("Header Length:", "%d bytes", headerLength);
        putField("Service Type:", "0x%02X", serviceType);
        putField("Datagram Length:", "%u bytes", datagramLength);
        putField("Identification:", "0x%04X", identification);
        putField("Flags:", "MF=%s DF=%s", flagText(moreFragments), lastFlagText(dontFragment));
        putField("Fragment Offset:", "%d", fragmentOffset);
        putField("TTL:", "%d", timeToLive);
        if (options.extended && unnamed)
            putField("Encapsulated Protocol:", "%u (<unknown>)", state.ipProto);
        else
            putField("Encapsulated Protocol:", "%s", protoName(state.ipProto));
        putField("Header Checksum:", "0x%04X", checksum);
        putHostField("Source IP Address:", srcAddrText);
        putHostField("Destination IP Address:", dstAddrText);
    } else if (shown) {
        // "  IP:\t%s -> %s hlen=%d TOS=%02X dgramlen=%u id=%04X\n"
        // "\tMF/DF=%s/%s frag=%d TTL=%d proto=%s cksum=%04X\n", put together
        // without a format as it comes with nearly every packet.
        putTersePrefix("IP");
        putText(state.srcHostText);
        putText(" -> ");
        putText(state.dstHostText);
        putText(" hlen=");
        putSigned(headerLength);
        putText(" TOS=");
        putHex(serviceType, 2);
        putText(" dgramlen=");
        putUnsigned(datagramLength);
        putText(" id=");
        putHex(identification, 4);
        putText("\n\tMF/DF=");
        putText(moreFragments ? "1/" : "0/");
        putText(dontFragment ? "1" : "0");
        putText(" frag=");
        putSigned(fragmentOffset);
        putText(" TTL=");
        putSigned(timeToLive);
        putText(" proto=");
        if (options.extended && unnamed)
            putUnsigned(state.ipProto);
        else
            putText(protoName(state.ipProto));
        putText(" cksum=");
        putHex(checksum, 4);
        putChar('\n');
    }

    if (readOptions)
        readOptionArea(cursor, kIpOptionTable, headerLength, shown && displayForm() != Form::oneLine);
    else
        skipOptions(cursor, headerLength, shown && displayForm() == Form::verbose);
    state.ipVersion = 4;
    state.firstFragment = false;
    state.laterFragment = false;
    // A later fragment's bytes are data, never a transport header; in a first
    // fragment a UDP length covers the whole datagram, not this fragment.
    if (fragmentOffset != 0) {
        state.laterFragment = true;
        state.fragmentProto = state.ipProto;
        state.fragmentOffset = static_cast<unsigned>(fragmentOffset);
        state.ipProto = kIpProtoFragment;
        return laterFragmentData(cursor);
    }
    state.firstFragment = moreFragments;
    return followedByProtocol(cursor, state.ipProto);
}
