#pragma once

// The three display forms and the verbose form's field lines.

// -minHdrDecode shows one line a packet, -verbose a block of named fields per
// header, and the default a compact block per header.
enum class Form { oneLine, terse, verbose };

// The form the options select (-minHdrDecode wins over -verbose).
Form displayForm();

// Whether -verbose is given. Only the notices of an IP header of the wrong
// version read it: they keep their long text under -minHdrDecode too.
bool verboseOptionGiven();

// Writes a verbose field line's start: a tab, the label (its colon included)
// and the tabs that bring the value to column 40, as every label is padded.
void putLabel(const char* label);

// A whole verbose field line: the label, the value as `format` gives it, a newline.
void putField(const char* label, const char* format, ...) __attribute__((format(printf, 2, 3)));

// A terse block's name: right-aligned in four columns, then ':' and a tab
// ("  IP:\t", " TCP:\t", "VLAN:\t"); a longer name is written whole ("ICMPv6:\t").
void putTersePrefix(const char* name);
