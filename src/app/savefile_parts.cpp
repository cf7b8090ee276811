#include "app/savefile_parts.h"

#include <cstring>

#include "app/savefile_words.h"

namespace {
constexpr uint32_t kMicrosecondMagic = 0xa1b2c3d4;
constexpr uint32_t kNanosecondMagic = 0xa1b23c4d;
constexpr size_t kLinkTypeOffset = 20;

uint32_t swap32(uint32_t value) { return __builtin_bswap32(value); }
uint32_t word(const unsigned char* bytes, bool swapped) { return savefileWord(bytes, swapped); }
uint16_t half(const unsigned char* bytes, bool swapped) { return savefileHalf(bytes, swapped); }

// True when the record header is plainly sound; `length` is then its data's.
// (A record of no data is sound: tcpdump says so in its line for it.)
bool soundRecord(const unsigned char* record, const SavefileHeader& header, uint32_t& length) {
    uint32_t fraction = word(record + 4, header.swapped);
    uint32_t captured = word(record + 8, header.swapped);
    uint32_t onWire = word(record + 12, header.swapped);
    uint32_t fractionLimit = header.nanoseconds ? 1000000000 : 1000000;
    if (fraction >= fractionLimit) return false;
    if (captured > header.snapLength || captured > onWire || onWire > kLargestFrame) return false;
    length = captured;
    return true;
}

// Record headers are read from a block, so that walking a part costs one read
// per block rather than one per record.
constexpr size_t kBlockSize = 1 << 18;
}  // namespace

namespace {
// The byte order and resolution that a pcap savefile's magic number tells;
// false for anything else (pcapng, text).
bool readMagic(const unsigned char* bytes, bool& swapped, bool& nanoseconds) {
    uint32_t magic = word(bytes, false);
    swapped = swap32(magic) == kMicrosecondMagic || swap32(magic) == kNanosecondMagic;
    if (swapped) magic = swap32(magic);
    nanoseconds = magic == kNanosecondMagic;
    return magic == kMicrosecondMagic || magic == kNanosecondMagic;
}
}  // namespace

long savefileLinkType(const unsigned char* bytes, size_t length) {
    if (isPcapng(bytes, length)) return pcapngLinkType(bytes, length);
    bool swapped, nanoseconds;
    if (length < kSavefileHeaderSize || !readMagic(bytes, swapped, nanoseconds)) return -1;
    // The high bits may carry the frame check sequence length.
    return static_cast<long>(word(bytes + kLinkTypeOffset, swapped) & 0xffff);
}

bool readSavefileHeader(const unsigned char bytes[kSavefileHeaderSize], SavefileHeader& header) {
    bool swapped, nanoseconds;
    if (!readMagic(bytes, swapped, nanoseconds)) return false;
    if (half(bytes + 4, swapped) != 2 || half(bytes + 6, swapped) != 4) return false;
    uint32_t snapLength = word(bytes + 16, swapped);
    if (snapLength == 0 || snapLength > kLargestRecord) return false;
    header.swapped = swapped;
    header.nanoseconds = nanoseconds;
    header.snapLength = snapLength;
    return true;
}

uint64_t nextPartEnd(const SavefileReader& reader, const SavefileHeader& header, uint64_t from, uint64_t end,
                     uint64_t partSize) {
    static unsigned char block[kBlockSize];
    uint64_t blockStart = 0;
    size_t blockLength = 0;
    uint64_t at = from;
    while (at < end) {
        if (at < blockStart || at + kRecordHeaderSize > blockStart + blockLength) {
            blockStart = at;
            uint64_t want = end - at < kBlockSize ? end - at : kBlockSize;
            blockLength = reader.readAt(reader.context, at, block, static_cast<size_t>(want));
            if (blockLength < kRecordHeaderSize) return end;
        }
        uint32_t length = 0;
        if (!soundRecord(block + (at - blockStart), header, length)) return end;
        uint64_t next = at + kRecordHeaderSize + length;
        if (next > end) return end;   // cut off by the end of the file
        if (at - from >= partSize) return at;
        at = next;
    }
    return end;
}

uint64_t evenPartSize(uint64_t recordBytes, unsigned children, uint64_t largestPart) {
    if (children == 0 || largestPart == 0) return recordBytes;
    uint64_t round = children * largestPart;
    uint64_t rounds = (recordBytes + round - 1) / round;
    uint64_t parts = rounds * children;
    return parts == 0 ? recordBytes : (recordBytes + parts - 1) / parts;
}

bool startCutting(SavefileCutter& cutter, const SavefileReader& reader, uint64_t begin, uint64_t end) {
    cutter.reader = reader;
    cutter.end = end;
    unsigned char start[kSavefileHeaderSize];
    if (reader.readAt(reader.context, begin, start, sizeof start) != sizeof start) return false;
    cutter.pcapng = isPcapng(start, sizeof start);
    if (cutter.pcapng) {
        // The first part holds the file's own first blocks.
        cutter.section = PcapngSection{};
        cutter.next = begin;
        return true;
    }
    if (!readSavefileHeader(start, cutter.header)) return false;
    std::memcpy(cutter.partPrefix, start, sizeof start);
    cutter.partPrefixLength = sizeof start;
    cutter.next = begin + kSavefileHeaderSize;
    return true;
}

bool nextPart(SavefileCutter& cutter, uint64_t partSize, uint64_t& from, uint64_t& to) {
    if (cutter.next >= cutter.end) return false;
    from = cutter.next;
    if (cutter.pcapng) {
        // The prefix as it stands where the part begins, before the walk
        // takes in the part's own blocks.
        std::memcpy(cutter.partPrefix, cutter.section.prefix, cutter.section.prefixLength);
        cutter.partPrefixLength = cutter.section.started ? cutter.section.prefixLength : 0;
        to = nextPcapngPartEnd(cutter.reader, cutter.section, from, cutter.end, partSize);
    } else {
        to = nextPartEnd(cutter.reader, cutter.header, from, cutter.end, partSize);
    }
    cutter.next = to;
    return true;
}
