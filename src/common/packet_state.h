#pragma once

#include <cstdint>

// The state of the packet being decoded, shared by the line reader and the decoders.
struct PacketState {
    int32_t pktCount = 0;         // packets begun; the current packet's number
    bool sawHeader = false;       // the first header line has been read
    const char* curLine = nullptr;  // the text that the line reader produced last
    int etherType = 0;            // link-layer type from the header line
    unsigned linkLength = 0;      // frame length from the header line, 0 when absent
    uint8_t ipProto = 0;          // protocol of the IPv4 header decoded last
    int32_t dataLeft = 0;         // data bytes still expected in this packet, counted in full
    char srcHostText[256] = {};   // host name or dotted address of the IPv4 source
    char dstHostText[256] = {};   // the same for the destination
};

extern PacketState state;
