#include "common/char_classes.h"

#include <cctype>

CharClasses charClasses;

void loadCharClasses() {
    charClasses.onlyControlSpaces = true;
    for (int c = 0; c < 256; ++c) {
        bool ascii = c < 128;
        charClasses.space[c] = ascii && std::isspace(c);
        if (charClasses.space[c] && c > ' ') charClasses.onlyControlSpaces = false;
        charClasses.print[c] = std::isprint(c);
        charClasses.digit[c] = ascii && std::isdigit(c);
        charClasses.upper[c] = static_cast<unsigned char>(ascii ? std::toupper(c) : c);
    }
}

namespace {
// Every program starts in the "C" locale.
struct LoadAtStartUp {
    LoadAtStartUp() { loadCharClasses(); }
} loadAtStartUp;
}  // namespace
