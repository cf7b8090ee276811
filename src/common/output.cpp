#include "common/output.h"

#include <cerrno>
#include <climits>
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

void output_detail::putLongBytes(const char* text, size_t length) {
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

namespace {
// Writes a format through vsnprintf, straight into the buffer.
void putVsnprintf(const char* format, va_list args) {
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
}  // namespace

void putFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    putFormatList(format, args);
    va_end(args);
}

namespace {
// One conversion of a format: the subset the display's formats use (the flags
// 0 and -, a width or *, the lengths hh h l ll z, and d i u x X c s %). Others
// are left to vsnprintf.
struct Conversion {
    bool zeros = false;
    bool left = false;
    bool widthArgument = false;
    int width = 0;
    int longs = 0;  // -1 for h, -2 for hh, 1 for l and z, 2 for ll
    char type = 0;
};

// Reads the conversion after a '%'; returns where the format goes on, or
// nullptr for one left to vsnprintf.
const char* readConversion(const char* at, Conversion& conversion) {
    for (;; ++at) {
        if (*at == '0') conversion.zeros = true;
        else if (*at == '-') conversion.left = true;
        else break;
    }
    if (*at == '*') {
        conversion.widthArgument = true;
        ++at;
    }
    while (*at >= '0' && *at <= '9') {
        if (conversion.width > 1000 || conversion.widthArgument) return nullptr;
        conversion.width = conversion.width * 10 + (*at++ - '0');
    }
    if (*at == 'h') conversion.longs = at[1] == 'h' ? -2 : -1;
    else if (*at == 'l') conversion.longs = at[1] == 'l' ? 2 : 1;
    else if (*at == 'z') conversion.longs = 1;
    at += conversion.longs < 0 ? -conversion.longs : conversion.longs;
    conversion.type = *at;
    switch (conversion.type) {
    case 'd': case 'i': case 'u': case 'x': case 'X': return at + 1;
    case 'c': case 's': return conversion.zeros || conversion.longs != 0 ? nullptr : at + 1;
    case '%': return at[-1] == '%' ? at + 1 : nullptr;
    default: return nullptr;
    }
}

// Where a format is written: the output buffer, or a text as snprintf fills it.
struct BufferWriter {
    void put(char c) { putChar(c); }
    void put(const char* text, size_t length) { putBytes(text, length); }
    void putByPrintf(const char* format, va_list args) { putVsnprintf(format, args); }
};

struct TextWriter {
    char* out;
    size_t size;
    size_t length = 0;  // as snprintf counts it: cut or not

    void put(char c) {
        if (length + 1 < size) out[length] = c;
        ++length;
    }
    void put(const char* text, size_t count) {
        if (length + 1 < size) std::memcpy(out + length, text, count < size - 1 - length ? count : size - 1 - length);
        length += count;
    }
    void putByPrintf(const char* format, va_list args) {
        bool room = length < size;
        int count = std::vsnprintf(room ? out + length : nullptr, room ? size - length : 0, format, args);
        if (count > 0) length += static_cast<size_t>(count);
    }
};

template <typename Writer>
void putPadding(Writer& writer, char fill, int count) {
    for (; count > 0; --count) writer.put(fill);
}

// Writes `text` in the conversion's width: zeros go after a sign.
template <typename Writer>
void putWidened(Writer& writer, const Conversion& conversion, const char* text, size_t length) {
    int padding = conversion.width - static_cast<int>(length);
    if (conversion.left) {
        writer.put(text, length);
        putPadding(writer, ' ', padding);
    } else if (conversion.zeros && conversion.type != 's' && conversion.type != 'c') {
        if (*text == '-') {
            writer.put('-');
            ++text;
            --length;
        }
        putPadding(writer, '0', padding);
        writer.put(text, length);
    } else {
        putPadding(writer, ' ', padding);
        writer.put(text, length);
    }
}

template <typename Writer>
void putNumber(Writer& writer, const Conversion& conversion, va_list& args) {
    bool isSigned = conversion.type == 'd' || conversion.type == 'i';
    unsigned long long value;
    bool negative = false;
    if (isSigned) {
        long long number = conversion.longs == 2   ? va_arg(args, long long)
                           : conversion.longs == 1 ? va_arg(args, long)
                                                   : va_arg(args, int);
        if (conversion.longs == -1) number = static_cast<short>(number);
        if (conversion.longs == -2) number = static_cast<signed char>(number);
        negative = number < 0;
        value = negative ? 0ull - static_cast<unsigned long long>(number) : static_cast<unsigned long long>(number);
    } else {
        value = conversion.longs == 2   ? va_arg(args, unsigned long long)
                : conversion.longs == 1 ? va_arg(args, unsigned long)
                                        : va_arg(args, unsigned int);
        if (conversion.longs == -1) value = static_cast<unsigned short>(value);
        if (conversion.longs == -2) value = static_cast<unsigned char>(value);
    }
    char text[24];
    char* start = text + sizeof text;
    if (conversion.type == 'x' || conversion.type == 'X') {
        const char* digits = conversion.type == 'x' ? "0123456789abcdef" : "0123456789ABCDEF";
        do *--start = digits[value & 0xF];
        while ((value >>= 4) != 0);
    } else {
        // A constant divisor: no division instruction.
        do *--start = static_cast<char>('0' + value % 10);
        while ((value /= 10) != 0);
    }
    if (negative) *--start = '-';
    putWidened(writer, conversion, start, static_cast<size_t>(text + sizeof text - start));
}

// Writes a printf format; vsnprintf writes from the first conversion it does
// not know on, with the arguments left.
template <typename Writer>
void formatTo(Writer& writer, const char* format, va_list& rest) {
    // Formats are short: their text is copied a character at a time.
    for (char c; (c = *format) != '\0'; ++format) {
        if (c != '%') {
            writer.put(c);
            continue;
        }
        Conversion conversion;
        const char* next = readConversion(format + 1, conversion);
        if (next == nullptr) {
            writer.putByPrintf(format, rest);
            break;
        }
        format = next - 1;
        if (conversion.widthArgument) {
            conversion.width = va_arg(rest, int);
            if (conversion.width < 0) {
                conversion.left = true;
                conversion.width = conversion.width == INT_MIN ? 0 : -conversion.width;
            }
        }
        if (conversion.type == '%') {
            writer.put('%');
        } else if (conversion.type == 's') {
            const char* text = va_arg(rest, const char*);
            if (text == nullptr) text = "(null)";
            putWidened(writer, conversion, text, std::strlen(text));
        } else if (conversion.type == 'c') {
            char character = static_cast<char>(va_arg(rest, int));
            putWidened(writer, conversion, &character, 1);
        } else {
            putNumber(writer, conversion, rest);
        }
    }
}
}  // namespace

void putFormatList(const char* format, va_list& args) {
    BufferWriter writer;
    formatTo(writer, format, args);
}

int formatTextList(char* out, size_t size, const char* format, va_list& args) {
    TextWriter writer{out, size};
    formatTo(writer, format, args);
    if (size > 0) out[writer.length < size ? writer.length : size - 1] = '\0';
    return static_cast<int>(writer.length);
}

int formatText(char* out, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int length = formatTextList(out, size, format, args);
    va_end(args);
    return length;
}

void flushOutput() { drain(); }

namespace {
bool eachPacket = false;
}  // namespace

void writeEachPacket(bool on) { eachPacket = on; }

void packetFinished() {
    if (eachPacket) drain();
}
