#pragma once

#include "input/hex_readers.h"

// Decodes a TCP header; returns the cursor on the first data byte, or nullptr
// when the packet was given up (a header longer than the datagram).
HexCursor decodeTcp(HexCursor cursor);
