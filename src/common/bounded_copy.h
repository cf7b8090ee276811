#pragma once

#include <cstddef>
#include <cstring>

// Copies at most size - 1 characters of a text into a fixed buffer, always
// terminated: every buffer here has a fixed size, whatever the input holds.
inline void copyBounded(char* into, size_t size, const char* text, size_t length) {
    if (length >= size) length = size - 1;
    std::memcpy(into, text, length);
    into[length] = '\0';
}

inline void copyBounded(char* into, size_t size, const char* text) {
    copyBounded(into, size, text, std::strlen(text));
}

template <size_t N>
void copyBounded(char (&into)[N], const char* text) {
    copyBounded(into, N, text);
}
