
#include "common/display.h"
#include "common/name_table.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "decode/field_texts.h"
#include "decode/protocol_table.h"
#include "decode/shared_fields.h"

// OSPF version 2 (RFC 2328, IPv4) and version 3 (RFC 5340, IPv6): the common
// header, then the fixed fields of the message type and its list
// (neighbours, requests, LSA headers). What the packet length leaves in the
// datagram (an authentication trailer, LLS) is data.
namespace {
constexpr int kHeaderLength2 = 24;
constexpr int kHeaderLength3 = 16;
constexpr int kLsaHeaderLength = 20;
constexpr int kRequestLength = 12;
constexpr int kMaxItems = 64;
constexpr unsigned kHello = 1, kDbDescription = 2, kLsRequest = 3, kLsUpdate = 4, kLsAck = 5;
constexpr unsigned kAuthSimple = 1, kAuthCryptographic = 2;

constexpr Name kMessageTypes[] = {{kHello, "Hello"}, {kDbDescription, "DB Description"}, {kLsRequest, "LS Request"},
                                  {kLsUpdate, "LS Update"}, {kLsAck, "LS Acknowledgment"}};
constexpr Name kAuthTypes[] = {{0, "none"}, {kAuthSimple, "simple"}, {kAuthCryptographic, "cryptographic"}};

const char kLengthNotice[] = "\t<*** OSPF packet length does not fit the datagram ***>\n";
const char kShortNotice[] = "\t<*** OSPF packet shorter than its fixed fields ***>\n";
const char kLsaNotice[] = "\t<*** LSA runs past the end of the packet ***>\n";

struct Address {
    char text[16];
};

Address addressOf(uint32_t value) {
    Address a;
    formatText(a.text, sizeof a.text, "%u.%u.%u.%u", value >> 24, (value >> 16) & 0xFF, (value >> 8) & 0xFF,
                  value & 0xFF);
    return a;
}

Address getAddress(HexCursor& cursor) { return addressOf(getLong(cursor)); }

struct OspfHeader {
    unsigned version, type, length;
    Address router, area;
    unsigned checksum;
    unsigned authType;   // v2
    uint8_t auth[8];
    unsigned instance;   // v3
};

void showHeader(const OspfHeader& h) {
    NumberText number;
    const char* type = nameOrNumber(kMessageTypes, h.type, number);
    switch (displayForm()) {
    case Form::oneLine:
        putFormat("%s -> %s OSPFv%u %s\n", state.srcHostText, state.dstHostText, h.version, type);
        break;
    case Form::terse:
        putFormat("OSPF:\tv%u %s len=%u router=%s area=%s cksum=%04X", h.version, type, h.length, h.router.text,
                  h.area.text, h.checksum);
        if (h.version == 2) putFormat(" auth=%u\n", h.authType);
        else putFormat(" instance=%u\n", h.instance);
        break;
    case Form::verbose: {
        putText("OSPF Header\n");
        putField("Version:", "%u", h.version);
        putField("Message Type:", "%u (%s)", h.type, nameOr(kMessageTypes, h.type, "<unknown>"));
        putField("Packet Length:", "%u bytes", h.length);
        putField("Router ID:", "%s", h.router.text);
        putField("Area ID:", "%s", h.area.text);
        putField("Checksum:", "0x%04X", h.checksum);
        if (h.version == 3) {
            putField("Instance ID:", "%u", h.instance);
            break;
        }
        putField("Auth Type:", "%u (%s)", h.authType, nameOr(kAuthTypes, h.authType, "<unknown>"));
        if (h.authType == kAuthSimple) {
            char text[kFieldTextSize];
            printableText(text, h.auth, sizeof h.auth, true);
            putField("Auth Data:", "%s", text);
        } else if (h.authType == kAuthCryptographic) {
            unsigned sequence = static_cast<unsigned>(h.auth[4] << 24 | h.auth[5] << 16 | h.auth[6] << 8 | h.auth[7]);
            putField("Auth Data:", "key=%u len=%u seq=%u", h.auth[2], h.auth[3], sequence);
        } else if (h.authType != 0) {
            char text[kFieldHexSize];
            hexBytesText(text, h.auth, sizeof h.auth);
            putField("Auth Data:", "%s", text);
        }
        break;
    }
    }
}

// A list item, in the verbose form under `label`, terse as "\t<key><text>".
void showItem(const char* label, const char* terseKey, const char* text) {
    if (displayForm() == Form::verbose) putField(label, "%s", text);
    else if (displayForm() == Form::terse) putFormat("\t%s%s\n", terseKey, text);
}

void showRestNotDisplayed() {
    if (displayForm() != Form::oneLine) putText("\t<Rest of header not displayed>\n");
}

struct Lsa {
    unsigned age, type, length, checksum;
    Address id, adv;
    uint32_t sequence;
};

Lsa getLsaHeader(HexCursor& cursor, unsigned version) {
    Lsa lsa;
    lsa.age = getShort(cursor);
    if (version == 2) {
        getByte(cursor);   // options
        lsa.type = getByte(cursor);
    } else {
        lsa.type = getShort(cursor);
    }
    lsa.id = getAddress(cursor);
    lsa.adv = getAddress(cursor);
    lsa.sequence = getLong(cursor);
    lsa.checksum = getShort(cursor);
    lsa.length = getShort(cursor);
    return lsa;
}

void showLsa(const Lsa& lsa, unsigned version) {
    char text[128];
    formatText(text, sizeof text,
                  version == 2 ? "age=%u type=%u id=%s adv=%s seq=0x%08X cksum=0x%04X len=%u"
                               : "age=%u type=0x%04X id=%s adv=%s seq=0x%08X cksum=0x%04X len=%u",
                  lsa.age, lsa.type, lsa.id.text, lsa.adv.text, lsa.sequence, lsa.checksum, lsa.length);
    showItem("LSA:", "lsa ", text);
}

// LSA headers to the end of the body (database description, acknowledgment).
void walkLsaHeaders(HexCursor& cursor, int& left, unsigned version) {
    for (int n = 0; left >= kLsaHeaderLength; ++n) {
        if (n == kMaxItems) {
            showRestNotDisplayed();
            return;
        }
        showLsa(getLsaHeader(cursor, version), version);
        left -= kLsaHeaderLength;
        state.dataLeft -= kLsaHeaderLength;
    }
}

bool walkHello(HexCursor& cursor, int& left, unsigned version) {
    constexpr int kFixed = 20;
    if (left < kFixed) return false;
    char first[24];
    unsigned hello, options, priority, dead;
    if (version == 2) {
        Address mask = getAddress(cursor);
        formatText(first, sizeof first, "%s", mask.text);
        hello = getShort(cursor);
        options = getByte(cursor);
        priority = getByte(cursor);
        dead = getLong(cursor);
    } else {
        formatText(first, sizeof first, "%u", getLong(cursor));
        uint32_t word = getLong(cursor);
        priority = word >> 24;
        options = word & 0x00FFFFFF;
        hello = getShort(cursor);
        dead = getShort(cursor);
    }
    Address dr = getAddress(cursor), bdr = getAddress(cursor);
    left -= kFixed;
    state.dataLeft -= kFixed;
    if (displayForm() == Form::verbose) {
        putField(version == 2 ? "Network Mask:" : "Interface ID:", "%s", first);
        putField("Hello Interval:", "%u s", hello);
        putField("Options:", version == 2 ? "0x%02X" : "0x%06X", options);
        putField("Router Priority:", "%u", priority);
        putField("Dead Interval:", "%u s", dead);
        putField("Designated Router:", "%s", dr.text);
        putField("Backup Designated Router:", "%s", bdr.text);
    } else if (displayForm() == Form::terse) {
        putFormat("\t%s=%s hello=%u opts=%X prio=%u dead=%u dr=%s bdr=%s\n", version == 2 ? "mask" : "iface", first,
                  hello, options, priority, dead, dr.text, bdr.text);
    }
    for (int n = 0; left >= 4; ++n) {
        if (n == kMaxItems) {
            showRestNotDisplayed();
            break;
        }
        showItem("Neighbor:", "neighbor=", getAddress(cursor).text);
        left -= 4;
        state.dataLeft -= 4;
    }
    return true;
}

bool walkDbDescription(HexCursor& cursor, int& left, unsigned version) {
    int fixed = version == 2 ? 8 : 12;
    if (left < fixed) return false;
    unsigned mtu, options, flags;
    if (version == 2) {
        mtu = getShort(cursor);
        options = getByte(cursor);
        flags = getByte(cursor);
    } else {
        options = getLong(cursor) & 0x00FFFFFF;
        mtu = getShort(cursor);
        getByte(cursor);
        flags = getByte(cursor);
    }
    uint32_t sequence = getLong(cursor);
    left -= fixed;
    state.dataLeft -= fixed;
    if (displayForm() == Form::verbose) {
        putField("Interface MTU:", "%u", mtu);
        putField("Options:", version == 2 ? "0x%02X" : "0x%06X", options);
        putField("DB Flags:", "0x%02X (I=%s M=%s MS=%s)", flags, flagText(flags & 0x04), flagText(flags & 0x02),
                 lastFlagText(flags & 0x01));
        putField("DD Sequence:", "%u", sequence);
    } else if (displayForm() == Form::terse) {
        putFormat("\tmtu=%u opts=%X flags=%02X seq=%u\n", mtu, options, flags, sequence);
    }
    walkLsaHeaders(cursor, left, version);
    return true;
}

void walkLsRequest(HexCursor& cursor, int& left, unsigned version) {
    for (int n = 0; left >= kRequestLength; ++n) {
        if (n == kMaxItems) {
            showRestNotDisplayed();
            return;
        }
        unsigned type = version == 2 ? getLong(cursor) : getLong(cursor) & 0xFFFF;
        Address id = getAddress(cursor), adv = getAddress(cursor);
        left -= kRequestLength;
        state.dataLeft -= kRequestLength;
        char text[64];
        formatText(text, sizeof text, "type=%u id=%s adv=%s", type, id.text, adv.text);
        showItem("Request:", "request ", text);
    }
}

// false after the LSA notice.
bool walkLsUpdate(HexCursor& cursor, int& left, unsigned version, bool& shortFixed) {
    if (left < 4) {
        shortFixed = true;
        return false;
    }
    uint32_t count = getLong(cursor);
    left -= 4;
    state.dataLeft -= 4;
    if (displayForm() == Form::verbose) putField("Number of LSAs:", "%u", count);
    else if (displayForm() == Form::terse) putFormat("\tlsas=%u\n", count);
    for (uint32_t n = 0; n < count && left > 0; ++n) {
        if (n == kMaxItems) {
            showRestNotDisplayed();
            return true;
        }
        if (left < kLsaHeaderLength) {
            putText(kLsaNotice);
            return false;
        }
        Lsa lsa = getLsaHeader(cursor, version);
        if (lsa.length < kLsaHeaderLength || static_cast<int>(lsa.length) > left) {
            putText(kLsaNotice);
            return false;
        }
        showLsa(lsa, version);
        skipBytes(cursor, static_cast<int>(lsa.length) - kLsaHeaderLength);
        left -= static_cast<int>(lsa.length);
        state.dataLeft -= static_cast<int>(lsa.length);
    }
    return true;
}
}  // namespace

Step decodeOspf(HexCursor cursor) {
    if (state.dataLeft < 1) {
        putText(kLengthNotice);
        return giveUp();
    }
    OspfHeader h{};
    h.version = getByte(cursor);
    if (h.version != 2 && h.version != 3) return undecoded(cursor);
    int headerLength = h.version == 2 ? kHeaderLength2 : kHeaderLength3;
    if (state.dataLeft < headerLength) {
        putText(kLengthNotice);
        return giveUp();
    }
    h.type = getByte(cursor);
    h.length = getShort(cursor);
    h.router = getAddress(cursor);
    h.area = getAddress(cursor);
    h.checksum = getShort(cursor);
    if (h.version == 2) {
        h.authType = getShort(cursor);
        for (uint8_t& byte : h.auth) byte = getByte(cursor);
    } else {
        h.instance = getByte(cursor);
        getByte(cursor);
    }
    if (static_cast<int>(h.length) < headerLength || static_cast<int>(h.length) > state.dataLeft) {
        showHeader(h);
        putText(kLengthNotice);
        return giveUp();
    }
    state.dataLeft -= headerLength;
    showHeader(h);

    int left = static_cast<int>(h.length) - headerLength;   // the body
    bool sound = true, shortFixed = false;
    switch (h.type) {
    case kHello:
        shortFixed = !walkHello(cursor, left, h.version);
        break;
    case kDbDescription:
        shortFixed = !walkDbDescription(cursor, left, h.version);
        break;
    case kLsRequest:
        walkLsRequest(cursor, left, h.version);
        break;
    case kLsUpdate:
        sound = walkLsUpdate(cursor, left, h.version, shortFixed);
        break;
    case kLsAck:
        walkLsaHeaders(cursor, left, h.version);
        break;
    default:
        break;
    }
    if (shortFixed) {
        putText(kShortNotice);
        return giveUp();
    }
    if (!sound) return giveUp();
    return dataFollows(cursor, "OSPF");
}
