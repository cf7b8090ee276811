#pragma once

#include <cstdint>
#include <cstring>

// Numbers as a savefile stores them: in the byte order of the machine that
// wrote it, which is ours unless `swapped`.

inline uint32_t savefileWord(const unsigned char* bytes, bool swapped) {
    uint32_t value;
    std::memcpy(&value, bytes, 4);
    return swapped ? __builtin_bswap32(value) : value;
}

inline uint16_t savefileHalf(const unsigned char* bytes, bool swapped) {
    uint16_t value;
    std::memcpy(&value, bytes, 2);
    return swapped ? __builtin_bswap16(value) : value;
}
