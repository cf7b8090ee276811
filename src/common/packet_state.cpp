#include "common/packet_state.h"

PacketState state;
