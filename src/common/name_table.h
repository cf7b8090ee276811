#pragma once

#include <span>

// Value -> name mappings (message types, codes, operations, option kinds):
// a table of rows, looked up by value.
struct Name {
    unsigned value;
    const char* text;
};

using NameTable = std::span<const Name>;

// The name of `value`, or nullptr when the table has none.
constexpr const char* nameOf(NameTable table, unsigned value) {
    for (const Name& row : table)
        if (row.value == value) return row.text;
    return nullptr;
}

// The name of `value`, or `otherwise` when the table has none.
constexpr const char* nameOr(NameTable table, unsigned value, const char* otherwise) {
    const char* name = nameOf(table, value);
    return name != nullptr ? name : otherwise;
}

// Room for a number shown where a value has no name.
struct NumberText {
    char text[12];
};

// `name`, or else `value` in decimal, written into `number`.
const char* nameOrNumber(const char* name, unsigned value, NumberText& number);

inline const char* nameOrNumber(NameTable table, unsigned value, NumberText& number) {
    return nameOrNumber(nameOf(table, value), value, number);
}
