#include "decode/ip.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "common/bounded_copy.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/protocol_numbers.h"
#include "decode/shared_fields.h"
#include "present/names.h"

namespace {
char srcAddrText[16];
char dstAddrText[16];
}  // namespace

const char* protoName(unsigned protocol) {
    switch (protocol) {
    case 0: return "IP";
    case kIpProtoIcmp: return "ICMP";
    case 2: return "IGMP";
    case 3: return "GGP";
    case 4: return "IPENCAP";
    case 5: return "ST";
    case kIpProtoTcp: return "TCP";
    case 8: return "EGP";
    case 12: return "PUP";
    case kIpProtoUdp: return "UDP";
    case 20: return "HMP";
    case 22: return "XNSIDP";
    case 27: return "RDP";
    case 29: return "ISOTP4";
    case 36: return "XTP";
    case 39: return "IDPRCMTP";
    case 46: return "RSVP";
    case 81: return "VMTP";
    case 89: return "OSPF";
    case kIpProtoIpInIp: return "IPIP";
    case 98: return "ENCAP";
    default: return "<unknown>";
    }
}

HexCursor decodeIp(HexCursor cursor) {
    uint8_t versionAndLength = getByte(cursor);
    int version = versionAndLength >> 4;
    if (version != 4) {
        if (options.verbose)
            putFormat("IP Header\n\t<Not an IPv4 datagram (ver=%d)>\n", version);
        else
            putText("IP:\tnot v4\n");
        skipPacket();
        return nullptr;
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

    int headerLength = (versionAndLength & 0x0F) * 4;
    // A total length of 0 (as large segment offloads leave it, "BIG TCP"
    // frames of more than 64 KiB among them) is taken from the frame length
    // less the 14-byte Ethernet header. Counts are kept in full, so that a
    // datagram of more than 32 KiB never shows a negative or wrapped count.
    unsigned datagramLength = totalLength;
    if (totalLength == 0) datagramLength = state.linkLength >= 14 ? state.linkLength - 14 : 0;
    state.dataLeft = static_cast<int32_t>(std::min<unsigned>(datagramLength, INT32_MAX)) - headerLength;

    bool moreFragments = flags & 0x2000;
    bool dontFragment = flags & 0x4000;
    int fragmentOffset = flags & 0x1FFF;

    copyBounded(state.srcHostText, hostName(srcAddrText, true));
    copyBounded(state.dstHostText, hostName(dstAddrText, true));

    if (!options.noIp) {
        if (options.verbose) {
            putText("IP Header\n");
            putFormat("\tVersion:\t\t\t4\n\tHeader Length:\t\t\t%d bytes\n", headerLength);
            putFormat("\tService Type:\t\t\t0x%02X\n", serviceType);
            putFormat("\tDatagram Length:\t\t%u bytes\n", datagramLength);
            putFormat("\tIdentification:\t\t\t0x%04X\n", identification);
            putFormat("\tFlags:\t\t\t\tMF=%s DF=%s\n", flagText(moreFragments), lastFlagText(dontFragment));
            putFormat("\tFragment Offset:\t\t%d\n", fragmentOffset);
            putFormat("\tTTL:\t\t\t\t%d\n", timeToLive);
            putFormat("\tEncapsulated Protocol:\t\t%s\n", protoName(state.ipProto));
            putFormat("\tHeader Checksum:\t\t0x%04X\n", checksum);
            putFormat("\tSource IP Address:\t\t%s", srcAddrText);
            hostSuffix(srcAddrText);
            putFormat("\n\tDestination IP Address:\t\t%s", dstAddrText);
            hostSuffix(dstAddrText);
            putChar('\n');
        } else {
            putText("  IP:\t");
            putFormat("%s -> %s hlen=%d TOS=%02X dgramlen=%u id=%04X\n", state.srcHostText, state.dstHostText,
                      headerLength, serviceType, datagramLength, identification);
            putFormat("\tMF/DF=%s/%s frag=%d TTL=%d proto=%s cksum=%04X\n", moreFragments ? "1" : "0",
                      dontFragment ? "1" : "0", fragmentOffset, timeToLive, protoName(state.ipProto), checksum);
        }
    }

    skipOptions(cursor, headerLength, options.verbose && !options.noIp);
    return cursor;
}
