#include "packet/llc_phrase.h"

#include <cstring>

#include "input/hex_readers.h"

namespace {
// Skips `word` at p; nullptr when p does not begin with it.
const char* skipWord(const char* p, const char* word) {
    size_t length = std::strlen(word);
    return p != nullptr && std::strncmp(p, word, length) == 0 ? p + length : nullptr;
}

// A name and its number, "STP (0x42)" or "Reverse ARP (0x8035)": the name may
// hold blanks, so the number is the first "(0x" on. Reads at most `maxDigits`
// hex digits and wants the ")"; nullptr when there is no such number.
const char* readNamedNumber(const char* p, int maxDigits, uint32_t& value) {
    if (p == nullptr) return nullptr;
    const char* number = std::strstr(p, "(0x");
    if (number == nullptr) return nullptr;
    number += 3;
    int count = 0;
    while (count < maxDigits && hex_detail::digits.value[static_cast<unsigned char>(number[count])] >= 0) ++count;
    if (count == 0 || number[count] != ')') return nullptr;
    value = hexValue(number, count);
    return number + count + 1;
}

// One of two words: `second` sets the bit. nullptr when neither is there.
const char* readBitWord(const char* p, const char* first, const char* second, bool& set) {
    if (const char* after = skipWord(p, first)) {
        set = false;
        return after;
    }
    if (const char* after = skipWord(p, second)) {
        set = true;
        return after;
    }
    return nullptr;
}

// "oui NAME (0xHHHHHH), pid NAME (0xHHHH), length N: " or with "ethertype"
// for "pid"; false (and nothing read) when the phrase is not whole.
const char* readSnapPhrase(const char* p, LlcPhrase& out) {
    uint32_t oui, protocolId;
    p = readNamedNumber(skipWord(p, "oui "), 6, oui);
    p = skipWord(p, ", ");
    if (p == nullptr) return nullptr;
    const char* kind = skipWord(p, "pid ");
    if (kind == nullptr) kind = skipWord(p, "ethertype ");
    p = readNamedNumber(kind, 4, protocolId);
    if (p == nullptr) return nullptr;
    out.snap = true;
    out.oui = oui;
    out.protocolId = protocolId;
    return p;
}
}  // namespace

const char* readLlcPhrase(const char* p, LlcPhrase& out) {
    out = LlcPhrase{};
    uint32_t dsap, ssap, control;
    bool group, response;
    p = readNamedNumber(skipWord(p, "LLC, dsap "), 2, dsap);
    p = readBitWord(skipWord(p, " "), "Individual", "Group", group);
    p = readNamedNumber(skipWord(p, ", ssap "), 2, ssap);
    p = readBitWord(skipWord(p, " "), "Command", "Response", response);
    p = skipWord(p, ", ctrl 0x");
    if (p == nullptr) return nullptr;
    int digits = 0;
    while (digits < 5 && hex_detail::digits.value[static_cast<unsigned char>(p[digits])] >= 0) ++digits;
    if ((digits != 2 && digits != 4) || p[digits] != ':') return nullptr;
    control = hexValue(p, digits);
    p += digits + 1;
    out.dsap = static_cast<uint8_t>((dsap & 0xFE) | (group ? 1 : 0));
    out.ssap = static_cast<uint8_t>((ssap & 0xFE) | (response ? 1 : 0));
    out.control = control;
    out.controlBytes = static_cast<uint8_t>(digits / 2);
    // SNAP follows a UI frame between SNAP SAPs.
    if (dsap == 0xAA && ssap == 0xAA && control == 0x03) {
        const char* afterSnap = readSnapPhrase(skipWord(p, " "), out);
        if (afterSnap != nullptr) p = afterSnap;
    }
    return p;
}
