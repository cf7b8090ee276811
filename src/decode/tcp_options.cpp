#include <cstdio>

#include "decode/option_list.h"

// The TCP option kinds with a text of their own. A row a kind: the lengths it
// allows and its items.
namespace {
unsigned shortAt(const uint8_t* option, unsigned at) { return static_cast<unsigned>(option[at] << 8 | option[at + 1]); }
uint32_t longAt(const uint8_t* option, unsigned at) { return shortAt(option, at) << 16 | shortAt(option, at + 2); }

// Bytes as upper-case hex digits without separators (a cookie of at most 38 bytes).
const char* hexText(const uint8_t* bytes, unsigned count) {
    static char text[2 * kMaxOptionArea + 1];
    for (unsigned i = 0; i < count; ++i) std::snprintf(text + 2 * i, 3, "%02X", bytes[i]);
    text[2 * count] = '\0';
    return text;
}

void mss(OptionItems& items, const uint8_t* option, unsigned) { addItemFormat(items, "mss=%u", shortAt(option, 2)); }
void windowScale(OptionItems& items, const uint8_t* option, unsigned) { addItemFormat(items, "wscale=%u", option[2]); }
void sackPermitted(OptionItems& items, const uint8_t*, unsigned) { addItem(items, "sackOK"); }

// Each block, left and right edge, is an item; ten digits as the sequence numbers.
void sack(OptionItems& items, const uint8_t* option, unsigned length) {
    for (unsigned at = 2; at + 8 <= length; at += 8)
        addItemFormat(items, "sack=%010u-%010u", longAt(option, at), longAt(option, at + 4));
}

void timestamps(OptionItems& items, const uint8_t* option, unsigned) {
    addItemFormat(items, "TSval=%u TSecr=%u", longAt(option, 2), longAt(option, 6));
}

void md5(OptionItems& items, const uint8_t*, unsigned length) { addItemFormat(items, "md5 len=%u", length); }

void authentication(OptionItems& items, const uint8_t* option, unsigned length) {
    addItemFormat(items, "tcp-ao keyid=%u rnext=%u len=%u", option[2], option[3], length);
}

// The subtype is the high nibble of the byte after the length.
void multipath(OptionItems& items, const uint8_t* option, unsigned length) {
    static const char* const kSubtypes[] = {"capable",  "join", "dss",        "add-addr", "rem-addr",
                                            "prio",     "fail", "fast-close", "tcprst"};
    unsigned subtype = option[2] >> 4;
    if (subtype < sizeof kSubtypes / sizeof kSubtypes[0])
        addItemFormat(items, "mptcp=%s len=%u", kSubtypes[subtype], length);
    else
        addItemFormat(items, "mptcp=%u len=%u", subtype, length);
}

void fastOpen(OptionItems& items, const uint8_t* option, unsigned length) {
    if (length == 2)
        addItem(items, "tfo-req");
    else
        addItemFormat(items, "tfo=%s", hexText(option + 2, length - 2));
}

// Kinds 253 and 254 begin with a 16-bit experiment identifier; 0xF989 is
// fast open as it was before it had a kind of its own.
constexpr unsigned kFastOpenExperiment = 0xF989;
void experimental(OptionItems& items, const uint8_t* option, unsigned length) {
    unsigned experiment = shortAt(option, 2);
    if (experiment != kFastOpenExperiment)
        addItemFormat(items, "exp=0x%04X len=%u", experiment, length);
    else if (length == 4)
        addItem(items, "exp-tfo-req");
    else
        addItemFormat(items, "exp-tfo=%s", hexText(option + 4, length - 4));
}

constexpr OptionKind kTcpKinds[] = {
    {2, 4, 4, 0, mss},
    {3, 3, 3, 0, windowScale},
    {4, 2, 2, 0, sackPermitted},
    {5, 10, 0, 8, sack},
    {8, 10, 10, 0, timestamps},
    {19, 2, 0, 0, md5},
    {29, 4, 0, 0, authentication},
    {30, 3, 0, 0, multipath},
    {34, 2, 0, 0, fastOpen},
    {253, 4, 0, 0, experimental},
    {254, 4, 0, 0, experimental},
};
}  // namespace

const OptionTable kTcpOptionTable = {kTcpKinds, sizeof kTcpKinds / sizeof kTcpKinds[0], "TCP", "kind"};
