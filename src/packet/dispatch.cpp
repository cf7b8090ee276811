#include "packet/dispatch.h"

#include <cstdint>
#include <cstring>

#include "common/bounded_copy.h"
#include "common/char_classes.h"
#include "common/display.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/protocol_numbers.h"
#include "common/name_table.h"
#include "decode/protocol_table.h"
#include "input/line_reader.h"
#include "packet/header_line.h"
#include "present/payload.h"

namespace {
const char kNoDecode[] = "\t<*** No decode support for encapsulated protocol ***>\n";
const char kNoTunnelDecode[] = "\t<*** No decode support for encap protocol in IPIP packet ***>\n";
const char kTooDeep[] = "\t<*** More than 12 nested headers ***>\n";

// The chain's bounds: headers decoded after the frame's own link header, and
// IP headers reached through an IP protocol. Without -extended a tunnel is
// decoded one level deep (a tunnel inside it gets the IPIP no-decode line);
// with it, tunnels nest up to the header count.
constexpr int kMaxHeaders = 12;
constexpr int kMaxTunnelLevels = 1;
// The count of a frame whose header line gives no length: as good as no bound.
constexpr int32_t kUnknownFrameCount = INT32_MAX / 2;

void showSpurious(const char* digits) {
    putText("\t<*** Spurious data at end: \"");
    putText(digits);
    putText("\" ***>\n");
}

// What a packet holds after its decoded bytes: the rest of the current data
// text, or else the whole next one. Either way the packet then ends.
void spuriousDataTail(HexCursor cursor) {
    if (*cursor != '\0') {
        if (options.showSpurious) showSpurious(cursor);
    } else {
        const char* next = fetchLine();
        if (next == nullptr) return;   // the next packet has begun
        if (options.showSpurious) showSpurious(next);
    }
    skipPacket();
}

// -extended: an IP protocol without a decoder here. Its no-decode line names
// its number, and its bytes are shown as data, under its name or its number;
// the one-line form first names the datagram's addresses and the protocol.
HexCursor undecodedProtocol(const Step& step, bool inTunnel) {
    static char label[48];
    unsigned number = step.value;
    const char* name = state.ipVersion == 6 ? nextHeaderName(number) : protoName(number);
    if (name != nullptr && std::strcmp(name, "<unknown>") == 0) name = nullptr;
    if (displayForm() == Form::oneLine) {
        if (name != nullptr)
            putFormat("%s -> %s over %s\n", state.srcHostText, state.dstHostText, name);
        else
            putFormat("%s -> %s over protocol %u\n", state.srcHostText, state.dstHostText, number);
    }
    if (inTunnel)
        putFormat("\t<*** No decode support for encap protocol %u in IPIP packet ***>\n", number);
    else
        putFormat("\t<*** No decode support for encapsulated protocol %u ***>\n", number);
    if (name != nullptr)
        copyBounded(label, name);
    else
        formatText(label, sizeof label, "Protocol %u", number);
    return showData(step.cursor, label);
}

// A link type without a decoder: -extended names the type read last, its
// number or "802.3" (an untyped frame stays without one).
void showNoLinkDecode(unsigned etherType) {
    // Only the frame's own type (after its tags) is an EtherType here: the
    // link decoders hand on other numbers too (LLC, PPP protocols).
    bool frameType = etherType == static_cast<unsigned>(state.etherType) && state.ipHeaders == 0;
    if (options.extended && etherType != 0 && frameType)
        putFormat("\t<*** No decode support for encapsulated protocol 0x%04X ***>\n", etherType);
    else if (options.extended && state.ipHeaders == 0 && frameTypeIsLength())
        putText("\t<*** No decode support for encapsulated protocol 802.3 ***>\n");
    else
        putText(kNoDecode);
}

// The decoder and class of what a step hands on, or no decoder when there is
// no route for it here.
struct Route {
    Decoder decode;
    Layer layer;
};

Route routeOf(const Step& step) {
    if (step.next == Next::etherType || step.next == Next::greProtocol) {
        const LinkType* row = step.value > 0xFFFF               ? nullptr
                              : step.next == Next::greProtocol ? greProtocolType(static_cast<int>(step.value))
                                                                : linkType(static_cast<int>(step.value));
        if (row == nullptr) return {nullptr, Layer::leaf};
        return {row->decode, row->layer};
    }
    if (step.next == Next::llcSap) {
        const LlcSap* row = llcSap(step.value);
        if (row == nullptr) return {nullptr, Layer::leaf};
        return {row->decode, row->layer};
    }
    if (step.next == Next::pppProtocol) {
        const PppProtocol* row = pppProtocol(step.value);
        if (row == nullptr) return {nullptr, Layer::leaf};
        return {row->decode, row->layer};
    }
    const IpProtocol* row = ipProtocol(static_cast<uint8_t>(step.value));
    if (row == nullptr) return {nullptr, Layer::leaf};
    unsigned carriers = state.ipVersion == 6 ? kOverIpv6 : kOverIpv4 | (options.extended ? kOverIpv4Extended : 0u);
    if ((row->carriedBy & carriers) == 0) return {nullptr, Layer::leaf};
    return {row->decode, row->layer};
}

bool isIpHeader(Decoder decode) { return decode == decodeIp || decode == decodeIpv6; }

// The line for what has no decoder here. It names IP in IP when the IP header
// whose protocol it is was itself carried by IP. A link type without a
// decoder says nothing in the one-line form until an IP-class block has come.
void showNoDecode(const Step& step, bool ipCarriedByIp) {
    // A link type without a decoder says nothing in the one-line form,
    // unless an IP header was shown before it.
    if (step.next == Next::ipProtocol)
        putText(ipCarriedByIp ? kNoTunnelDecode : kNoDecode);
    else if (state.ipHeaders > 0 || displayForm() != Form::oneLine)
        showNoLinkDecode(step.value);
}

// Runs the chain from the frame's first step to its end: each decoder says
// what follows it, and the protocol table names the next decoder. nullptr
// when the packet is given up.
HexCursor runChain(Step step) {
    int headers = 0;
    int tunnelLevels = 0;
    bool ipCarriedByIp = false;   // the IP header decoded last was reached through an IP protocol
    bool reachedByIpProtocol = false;
    for (;;) {
        switch (step.next) {
        case Next::giveUp: return nullptr;
        case Next::end: return step.cursor;
        case Next::data: return showData(step.cursor, step.label);
        case Next::undecoded:
            // A decoder reached through an IP protocol speaks for that
            // protocol; any other says nothing in the one-line form unless
            // an IP header was shown before it.
            if (reachedByIpProtocol)
                putText(ipCarriedByIp ? kNoTunnelDecode : kNoDecode);
            else if (state.ipHeaders > 0 || displayForm() != Form::oneLine)
                putText(kNoDecode);
            return nullptr;
        case Next::etherType:
        case Next::ipProtocol:
        case Next::greProtocol:
        case Next::llcSap:
        case Next::pppProtocol: break;
        }
        Route route = routeOf(step);
        bool tunnel = step.next == Next::ipProtocol && route.layer == Layer::ip;
        if (tunnel && !options.extended && tunnelLevels == kMaxTunnelLevels) route.decode = nullptr;
        if (route.decode == nullptr) {
            if (options.extended && step.next == Next::ipProtocol) return undecodedProtocol(step, ipCarriedByIp);
            showNoDecode(step, ipCarriedByIp);
            return nullptr;
        }
        if (++headers > kMaxHeaders) {
            putText(kTooDeep);
            return nullptr;
        }
        if (tunnel) ++tunnelLevels;
        if (route.layer == Layer::ip) ++state.ipHeaders;
        if (isIpHeader(route.decode)) ipCarriedByIp = step.next == Next::ipProtocol;
        reachedByIpProtocol = step.next == Next::ipProtocol;
        step = route.decode(step.cursor);
    }
}

// tcpdump dumps the whole frame, link header included, when its own decoding
// was cut short: the dump then starts with the header line's addresses and
// outer type. Only the current text is looked at.
HexCursor skipWholeFrameHeader(HexCursor cursor) {
    const char* expected = state.frameStart;
    if (*expected == '\0') return cursor;
    for (int i = 0; i < 28; ++i)
        if (cursor[i] == '\0' || upperChar(cursor[i]) != expected[i]) return cursor;
    skipBytes(cursor, static_cast<int>(linkHeaderLength()));
    return cursor;
}

// Whether the outer frame's type is one of the classic ones, whose decoders
// keep their own counts.
bool classicType(int type) {
    return type == kEtherTypeIp || type == kEtherTypeIpv6 || type == kEtherTypeArp || type == kEtherTypeRarp;
}

// The frame's first step: its body by its link type.
Step frameBody(HexCursor cursor) {
    if (options.extended) {
        // Without a link header the first digit tells the IP version.
        if (options.pointToPoint) return followedByEtherType(cursor, *cursor == '6' ? kEtherTypeIpv6 : kEtherTypeIp);
        cursor = skipWholeFrameHeader(cursor);
        int type = state.etherType;
        // tcpdump's dump starts after the tags it prints (a type still a tag
        // is a tag it could not print), and PPP is taken from GRE only.
        if (type == kEtherTypeVlan || type == kEtherTypeQinQ || type == kEtherTypeVlan9100 ||
            type == kEtherTypeVlan9200 || type == kEtherTypePpp)
            return noDecoderFollows(cursor);
        // The link-layer protocols count the frame's bytes; unknown without a length.
        if (!classicType(type)) state.dataLeft = state.frameCount >= 0 ? state.frameCount : kUnknownFrameCount;
    }
    return followedByEtherType(cursor, static_cast<unsigned>(state.etherType));
}
}  // namespace

void dispatchPacket() {
    HexCursor cursor = fetchLine();
    if (cursor == nullptr) return;   // no data lines: the next packet has begun
    state.ipHeaders = 0;
    cursor = runChain(frameBody(cursor));
    // The dispatch alone gives a packet up: the rest of it is discarded.
    if (cursor == nullptr) {
        skipPacket();
        return;
    }
    spuriousDataTail(cursor);
}
