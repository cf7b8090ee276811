// Where a pcapng file may be cut: before a packet block, after blocks that
// are all plainly sound. A part that begins inside a section is given the
// section's header block and the interface descriptions before it.

#include <cstring>

#include "app/savefile_parts.h"
#include "app/savefile_words.h"

namespace {
constexpr uint32_t kSectionHeader = 0x0a0d0d0a;   // the same in both byte orders
constexpr uint32_t kInterfaceDescription = 1;
constexpr uint32_t kObsoletePacket = 2;
constexpr uint32_t kSimplePacket = 3;
constexpr uint32_t kEnhancedPacket = 6;
constexpr uint32_t kByteOrderMagic = 0x1a2b3c4d;
constexpr uint16_t kMajorVersion = 1;
// Type, length, the fields before a packet's data, and the trailing length.
constexpr size_t kBlockFrame = 12;
constexpr size_t kEnhancedFixed = 28;   // type, length, interface, time, captured, original
constexpr size_t kSimpleFixed = 12;     // type, length, original
constexpr size_t kSectionFixed = 16;    // type, length, magic, versions
constexpr size_t kInterfaceFixed = 16;  // type, length, link type, reserved, snapshot length
// A block longer than this is not plain: the largest packet and its options.
constexpr uint32_t kLargestBlock = kLargestRecord + (1 << 16);

// The byte order a Section Header Block's magic tells; false for none.
bool sectionOrder(const unsigned char* block, bool& swapped) {
    uint32_t magic = savefileWord(block + 8, false);
    if (magic == kByteOrderMagic) {
        swapped = false;
        return true;
    }
    if (__builtin_bswap32(magic) == kByteOrderMagic) {
        swapped = true;
        return true;
    }
    return false;
}

uint32_t padded(uint32_t length) { return (length + 3) & ~uint32_t{3}; }

// Block headers are read from a window of the file, so that walking a part
// costs one read per window rather than one per block.
constexpr size_t kWindowSize = 1 << 18;

struct Window {
    const SavefileReader& reader;
    uint64_t end;
    unsigned char* bytes;
    uint64_t start = 0;
    size_t length = 0;

    // The `count` bytes at `offset`, or nullptr when the file ends first.
    const unsigned char* at(uint64_t offset, size_t count) {
        if (offset < start || offset + count > start + length) {
            start = offset;
            uint64_t want = offset < end ? end - offset : 0;
            if (want > kWindowSize) want = kWindowSize;
            length = reader.readAt(reader.context, offset, bytes, static_cast<size_t>(want));
        }
        return offset + count <= start + length ? bytes + (offset - start) : nullptr;
    }
};

// Appends the block at `offset` to the section's prefix; false when it does
// not fit.
bool keep(PcapngSection& section, const SavefileReader& reader, uint64_t offset, uint32_t length) {
    if (length > kPrefixCapacity - section.prefixLength) return false;
    if (reader.readAt(reader.context, offset, section.prefix + section.prefixLength, length) != length) return false;
    section.prefixLength += length;
    return true;
}

uint64_t doubt(PcapngSection& section, uint64_t end) {
    section.doubtful = true;
    return end;
}
}  // namespace

bool isPcapng(const unsigned char* bytes, size_t length) {
    bool swapped;
    return length >= kBlockFrame && savefileWord(bytes, false) == kSectionHeader && sectionOrder(bytes, swapped);
}

long pcapngLinkType(const unsigned char* bytes, size_t length) {
    bool swapped;
    if (!isPcapng(bytes, length) || !sectionOrder(bytes, swapped)) return -1;
    // Blocks before the first interface description (its section header,
    // name resolution, comments) are passed over; a packet block first is
    // no sound file.
    for (size_t at = 0; at + kInterfaceFixed <= length;) {
        uint32_t type = savefileWord(bytes + at, swapped);
        uint32_t blockLength = savefileWord(bytes + at + 4, swapped);
        if (type == kInterfaceDescription) return savefileHalf(bytes + at + 8, swapped);
        if (blockLength < kBlockFrame || blockLength % 4 != 0 || type == kEnhancedPacket ||
            type == kSimplePacket || type == kObsoletePacket)
            return -1;
        at += blockLength;
    }
    return -1;
}

uint64_t nextPcapngPartEnd(const SavefileReader& reader, PcapngSection& section, uint64_t from, uint64_t end,
                           uint64_t partSize) {
    if (section.doubtful) return end;
    static unsigned char windowBytes[kWindowSize];
    Window window{reader, end, windowBytes};
    bool holdsPacket = false;   // a part holds one packet at least
    for (uint64_t at = from; at < end;) {
        const unsigned char* head = window.at(at, 8);
        if (head == nullptr) return doubt(section, end);   // a block cut off by the end of the file
        uint32_t type = savefileWord(head, section.swapped);
        bool swapped = section.swapped;
        if (type == kSectionHeader) {
            head = window.at(at, kBlockFrame);
            // Every section in the byte order of the first, as tcpdump reads them.
            if (head == nullptr || !sectionOrder(head, swapped) || (section.started && swapped != section.swapped))
                return doubt(section, end);
        }
        uint32_t length = savefileWord(head + 4, swapped);
        if (length < kBlockFrame || length % 4 != 0 || length > kLargestBlock || length > end - at)
            return doubt(section, end);
        // The fields this block's checks need, read before the window moves to its end.
        unsigned char fixed[kEnhancedFixed] = {};
        size_t fixedLength = length - 4 < kEnhancedFixed ? length - 4 : kEnhancedFixed;
        head = window.at(at, fixedLength);
        if (head == nullptr) return doubt(section, end);
        std::memcpy(fixed, head, fixedLength);
        const unsigned char* trailer = window.at(at + length - 4, 4);
        if (trailer == nullptr || savefileWord(trailer, swapped) != length) return doubt(section, end);

        bool packet = false;
        switch (type) {
        case kSectionHeader:
            if (length < kSectionFixed + 12 || savefileHalf(fixed + 12, swapped) != kMajorVersion)
                return doubt(section, end);
            section.started = true;
            section.swapped = swapped;
            section.interfaces = 0;
            section.prefixLength = 0;
            if (!keep(section, reader, at, length)) return doubt(section, end);
            break;
        case kInterfaceDescription: {
            if (!section.started || length < kInterfaceFixed + 4) return doubt(section, end);
            long linkType = savefileHalf(fixed + 8, swapped);
            uint32_t snapLength = savefileWord(fixed + 12, swapped);
            // tcpdump refuses an interface of another link type or snapshot
            // length than the first: one child says so where it meets it.
            if (section.linkType >= 0 && (linkType != section.linkType || snapLength != section.snapLength))
                return doubt(section, end);
            section.linkType = linkType;
            section.snapLength = snapLength;
            ++section.interfaces;
            if (!keep(section, reader, at, length)) return doubt(section, end);
            break;
        }
        case kEnhancedPacket: {
            if (length < kEnhancedFixed + 4) return doubt(section, end);
            uint32_t interface = savefileWord(fixed + 8, swapped);
            uint32_t captured = savefileWord(fixed + 20, swapped);
            uint32_t original = savefileWord(fixed + 24, swapped);
            bool overSnapshot = section.snapLength != 0 && captured > section.snapLength;
            if (interface >= section.interfaces || captured > original || original > kLargestFrame ||
                captured > kLargestRecord || overSnapshot || kEnhancedFixed + padded(captured) + 4 > length)
                return doubt(section, end);
            packet = true;
            break;
        }
        case kSimplePacket:
            if (section.interfaces == 0 || length < kSimpleFixed + 4 ||
                savefileWord(fixed + 8, swapped) > kLargestFrame)
                return doubt(section, end);
            packet = true;
            break;
        case kObsoletePacket:
            return doubt(section, end);
        default:
            // Name resolution, statistics, comments and the like: tcpdump
            // passes over them.
            if (!section.started) return doubt(section, end);
            break;
        }
        if (packet && holdsPacket && at - from >= partSize) return at;
        holdsPacket = holdsPacket || packet;
        at += length;
    }
    return end;
}
