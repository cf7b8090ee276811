// Names by value, and the number where a value has none.
#include <gtest/gtest.h>

#include "common/display.h"
#include "common/name_table.h"
#include "support/in_process_test.h"

namespace {

constexpr Name kKinds[] = {{1, "one"}, {3, "three"}, {255, "last"}};

TEST(NameTable, NameOrElse) {
    EXPECT_STREQ(nameOf(kKinds, 3), "three");
    EXPECT_EQ(nameOf(kKinds, 2), nullptr);
    EXPECT_STREQ(nameOr(kKinds, 255, "<unknown>"), "last");
    EXPECT_STREQ(nameOr(kKinds, 0, "<unknown>"), "<unknown>");
    NumberText number;
    EXPECT_STREQ(nameOrNumber(kKinds, 1, number), "one");
    EXPECT_STREQ(nameOrNumber(kKinds, 4294967295u, number), "4294967295");
    EXPECT_STREQ(nameOrNumber(nullptr, 44, number), "44");
    EXPECT_STREQ(nameOf(NameTable{}, 1), nullptr);
}

class TersePrefix : public InProcessTest {};

// The terse block names line up on their colon; longer names stand whole.
TEST_F(TersePrefix, RightAlignedToFourColumns) {
    for (const char* name : {"IP", "TCP", "VLAN", "ICMPv6", "A"}) putTersePrefix(name);
    EXPECT_EQ(takeOutput(), "  IP:\t TCP:\tVLAN:\tICMPv6:\t   A:\t");
}

}  // namespace
