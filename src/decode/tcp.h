#pragma once

#include "input/hex_readers.h"

// Decodes a TCP header; returns the cursor on the first data byte.
HexCursor decodeTcp(HexCursor cursor);
