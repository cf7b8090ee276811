#pragma once

// Routes the packet's bytes to its decoders (by link-layer type, then by IP
// protocol, as the rows of decode/protocol_table say), runs the spurious-data
// tail and discards the rest of the packet. It alone gives a packet up.
void dispatchPacket();
