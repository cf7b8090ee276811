#pragma once

#include <cstdint>

// Link-layer types, as the Ethernet type field (and ARP's protocol type) gives them.
constexpr int kEtherTypeIp = 0x0800;
constexpr int kEtherTypeArp = 0x0806;
constexpr int kEtherTypeRarp = 0x8035;
constexpr int kEtherTypeIpv6 = 0x86DD;
// -extended: the link-layer protocols.
constexpr int kEtherTypeVlan = 0x8100;
constexpr int kEtherTypeQinQ = 0x88A8;
constexpr int kEtherTypeVlan9100 = 0x9100;
constexpr int kEtherTypeVlan9200 = 0x9200;
constexpr int kEtherTypeMplsUnicast = 0x8847;
constexpr int kEtherTypeMplsMulticast = 0x8848;
constexpr int kEtherTypePppoeDiscovery = 0x8863;
constexpr int kEtherTypePppoeSession = 0x8864;
constexpr int kEtherTypeEapol = 0x888E;
constexpr int kEtherTypeLldp = 0x88CC;
constexpr int kEtherTypeSlowProtocols = 0x8809;
constexpr int kEtherTypePtp = 0x88F7;
constexpr int kEtherTypePpp = 0x880B;           // PPP carried by GRE
constexpr int kMaxIeee8023Length = 1500;        // a type field up to this is an 802.3 length

// IP protocol numbers that have a decoder here.
constexpr uint8_t kIpProtoIcmp = 1;
constexpr uint8_t kIpProtoIgmp = 2;   // under -extended
constexpr uint8_t kIpProtoTcp = 6;
constexpr uint8_t kIpProtoUdp = 17;
constexpr uint8_t kIpProtoIpInIp = 94;

// IPv6 next-header numbers: the extension headers walked, and the rest decoded.
constexpr uint8_t kIpProtoHopByHop = 0;
constexpr uint8_t kIpProtoIpv4Encap = 4;
constexpr uint8_t kIpProtoIpv6 = 41;
constexpr uint8_t kIpProtoRouting = 43;
constexpr uint8_t kIpProtoFragment = 44;   // also ipProto of a later fragment
constexpr uint8_t kIpProtoAuthentication = 51;
constexpr uint8_t kIpProtoIcmpv6 = 58;
constexpr uint8_t kIpProtoNoNext = 59;
constexpr uint8_t kIpProtoDestinationOptions = 60;
