#pragma once

// Routes the packet's bytes to its decoders (by link-layer type, then by IPv4
// protocol), runs the spurious-data tail and discards the rest of the packet.
void dispatchPacket();
