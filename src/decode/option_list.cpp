#include "decode/option_list.h"

#include <cstdarg>
#include <cstring>

#include "common/output.h"

namespace {
constexpr int kFixedHeaderLength = 20;
constexpr uint8_t kEndOfList = 0;
constexpr uint8_t kNoOperation = 1;
// Terse lines hold at most 72 characters after their tab (to column 80);
// verbose values at most 40 from column 40 before a continuation line.
constexpr int kTerseWidth = 72;
constexpr int kVerboseWidth = 40;
const char kContinuation[] = "\n\t\t\t\t\t";
}  // namespace

// The line being filled: how many characters it holds after its tab, or
// after the label of its verbose field (0: no line begun).
struct OptionItems {
    Form form;
    int lineLength;
    bool optionBegun;  // verbose: the current option's field line is begun
};

void addItem(OptionItems& items, const char* text) {
    int length = static_cast<int>(std::strlen(text));
    if (items.form == Form::verbose) {
        if (!items.optionBegun) {
            putLabel("Option:");
            items.optionBegun = true;
            items.lineLength = length;
        } else if (items.lineLength + 1 + length <= kVerboseWidth) {
            putChar(' ');
            items.lineLength += 1 + length;
        } else {
            putText(kContinuation);
            items.lineLength = length;
        }
    } else if (items.lineLength == 0) {
        putChar('\t');
        items.lineLength = length;
    } else if (items.lineLength + 1 + length <= kTerseWidth) {
        putChar(' ');
        items.lineLength += 1 + length;
    } else {
        putText("\n\t");
        items.lineLength = length;
    }
    putBytes(text, static_cast<size_t>(length));
}

void addItemFormat(OptionItems& items, const char* format, ...) {
    // The longest item is a 38-byte cookie in hex after its name (80 characters).
    char text[96];
    va_list args;
    va_start(args, format);
    formatTextList(text, sizeof text, format, args);
    va_end(args);
    addItem(items, text);
}

namespace {
const OptionKind* rowOf(const OptionTable& table, unsigned kind, unsigned length) {
    for (int i = 0; i < table.count; ++i) {
        const OptionKind& row = table.kinds[i];
        if (row.kind != kind) continue;
        bool fits = length >= row.minLength && (row.maxLength == 0 || length <= row.maxLength) &&
                    (row.step == 0 || (length - row.minLength) % row.step == 0);
        return fits ? &row : nullptr;
    }
    return nullptr;
}

// Ends the option's verbose field line, or nothing in the terse form.
void endOption(OptionItems& items) {
    if (items.form == Form::verbose && items.optionBegun) {
        putChar('\n');
        items.optionBegun = false;
    }
}

void endList(OptionItems& items) {
    if (items.form == Form::terse && items.lineLength > 0) putChar('\n');
    items.lineLength = 0;
}
}  // namespace

bool showOptionList(const OptionTable& table, const uint8_t* area, int length, Form form) {
    OptionItems items{form, 0, false};
    bool verbose = form == Form::verbose;
    int at = 0;
    while (at < length) {
        unsigned kind = area[at];
        if (kind == kEndOfList) {
            // The bytes after it are padding, whatever they hold.
            if (verbose) addItem(items, "eol");
            endOption(items);
            break;
        }
        if (kind == kNoOperation) {
            if (verbose) addItem(items, "nop");
            endOption(items);
            ++at;
            continue;
        }
        unsigned optionLength = at + 1 < length ? area[at + 1] : 0;
        if (at + 1 >= length || (optionLength >= 2 && at + static_cast<int>(optionLength) > length)) {
            endList(items);
            putFormat("\t<*** %s option %u runs past the end of its header ***>\n", table.protocol, kind);
            return false;
        }
        if (optionLength < 2) {
            endList(items);
            putFormat("\t<*** %s option %u with length %u ***>\n", table.protocol, kind, optionLength);
            return false;
        }
        const OptionKind* row = rowOf(table, kind, optionLength);
        if (row != nullptr)
            row->items(items, HeaderBytes{area + at, static_cast<int>(optionLength)});
        else
            addItemFormat(items, "%s=%u len=%u", table.numberLabel, kind, optionLength);
        endOption(items);
        at += static_cast<int>(optionLength);
    }
    endList(items);
    return true;
}

void readOptionArea(HexCursor& cursor, const OptionTable& table, int headerLength, bool show) {
    int length = headerLength - kFixedHeaderLength;
    if (length <= 0) return;
    // A data offset of 4 bits gives at most 40 bytes.
    uint8_t area[kMaxOptionArea];
    if (length > kMaxOptionArea) length = kMaxOptionArea;
    Region region(cursor, length, "");
    region.bytes(area, length);
    if (show) showOptionList(table, area, length, displayForm());
}
