#include <cstdio>

#include "decode/option_list.h"

// The IPv4 option types with a text of their own. A row a type: the lengths
// it allows and its items. Addresses are shown as they are, never looked up.
namespace {
unsigned shortAt(const uint8_t* option, unsigned at) { return static_cast<unsigned>(option[at] << 8 | option[at + 1]); }
uint32_t longAt(const uint8_t* option, unsigned at) { return shortAt(option, at) << 16 | shortAt(option, at + 2); }

const char* addressText(const uint8_t* option, unsigned at) {
    static char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", option[at], option[at + 1], option[at + 2], option[at + 3]);
    return text;
}

// Record route and the source routes: the pointer, then every whole 4-byte
// slot after it; a partial slot at the end is not shown.
void route(OptionItems& items, const char* name, const uint8_t* option, unsigned length) {
    addItemFormat(items, "%s ptr=%u", name, option[2]);
    for (unsigned at = 3; at + 4 <= length; at += 4) addItem(items, addressText(option, at));
}
void recordRoute(OptionItems& items, const uint8_t* option, unsigned length) { route(items, "RR", option, length); }
void looseRoute(OptionItems& items, const uint8_t* option, unsigned length) { route(items, "LSRR", option, length); }
void strictRoute(OptionItems& items, const uint8_t* option, unsigned length) { route(items, "SSRR", option, length); }

// Time stamps: flags 1 and 3 give address and time stamp pairs, shown time
// stamp first; other flags time stamps alone. Whole entries only.
void timestamps(OptionItems& items, const uint8_t* option, unsigned length) {
    unsigned overflow = option[3] >> 4, flag = option[3] & 0x0F;
    addItemFormat(items, "TS ptr=%u oflw=%u flag=%u", option[2], overflow, flag);
    if (flag == 1 || flag == 3) {
        for (unsigned at = 4; at + 8 <= length; at += 8)
            addItemFormat(items, "%u@%s", longAt(option, at + 4), addressText(option, at));
    } else {
        for (unsigned at = 4; at + 4 <= length; at += 4) addItemFormat(items, "%u", longAt(option, at));
    }
}

// Security: the 11-byte form has a 16-bit security field; the others begin
// with a classification level.
constexpr unsigned kBasicSecurityLength = 11;
void security(OptionItems& items, const uint8_t* option, unsigned length) {
    if (length == kBasicSecurityLength)
        addItemFormat(items, "SEC=0x%04X", shortAt(option, 2));
    else
        addItemFormat(items, "SEC class=0x%02X len=%u", option[2], length);
}

void commercialSecurity(OptionItems& items, const uint8_t* option, unsigned length) {
    addItemFormat(items, "CIPSO doi=%u len=%u", longAt(option, 2), length);
}

void routerAlert(OptionItems& items, const uint8_t* option, unsigned) {
    addItemFormat(items, "RA=%u", shortAt(option, 2));
}

constexpr OptionKind kIpKinds[] = {
    {7, 3, 0, 0, recordRoute},
    {68, 4, 0, 0, timestamps},
    {130, 3, 0, 0, security},
    {131, 3, 0, 0, looseRoute},
    {134, 6, 0, 0, commercialSecurity},
    {137, 3, 0, 0, strictRoute},
    {148, 4, 4, 0, routerAlert},
};
}  // namespace

const OptionTable kIpOptionTable = {kIpKinds, sizeof kIpKinds / sizeof kIpKinds[0], "IP", "type"};
