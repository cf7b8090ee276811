#pragma once

// pcapng files made in the tests: blocks written one by one in either byte
// order, and a pcap savefile's records rewritten as a pcapng file of several
// sections and interfaces.

#include <cstdint>
#include <cstring>
#include <string>

class PcapngFile {
public:
    explicit PcapngFile(bool bigEndian = false) : big_(bigEndian) {}

    std::string u32(uint32_t value) const {
        std::string out;
        for (int i = 0; i < 4; ++i) out += static_cast<char>(value >> (big_ ? 24 - 8 * i : 8 * i));
        return out;
    }
    std::string u16(uint16_t value) const {
        std::string out;
        out += static_cast<char>(big_ ? value >> 8 : value);
        out += static_cast<char>(big_ ? value : value >> 8);
        return out;
    }

    // Any block: type, length, the body padded to 4 bytes, the length again.
    void block(uint32_t type, std::string body) {
        body.resize((body.size() + 3) / 4 * 4, '\0');
        uint32_t length = static_cast<uint32_t>(12 + body.size());
        bytes += u32(type) + u32(length) + body + u32(length);
    }
    void sectionHeader() { block(0x0a0d0d0a, u32(0x1a2b3c4d) + u16(1) + u16(0) + std::string(8, '\xff')); }
    // An interface; `nanoseconds` gives it the option if_tsresol=9.
    void interface(uint16_t linkType, uint32_t snapLength = 262144, bool nanoseconds = false) {
        std::string options;
        if (nanoseconds) options = u16(9) + u16(1) + std::string("\x09\0\0\0", 4) + u16(0) + u16(0);
        block(1, u16(linkType) + u16(0) + u32(snapLength) + options);
    }
    // A packet of `interface`, at `time` in that interface's units.
    void packet(uint32_t interface, uint64_t time, const std::string& data, uint32_t original = 0) {
        block(6, u32(interface) + u32(static_cast<uint32_t>(time >> 32)) + u32(static_cast<uint32_t>(time)) +
                     u32(static_cast<uint32_t>(data.size())) +
                     u32(original != 0 ? original : static_cast<uint32_t>(data.size())) + data);
    }
    // A block that tcpdump passes over: a name resolution block.
    void nameResolution() { block(4, u16(1) + u16(8) + std::string("\x0a\x00\x00\x01" "a.b\0", 8) + u32(0)); }

    std::string bytes;

private:
    bool big_;
};

// A pcap savefile (the little-endian, microsecond kind made here) as a pcapng
// file: a new section every `recordsPerSection` records (0: one section),
// each with `interfaces` Ethernet interfaces (the second one in
// nanoseconds) over which the records take turns, and a name resolution
// block after each section's interfaces.
inline std::string pcapngFromPcap(const std::string& savefile, bool bigEndian, size_t recordsPerSection = 0,
                                  unsigned interfaces = 1) {
    auto get32 = [&savefile](size_t at) {
        uint32_t value;
        std::memcpy(&value, savefile.data() + at, 4);
        return value;
    };
    PcapngFile file(bigEndian);
    size_t inSection = 0;
    unsigned next = 0;
    for (size_t at = 24; at + 16 <= savefile.size();) {
        uint32_t captured = get32(at + 8);
        if (at + 16 + captured > savefile.size()) break;
        if (file.bytes.empty() || (recordsPerSection > 0 && inSection == recordsPerSection)) {
            file.sectionHeader();
            for (unsigned i = 0; i < interfaces; ++i) file.interface(1, 262144, i == 1);
            file.nameResolution();
            inSection = 0;
        }
        uint64_t micros = uint64_t{get32(at)} * 1000000 + get32(at + 4);
        unsigned interface = next++ % interfaces;
        file.packet(interface, interface == 1 ? micros * 1000 : micros, savefile.substr(at + 16, captured),
                    get32(at + 12));
        ++inSection;
        at += 16 + captured;
    }
    return file.bytes;
}
