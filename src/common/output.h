#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstring>

// Block-buffered standard output. Decoders write a character at a time for
// payloads, so the buffer is written without locks and flushed in large blocks.
namespace output_detail {
constexpr size_t kCapacity = 1 << 16;
extern char buffer[kCapacity];
extern size_t used;
void drain();
void putLongBytes(const char* text, size_t length);  // one that may not fit
}  // namespace output_detail

inline void putChar(char c) {
    if (output_detail::used == output_detail::kCapacity) output_detail::drain();
    output_detail::buffer[output_detail::used++] = c;
}

inline void putBytes(const char* text, size_t length) {
    if (length > output_detail::kCapacity - output_detail::used) return output_detail::putLongBytes(text, length);
    std::memcpy(output_detail::buffer + output_detail::used, text, length);
    output_detail::used += length;
}
inline void putText(const char* text) { putBytes(text, std::strlen(text)); }

// Numbers without a format, for the lines that come with nearly every packet:
// as "%0<width>u", "%d" and "%0<width>X" write them.
void putUnsigned(uint32_t value, int width = 0);
void putSigned(int value);
void putHex(uint32_t value, int width);

void putFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Takes the arguments from the caller's own `args` (no copy: copying a
// va_list just filled costs more than the formatting), and leaves them used.
void putFormatList(const char* format, va_list& args);

// What snprintf writes and returns, written the faster way putFormat is.
int formatText(char* out, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
int formatTextList(char* out, size_t size, const char* format, va_list& args);

// Writes out what is buffered. A write error other than a closed pipe is
// reported on standard error and ends the program with status 1; a closed
// pipe ends it quietly.
void flushOutput();

// On a terminal each packet is written out as soon as it is finished, so
// that slow name lookups do not hold finished packets back; files and pipes
// get block output.
void writeEachPacket(bool on);
void packetFinished();

// Where flushed output goes. The default writes to descriptor 1; tests and
// the fuzzer catch it in memory instead. The sink returns 0, or an errno value.
using OutputSink = int (*)(const char* data, size_t length);
void setOutputSink(OutputSink sink);
int writeToStandardOutput(const char* data, size_t length);
