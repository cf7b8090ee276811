
#include "common/output.h"
#include "decode/option_list.h"

// The IPv4 option types with a text of their own. A row a type: the lengths
// it allows and its items, read from the whole option by offset. Addresses
// are shown as they are, never looked up.
namespace {

const char* addressAt(HeaderBytes option, int at) {
    static char text[16];
    formatText(text, sizeof text, "%u.%u.%u.%u", option.byteAt(at), option.byteAt(at + 1), option.byteAt(at + 2),
                  option.byteAt(at + 3));
    return text;
}

// Record route and the source routes: the pointer, then every whole 4-byte
// slot after it; a partial slot at the end is not shown.
void route(OptionItems& items, const char* name, HeaderBytes option) {
    addItemFormat(items, "%s ptr=%u", name, option.byteAt(2));
    for (int at = 3; at + 4 <= option.length; at += 4) addItem(items, addressAt(option, at));
}
void recordRoute(OptionItems& items, HeaderBytes option) { route(items, "RR", option); }
void looseRoute(OptionItems& items, HeaderBytes option) { route(items, "LSRR", option); }
void strictRoute(OptionItems& items, HeaderBytes option) { route(items, "SSRR", option); }

// Time stamps: flags 1 and 3 give address and time stamp pairs, shown time
// stamp first; other flags time stamps alone. Whole entries only.
void timestamps(OptionItems& items, HeaderBytes option) {
    unsigned overflow = option.byteAt(3) >> 4, flag = option.byteAt(3) & 0x0F;
    addItemFormat(items, "TS ptr=%u oflw=%u flag=%u", option.byteAt(2), overflow, flag);
    if (flag == 1 || flag == 3) {
        for (int at = 4; at + 8 <= option.length; at += 8)
            addItemFormat(items, "%u@%s", option.longAt(at + 4), addressAt(option, at));
    } else {
        for (int at = 4; at + 4 <= option.length; at += 4) addItemFormat(items, "%u", option.longAt(at));
    }
}

// Security: the 11-byte form has a 16-bit security field; the others begin
// with a classification level.
constexpr int kBasicSecurityLength = 11;
void security(OptionItems& items, HeaderBytes option) {
    if (option.length == kBasicSecurityLength)
        addItemFormat(items, "SEC=0x%04X", option.shortAt(2));
    else
        addItemFormat(items, "SEC class=0x%02X len=%u", option.byteAt(2), optionLength(option));
}

void commercialSecurity(OptionItems& items, HeaderBytes option) {
    addItemFormat(items, "CIPSO doi=%u len=%u", option.longAt(2), optionLength(option));
}

void routerAlert(OptionItems& items, HeaderBytes option) { addItemFormat(items, "RA=%u", option.shortAt(2)); }

// {type, shortest, longest (0: any), step, items}
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
