#pragma once

#include <cstdint>

// Link-layer types, as the Ethernet type field (and ARP's protocol type) gives them.
constexpr int kEtherTypeIp = 0x0800;
constexpr int kEtherTypeArp = 0x0806;
constexpr int kEtherTypeRarp = 0x8035;
constexpr int kEtherTypeIpv6 = 0x86DD;

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
