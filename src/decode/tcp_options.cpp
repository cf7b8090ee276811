
#include "common/name_table.h"
#include "common/output.h"
#include "decode/option_list.h"

// The TCP option kinds with a text of their own. A row a kind: the lengths it
// allows and its items, read from the whole option by offset.
namespace {

// Bytes from `at` to the option's end as upper-case hex digits without
// separators (a cookie of at most 38 bytes).
const char* hexFrom(HeaderBytes option, int at) {
    static char text[2 * kMaxOptionArea + 1];
    int count = 0;
    for (; at + count < option.length && count < kMaxOptionArea; ++count)
        formatText(text + 2 * count, 3, "%02X", option.byteAt(at + count));
    text[2 * count] = '\0';
    return text;
}

void mss(OptionItems& items, HeaderBytes option) { addItemFormat(items, "mss=%u", option.shortAt(2)); }
void windowScale(OptionItems& items, HeaderBytes option) { addItemFormat(items, "wscale=%u", option.byteAt(2)); }
void sackPermitted(OptionItems& items, HeaderBytes) { addItem(items, "sackOK"); }

// Each block, left and right edge, is an item; ten digits as the sequence numbers.
void sack(OptionItems& items, HeaderBytes option) {
    for (int at = 2; at + 8 <= option.length; at += 8)
        addItemFormat(items, "sack=%010u-%010u", option.longAt(at), option.longAt(at + 4));
}

void timestamps(OptionItems& items, HeaderBytes option) {
    addItemFormat(items, "TSval=%u TSecr=%u", option.longAt(2), option.longAt(6));
}

void md5(OptionItems& items, HeaderBytes option) { addItemFormat(items, "md5 len=%u", optionLength(option)); }

void authentication(OptionItems& items, HeaderBytes option) {
    addItemFormat(items, "tcp-ao keyid=%u rnext=%u len=%u", option.byteAt(2), option.byteAt(3), optionLength(option));
}

// The subtype is the high nibble of the byte after the length.
constexpr Name kMultipathSubtypes[] = {
    {0, "capable"}, {1, "join"}, {2, "dss"},        {3, "add-addr"}, {4, "rem-addr"},
    {5, "prio"},    {6, "fail"}, {7, "fast-close"}, {8, "tcprst"},
};
void multipath(OptionItems& items, HeaderBytes option) {
    NumberText number;
    addItemFormat(items, "mptcp=%s len=%u", nameOrNumber(kMultipathSubtypes, option.byteAt(2) >> 4, number),
                  optionLength(option));
}

void fastOpen(OptionItems& items, HeaderBytes option) {
    if (option.length == 2)
        addItem(items, "tfo-req");
    else
        addItemFormat(items, "tfo=%s", hexFrom(option, 2));
}

// Kinds 253 and 254 begin with a 16-bit experiment identifier; 0xF989 is
// fast open as it was before it had a kind of its own.
constexpr unsigned kFastOpenExperiment = 0xF989;
void experimental(OptionItems& items, HeaderBytes option) {
    unsigned experiment = option.shortAt(2);
    if (experiment != kFastOpenExperiment)
        addItemFormat(items, "exp=0x%04X len=%u", experiment, optionLength(option));
    else if (option.length == 4)
        addItem(items, "exp-tfo-req");
    else
        addItemFormat(items, "exp-tfo=%s", hexFrom(option, 4));
}

// {kind, shortest, longest (0: any), step (SACK: 2 + 8 a block), items}
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
