#pragma once

// Character classes of the selected locale, looked up once per locale rather
// than once per character. Bytes 128 to 255 are never white space, digits or
// changed by upper-casing.
struct CharClasses {
    bool space[256];
    bool print[256];
    bool digit[256];
    unsigned char upper[256];
    bool onlyControlSpaces;  // no byte above ' ' is white space (true in every usual locale)
};

extern CharClasses charClasses;

// Rebuilds the tables from the current locale; call after setlocale.
void loadCharClasses();

inline bool isSpaceChar(char c) { return charClasses.space[static_cast<unsigned char>(c)]; }
inline bool isPrintChar(unsigned char c) { return charClasses.print[c]; }
inline bool isDigitChar(char c) { return charClasses.digit[static_cast<unsigned char>(c)]; }
inline char upperChar(char c) { return static_cast<char>(charClasses.upper[static_cast<unsigned char>(c)]); }
