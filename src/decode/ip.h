#pragma once

#include "input/hex_readers.h"

// Decodes an IPv4 header at the cursor; sets ipProto, dataLeft and the two
// host texts. Returns the cursor on the transport header, or nullptr when the
// packet is to be given up (not version 4).
HexCursor decodeIp(HexCursor cursor);
