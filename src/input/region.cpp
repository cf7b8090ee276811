#include "input/region.h"

#include <cstring>

#include "common/output.h"
#include "common/packet_state.h"

bool Region::need(int32_t count) {
    if (overrun_ || count > left_) {
        overrun_ = true;
        return false;
    }
    return true;
}

uint8_t Region::byte() {
    if (!need(1)) return 0;
    --left_;
    if (bytes_ != nullptr) return *bytes_++;
    uint8_t value = getByte(*cursor_);
    --state.dataLeft;
    return value;
}

uint16_t Region::shortValue() {
    if (!need(2)) return 0;
    left_ -= 2;
    if (bytes_ != nullptr) {
        uint16_t value = static_cast<uint16_t>(bytes_[0] << 8 | bytes_[1]);
        bytes_ += 2;
        return value;
    }
    // Four digits read as one number, as every other field is.
    uint16_t value = getShort(*cursor_);
    state.dataLeft -= 2;
    return value;
}

uint32_t Region::longValue() {
    if (!need(4)) return 0;
    left_ -= 4;
    if (bytes_ != nullptr) {
        uint32_t value = static_cast<uint32_t>(bytes_[0]) << 24 | static_cast<uint32_t>(bytes_[1]) << 16 |
                         static_cast<uint32_t>(bytes_[2]) << 8 | bytes_[3];
        bytes_ += 4;
        return value;
    }
    uint32_t value = getLong(*cursor_);
    state.dataLeft -= 4;
    return value;
}

void Region::bytes(uint8_t* into, int32_t count) {
    if (count <= 0 || !need(count)) return;
    left_ -= count;
    if (bytes_ != nullptr) {
        std::memcpy(into, bytes_, static_cast<size_t>(count));
        bytes_ += count;
        return;
    }
    for (int32_t i = 0; i < count; ++i) into[i] = getByte(*cursor_);
    state.dataLeft -= count;
}

void Region::skip(int32_t count) {
    if (count <= 0 || !need(count)) return;
    left_ -= count;
    if (bytes_ != nullptr) {
        bytes_ += count;
        return;
    }
    skipBytes(*cursor_, count);
    state.dataLeft -= count;
}

bool Region::giveUp() const {
    putText(notice_);
    return false;
}

const char* HeaderBytes::ipv6At(int at, char (&text)[kIpv6AddrTextSize]) const {
    uint8_t address[16];
    for (int i = 0; i < 16; ++i) address[i] = static_cast<uint8_t>(byteAt(at + i));
    ipv6AddrText(address, text);
    return text;
}
