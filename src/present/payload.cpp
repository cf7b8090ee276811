#include "present/payload.h"

#include "common/char_classes.h"
#include "common/display.h"
#include "common/options.h"
#include "common/output.h"
#include "common/packet_state.h"

namespace {
// Tabs and printable bytes as themselves, everything else as a dot.
void putDataByte(uint8_t byte) { putChar(byte == 0x09 || isPrintChar(byte) ? static_cast<char>(byte) : '.'); }
}  // namespace

HexCursor showData(HexCursor cursor, const char* label) {
    switch (displayForm()) {
    case Form::oneLine: putChar('\t'); break;
    case Form::verbose: putFormat("%s Data\n\t", label); break;
    case Form::terse: putText("DATA:\t"); break;
    }

    int count = state.dataLeft;
    if (options.noData) {
        // Headers that claim more than the datagram leave no data: report 0.
        if (count < 0) count = 0;
        state.dataLeft = 0;
        putFormat("%d bytes\n", count);
        for (int i = 0; i < count; ++i) getByte(cursor);
        return cursor;
    }
    if (count == 0) {
        putText("<No data>\n");
        return cursor;
    }
    if (count < 0) {
        putChar('\n');
        return cursor;
    }

    // The count and the options are kept in locals while the bytes are
    // written: a packet cut short ends in the reader, which needs only to know
    // that data was still expected.
    int left = count;
    if (options.noBreak) {
        for (; left > 0; --left) {
            uint8_t byte = getByte(cursor);
            if (byte == 0x0A)
                putText("\n\t");
            else
                putDataByte(byte);
        }
    } else {
        const int pageWidth = options.pageWidth;
        const char* lineBreak = options.showBreaks ? "<br>\n\t" : "\n\t";
        // The column the next byte takes; a byte past the page width starts a new line.
        int column = 1;
        for (; left > 0; --left) {
            uint8_t byte = getByte(cursor);
            if (byte == 0x0A) {
                putText("\n\t");
                column = 0;
            } else {
                if (column > pageWidth) {
                    putText(lineBreak);
                    column = 1;
                }
                putDataByte(byte);
            }
            ++column;
        }
    }
    state.dataLeft = 0;
    putChar('\n');
    return cursor;
}
