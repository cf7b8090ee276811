#include "packet/header_line.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "common/bounded_copy.h"
#include "common/char_classes.h"
#include "common/display.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"
#include "common/protocol_numbers.h"
#include "decode/protocol_table.h"
#include "decode/shared_fields.h"
#include "input/hex_readers.h"
#include "packet/llc_phrase.h"
#include "packet/time_delta.h"
#include "present/names.h"

namespace {
constexpr unsigned kEthernetHeaderLength = 14;

// The header line's items, each bounded to its size.
char timestampToken[32];
char sourceToken[256];
char destinationToken[18];
char typeText[256];
// The last type read is an 802.3 length (-extended names it).
bool lengthType = false;
char sourceDisplay[256];
char destinationDisplay[256];

const char* skipSpaces(const char* p) {
    while (*p != '\0' && isSpaceChar(*p)) ++p;
    return p;
}

// Copies the next white-space-separated token into `item`, cut to its size
// (the rest of a longer token is skipped); an absent token leaves it empty.
// Returns the position after the token.
const char* takeToken(const char* p, char* item, size_t size) {
    p = skipSpaces(p);
    size_t length = 0;
    for (; *p != '\0' && !isSpaceChar(*p); ++p)
        if (length + 1 < size) item[length++] = *p;
    item[length] = '\0';
    return p;
}

// A text read as a "%x" scan reads it (an optional sign, an optional 0x, the
// hex digits); false when it does not begin with a hexadecimal number.
bool scanHex(const char* text, uint32_t& value) {
    value = 0;
    bool negative = *text == '-';
    if (*text == '+' || *text == '-') ++text;
    auto digit = [](char c) { return hex_detail::digits.value[static_cast<unsigned char>(c)]; };
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && digit(text[2]) >= 0) text += 2;
    const char* start = text;
    for (; digit(*text) >= 0; ++text) value = value * 16 + static_cast<uint32_t>(digit(*text));
    if (negative) value = 0u - value;
    return text != start;
}

// A decimal number as a "%u" scan reads it: blanks, an optional sign (a
// minus wraps), the digits (held to UINT32_MAX rather than overflowing).
unsigned leadingDecimal(const char* text) {
    text = skipSpaces(text);
    bool negative = *text == '-';
    if (*text == '+' || *text == '-') ++text;
    uint64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        if ((value = value * 10 + static_cast<unsigned>(*text - '0')) > UINT32_MAX) value = UINT32_MAX;
    return negative ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
}

// tcpdump names the type as "ethertype IPv4 (0x0800)"; some names hold a
// space ("ethertype Reverse ARP (0x8035)"), so the name runs up to the "(0x".
// `name` gets the name, the result is the type (0 without a number);
// `after` is set past the phrase's ")" (nullptr when there is none).
int readTypePhrase(const char* phrase, char (&name)[256], const char*& after) {
    const char* text = phrase + 10;
    after = nullptr;
    if (const char* number = std::strstr(text, "(0x")) {
        const char* nameEnd = number;
        if (nameEnd > text && nameEnd[-1] == ' ') --nameEnd;
        copyBounded(name, sizeof name, text, static_cast<size_t>(nameEnd - text));
        if (const char* close = std::strchr(number, ')')) after = close + 1;
        // Up to four digits; hexValue stops at the line's end.
        return static_cast<int>(hexValue(number + 3, 4));
    }
    // No type number: the name alone, up to its first blank, 39 characters at most.
    size_t length = 0;
    while (length < 39 && text[length] != '\0' && !isSpaceChar(text[length])) ++length;
    copyBounded(name, sizeof name, text, length);
    return 0;
}

// Reads the first type phrase; returns the text after it, nullptr when none.
const char* readEtherType(const char* line) {
    const char* phrase = std::strstr(line, "ethertype ");
    if (phrase == nullptr) {
        copyBounded(typeText, "<unknown>");
        state.etherType = 0;
        // An untagged length frame: ", 802.3, length N:" after the addresses.
        lengthType = std::strstr(line, ", 802.3, ") != nullptr;
        return nullptr;
    }
    const char* after;
    state.etherType = readTypePhrase(phrase, typeText, after);
    return after;
}

bool isVlanTagType(int type) { return type == 0x8100 || type == 0x88A8 || type == 0x9100 || type == 0x9200; }

// Skips `word` at p; nullptr when p does not begin with it.
const char* skipWord(const char* p, const char* word) {
    size_t length = std::strlen(word);
    return p != nullptr && std::strncmp(p, word, length) == 0 ? p + length : nullptr;
}

// Reads a decimal number as "%u" does (digits only here); nullptr when none.
const char* readDecimal(const char* p, unsigned& value) {
    if (p == nullptr || !(*p >= '0' && *p <= '9')) return nullptr;
    value = leadingDecimal(p);
    while (*p >= '0' && *p <= '9') ++p;
    return p;
}

// The terse name of a type that tcpdump calls "Unknown": its number (-extended).
const char* knownOrNumber(int type, const char* name) {
    static char number[16];
    if (std::strcmp(name, "Unknown") != 0) return name;
    formatText(number, sizeof number, "0x%04X", static_cast<unsigned>(type));
    return number;
}

void showVlanTag(unsigned id, unsigned priority, bool dei, int type, const char* name) {
    if (displayForm() == Form::verbose) {
        putText("VLAN Header\n");
        putField("Priority:", "%u", priority);
        putField("Flags:", "DEI=%s", dei ? "on" : "off");
        putField("VLAN ID:", "%u", id);
        if (type != 0)
            putField("Encapsulated Protocol:", "0x%04X (%s)", static_cast<unsigned>(type), name);
        else
            putField("Encapsulated Protocol:", "%s", name);
    } else {
        // -extended: the number of a type tcpdump calls Unknown.
        putFormat("VLAN:\tid=%u prio=%u DEI=%d type=%s\n", id, priority, dei ? 1 : 0,
                  type != 0 ? knownOrNumber(type, name) : name);
    }
}

// An 802.3 frame's LLC phrase (and SNAP phrase), read for the LLC decoder:
// the dump starts after them.
void readOuterLlc(const char* phrase) {
    state.outerLlcPending = true;
    state.outerLlcRead = phrase != nullptr && readLlcPhrase(phrase, state.outerLlc) != nullptr;
}

// The 802.1Q tags that tcpdump prints after the first type phrase, each as
// "vlan V, p P[, DEI], " and then the next type phrase, or nothing when an
// 802.3 length follows. tcpdump's dump starts after the last tag, so the type
// to decode is the last one read. Each tag is shown as it is read.
void readVlanTags(const char* p, bool show) {
    char tagName[256];
    bool first = true;
    while (p != nullptr && isVlanTagType(state.etherType)) {
        p = skipWord(p, ", ");
        if (first && p != nullptr) {
            // The frame length comes between the first phrase and the first tag.
            p = skipWord(p, "length ");
            unsigned length;
            p = skipWord(readDecimal(p, length), ": ");
        }
        first = false;
        unsigned id, priority;
        p = readDecimal(skipWord(p, "vlan "), id);
        p = readDecimal(skipWord(p, ", p "), priority);
        if (p == nullptr) return;
        bool dei = skipWord(p, ", DEI") != nullptr;
        if (dei) p += 5;
        if (skipWord(p, ", ") != nullptr) p += 2;
        ++state.vlanTags;
        const char* after = nullptr;
        if (skipWord(p, "ethertype ") != nullptr) {
            state.etherType = readTypePhrase(p, tagName, after);
            lengthType = false;
        } else if (const char* llc = skipWord(p, "802.3")) {
            // An 802.3 length inside the tag: tcpdump goes on at once with the LLC phrase.
            state.etherType = 0;
            copyBounded(tagName, "802.3");
            readOuterLlc(llc);
            lengthType = true;
        } else {
            state.etherType = 0;
            copyBounded(tagName, "<unknown>");
            lengthType = false;
        }
        if (show) showVlanTag(id, priority, dei, state.etherType, tagName);
        p = after;
    }
}

// What a whole-frame dump begins with: the destination and source addresses
// without colons, then the outer type in four digits.
void noteFrameStart() {
    state.frameStart[0] = '\0';
    if (std::strlen(sourceToken) != 17 || std::strlen(destinationToken) != 17) return;
    char* out = state.frameStart;
    for (const char* token : {destinationToken, sourceToken})
        for (const char* c = token; *c != '\0'; ++c)
            if (*c != ':') *out++ = *c;
    static const char kHexDigits[] = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4) *out++ = kHexDigits[(state.outerEtherType >> shift) & 0xF];
    *out = '\0';
}

// The bytes after the link header and the header-line tags: the first
// "length N" less those (unknown without one).
void noteFrameCount() {
    long count = static_cast<long>(state.linkLength) - static_cast<long>(linkHeaderLength());
    state.frameCount = state.linkLength == 0 ? -1 : static_cast<int32_t>(count > 0 ? count : 0);
}

// The link lines' name of the type: the name of its row, else tcpdump's text.
const char* typeNameOf(const char* text) {
    uint32_t value;
    if (scanHex(text, value)) {
        const LinkType* row = linkType(static_cast<int>(value));
        if (row != nullptr && row->name != nullptr && static_cast<uint32_t>(row->number) == value) return row->name;
    }
    return text;
}

// The time and link lines come with every packet: they are put together
// from their texts rather than formatted.
void printTimeLine(const char* delta) {
    if (displayForm() == Form::verbose)
        putLabel("Timestamp:");
    else
        putText("TIME:\t");
    putText(timestampToken);
    putText(delta);
    putChar('\n');
}

void decodePointToPoint(const char* line) {
    takeToken(line, timestampToken, sizeof timestampToken);
    state.etherType = kEtherTypeIp;
    if (!options.noLink) printTimeLine(timeDelta(timestampToken));
}
}  // namespace

const char* normEtherAddr(const char* text) {
    char* out = etherAddrText;
    const char* p = text;
    for (int component = 0; component < 6 && *p != '\0'; ++component) {
        if (component > 0) *out++ = ':';
        if (p[1] == '\0' || p[1] == ':') {
            *out++ = '0';
            *out++ = upperChar(p[0]);
            p += p[1] == '\0' ? 1 : 2;
        } else {
            *out++ = upperChar(p[0]);
            *out++ = upperChar(p[1]);
            p += p[2] == '\0' ? 2 : 3;
        }
    }
    *out = '\0';
    return etherAddrText;
}

void decodeHeaderLine(const char* line) {
    if (options.pointToPoint) {
        decodePointToPoint(line);
        return;
    }

    const char* p = takeToken(line, timestampToken, sizeof timestampToken);
    p = takeToken(p, sourceToken, sizeof sourceToken);
    const char* afterSource = p;
    p = takeToken(p, destinationToken, sizeof destinationToken);
    takeToken(p, typeText, sizeof typeText);
    state.linkLength = 0;
    state.vlanTags = 0;
    lengthType = false;
    state.frameStart[0] = '\0';
    state.frameCount = -1;
    state.linkBytes = 0;
    state.outerLlcPending = false;
    state.outerLlcRead = false;
    state.pvst = false;
    state.linkTextsAtIpHeaders = 0;
    const char* afterType = nullptr;
    bool frame8023 = false;

    // A frame shorter than its link header: tcpdump prints its truncation
    // mark, "[|ether]", where the addresses would be. There is nothing to
    // name and no type to decode.
    if (std::strncmp(sourceToken, "[|", 2) == 0) {
        state.etherType = 0;
        if (options.noLink) return;
        printTimeLine(timeDelta(timestampToken));
        putText("\t<*** Ethernet header missing from packet dump ***>\n");
        return;
    }

    if (destinationToken[0] == '>') {
        if (const char* length = std::strstr(line, "length ")) state.linkLength = leadingDecimal(length + 7);
        // The destination follows the ">" and ends in a comma.
        p = skipSpaces(afterSource);
        if (*p == '>') ++p;
        const char* afterDestination = takeToken(p, destinationToken, sizeof destinationToken);
        if (char* comma = std::strchr(destinationToken, ',')) *comma = '\0';
        const char* lengthField = options.extended ? skipWord(afterDestination, " 802.3, length ") : nullptr;
        if (lengthField != nullptr) {
            // -extended: an 802.3 frame, "802.3, length N: LLC, dsap ...". N is
            // the length field (cut to the bytes after the header): the frame count.
            frame8023 = true;
            unsigned length = leadingDecimal(lengthField);
            state.etherType = static_cast<int>(length);
            state.linkLength = length + kEthernetHeaderLength;
            state.frameCount = static_cast<int32_t>(length);
            copyBounded(typeText, "802.3");
            const char* afterLength = std::strstr(lengthField, ": ");
            readOuterLlc(afterLength != nullptr ? afterLength + 2 : nullptr);
        } else {
            afterType = readEtherType(line);
        }
    } else {
        uint32_t value;
        scanHex(typeText, value);
        state.etherType = static_cast<int>(value);
    }

    copyBounded(sourceToken, normEtherAddr(sourceToken));
    copyBounded(sourceDisplay, etherHostName(sourceToken, true));
    copyBounded(destinationToken, normEtherAddr(destinationToken));
    copyBounded(destinationDisplay, etherHostName(destinationToken, true));
    state.outerEtherType = state.etherType;
    copyBounded(state.srcLinkText, sourceDisplay);
    copyBounded(state.dstLinkText, destinationDisplay);
    // tcpdump dumps an 802.3 frame from its LLC header on or not at all.
    if (options.extended && !frame8023) noteFrameStart();
    if (options.noLink) {
        if (options.extended) readVlanTags(afterType, false);
        if (options.extended && !frame8023) noteFrameCount();
        return;
    }

    const char* delta = timeDelta(timestampToken);
    const char* typeName = typeNameOf(typeText);
    // -extended: the number of a type tcpdump calls "Unknown", and "802.3" for a length.
    bool unknownType = options.extended && state.etherType != 0 && std::strcmp(typeName, "Unknown") == 0;
    if (options.extended && state.etherType == 0 && lengthType) typeName = "802.3";
    printTimeLine(delta);
    if (displayForm() == Form::verbose) {
        putEtherField("Source Ethernet Address:", sourceToken);
        putEtherField("Destination Ethernet Address:", destinationToken);
        if (unknownType)
            putField("Encapsulated Protocol:", "0x%04X (Unknown)", static_cast<unsigned>(state.etherType));
        else
            putField("Encapsulated Protocol:", "%s", typeName);
    } else {
        putText("LINK:\t");
        putText(sourceDisplay);
        putText(" -> ");
        putText(destinationDisplay);
        putText(" type=");
        if (unknownType)
            putFormat("0x%04X", static_cast<unsigned>(state.etherType));
        else
            putText(typeName);
        putChar('\n');
    }
    if (options.extended) readVlanTags(afterType, true);
    if (options.extended && !frame8023) noteFrameCount();
}

bool frameTypeIsLength() { return lengthType; }
