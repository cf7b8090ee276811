#include "common/name_table.h"

#include "common/output.h"

const char* nameOrNumber(const char* name, unsigned value, NumberText& number) {
    if (name != nullptr) return name;
    formatText(number.text, sizeof number.text, "%u", value);
    return number.text;
}
