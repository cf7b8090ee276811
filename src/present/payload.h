#pragma once

#include "input/hex_readers.h"

// Shows the dataLeft bytes of application data as text wrapped to the page
// width, under the verbose heading "<label> Data"; returns the cursor just
// past the last byte consumed.
HexCursor showData(HexCursor cursor, const char* label);
