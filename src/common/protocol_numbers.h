#pragma once

#include <cstdint>

// Link-layer types, as the Ethernet type field (and ARP's protocol type) gives them.
constexpr int kEtherTypeIp = 0x0800;
constexpr int kEtherTypeArp = 0x0806;
constexpr int kEtherTypeRarp = 0x8035;

// IPv4 protocol numbers that have a decoder here.
constexpr uint8_t kIpProtoIcmp = 1;
constexpr uint8_t kIpProtoTcp = 6;
constexpr uint8_t kIpProtoUdp = 17;
constexpr uint8_t kIpProtoIpInIp = 94;
