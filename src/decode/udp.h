#pragma once

#include "input/hex_readers.h"

// Decodes a UDP header; returns the cursor on the first data byte, or nullptr
// when the packet was given up (length field disagrees with the IPv4 length).
HexCursor decodeUdp(HexCursor cursor);
