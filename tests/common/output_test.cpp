#include "common/output.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

// The formats are the cases of a table, handed on as they are.
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"

namespace {
std::string caught;

int catchOutput(const char* data, size_t length) {
    caught.append(data, length);
    return 0;
}

// putFormat and formatText write most formats themselves: what they write
// (and formatText returns, into a text of any size) must be what snprintf
// writes and returns for the same format and arguments.
template <typename... Args>
void expectAsPrintf(const char* format, Args... args) {
    char expected[512];
    int expectedLength = std::snprintf(expected, sizeof expected, format, args...);
    caught.clear();
    setOutputSink(catchOutput);
    putFormat(format, args...);
    flushOutput();
    setOutputSink(writeToStandardOutput);
    EXPECT_EQ(caught, expected) << "format \"" << format << '"';

    for (size_t size : {size_t{0}, size_t{1}, size_t{4}, sizeof expected}) {
        char text[sizeof expected + 1];
        std::memset(text, '#', sizeof text);
        std::snprintf(expected, size, format, args...);
        EXPECT_EQ(formatText(text, size, format, args...), expectedLength) << "format \"" << format << '"';
        if (size > 0) {
            EXPECT_STREQ(text, expected) << "format \"" << format << "\", size " << size;
        }
        EXPECT_EQ(text[size], '#') << "format \"" << format << "\" writes past " << size;
    }
}
}  // namespace

TEST(PutFormat, WritesWhatPrintfWrites) {
    expectAsPrintf("plain text, no conversion");
    expectAsPrintf("");
    expectAsPrintf("%u|%u|%u", 0u, 7u, UINT_MAX);
    expectAsPrintf("%d|%d|%d|%d", 0, -1, INT_MIN, INT_MAX);
    expectAsPrintf("%05d|%-5d|%5d|%02d", -42, -42, -42, 7);
    expectAsPrintf("%04X|%02X|%08X|%X|%x|%04x", 0xabu, 0x1u, 0xdeadbeefu, 0u, 0xABCu, 0xfu);
    expectAsPrintf("%010u|%09u|%03u|%02u", 12345u, 1u, 1000u, 5u);
    expectAsPrintf("%016llX|%llu|%lld", 0x1234ULL, ULLONG_MAX, LLONG_MIN);
    expectAsPrintf("%ld|%02ld|%lu|%zu", -3L, 4L, ULONG_MAX, size_t{9});
    expectAsPrintf("%hu|%hhu|%hd|%hhx", 70000u, 300u, 40000, 0x1ff);
    expectAsPrintf("[%s] [%8s] [%-8s] [%2s]", "text", "right", "left", "longer than its width");
    expectAsPrintf("%c%c|%3c|%-3c|", 'a', 'b', 'c', 'd');
    expectAsPrintf("100%% of %u%%", 5u);
    expectAsPrintf(" (%d.%0*d)|%*d|%-*d|%*u|", 3, 6, 42, 4, 7, 4, 7, -3, 9u);
    expectAsPrintf("%s=%u, %s=0x%04X.", "length", 60u, "type", 0x800u);
}

TEST(PutFormat, LeavesOtherConversionsToPrintf) {
    expectAsPrintf("%.1f MB/s", 12.345);
    expectAsPrintf("%+d|% d|%#x|%.3s", 5, 5, 255u, "abcdef");
    expectAsPrintf("%s %u then %.2f then %s %04X", "first", 3u, 2.5, "last", 0xbeu);
}

TEST(PutFormat, LinesLongerThanTheBufferArriveWhole) {
    std::string line(200, 'x');
    caught.clear();
    setOutputSink(catchOutput);
    for (int i = 0; i < 1000; ++i) putFormat("%s %u\n", line.c_str(), static_cast<unsigned>(i));
    flushOutput();
    setOutputSink(writeToStandardOutput);
    ASSERT_EQ(caught.size(), 1000 * 202 + 10 * 1 + 90 * 2 + 900 * 3);
    EXPECT_EQ(caught.substr(caught.size() - 205), line + " 999\n");
}
