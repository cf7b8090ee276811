#include "decode/ether_types.h"

#include "common/name_table.h"

namespace {
constexpr unsigned kMaxLength = 1500;   // a value up to this is an 802.3 length, not a type

constexpr Name kEtherTypes[] = {
    {0x0800, "IPv4"},         {0x0806, "ARP"},          {0x8035, "Reverse ARP"},   {0x86DD, "IPv6"},
    {0x8100, "802.1Q"},       {0x88A8, "802.1Q-QinQ"},  {0x9100, "802.1Q-9100"},   {0x9200, "802.1Q-9200"},
    {0x8847, "MPLS unicast"}, {0x8848, "MPLS multicast"}, {0x8863, "PPPoE D"},     {0x8864, "PPPoE S"},
    {0x888E, "EAPOL"},        {0x88CC, "LLDP"},         {0x8809, "Slow Protocols"}, {0x88F7, "PTP"},
    {0x6558, "TEB"},          {0x880B, "PPP"},          {0x88BE, "ERSPAN"},        {0x22EB, "ERSPAN III"},
};
}  // namespace

const char* etherTypeName(unsigned type) {
    if (type <= kMaxLength) return "802.3";
    const char* name = nameOf(kEtherTypes, type);
    return name != nullptr ? name : "Unknown";
}
