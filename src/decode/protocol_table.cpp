#include "decode/protocol_table.h"

#include <array>

#include "common/options.h"
#include "common/protocol_numbers.h"

namespace {
constexpr LinkType kLinkTypes[] = {
    {kEtherTypeIp, "IP", decodeIp, Layer::ip, false},
    {kEtherTypeArp, "ARP", decodeArp, Layer::leaf, false},
    {kEtherTypeRarp, "RARP", decodeArp, Layer::leaf, false},
    {kEtherTypeIpv6, nullptr, decodeIpv6, Layer::ip, true},
    {kEtherTypeVlan, nullptr, decodeVlanTag, Layer::link, true},
    {kEtherTypeQinQ, nullptr, decodeVlanTag, Layer::link, true},
    {kEtherTypeVlan9100, nullptr, decodeVlanTag, Layer::link, true},
    {kEtherTypeVlan9200, nullptr, decodeVlanTag, Layer::link, true},
    {kEtherTypeMplsUnicast, nullptr, decodeMpls, Layer::link, true},
    {kEtherTypeMplsMulticast, nullptr, decodeMpls, Layer::link, true},
    {kEtherTypePppoeDiscovery, nullptr, decodePppoeDiscovery, Layer::leaf, true},
    {kEtherTypePppoeSession, nullptr, decodePppoeSession, Layer::link, true},
    {kEtherTypePpp, nullptr, decodePpp, Layer::link, true},
    {kEtherTypeEapol, nullptr, decodeEapol, Layer::leaf, true},
    {kEtherTypeLldp, nullptr, decodeLldp, Layer::leaf, true},
    {kEtherTypeSlowProtocols, nullptr, decodeSlowProtocols, Layer::leaf, true},
    {kEtherTypePtp, nullptr, decodePtp, Layer::leaf, true},
};

// An 802.3 length in place of a type: the LLC header follows.
constexpr LinkType kLlcRow = {0, nullptr, decodeLlc, Layer::link, true};

constexpr LlcSap kLlcSaps[] = {
    {0x42, decodeStp, Layer::leaf},
    {0xFE, decodeIsis, Layer::leaf},
};

constexpr PppProtocol kPppProtocols[] = {
    {0x0021, "IPv4", decodeIp, Layer::ip},
    {0x0057, "IPv6", decodeIpv6, Layer::ip},
    {0xC021, "LCP", decodePppControl, Layer::leaf},
    {0x8021, "IPCP", decodePppControl, Layer::leaf},
    {0x8057, "IPV6CP", decodePppControl, Layer::leaf},
    {0x80FD, "CCP", decodePppControl, Layer::leaf},
    {0xC023, "PAP", decodePppControl, Layer::leaf},
    {0xC223, "CHAP", decodePppControl, Layer::leaf},
};

constexpr IpProtocol kIpProtocols[] = {
    {kIpProtoHopByHop, "IP", "HOPOPT", nullptr, 0, Layer::leaf, false},
    {kIpProtoIcmp, "ICMP", nullptr, decodeIcmp, kOverIpv4, Layer::leaf, false},
    {kIpProtoIgmp, "IGMP", nullptr, decodeIgmp, kOverIpv4Extended, Layer::leaf, false},
    {3, "GGP", nullptr, nullptr, 0, Layer::leaf, false},
    {kIpProtoIpv4Encap, "IPENCAP", nullptr, decodeIp, kOverIpv4Extended | kOverIpv6, Layer::ip, false},
    {5, "ST", nullptr, nullptr, 0, Layer::leaf, false},
    {kIpProtoTcp, "TCP", nullptr, decodeTcp, kOverIpv4 | kOverIpv6, Layer::leaf, false},
    {8, "EGP", nullptr, nullptr, 0, Layer::leaf, false},
    {12, "PUP", nullptr, nullptr, 0, Layer::leaf, false},
    {kIpProtoUdp, "UDP", nullptr, decodeUdp, kOverIpv4 | kOverIpv6, Layer::leaf, false},
    {20, "HMP", nullptr, nullptr, 0, Layer::leaf, false},
    {22, "XNSIDP", nullptr, nullptr, 0, Layer::leaf, false},
    {27, "RDP", nullptr, nullptr, 0, Layer::leaf, false},
    {29, "ISOTP4", nullptr, nullptr, 0, Layer::leaf, false},
    {36, "XTP", nullptr, nullptr, 0, Layer::leaf, false},
    {39, "IDPRCMTP", nullptr, nullptr, 0, Layer::leaf, false},
    {kIpProtoIpv6, "IPv6", nullptr, decodeIpv6, kOverIpv4Extended | kOverIpv6, Layer::ip, true},
    {kIpProtoRouting, nullptr, "IPv6-Route", nullptr, 0, Layer::leaf, false},
    {kIpProtoFragment, nullptr, "IPv6-Frag", nullptr, 0, Layer::leaf, false},
    {46, "RSVP", nullptr, nullptr, 0, Layer::leaf, false},
    {50, nullptr, "ESP", nullptr, 0, Layer::leaf, false},
    {kIpProtoAuthentication, nullptr, "AH", nullptr, 0, Layer::leaf, false},
    {kIpProtoIcmpv6, nullptr, "ICMPv6", decodeIcmpv6, kOverIpv6, Layer::leaf, false},
    {kIpProtoNoNext, nullptr, "IPv6-NoNxt", nullptr, 0, Layer::leaf, false},
    {kIpProtoDestinationOptions, nullptr, "IPv6-Opts", nullptr, 0, Layer::leaf, false},
    {81, "VMTP", nullptr, nullptr, 0, Layer::leaf, false},
    {89, "OSPF", nullptr, nullptr, 0, Layer::leaf, false},
    {kIpProtoIpInIp, "IPIP", nullptr, decodeIp, kOverIpv4, Layer::ip, false},
    {98, "ENCAP", nullptr, nullptr, 0, Layer::leaf, false},
};

// Row indexes by number (-1: no row), so a lookup is one step.
template <size_t N>
constexpr std::array<int16_t, 256> indexByNumber(const IpProtocol (&rows)[N]) {
    std::array<int16_t, 256> index{};
    for (auto& entry : index) entry = -1;
    for (size_t i = 0; i < N; ++i) index[rows[i].number] = static_cast<int16_t>(i);
    return index;
}
constexpr std::array<int16_t, 256> kIpProtocolIndex = indexByNumber(kIpProtocols);
}  // namespace

const LinkType* linkType(int number) {
    for (const LinkType& row : kLinkTypes)
        if (row.number == number) return row.extendedOnly && !options.extended ? nullptr : &row;
    if (options.extended && number >= 0 && number <= kMaxIeee8023Length) return &kLlcRow;
    return nullptr;
}

const LlcSap* llcSap(unsigned sap) {
    for (const LlcSap& row : kLlcSaps)
        if (row.sap == sap) return &row;
    return nullptr;
}

const PppProtocol* pppProtocol(unsigned number) {
    for (const PppProtocol& row : kPppProtocols)
        if (row.number == number) return &row;
    return nullptr;
}

const char* pppProtocolName(unsigned number) {
    const PppProtocol* row = pppProtocol(number);
    return row != nullptr ? row->name : nullptr;
}

const IpProtocol* ipProtocol(uint8_t number) {
    int index = kIpProtocolIndex[number];
    return index < 0 ? nullptr : &kIpProtocols[index];
}

const char* protoName(unsigned protocol) {
    const IpProtocol* row = protocol < 256 ? ipProtocol(static_cast<uint8_t>(protocol)) : nullptr;
    if (row == nullptr || row->name == nullptr || (row->nameNeedsExtended && !options.extended)) return "<unknown>";
    return row->name;
}

const char* nextHeaderName(unsigned number) {
    const IpProtocol* row = number < 256 ? ipProtocol(static_cast<uint8_t>(number)) : nullptr;
    if (row == nullptr) return nullptr;
    return row->ipv6Name != nullptr ? row->ipv6Name : row->name;
}
