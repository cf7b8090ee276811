// A region bounds a length-prefixed walk: its reads are checked against its
// length and charged to dataLeft; a read past it reads nothing of the dump.
#include <gtest/gtest.h>

#include <string>

#include "common/packet_state.h"
#include "input/line_reader.h"
#include "input/region.h"
#include "support/in_process_test.h"

namespace {

const char kNotice[] = "\t<*** Walk runs past its region ***>\n";

class Regions : public InProcessTest {
protected:
    HexCursor start(const std::string& text) {
        input = text;
        readInputFromMemory(input.data(), input.size());
        state.pktCount = 1;
        return fetchLine();
    }
    std::string input;
};

TEST_F(Regions, ReadsWithinTheRegionAreChargedToTheCount) {
    HexCursor cursor = start("\t0102 0304 0506 0708 09\n");
    state.dataLeft = 20;
    Region region(cursor, 9, kNotice);
    EXPECT_EQ(region.byte(), 0x01);
    EXPECT_EQ(region.shortValue(), 0x0203);
    EXPECT_EQ(region.longValue(), 0x04050607u);
    uint8_t two[2];
    region.bytes(two, 2);
    EXPECT_EQ(two[0], 0x08);
    EXPECT_EQ(two[1], 0x09);
    EXPECT_EQ(region.left(), 0);
    EXPECT_FALSE(region.overrun());
    EXPECT_EQ(state.dataLeft, 11);
    EXPECT_EQ(*cursor, '\0');
}

// One byte past the region: nothing of the dump is read (the next field is
// still there), nothing is charged, and the walk gives up with the notice.
TEST_F(Regions, AReadPastTheEndReadsNothing) {
    struct Case {
        const char* name;
        void (*read)(Region&);
        int32_t dataLeft;       // after two reads, the first of which fits for a byte
        const char* unread;     // what is left of the dump
    };
    const Case cases[] = {
        {"byte", [](Region& r) { r.byte(); }, 3, "ddeeff"},
        {"short", [](Region& r) { r.shortValue(); }, 4, "ccddeeff"},
        {"long", [](Region& r) { r.longValue(); }, 4, "ccddeeff"},
        {"bytes", [](Region& r) { uint8_t into[4]; r.bytes(into, 4); }, 4, "ccddeeff"},
        {"skip", [](Region& r) { r.skip(4); }, 4, "ccddeeff"},
    };
    for (const Case& c : cases) {
        HexCursor cursor = start("\taabb ccdd eeff\n");
        state.dataLeft = 6;
        Region region(cursor, 3, kNotice);
        region.bytes(nullptr, 0);
        region.skip(2);
        c.read(region);
        c.read(region);
        EXPECT_TRUE(region.overrun()) << c.name;
        EXPECT_EQ(state.dataLeft, c.dataLeft) << c.name;
        EXPECT_EQ(std::string(cursor), c.unread) << c.name;
        EXPECT_FALSE(region.giveUp());
        EXPECT_EQ(takeOutput(), kNotice) << c.name;
    }
}

TEST_F(Regions, NeedChecksWithoutReading) {
    HexCursor cursor = start("\taabb\n");
    state.dataLeft = 2;
    Region region(cursor, 2, kNotice);
    EXPECT_TRUE(region.need(2));
    EXPECT_FALSE(region.need(3));
    EXPECT_TRUE(region.overrun());
    // Once overrun, a region reads nothing more.
    EXPECT_EQ(region.byte(), 0);
    EXPECT_EQ(std::string(cursor), "aabb");
}

// A region of a header already read: its bytes, nothing charged.
TEST_F(Regions, ARegionOfBytesReadsTheBufferOnly) {
    const uint8_t bytes[] = {0xC2, 0x04, 0x00, 0x01, 0x00, 0x00, 0xEE};
    state.dataLeft = 100;
    Region region(bytes, 6, kNotice);
    EXPECT_EQ(region.byte(), 0xC2);
    EXPECT_EQ(region.byte(), 0x04);
    EXPECT_EQ(region.longValue(), 0x00010000u);
    EXPECT_EQ(region.byte(), 0);   // the 0xEE beyond the region is never read
    EXPECT_TRUE(region.overrun());
    EXPECT_EQ(state.dataLeft, 100);
}

TEST(HeaderBytesView, ReadsByOffsetWithinItsLengthOnly) {
    const uint8_t bytes[] = {0x3A, 0x00, 0x12, 0x34, 0x56, 0x78, 0xFF, 0xFF};
    HeaderBytes header{bytes, 6};
    EXPECT_EQ(header.byteAt(0), 0x3Au);
    EXPECT_EQ(header.shortAt(2), 0x1234u);
    EXPECT_EQ(header.longAt(2), 0x12345678u);
    // Past the length reads as zeros, never the bytes beyond it.
    EXPECT_EQ(header.byteAt(6), 0u);
    EXPECT_EQ(header.shortAt(5), 0x7800u);
    EXPECT_EQ(header.byteAt(-1), 0u);
    char text[kIpv6AddrTextSize];
    EXPECT_STREQ(header.ipv6At(2, text), "1234:5678::");
}

}  // namespace
