#pragma once

#include <cstddef>
#include <cstdint>

// Where a savefile may be cut so that several tcpdump children, each given
// what must come before its part (a pcap file's header; a pcapng file's
// section header and interface descriptions) and the part, print exactly the
// text one child prints for the whole file.

constexpr size_t kSavefileHeaderSize = 24;
constexpr size_t kRecordHeaderSize = 16;
// The largest record a reader of savefiles accepts.
constexpr uint32_t kLargestRecord = 262144;
// A frame longer than this on the wire is not a plain record.
constexpr uint32_t kLargestFrame = 1 << 20;

// What the cutting needs of a savefile's 24-byte header.
struct SavefileHeader {
    bool swapped = false;       // written in the other byte order than ours
    bool nanoseconds = false;   // the nanosecond magic
    uint32_t snapLength = 0;
};

// Reads a savefile header: false when the bytes are not the header of a pcap
// savefile we may cut (pcapng, text, another version, an odd snapshot length).
bool readSavefileHeader(const unsigned char bytes[kSavefileHeaderSize], SavefileHeader& header);

// The link type that a savefile's first `length` bytes name, in either byte
// order: a pcap file's header, or a pcapng file's first Interface Description
// Block (when these bytes reach it); -1 when they name none.
long savefileLinkType(const unsigned char* bytes, size_t length);

// Reads `length` bytes at `offset` of the savefile into `into`; returns how
// many it got (fewer at the end of the file).
struct SavefileReader {
    size_t (*readAt)(void* context, uint64_t offset, unsigned char* into, size_t length);
    void* context;
};

// The end of the part that begins at the record boundary `from`, in a savefile
// whose records end at `end`: the first record boundary at least `partSize`
// bytes on, where the record begins with a plainly sound header and every
// record before it had one too. `end` when the records run out first, or when
// a doubtful record header comes first: from there on one child reads the
// rest, so a damaged or truncated savefile is shown as one child shows it.
uint64_t nextPartEnd(const SavefileReader& reader, const SavefileHeader& header, uint64_t from, uint64_t end,
                     uint64_t partSize);

// The part size for `recordBytes` bytes of records and `children` children
// running at once: parts of at most `largestPart` bytes, as many as a whole
// number of rounds of `children` parts needs, so the last round is not a
// lone small part.
uint64_t evenPartSize(uint64_t recordBytes, unsigned children, uint64_t largestPart);

// A pcapng file's section being walked: what a part that begins inside it
// must be given first, its Section Header Block and the Interface Description
// Blocks so far (tcpdump needs no other block).
constexpr size_t kPrefixCapacity = 1 << 16;
struct PcapngSection {
    bool started = false;       // the file's first section header was read
    bool swapped = false;       // the file's byte order: every section's
    long linkType = -1;         // the file's first interface's
    uint32_t snapLength = 0;    // the same (0: none)
    unsigned interfaces = 0;    // described so far in this section
    bool doubtful = false;      // a doubtful block was met: no cut after it
    unsigned char prefix[kPrefixCapacity];
    size_t prefixLength = 0;
};

// True when the bytes begin a pcapng Section Header Block of either byte order.
bool isPcapng(const unsigned char* bytes, size_t length);

// The link type of a pcapng file's first Interface Description Block, when
// the file's first `length` bytes reach it; -1 otherwise.
long pcapngLinkType(const unsigned char* bytes, size_t length);

// As nextPartEnd, for a pcapng file walked from its start (`section` then
// follows the walk): the first packet block at least `partSize` bytes on,
// where every block before it and the packet block itself are plainly sound
// (lengths that agree at both ends, inside the file; a packet of a described
// interface no longer than its block or the snapshot length; every interface
// of the first one's link type and snapshot length, every section of its
// byte order), a part holding one packet at least;
// `end` when the blocks run out first or
// a doubtful block comes first, and at every later call.
uint64_t nextPcapngPartEnd(const SavefileReader& reader, PcapngSection& section, uint64_t from, uint64_t end,
                           uint64_t partSize);

// A savefile, pcap or pcapng, cut into parts one after the other.
struct SavefileCutter {
    SavefileReader reader{};
    uint64_t next = 0, end = 0;   // where the next part begins; the end of the file
    bool pcapng = false;
    SavefileHeader header;        // a pcap file's
    PcapngSection section;        // a pcapng file's, walked up to `next`
    // What the part last planned must be given before its bytes.
    unsigned char partPrefix[kPrefixCapacity];
    size_t partPrefixLength = 0;
};

// Starts cutting the savefile that lies from `begin` to `end` of what
// `reader` reads; false when it is no pcap savefile we may cut and no pcapng
// file.
bool startCutting(SavefileCutter& cutter, const SavefileReader& reader, uint64_t begin, uint64_t end);

// Plans the next part, of at least `partSize` bytes where it can be cut:
// its bytes [from, to) and, in cutter.partPrefix, what comes before them
// (until the next call). False when no part is left.
bool nextPart(SavefileCutter& cutter, uint64_t partSize, uint64_t& from, uint64_t& to);
