#pragma once

#include "input/hex_readers.h"

// Decodes an ICMP message; returns the cursor past the bytes it read, or
// nullptr when the packet was given up.
HexCursor decodeIcmp(HexCursor cursor);
