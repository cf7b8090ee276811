// Where a savefile is cut among several tcpdump children: only at record
// boundaries after plainly sound record headers, the rest of the file to one
// child from the first doubtful header on. Small part sizes on savefiles made
// in memory.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/savefile_parts.h"
#include "support/savefile_split.h"

namespace {

struct Record {
    uint32_t captured = 60;
    uint32_t onWire = 60;
    uint32_t fraction = 0;
    int dataBytes = -1;   // bytes that follow the header: `captured` unless a header lies
};

struct Layout {
    bool bigEndian = false;
    bool nanoseconds = false;
    uint32_t snapLength = 65535;
};

void put32(std::string& out, uint32_t value, bool bigEndian) {
    for (int i = 0; i < 4; ++i) {
        int shift = bigEndian ? 24 - 8 * i : 8 * i;
        out += static_cast<char>((value >> shift) & 0xff);
    }
}

void put16(std::string& out, uint16_t value, bool bigEndian) {
    out += static_cast<char>(bigEndian ? value >> 8 : value & 0xff);
    out += static_cast<char>(bigEndian ? value & 0xff : value >> 8);
}

std::string header(const Layout& layout, uint16_t major = 2, uint16_t minor = 4) {
    std::string out;
    put32(out, layout.nanoseconds ? 0xa1b23c4d : 0xa1b2c3d4, layout.bigEndian);
    put16(out, major, layout.bigEndian);
    put16(out, minor, layout.bigEndian);
    put32(out, 0, layout.bigEndian);
    put32(out, 0, layout.bigEndian);
    put32(out, layout.snapLength, layout.bigEndian);
    put32(out, 1, layout.bigEndian);
    return out;
}

std::string savefile(const Layout& layout, const std::vector<Record>& records) {
    std::string out = header(layout);
    uint32_t second = 1000;
    for (const Record& record : records) {
        put32(out, second++, layout.bigEndian);
        put32(out, record.fraction, layout.bigEndian);
        put32(out, record.captured, layout.bigEndian);
        put32(out, record.onWire, layout.bigEndian);
        out += std::string(record.dataBytes >= 0 ? static_cast<size_t>(record.dataBytes) : record.captured, 'x');
    }
    return out;
}

// Every part's end, walking the whole file as the run does.
std::vector<uint64_t> partEnds(std::string bytes, uint64_t partSize, uint64_t end = 0) {
    SavefileHeader parsed;
    EXPECT_TRUE(readSavefileHeader(reinterpret_cast<const unsigned char*>(bytes.data()), parsed));
    if (end == 0) end = bytes.size();
    SavefileReader reader{readFromString, &bytes};
    std::vector<uint64_t> ends;
    for (uint64_t from = kSavefileHeaderSize; from < end;) {
        from = nextPartEnd(reader, parsed, from, end, partSize);
        ends.push_back(from);
    }
    return ends;
}

std::vector<Record> sound(int count) { return std::vector<Record>(static_cast<size_t>(count)); }

std::vector<Record> withRecord(std::vector<Record> records, size_t index, Record changed) {
    records[index] = changed;
    return records;
}

// Records of 76 bytes (16 + 60) from offset 24: boundaries at 24, 100, 176,
// 252, 328, 404, 480, 556, 632, 708, 784 (the end of ten records).
struct CutCase {
    const char* name;
    Layout layout;
    std::vector<Record> records;
    uint64_t partSize;
    std::vector<uint64_t> ends;
    size_t cutOff = 0;   // bytes cut off the end of the file
};

void PrintTo(const CutCase& c, std::ostream* out) { *out << c.name; }

class Cuts : public testing::TestWithParam<CutCase> {};

TEST_P(Cuts, PartsEndWhereExpected) {
    const CutCase& c = GetParam();
    std::string bytes = savefile(c.layout, c.records);
    bytes.resize(bytes.size() - c.cutOff);
    EXPECT_EQ(partEnds(bytes, c.partSize), c.ends);
}

const Layout kLittle{};
const Layout kBig{true, false};
const Layout kNano{false, true};
const Layout kBigNano{true, true};

INSTANTIATE_TEST_SUITE_P(
    SavefileParts, Cuts,
    testing::Values(
        // A part ends at the first boundary at least partSize bytes on.
        CutCase{"sound_microseconds", kLittle, sound(10), 100, {176, 328, 480, 632, 784}},
        CutCase{"sound_big_endian", kBig, sound(10), 100, {176, 328, 480, 632, 784}},
        CutCase{"sound_nanoseconds", kNano, sound(10), 100, {176, 328, 480, 632, 784}},
        CutCase{"sound_big_endian_nanoseconds", kBigNano, sound(10), 100, {176, 328, 480, 632, 784}},
        CutCase{"part_of_one_record", kLittle, sound(4), 1, {100, 176, 252, 328}},
        CutCase{"larger_than_the_file", kLittle, sound(4), 1000, {328}},
        // A doubtful header in the middle of the second part: the rest is one part.
        CutCase{"bad_length_mid_part", kLittle, withRecord(sound(10), 3, {70000, 70000, 0, 60}), 100, {176, 784}},
        // The record where a cut would fall is doubtful: no cut before it either.
        CutCase{"bad_length_at_a_boundary", kLittle, withRecord(sound(10), 2, {70000, 70000, 0, 60}), 100, {784}},
        CutCase{"captured_over_the_wire_length", kLittle, withRecord(sound(10), 4, {60, 59, 0}), 100,
                {176, 784}},
        CutCase{"captured_nothing_is_sound", kLittle, withRecord(sound(10), 4, {0, 0, 0}), 100,
                {176, 328, 496, 648, 724}},
        CutCase{"wire_length_over_a_megabyte", kLittle, withRecord(sound(10), 4, {60, 2000000, 0}), 100,
                {176, 784}},
        CutCase{"microseconds_of_a_whole_second", kLittle, withRecord(sound(10), 4, {60, 60, 1000000}), 100,
                {176, 784}},
        CutCase{"nanoseconds_below_a_second", kNano, withRecord(sound(10), 4, {60, 60, 999999999}), 100,
                {176, 328, 480, 632, 784}},
        CutCase{"nanoseconds_of_a_whole_second", kNano, withRecord(sound(10), 4, {60, 60, 1000000000}), 100,
                {176, 784}},
        CutCase{"over_the_snapshot_length", Layout{false, false, 59}, sound(10), 100, {784}},
        CutCase{"at_the_snapshot_length", Layout{false, false, 60}, sound(10), 100, {176, 328, 480, 632, 784}},
        // A truncated last record: no cut right before it, its part runs to
        // the end of the file.
        CutCase{"last_record_truncated", kLittle, sound(10), 100, {176, 328, 480, 632, 779}, 5},
        CutCase{"last_record_header_truncated", kLittle, sound(10), 100, {176, 328, 480, 632, 720}, 64},
        // Records longer than the block the headers are read from.
        CutCase{"records_of_200000_bytes", Layout{false, false, 262144},
                std::vector<Record>(5, Record{200000, 200000, 0}), 1, {200040, 400056, 600072, 800088, 1000104}}),
    [](const testing::TestParamInfo<CutCase>& info) { return std::string(info.param.name); });

TEST(SavefileParts, HeadersThatMayBeCut) {
    SavefileHeader parsed;
    auto accepts = [&](const std::string& bytes) {
        return readSavefileHeader(reinterpret_cast<const unsigned char*>(bytes.data()), parsed);
    };
    EXPECT_TRUE(accepts(header(kLittle)));
    EXPECT_FALSE(parsed.swapped);
    EXPECT_FALSE(parsed.nanoseconds);
    EXPECT_EQ(parsed.snapLength, 65535u);
    EXPECT_TRUE(accepts(header(kBigNano)));
    EXPECT_TRUE(parsed.nanoseconds);
    EXPECT_EQ(parsed.snapLength, 65535u);
    EXPECT_TRUE(accepts(header(Layout{false, false, 262144})));

    EXPECT_FALSE(accepts(header(Layout{false, false, 0})));
    EXPECT_FALSE(accepts(header(Layout{false, false, 262145})));
    EXPECT_FALSE(accepts(header(kLittle, 2, 3)));
    EXPECT_FALSE(accepts(header(kLittle, 1, 4)));
    // A pcapng section header block, and text.
    EXPECT_FALSE(accepts(std::string("\x0a\x0d\x0d\x0a\x1c\x00\x00\x00\x4d\x3c\x2b\x1a\x01\x00\x00\x00"
                                     "\xff\xff\xff\xff\xff\xff\xff\xff",
                                     24)));
    EXPECT_FALSE(accepts("12:00:00.000000 this is text, not a savefile"));
}

TEST(SavefileParts, EvenPartSizes) {
    struct SizeCase {
        uint64_t records;
        unsigned children;
        uint64_t largest;
        uint64_t expected;
    };
    const SizeCase cases[] = {
        {1000, 2, 1000, 500},   // one round of two parts
        {1000, 2, 400, 250},    // two rounds: four parts
        {1000, 2, 100, 100},    // five rounds
        {1001, 2, 100, 84},     // six rounds of two: 12 parts, rounded up
        {1000, 4, 1000, 250},
        {10, 8, 1000, 2},       // more children than bytes worth: parts of 2
    };
    for (const SizeCase& c : cases)
        EXPECT_EQ(evenPartSize(c.records, c.children, c.largest), c.expected)
            << c.records << " bytes, " << c.children << " children, parts of at most " << c.largest;
}

}  // namespace
