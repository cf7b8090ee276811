#include "common/display.h"

#include <cstdarg>
#include <cstring>

#include "common/options.h"
#include "common/output.h"

Form displayForm() {
    if (options.minHdrDecode) return Form::oneLine;
    return options.verbose ? Form::verbose : Form::terse;
}

bool verboseOptionGiven() { return options.verbose; }

void putLabel(const char* label) {
    // The line's tab and the label fill 8 + length columns; tabs stop every 8
    // and the value starts at column 40 (a label of up to 31 characters).
    size_t length = std::strlen(label);
    putChar('\t');
    putBytes(label, length);
    int tabs = 5 - static_cast<int>((8 + length) / 8);
    if (tabs < 1) tabs = 1;
    for (; tabs > 0; --tabs) putChar('\t');
}

void putField(const char* label, const char* format, ...) {
    putLabel(label);
    va_list args;
    va_start(args, format);
    putFormatList(format, args);
    va_end(args);
    putChar('\n');
}

void putTersePrefix(const char* name) {
    size_t length = std::strlen(name);
    for (size_t column = length; column < 4; ++column) putChar(' ');
    putBytes(name, length);
    putText(":\t");
}
