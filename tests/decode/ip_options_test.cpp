// The IPv4 option list under -extended: option bytes to the terse item lines
// and the verbose "Option:" fields. Each type's text, route slots and time
// stamp entries (whole ones only), the generic form, each notice, and a
// route long enough for two terse lines and three verbose ones.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/option_case.h"
#include "decode/option_list.h"
#include "support/in_process_test.h"

namespace {

const OptionCase kCases[] = {
    {"RouterAlert", "94040000", "\tRA=0\n", kOption + "RA=0\n", true},
    {"RecordRouteBetweenNopAndEol", "01 070704 00000000 00 000000", "\tRR ptr=4 0.0.0.0\n",
     kOption + "nop\n" + kOption + "RR ptr=4 0.0.0.0\n" + kOption + "eol\n", true},
    {"SourceRoutes", "830b08 c000020a c0000214 890704 c6336401 01",
     "\tLSRR ptr=8 192.0.2.10 192.0.2.20 SSRR ptr=4 198.51.100.1\n",
     kOption + "LSRR ptr=8 192.0.2.10 192.0.2.20\n" + kOption + "SSRR ptr=4 198.51.100.1\n" + kOption + "nop\n", true},
    // Nine slots, two filled: two terse lines, a verbose field and two continuation lines.
    {"NineRouteSlots", "07270c c0000201 c0000202" + std::string(56, '0') + "00",
     "\tRR ptr=12 192.0.2.1 192.0.2.2 0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0\n\t0.0.0.0 0.0.0.0\n",
     kOption + "RR ptr=12 192.0.2.1 192.0.2.2 0.0.0.0\n" + kMore + "0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0\n" + kMore +
         "0.0.0.0\n" + kOption + "eol\n",
     true},
    // A partial slot at the end is not shown.
    {"RoutePartialSlot", "070904 0a000001 0a00 0000", "\tRR ptr=4 10.0.0.1\n", kOption + "RR ptr=4 10.0.0.1\n" + kOption + "eol\n", true},
    {"TimestampsOnly", "440c0900 000003e8 000007d0", "\tTS ptr=9 oflw=0 flag=0 1000 2000\n",
     kOption + "TS ptr=9 oflw=0 flag=0 1000 2000\n", true},
    {"TimestampsWithAddresses", "44140d21 c0000201 000003e8 00000000 00000000",
     "\tTS ptr=13 oflw=2 flag=1 1000@192.0.2.1 0@0.0.0.0\n",
     kOption + "TS ptr=13 oflw=2 flag=1 1000@192.0.2.1\n" + kMore + "0@0.0.0.0\n", true},
    {"TimestampsPrespecifiedPartialEntry", "44100503 c0000209 00000000 0a000001", "\tTS ptr=5 oflw=0 flag=3 0@192.0.2.9\n",
     kOption + "TS ptr=5 oflw=0 flag=3 0@192.0.2.9\n", true},
    {"SecurityForms", "820301 01 820bf135 00000000000000", "\tSEC class=0x01 len=3 SEC=0xF135\n",
     kOption + "SEC class=0x01 len=3\n" + kOption + "nop\n" + kOption + "SEC=0xF135\n", true},
    {"Cipso", "860a 00000003 01040000 0101", "\tCIPSO doi=3 len=10\n",
     kOption + "CIPSO doi=3 len=10\n" + kOption + "nop\n" + kOption + "nop\n", true},
    {"TypesWithoutText", "88041234 19040000", "\ttype=136 len=4 type=25 len=4\n",
     kOption + "type=136 len=4\n" + kOption + "type=25 len=4\n", true},
    {"LengthNotAllowed", "940300 01 8605 000000 44030000", "\ttype=148 len=3 type=134 len=5 type=68 len=3\n",
     kOption + "type=148 len=3\n" + kOption + "nop\n" + kOption + "type=134 len=5\n" + kOption + "type=68 len=3\n" + kOption + "eol\n",
     true},
    {"EolThenBytes", "94040000 00414243", "\tRA=0\n", kOption + "RA=0\n" + kOption + "eol\n", true},
    {"LengthZero", "07000000", "\t<*** IP option 7 with length 0 ***>\n", "\t<*** IP option 7 with length 0 ***>\n",
     false},
    {"LengthOne", "94040001 94010000", "\tRA=1\n\t<*** IP option 148 with length 1 ***>\n",
     kOption + "RA=1\n" + "\t<*** IP option 148 with length 1 ***>\n", false},
    {"TypeIsLastByte", "010101 07", "\t<*** IP option 7 runs past the end of its header ***>\n",
     kOption + "nop\n" + kOption + "nop\n" + kOption + "nop\n" + "\t<*** IP option 7 runs past the end of its header ***>\n",
     false},
    {"RunsPast", "070b04 0000000000", "\t<*** IP option 7 runs past the end of its header ***>\n",
     "\t<*** IP option 7 runs past the end of its header ***>\n", false},
};

class IpOptions : public InProcessTest, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(IpOptions, TerseAndVerbose) {
    const OptionCase& c = GetParam();
    std::vector<uint8_t> area = optionBytes(c.area);
    ASSERT_LE(area.size(), static_cast<size_t>(kMaxOptionArea));
    EXPECT_EQ(showOptionList(kIpOptionTable, area.data(), static_cast<int>(area.size()), Form::terse), c.whole);
    EXPECT_EQ(takeOutput(), c.terse);
    EXPECT_EQ(showOptionList(kIpOptionTable, area.data(), static_cast<int>(area.size()), Form::verbose), c.whole);
    EXPECT_EQ(takeOutput(), c.verbose);
}

INSTANTIATE_TEST_SUITE_P(Types, IpOptions, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<OptionCase>& info) { return info.param.name; });

}  // namespace
