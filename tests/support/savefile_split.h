#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// For tests of the run split among several tcpdump children.

// A stand-in tcpdump first on PATH: a script that notes each start (its
// process id and arguments, one line) and runs the real tcpdump in its place,
// after `delay` seconds when given (so that a child that fails at once does
// not get the others ended before they have noted their start).
class TcpdumpStarts {
public:
    explicit TcpdumpStarts(const char* delay = nullptr);
    ~TcpdumpStarts();
    std::vector<std::string> env() const;   // PATH with the stand-in first, TZ=UTC
    std::vector<std::string> lines() const; // "PID ARGS..." a start
    std::vector<int> pids() const;
    const std::string& directory() const { return dir_; }

private:
    std::string dir_;
};

// The read of a SavefileReader over a savefile's bytes in memory (`context`:
// the std::string).
size_t readFromString(void* context, uint64_t offset, unsigned char* into, size_t length);

// Where the split run cuts `path` (pcap or pcapng) on this machine (the ends
// of its parts), as the program computes them; empty when it would not split
// it.
std::vector<uint64_t> splitPartEnds(const std::string& path);

// A little-endian pcapng file's blocks, each as its offset in the file.
std::vector<uint64_t> blockOffsets(const std::string& bytes);

// The savefile's records, each as its offset in the file.
std::vector<uint64_t> recordOffsets(const std::string& bytes);

// The savefile with the source address of its first IPv4 frame at or after
// `offset` made 198.51.100.77, a host that a name fixture can give a name
// too long to be a host name ("***Error: Hostname too long"); false when no
// IPv4 frame comes after `offset`.
bool nameTooLongAfter(std::string& savefile, uint64_t offset);
// The name fixture line for that host.
std::string tooLongHostName();

// Where the two texts first differ, with some context, or "" when they are equal:
// displays of many megabytes are not printed whole.
std::string firstDifference(const std::string& expected, const std::string& actual);
