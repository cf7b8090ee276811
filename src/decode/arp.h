#pragma once

#include "input/hex_readers.h"

// Decodes the 28-byte ARP or RARP body (told apart by etherType); returns the
// cursor just past the target protocol address.
HexCursor decodeArp(HexCursor cursor);
