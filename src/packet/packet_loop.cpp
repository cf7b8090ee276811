#include "packet/packet_loop.h"

#include "common/output.h"
#include "common/packet_state.h"
#include "packet/dispatch.h"
#include "packet/header_line.h"
#include "input/line_reader.h"

void packetLoop() {
    awaitFirstHeaderLine();
    for (;;) {
        putText(SEPARATOR);
        putChar('\n');
        state.pktCount = static_cast<int32_t>(static_cast<uint32_t>(state.pktCount) + 1u);
        putFormat("Packet %d\n", state.pktCount);
        // A packet cut short must not pass its expected count on to the next.
        state.dataLeft = 0;
        decodeHeaderLine(state.curLine);
        try {
            dispatchPacket();
        } catch (const PacketCut&) {
            // The next header line arrived in the middle of a field.
        }
        packetFinished();
    }
}
