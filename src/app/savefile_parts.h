#pragma once

#include <cstddef>
#include <cstdint>

// Where a pcap savefile may be cut so that several tcpdump children, each
// given the file's header and one part, print exactly the text one child
// prints for the whole file.

constexpr size_t kSavefileHeaderSize = 24;
constexpr size_t kRecordHeaderSize = 16;

// What the cutting needs of a savefile's 24-byte header.
struct SavefileHeader {
    bool swapped = false;       // written in the other byte order than ours
    bool nanoseconds = false;   // the nanosecond magic
    uint32_t snapLength = 0;
};

// Reads a savefile header: false when the bytes are not the header of a pcap
// savefile we may cut (pcapng, text, another version, an odd snapshot length).
bool readSavefileHeader(const unsigned char bytes[kSavefileHeaderSize], SavefileHeader& header);

// The link type that a pcap savefile header (its first `length` bytes) names,
// in either byte order; -1 when it is no pcap savefile header.
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
