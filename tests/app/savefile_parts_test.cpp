// Where a savefile is cut among several tcpdump children: only at record
// (pcap) or packet block (pcapng) boundaries after plainly sound ones, the
// rest of the file to one child from the first doubtful one on. Small part
// sizes on savefiles made in memory.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/savefile_parts.h"
#include "support/pcapng_file.h"
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

// ---------------------------------------------------------------------------
// pcapng files: cut before a packet block, after sound blocks only; a part
// inside a section is given the section's header and interfaces first.

namespace {

const std::string kPacketData(60, 'p');

// A section header, an interface, and `count` packets of 60 bytes: blocks
// of 28 and 20 bytes, then packets of 92 bytes at 48, 140, 232, ... 876,
// ending at 968 for ten.
PcapngFile oneSection(bool bigEndian, int count = 10) {
    PcapngFile file(bigEndian);
    file.sectionHeader();
    file.interface(1);
    for (int i = 0; i < count; ++i) file.packet(0, 1000 + i, kPacketData);
    return file;
}

struct PcapngPart {
    uint64_t from, to;
    std::string prefix;
};

std::vector<PcapngPart> pcapngParts(std::string bytes, uint64_t partSize) {
    auto cutter = std::make_unique<SavefileCutter>();
    SavefileReader reader{readFromString, &bytes};
    EXPECT_TRUE(startCutting(*cutter, reader, 0, bytes.size()));
    EXPECT_TRUE(cutter->pcapng);
    std::vector<PcapngPart> parts;
    uint64_t from, to;
    while (nextPart(*cutter, partSize, from, to))
        parts.push_back({from, to, std::string(reinterpret_cast<const char*>(cutter->partPrefix), cutter->partPrefixLength)});
    return parts;
}

std::vector<uint64_t> pcapngEnds(const std::string& bytes, uint64_t partSize) {
    std::vector<uint64_t> ends;
    for (const PcapngPart& part : pcapngParts(bytes, partSize)) ends.push_back(part.to);
    return ends;
}

// The file with the 4 bytes at `at` replaced by `value` in its byte order.
std::string with32(const PcapngFile& file, size_t at, uint32_t value) {
    std::string bytes = file.bytes;
    bytes.replace(at, 4, file.u32(value));
    return bytes;
}

}  // namespace

TEST(PcapngParts, PartsEndWhereExpected) {
    const std::vector<uint64_t> sound = {140, 324, 508, 692, 876, 968};
    const PcapngFile little = oneSection(false), big = oneSection(true);
    PcapngFile snapped(false);   // a snapshot length of 60, and a third packet of 64 bytes
    snapped.sectionHeader();
    snapped.interface(1, 60);
    for (int i = 0; i < 10; ++i) snapped.packet(0, 1000 + i, i == 2 ? kPacketData + "four" : kPacketData, 100);
    PcapngFile withNames(false);   // a name resolution block (28 bytes) before the fourth packet
    withNames.sectionHeader();
    withNames.interface(1);
    for (int i = 0; i < 10; ++i) {
        if (i == 3) withNames.nameResolution();
        withNames.packet(0, 1000 + i, kPacketData);
    }
    PcapngFile obsolete = oneSection(false, 3);
    obsolete.block(2, std::string(20, '\0') + kPacketData);
    for (int i = 0; i < 6; ++i) obsolete.packet(0, 2000 + i, kPacketData);
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<uint64_t> ends;
    };
    const Case cases[] = {
        {"sound, little-endian", little.bytes, sound},
        {"sound, big-endian", big.bytes, sound},
        // A cut falls only before a packet block: the names block does not end a part.
        {"a block that is no packet", withNames.bytes, {140, 352, 536, 720, 904, 996}},
        // The block where the third part would begin: no cut before it either.
        {"lengths that disagree at a boundary", with32(little, 324 + 88, 96), {140, 968}},
        {"lengths that disagree mid-part", with32(little, 232 + 88, 0), {140, 968}},
        {"a length not a multiple of 4", with32(little, 232 + 4, 93), {140, 968}},
        {"a block past the end of the file", with32(little, 232 + 4, 2000), {140, 968}},
        {"an undescribed interface", with32(little, 232 + 8, 1), {140, 968}},
        {"captured longer than the frame", with32(little, 232 + 24, 59), {140, 968}},
        {"captured longer than its block", with32(big, 232 + 20, 64), {140, 968}},
        {"captured longer than the snapshot length", snapped.bytes, {140, 972}},
        {"an obsolete packet block", obsolete.bytes, {140, 968}},
        {"last block cut short", little.bytes.substr(0, 963), {140, 324, 508, 692, 963}},
    };
    for (const Case& c : cases) EXPECT_EQ(pcapngEnds(c.bytes, 100), c.ends) << c.name;
}

TEST(PcapngParts, EachPartGetsItsSectionHeaderAndInterfaces) {
    for (bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
        PcapngFile file(bigEndian), first(bigEndian), header(bigEndian), names(bigEndian), nanoseconds(bigEndian);
        first.sectionHeader();
        first.interface(1);
        header.sectionHeader();
        header.interface(1);
        names.nameResolution();
        nanoseconds.interface(1, 262144, true);
        std::string second = header.bytes + names.bytes + nanoseconds.bytes;
        file.bytes = first.bytes;
        for (int i = 0; i < 3; ++i) file.packet(0, 1000 + i, kPacketData);
        size_t secondAt = file.bytes.size();
        file.bytes += second;
        for (int i = 0; i < 4; ++i) file.packet(i % 2, 2000 + i, kPacketData);
        // Parts of one packet each: the first holds the file's own start.
        std::vector<PcapngPart> parts = pcapngParts(file.bytes, 1);
        ASSERT_EQ(parts.size(), 7u);
        EXPECT_EQ(parts[0].from, 0u);
        EXPECT_EQ(parts[0].prefix, "");
        EXPECT_EQ(parts[1].prefix, first.bytes);
        EXPECT_EQ(parts[2].prefix, first.bytes);
        // The second section's first packet comes after its header: the part
        // before it ran on through that header.
        EXPECT_EQ(parts[2].to, secondAt + second.size());
        // Its header and interfaces, without the names block.
        for (size_t i = 3; i < parts.size(); ++i) EXPECT_EQ(parts[i].prefix, header.bytes + nanoseconds.bytes) << i;
        EXPECT_EQ(parts.back().to, file.bytes.size());
    }
}

TEST(PcapngParts, SectionsThatOneChildMustRead) {
    // A later section in the other byte order, or with an interface of
    // another link type or snapshot length: no cut from there on.
    PcapngFile file(false);
    file.sectionHeader();
    file.interface(1);
    for (int i = 0; i < 4; ++i) file.packet(0, 1000 + i, kPacketData);
    std::string start = file.bytes;
    PcapngFile otherOrder = oneSection(true, 4);
    PcapngFile otherLink(false);
    otherLink.sectionHeader();
    otherLink.interface(101);
    for (int i = 0; i < 4; ++i) otherLink.packet(0, 2000 + i, kPacketData);
    PcapngFile otherSnapshot(false);
    otherSnapshot.sectionHeader();
    otherSnapshot.interface(1, 65535);
    for (int i = 0; i < 4; ++i) otherSnapshot.packet(0, 2000 + i, kPacketData);
    PcapngFile sameAgain = oneSection(false, 4);
    // Parts of one packet: cuts before packets 2, 3 and 4 of the first section.
    EXPECT_EQ(pcapngEnds(start + sameAgain.bytes, 1).size(), 8u);
    EXPECT_EQ(pcapngEnds(start + otherOrder.bytes, 1),
              (std::vector<uint64_t>{140, 232, 324, (start + otherOrder.bytes).size()}));
    EXPECT_EQ(pcapngEnds(start + otherLink.bytes, 1),
              (std::vector<uint64_t>{140, 232, 324, (start + otherLink.bytes).size()}));
    EXPECT_EQ(pcapngEnds(start + otherSnapshot.bytes, 1),
              (std::vector<uint64_t>{140, 232, 324, (start + otherSnapshot.bytes).size()}));
}
