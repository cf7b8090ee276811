#pragma once

// The names of EtherTypes as tcpdump prints them, so that a type read from
// the dump (an inner frame, a tag, SNAP, GRE) is named as the header line
// names the outer one: "IPv4", "802.1Q", "MPLS unicast", "PPPoE S", ...;
// "802.3" for a length (1500 or less), "Unknown" for a type without a name.
const char* etherTypeName(unsigned type);
