#pragma once

// The packets of the input, one after another: for each, the separator and
// its number, the header line, then the dispatch to its decoders. Decodes
// until the end of input; never returns.
[[noreturn]] void packetLoop();
