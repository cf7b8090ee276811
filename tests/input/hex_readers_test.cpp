// The field readers pull bytes out of the compacted data lines, crossing from
// one line to the next in the middle of a field when they must, and never
// reading ahead into the next packet's header line.
#include <gtest/gtest.h>

#include <string>

#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/program_end.h"
#include "input/hex_readers.h"
#include "input/line_reader.h"
#include "support/in_process_test.h"
#include "support/run_binary.h"

namespace {

class HexReaders : public InProcessTest {
protected:
    // Feeds `text` as the packet's data, the way the dispatch sees it after
    // the header line: the cursor starts on the first data text.
    HexCursor start(const std::string& text) {
        input = text;
        readInputFromMemory(input.data(), input.size());
        state.pktCount = 1;
        const char* first = fetchLine();
        EXPECT_NE(first, nullptr);
        return first;
    }

    std::string input;
};

TEST_F(HexReaders, TwoShortsOnTwoLinesFetchTheSecondLineOnlyWhenNeeded) {
    HexCursor cursor = start("\t4500\n\t0054\n");
    EXPECT_EQ(getShort(cursor), 0x4500);
    // The first value ends the line: the cursor waits on its end.
    EXPECT_EQ(*cursor, '\0');
    EXPECT_STREQ(state.curLine, "4500");
    EXPECT_EQ(getShort(cursor), 0x0054);
    EXPECT_STREQ(state.curLine, "0054");
    EXPECT_EQ(*cursor, '\0');
}

TEST_F(HexReaders, FieldsSplitAcrossLines) {
    struct Case {
        const char* lines;
        const char* reader;
        uint32_t value;
    };
    const Case cases[] = {
        {"\t0x0000:  4500 08\n\t0x0010:  00\n", "short after a byte", 0x0800},
        {"\t4\n\t5\n", "byte", 0x45},
        {"\t0x0000:  12\n\t0x0010:  3456 78\n", "long", 0x12345678},
        {"\tff\n", "byte", 0xFF},
        {"\tFF\n", "byte", 0xFF},
        {"\tffffffff\n", "long", 0xFFFFFFFFu},
        {"\tdeadBEEF\n", "long", 0xDEADBEEFu},
        {"\tab\n\tcd\n", "short", 0xABCD},
        // A line with nothing after its offset field holds no digit and is passed over.
        {"\t0x0000:  45\n\t0x0010:\n\t00\n", "short", 0x4500},
        // So is a line of blanks.
        {"\t45\n\t   \n\t00\n", "short", 0x4500},
        // Digits that are no hex digits end the number; none at all give 0.
        // A field is one number of all its digits, not bytes put together.
        {"\t12zz\n", "short", 0x12},
        {"\t1z34\n", "short", 0x1},
        {"\t1234z678\n", "long", 0x1234},
        {"\tzz\n", "byte", 0},
        // Text tcpdump never writes is read as a "%x" scan reads it: a 0x
        // before a digit is skipped. A sign is not (see hexValue).
        {"\t45000x12\n", "short after a byte", 0x12},
        {"\t0X123456\n", "long", 0x123456},
        {"\t4500 0xzz\n", "short after a byte", 0},
        {"\t-6\n", "byte", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        HexCursor cursor = start(c.lines);
        std::string reader = c.reader;
        if (reader == "short after a byte") {
            EXPECT_EQ(getShort(cursor), 0x4500);
            EXPECT_EQ(getShort(cursor), c.value);
        } else if (reader == "byte") {
            EXPECT_EQ(getByte(cursor), c.value);
        } else if (reader == "short") {
            EXPECT_EQ(getShort(cursor), c.value);
        } else {
            EXPECT_EQ(getLong(cursor), c.value);
        }
        EXPECT_EQ(*cursor, '\0');
    }
}

TEST_F(HexReaders, ConsecutiveReadersTakeConsecutiveDigits) {
    HexCursor cursor = start("\t0x0000:  4500 0054 1234 4000 4001 abcd\n");
    EXPECT_EQ(getByte(cursor), 0x45);
    EXPECT_EQ(getByte(cursor), 0x00);
    EXPECT_EQ(getShort(cursor), 0x0054);
    EXPECT_EQ(getLong(cursor), 0x12344000u);
    EXPECT_EQ(getShort(cursor), 0x4001);
    EXPECT_STREQ(cursor, "abcd");
}

TEST_F(HexReaders, IpAddresses) {
    HexCursor cursor = start("\tc0a8010a 00000000\n\tffff\n\tffff\n");
    EXPECT_STREQ(getIpAddr(cursor), "192.168.1.10");
    EXPECT_STREQ(getIpAddr(cursor), "0.0.0.0");
    // Split over two lines, in the middle of the address.
    EXPECT_STREQ(getIpAddr(cursor), "255.255.255.255");
}

TEST_F(HexReaders, IpAddressTextIsSharedAndOverwritten) {
    HexCursor cursor = start("\t0a000001 0a000002\n");
    const char* first = getIpAddr(cursor);
    std::string firstCopy = first;
    const char* second = getIpAddr(cursor);
    EXPECT_EQ(firstCopy, "10.0.0.1");
    EXPECT_STREQ(second, "10.0.0.2");
    EXPECT_STREQ(first, "10.0.0.2");
}

TEST_F(HexReaders, EthernetAddresses) {
    HexCursor cursor = start("\t0800 2b01 020a\n\tffff ffff\n\tffff 0000 0000 0000\n");
    EXPECT_STREQ(getEtherAddr(cursor), "08:00:2B:01:02:0A");
    // Across a line boundary, lower case read as upper case.
    EXPECT_STREQ(getEtherAddr(cursor), "FF:FF:FF:FF:FF:FF");
    EXPECT_STREQ(getEtherAddr(cursor), "00:00:00:00:00:00");
}

TEST_F(HexReaders, LastByteOfThePacketDoesNotReadTheNextHeaderLine) {
    HexCursor cursor = start(
        "\t0x0000:  4500\n"
        "12:00:01.000000 00:11:22:33:44:55 > 66:77:88:99:aa:bb, ethertype IPv4 (0x0800), length 60: x\n");
    EXPECT_EQ(getShort(cursor), 0x4500);
    EXPECT_EQ(*cursor, '\0');
    EXPECT_STREQ(state.curLine, "4500");
    EXPECT_EQ(takeOutput(), "");
    // The header line is still waiting: the next fetch is what meets it.
    EXPECT_EQ(fetchLine(), nullptr);
    EXPECT_EQ(takeOutput(), "\n");
}

TEST_F(HexReaders, NextHeaderLineInsideAFieldCutsThePacket) {
    const char header[] = "12:00:01.000000 0:1:2:3:4:5 6:7:8:9:a:b 0800 60:\n";
    HexCursor cursor = start(std::string("\t45\n") + header + "\t6789\n");
    try {
        getShort(cursor);
        FAIL() << "the field was completed from the next packet";
    } catch (const PacketCut&) {
    }
    // The packet's closing newline; no notice while no data is expected.
    EXPECT_EQ(takeOutput(), "\n");
    EXPECT_STREQ(state.curLine, header);
}

TEST_F(HexReaders, NextHeaderLineInsideAnAddressCutsThePacket) {
    HexCursor cursor = start("\t0800 2b01\n12:00:01.000000 0:1:2:3:4:5 6:7:8:9:a:b 0800 60:\n");
    EXPECT_THROW(getEtherAddr(cursor), PacketCut);
    cursor = start("\tc0a8\n12:00:01.000000 0:1:2:3:4:5 6:7:8:9:a:b 0800 60:\n");
    EXPECT_THROW(getIpAddr(cursor), PacketCut);
}

TEST_F(HexReaders, EndOfInputInsideAFieldEndsTheProgramWithStatusZero) {
    const char* inputs[] = {"\t4\n", "\t450000\n", "\tc0a801\n"};
    for (const char* text : inputs) {
        SCOPED_TRACE(text);
        capturedOutput.clear();
        HexCursor cursor = start(text);
        try {
            if (std::string(text) == "\tc0a801\n")
                getIpAddr(cursor);
            else if (std::string(text) == "\t4\n")
                getByte(cursor);
            else
                getLong(cursor);
            FAIL() << "the reader returned at the end of input";
        } catch (const ProgramEnd& end) {
            EXPECT_EQ(end.status, 0);
        }
        // A packet was begun and cut short: its closing newline (nothing
        // was expected yet), then the closing separator.
        EXPECT_EQ(takeOutput(), "\n" + kSeparator);
    }
}
}  // namespace
