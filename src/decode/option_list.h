#pragma once

#include <cstdint>

#include "common/display.h"
#include "input/hex_readers.h"
#include "input/region.h"

// The option lists of TCP and IPv4 headers (-extended): the bytes after a
// header's fixed 20, read whole before any of them is shown, then walked
// option by option. Terse: the options' items on tab-led lines of at most 72
// characters, nop and eol left out. Verbose: an "Option:" field a option.

// The longest option area: a header of 60 bytes less its fixed 20.
constexpr int kMaxOptionArea = 40;

// An option's items are written through this: the first item of the option,
// then its further items (SACK blocks, route addresses, time stamp entries).
struct OptionItems;
void addItem(OptionItems& items, const char* text);
void addItemFormat(OptionItems& items, const char* format, ...) __attribute__((format(printf, 2, 3)));

// An option kind with a text of its own: the kind, the lengths it allows
// (the whole option, kind and length bytes included; `step` > 0 asks for
// minLength + a multiple of step), and what writes its items from the
// option's bytes (the whole option, read by offset). A kind without a row, or with a length its row does not
// allow, is shown as "kind=%u len=%u" (TCP) or "type=%u len=%u" (IPv4).
struct OptionKind {
    uint8_t kind;
    uint8_t minLength;
    uint8_t maxLength;
    uint8_t step;
    void (*items)(OptionItems& items, HeaderBytes option);
};

// An option's length, kind and length bytes included, as its texts show it.
inline unsigned optionLength(HeaderBytes option) { return static_cast<unsigned>(option.length); }

// The kinds of one header and how it names them in its generic form and notices.
struct OptionTable {
    const OptionKind* kinds;
    int count;
    const char* protocol;     // "TCP" or "IP", in the notices
    const char* numberLabel;  // "kind" or "type", in the generic form
};

// Walks the `length` bytes of `area` (at most kMaxOptionArea) and shows them
// in `form` (terse or verbose). A length of 0 or 1, or an option that runs
// past the area, ends the list with one notice ("\t<*** TCP option 2 with
// length 0 ***>"); the rest is skipped. Returns false after such a notice.
bool showOptionList(const OptionTable& table, const uint8_t* area, int length, Form form);

// The tables of the two headers (tcp_options.cpp, ip_options.cpp).
extern const OptionTable kTcpOptionTable;
extern const OptionTable kIpOptionTable;

// Reads the option area of a TCP or IPv4 header of `headerLength` bytes (the
// bytes past its fixed 20, none for 20 or less) whole, each byte charged to
// dataLeft as it is read, then shows it when `show` is set: a dump that ends
// inside the area shows no option.
void readOptionArea(HexCursor& cursor, const OptionTable& table, int headerLength, bool show);
