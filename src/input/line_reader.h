#pragma once

#include <cstddef>
#include <sys/types.h>

// tcpdump's text, cut into packets.
//
// Header line: characters 2 and 5 are ':' and character 8 is '.' (the
// HH:MM:SS.fraction timestamp that opens every packet). Data line: starts with
// a tab; its hex digits, without white space and without a leading offset field
// "0x0010:", feed the decoders. Anything else is ignored.

constexpr size_t kLineCapacity = 10240;   // longer lines arrive in pieces of this size
extern const char SEPARATOR[];            // 75 '-'

// The packet's next data text (compacted hex digits, never empty). When the
// next packet's header line arrives instead, writes the packet's closing
// newline (and the missing-data notice while dataLeft > 0) and returns nullptr;
// curLine then holds the header line. At the end of input writes the closing
// SEPARATOR and ends the program.
const char* fetchLine();

// Thrown by nextLine when the next header line cuts a packet short; only the
// packet loop catches it. Between packets curLine holds the new header line.
struct PacketCut {};

// As fetchLine, but a header line abandons the decoders in progress (PacketCut),
// and the end of input finishes the packet as a header line would (its
// closing newline and the missing-data notice) before the closing SEPARATOR.
const char* nextLine();

// Discards the rest of the packet: clears dataLeft and reads up to the next
// header line (or the end of input). Returns once the next packet may begin.
void skipPacket();

// Reads up to the first header line, ignoring everything before it; curLine
// then holds it. At the end of input ends the program.
void awaitFirstHeaderLine();

// Where input comes from: descriptor 0 by default, or a block of memory
// (tests, the fuzzer). Either call also empties the reader's buffer.
void readInputFromStandardInput();
void readInputFromMemory(const char* data, size_t length);
// Or any source that reads as read(2) does: the run of several tcpdump
// children hands the line reader their texts one after the other this way.
using InputSource = ssize_t (*)(char* into, size_t capacity);
void readInputFrom(InputSource source);
// The default source: descriptor 0, with what is decoded so far written out
// before a read that would wait.
ssize_t readStandardInput(char* into, size_t capacity);
void resetLineReader();
