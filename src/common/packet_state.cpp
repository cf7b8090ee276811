#include "common/packet_state.h"

#include "input/line_reader.h"
#include "input/time_delta.h"

PacketState state;

void resetDecoderState() {
    state = PacketState{};
    resetLineReader();
    resetTimeDelta();
}
