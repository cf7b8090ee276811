#pragma once

// The time since the previous packet, " (01:2.250000)", for a timestamp such as
// 12:01:02.750000; the empty text for the first packet and for a timestamp
// that is not valid. The result is a shared text, rewritten by the next call.
const char* timeDelta(const char* timestamp);

void resetTimeDelta();
