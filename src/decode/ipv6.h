#pragma once

#include "input/hex_readers.h"

// Decodes an IPv6 fixed header and its extension headers (at most 8): sets
// ipVersion, dataLeft, the two host texts and ipProto, the upper layer's
// number (44 for a later fragment, whose bytes are data). A tunnelled header
// takes its count from the enclosing datagram, an outer one from the frame.
// Returns the cursor on the upper layer, or nullptr to give the packet up.
HexCursor decodeIpv6(HexCursor cursor, bool tunnelled);
