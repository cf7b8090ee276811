#include "common/name_table.h"

#include <cstdio>

const char* nameOrNumber(const char* name, unsigned value, NumberText& number) {
    if (name != nullptr) return name;
    std::snprintf(number.text, sizeof number.text, "%u", value);
    return number.text;
}
