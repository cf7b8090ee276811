#include "decode/protocol_table.h"

#include <array>

#include "common/options.h"
#include "common/protocol_numbers.h"

namespace {
constexpr LinkType kLinkTypes[] = {
    {kEtherTypeIp, "IP", nullptr, Inner::ipv4, false},
    {kEtherTypeArp, "ARP", decodeArp, Inner::none, false},
    {kEtherTypeRarp, "RARP", decodeArp, Inner::none, false},
    {kEtherTypeIpv6, nullptr, nullptr, Inner::ipv6, true},
};

constexpr IpProtocol kIpProtocols[] = {
    {kIpProtoHopByHop, "IP", "HOPOPT", nullptr, nullptr, 0, Inner::none, false},
    {kIpProtoIcmp, "ICMP", nullptr, "ICMP", decodeIcmp, kOverIpv4, Inner::none, false},
    {2, "IGMP", nullptr, nullptr, nullptr, 0, Inner::none, false},
    {3, "GGP", nullptr, nullptr, nullptr, 0, Inner::none, false},
    {kIpProtoIpv4Encap, "IPENCAP", nullptr, nullptr, nullptr, kOverIpv4Extended | kOverIpv6, Inner::ipv4, false},
    {5, "ST", nullptr, nullptr, nullptr, 0, Inner::none, false},
    {kIpProtoTcp, "TCP", nullptr, "TCP", decodeTcp, kOverIpv4 | kOverIpv6, Inner::none, false},
    {8, "EGP", nullptr, nullptr, nullptr, 0, Inner::none, false},
    {12, "PUP", nullptr, nullptr, nullptr, 0, Inner::none, false},
    {kIpProtoUdp, "UDP", nullptr, "UDP", decodeUdp, kOverIpv4 | kOverIpv6, Inner::none, false},
    {20, "HMP", nullptr, nullptr, nullptr, 0, Inner::none, false},
    {22, "XNSIDP", nullptr, nullptr, nullptr, 0, Inner::none, false},
    {27, "RDP", nullptr, nullptr, nullptr, 0, Inner::none, false},
    {29, "ISOTP4", nullptr, nullptr, nullptr, 0, Inner::none, false},
    {36, "XTP", nullptr, nullptr, nullptr, 0, Inner::none, false},
    {39, "IDPRCMTP", nullptr, nullptr, nullptr, 0, Inner::none, false},
    {kIpProtoIpv6, "IPv6", nullptr, nullptr, nullptr, kOverIpv4Extended | kOverIpv6, Inner::ipv6, true},
    {kIpProtoRouting, nullptr, "IPv6-Route", nullptr, nullptr, 0, Inner::none, false},
    {kIpProtoFragment, nullptr, "IPv6-Frag", "Fragment", nullptr, 0, Inner::none, false},
    {46, "RSVP", nullptr, nullptr, nullptr, 0, Inner::none, false},
    {50, nullptr, "ESP", nullptr, nullptr, 0, Inner::none, false},
    {kIpProtoAuthentication, nullptr, "AH", nullptr, nullptr, 0, Inner::none, false},
    {kIpProtoIcmpv6, nullptr, "ICMPv6", "ICMPv6", decodeIcmpv6, kOverIpv6, Inner::none, false},
    {kIpProtoNoNext, nullptr, "IPv6-NoNxt", nullptr, nullptr, 0, Inner::none, false},
    {kIpProtoDestinationOptions, nullptr, "IPv6-Opts", nullptr, nullptr, 0, Inner::none, false},
    {81, "VMTP", nullptr, nullptr, nullptr, 0, Inner::none, false},
    {89, "OSPF", nullptr, nullptr, nullptr, 0, Inner::none, false},
    {kIpProtoIpInIp, "IPIP", nullptr, nullptr, nullptr, kOverIpv4, Inner::ipv4, false},
    {98, "ENCAP", nullptr, nullptr, nullptr, 0, Inner::none, false},
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
    return nullptr;
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

const char* dataLabel(uint8_t protocol) {
    const IpProtocol* row = ipProtocol(protocol);
    return row != nullptr && row->dataLabel != nullptr ? row->dataLabel : "<unknown>";
}
