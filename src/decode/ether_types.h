#pragma once

// The names of EtherTypes as tcpdump prints them, so that a frame inside a
// tunnel and GRE's protocol type read as the outer frame does: "IPv4",
// "802.1Q", "TEB", ...; "802.3" for a length (1500 or less), "Unknown" for a
// type without a name.
const char* etherTypeName(unsigned type);
