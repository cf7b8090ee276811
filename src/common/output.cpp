#include "common/output.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "common/program_end.h"

namespace output_detail {
char buffer[kCapacity];
size_t used = 0;

static OutputSink sink = writeToStandardOutput;

void drain() {
    size_t length = used;
    used = 0;
    if (length == 0) return;
    int error = sink(buffer, length);
    if (error == 0) return;
    if (error == EPIPE) throw ProgramEnd{0, true};
    beforeMessage();
    std::fprintf(stderr, "***Error: %s\n", std::strerror(error));
    throw ProgramEnd{1};
}
}  // namespace output_detail

using namespace output_detail;

int writeToStandardOutput(const char* data, size_t length) {
    while (length > 0) {
        ssize_t written = write(1, data, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += written;
        length -= static_cast<size_t>(written);
    }
    return 0;
}

void setOutputSink(OutputSink newSink) {
    used = 0;
    sink = newSink;
}

void putBytes(const char* text, size_t length) {
    while (length > 0) {
        if (used == kCapacity) drain();
        size_t chunk = length < kCapacity - used ? length : kCapacity - used;
        std::memcpy(buffer + used, text, chunk);
        used += chunk;
        text += chunk;
        length -= chunk;
    }
}

void putUnsigned(uint32_t value, int width) {
    char digits[16];
    int count = 0;
    do digits[count++] = static_cast<char>('0' + value % 10);
    while ((value /= 10) != 0);
    for (; count < width && count < 16; ) digits[count++] = '0';
    while (count > 0) putChar(digits[--count]);
}

void putSigned(int value) {
    if (value < 0) {
        putChar('-');
        putUnsigned(0u - static_cast<uint32_t>(value));
    } else {
        putUnsigned(static_cast<uint32_t>(value));
    }
}

void putHex(uint32_t value, int width) {
    static const char kDigits[] = "0123456789ABCDEF";
    char digits[16];
    int count = 0;
    do digits[count++] = kDigits[value & 0xF];
    while ((value >>= 4) != 0);
    for (; count < width && count < 16; ) digits[count++] = '0';
    while (count > 0) putChar(digits[--count]);
}

void putFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    putFormatList(format, args);
    va_end(args);
}

void putFormatList(const char* format, va_list args) {
    // Every format here has bounded arguments (texts of at most 256 bytes), so
    // a line always fits once the buffer has been emptied.
    for (int attempt = 0; attempt < 2; ++attempt) {
        va_list copy;
        va_copy(copy, args);
        int length = std::vsnprintf(buffer + used, kCapacity - used, format, copy);
        va_end(copy);
        if (length < 0) return;
        if (static_cast<size_t>(length) < kCapacity - used) {
            used += static_cast<size_t>(length);
            return;
        }
        drain();
    }
}

void flushOutput() { drain(); }

namespace {
bool eachPacket = false;
}  // namespace

void writeEachPacket(bool on) { eachPacket = on; }

void packetFinished() {
    if (eachPacket) drain();
}
