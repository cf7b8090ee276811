#include "input/line_reader.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <poll.h>
#include <unistd.h>

#include "common/char_classes.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/program_end.h"

const char SEPARATOR[] = "---------------------------------------------------------------------------";

ssize_t readStandardInput(char* into, size_t capacity) {
    // Show what is decoded so far before waiting for more input, so that a
    // slow or live input is displayed as it comes rather than a block later.
    // (The benchmark builds a variant without this, PACSIFT_NO_LIVE_FLUSH, to
    // measure what it costs.)
#ifndef PACSIFT_NO_LIVE_FLUSH
    pollfd input = {0, POLLIN, 0};
    if (poll(&input, 1, 0) == 0) flushOutput();
#endif
    for (;;) {
        ssize_t got = read(0, into, capacity);
        if (got >= 0 || errno != EINTR) return got;
    }
}

namespace {

// Input is read in large blocks; a line is always contiguous in the block, so
// data lines are compacted straight from it without a copy of the raw text.
constexpr size_t kInputCapacity = 1 << 17;
char inputBlock[kInputCapacity];
size_t inputStart = 0;
size_t inputEnd = 0;
bool inputEnded = false;

const char* memoryData = nullptr;
size_t memoryLeft = 0;

ssize_t readFromMemory(char* into, size_t capacity) {
    size_t got = memoryLeft < capacity ? memoryLeft : capacity;
    std::memcpy(into, memoryData, got);
    memoryData += got;
    memoryLeft -= got;
    return static_cast<ssize_t>(got);
}

InputSource readInput = readStandardInput;

char rawLine[kLineCapacity + 1];   // the last header line, as read
char hexLine[kLineCapacity + 1];   // the last data line, compacted
const char* dataText = hexLine;    // the compacted digits without the offset field

// The next piece of input: a line through its newline, or 10240 characters
// of a longer line, or the unterminated last line. False at the end of input.
bool nextPiece(const char*& piece, size_t& length) {
    for (;;) {
        size_t available = inputEnd - inputStart;
        size_t limit = available < kLineCapacity ? available : kLineCapacity;
        const char* start = inputBlock + inputStart;
        const void* newline = std::memchr(start, '\n', limit);
        if (newline != nullptr) {
            length = static_cast<size_t>(static_cast<const char*>(newline) - start) + 1;
        } else if (available >= kLineCapacity) {
            length = kLineCapacity;
        } else if (inputEnded) {
            if (available == 0) return false;
            length = available;
        } else {
            std::memmove(inputBlock, start, available);
            inputStart = 0;
            inputEnd = available;
            ssize_t got = readInput(inputBlock + inputEnd, kInputCapacity - inputEnd);
            if (got <= 0)
                inputEnded = true;
            else
                inputEnd += static_cast<size_t>(got);
            continue;
        }
        piece = start;
        inputStart += length;
        return true;
    }
}

// Copies a data line into hexLine without its white space; returns the end.
char* compactLine(const char* piece, size_t length) {
    char* out = hexLine;
    // A character is stored and the position moves past it unless it is
    // white space: no branch.
    auto copy = [&out, piece](size_t at) {
        *out = piece[at];
        out += !isSpaceChar(piece[at]);
    };
    // tcpdump writes "\t0x0010:  ", then groups of four digits and a space:
    // there a group with no byte up to ' ' (so no white space) is copied whole.
    const size_t firstGroup = 10;
    size_t i = 0;
    for (; i < length && i < firstGroup; ++i) copy(i);
    while (i < length) {
        if (charClasses.onlyControlSpaces && i + 5 <= length) {
            uint32_t group;
            std::memcpy(&group, piece + i, 4);
            if (((group - 0x21212121u) & ~group & 0x80808080u) == 0 && isSpaceChar(piece[i + 4])) {
                std::memcpy(out, &group, 4);
                out += 4;
                i += 5;
                continue;
            }
        }
        copy(i++);
    }
    *out = '\0';
    return out;
}

enum class LineKind { header, data, end };

// Reads up to the next header line or data line. With `compact` clear a data
// line's digits are not needed (the packet is being discarded).
LineKind readLine(bool compact) {
    const char* piece;
    size_t length;
    while (nextPiece(piece, length)) {
        // A line ends at a NUL byte as well as at its newline.
        length = strnlen(piece, length);
        if (length > 8 && piece[2] == ':' && piece[5] == ':' && piece[8] == '.') {
            std::memcpy(rawLine, piece, length);
            rawLine[length] = '\0';
            return LineKind::header;
        }
        if (length == 0 || piece[0] != '\t' || state.pktCount == 0) continue;
        if (!compact) return LineKind::data;

        char* out = compactLine(piece, length);
        const char* text = hexLine;
        // tcpdump prints the offset field as 0x0010: before the digits.
        if (text[0] == '0' && text[1] == 'x') text = out - hexLine > 7 ? text + 7 : out;
        // A line with no digits left is skipped, so a field reader never
        // stands on an empty text.
        if (*text == '\0') continue;
        dataText = text;
        return LineKind::data;
    }
    return LineKind::end;
}

[[noreturn]] void endOfInput() {
    if (state.pktCount > 0) {
        putText(SEPARATOR);
        putChar('\n');
    }
    throw ProgramEnd{0, false, true};
}

// The packet ends where its decoders still wanted bytes: its closing
// newline, and the notice while data was still expected.
void finishPacket() {
    putChar('\n');
    if (state.dataLeft > 0) putText("\n\t<*** Rest of data missing from packet dump ***>\n");
}

// The next header line has arrived: close the current packet.
void closePacket() {
    finishPacket();
    state.curLine = rawLine;
}

// The next data text. `cutShort`: the decoders are in the middle of the
// packet, so the end of input finishes it as the next header line would.
const char* nextDataText(bool cutShort) {
    for (;;) {
        switch (readLine(true)) {
        case LineKind::data:
            state.curLine = dataText;
            return dataText;
        case LineKind::header:
            closePacket();
            return nullptr;
        case LineKind::end:
            if (cutShort) finishPacket();
            endOfInput();
        }
    }
}

}  // namespace

const char* fetchLine() { return nextDataText(false); }

const char* nextLine() {
    const char* text = nextDataText(true);
    if (text == nullptr) throw PacketCut{};
    return text;
}

void skipPacket() {
    state.dataLeft = 0;
    for (;;) {
        switch (readLine(false)) {
        case LineKind::data:
            continue;
        case LineKind::header:
            closePacket();
            return;
        case LineKind::end:
            endOfInput();
        }
    }
}

void awaitFirstHeaderLine() {
    for (;;) {
        LineKind kind = readLine(false);
        if (kind == LineKind::end) endOfInput();
        if (kind == LineKind::header) break;
    }
    state.sawHeader = true;
    state.curLine = rawLine;
}

void readInputFromStandardInput() { readInputFrom(readStandardInput); }

void readInputFrom(InputSource source) {
    readInput = source;
    resetLineReader();
}

void readInputFromMemory(const char* data, size_t length) {
    memoryData = data;
    memoryLeft = length;
    readInput = readFromMemory;
    resetLineReader();
}

void resetLineReader() {
    inputStart = inputEnd = 0;
    inputEnded = false;
    rawLine[0] = hexLine[0] = '\0';
    dataText = hexLine;
}
