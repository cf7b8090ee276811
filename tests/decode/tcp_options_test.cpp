// The TCP option list under -extended: option bytes to the terse item lines
// and the verbose "Option:" fields. Each kind's text, the generic form of a
// kind without a text or with a length its row does not allow, each notice,
// the filling of terse lines and of verbose continuation lines, and an item
// too long for any line.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/option_case.h"
#include "decode/option_list.h"
#include "support/in_process_test.h"

namespace {

std::string repeated(const std::string& text, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += text;
    return out;
}

// A cookie of 35 bytes: an item of 74 characters.
const std::string kCookie35 = repeated("AB", 35);

const OptionCase kCases[] = {
    {"Mss", "020405b4", "\tmss=1460\n", kOption + "mss=1460\n", true},
    {"NopAndEolOnlyVerbose", "01030307 04020000", "\twscale=7 sackOK\n",
     kOption + "nop\n" + kOption + "wscale=7\n" + kOption + "sackOK\n" + kOption + "eol\n", true},
    {"OnlyPadding", "01010100", "", kOption + "nop\n" + kOption + "nop\n" + kOption + "nop\n" + kOption + "eol\n",
     true},
    {"SackOneBlock", "0101050a 00000064 000000c8", "\tsack=0000000100-0000000200\n",
     kOption + "nop\n" + kOption + "nop\n" + kOption + "sack=0000000100-0000000200\n", true},
    {"TimestampsThenThreeSackBlocksFillTwoLines",
     "080a 00000005 00000006 051a 0000000b 00000016 00000021 0000002c 00000037 00000042",
     "\tTSval=5 TSecr=6 sack=0000000011-0000000022 sack=0000000033-0000000044\n\tsack=0000000055-0000000066\n",
     kOption + "TSval=5 TSecr=6\n" + kOption + "sack=0000000011-0000000022\n" + kMore +
         "sack=0000000033-0000000044\n" + kMore + "sack=0000000055-0000000066\n",
     true},
    {"TimestampsOfFullRange", "080a ffffffff 00000000", "\tTSval=4294967295 TSecr=0\n",
     kOption + "TSval=4294967295 TSecr=0\n", true},
    {"FastOpenRequestAndCookie", "2202 2206 01ab0cff", "\ttfo-req tfo=01AB0CFF\n",
     kOption + "tfo-req\n" + kOption + "tfo=01AB0CFF\n", true},
    {"Md5", "1312 00000000000000000000000000000000", "\tmd5 len=18\n", kOption + "md5 len=18\n", true},
    {"Authentication", "1d07 0507 aabbcc", "\ttcp-ao keyid=5 rnext=7 len=7\n",
     kOption + "tcp-ao keyid=5 rnext=7 len=7\n", true},
    {"MultipathSubtypes", "1e0c 0081 0000000000000000 1e03 80 1e03 f0",
     "\tmptcp=capable len=12 mptcp=tcprst len=3 mptcp=15 len=3\n",
     kOption + "mptcp=capable len=12\n" + kOption + "mptcp=tcprst len=3\n" + kOption + "mptcp=15 len=3\n", true},
    {"ExperimentalFastOpen", "fe04f989 fe06f989 0102", "\texp-tfo-req exp-tfo=0102\n",
     kOption + "exp-tfo-req\n" + kOption + "exp-tfo=0102\n", true},
    {"ExperimentOtherId", "fd061234 abcd fe04acc0", "\texp=0x1234 len=6 exp=0xACC0 len=4\n",
     kOption + "exp=0x1234 len=6\n" + kOption + "exp=0xACC0 len=4\n", true},
    {"KindsWithoutText", "c804aabb 1c04001e", "\tkind=200 len=4 kind=28 len=4\n",
     kOption + "kind=200 len=4\n" + kOption + "kind=28 len=4\n", true},
    // A known kind with a length its row does not allow: the generic form, and the walk goes on.
    {"LengthNotAllowed", "02030501 050c 00000000000000000000 0802 fe0300 00",
     "\tkind=2 len=3 kind=5 len=12 kind=8 len=2 kind=254 len=3\n",
     kOption + "kind=2 len=3\n" + kOption + "nop\n" + kOption + "kind=5 len=12\n" + kOption + "kind=8 len=2\n" +
         kOption + "kind=254 len=3\n" + kOption + "eol\n",
     true},
    {"FourSackBlocks", "0101 0522 000003e9 000003ea 000003eb 000003ec 000003ed 000003ee 000003ef 000003f0",
     "\tsack=0000001001-0000001002 sack=0000001003-0000001004\n"
     "\tsack=0000001005-0000001006 sack=0000001007-0000001008\n",
     kOption + "nop\n" + kOption + "nop\n" + kOption + "sack=0000001001-0000001002\n" + kMore +
         "sack=0000001003-0000001004\n" + kMore + "sack=0000001005-0000001006\n" + kMore +
         "sack=0000001007-0000001008\n",
     true},
    // An item longer than a line's 72 characters stands alone, before and after others.
    {"LongItemStandsAlone", "030307 2225" + kCookie35, "\twscale=7\n\ttfo=" + kCookie35 + "\n",
     kOption + "wscale=7\n" + kOption + "tfo=" + kCookie35 + "\n", true},
    {"LongItemFirst", "2225" + kCookie35 + " 030307", "\ttfo=" + kCookie35 + "\n\twscale=7\n",
     kOption + "tfo=" + kCookie35 + "\n" + kOption + "wscale=7\n", true},
    // The end of the list: the bytes after it are padding, whatever they hold.
    {"EolThenBytes", "020405b4 00414243", "\tmss=1460\n", kOption + "mss=1460\n" + kOption + "eol\n", true},
    // Notices: the options before them, then the notice; the rest is skipped.
    {"LengthZero", "0101 0200 03030700", "\t<*** TCP option 2 with length 0 ***>\n",
     kOption + "nop\n" + kOption + "nop\n" + "\t<*** TCP option 2 with length 0 ***>\n", false},
    {"LengthOne", "020405b4 03010700", "\tmss=1460\n\t<*** TCP option 3 with length 1 ***>\n",
     kOption + "mss=1460\n" + "\t<*** TCP option 3 with length 1 ***>\n", false},
    {"RunsPast", "020405b4 0101 080a 00000001", "\tmss=1460\n\t<*** TCP option 8 runs past the end of its header ***>\n",
     kOption + "mss=1460\n" + kOption + "nop\n" + kOption + "nop\n" +
         "\t<*** TCP option 8 runs past the end of its header ***>\n",
     false},
    {"KindIsLastByte", "010101 02", "\t<*** TCP option 2 runs past the end of its header ***>\n",
     kOption + "nop\n" + kOption + "nop\n" + kOption + "nop\n" +
         "\t<*** TCP option 2 runs past the end of its header ***>\n",
     false},
    {"LengthPastTheAreaBeforeLengthCheck", "c8ff", "\t<*** TCP option 200 runs past the end of its header ***>\n",
     "\t<*** TCP option 200 runs past the end of its header ***>\n", false},
};

class TcpOptions : public InProcessTest, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(TcpOptions, TerseAndVerbose) {
    const OptionCase& c = GetParam();
    std::vector<uint8_t> area = optionBytes(c.area);
    ASSERT_LE(area.size(), static_cast<size_t>(kMaxOptionArea));
    EXPECT_EQ(showOptionList(kTcpOptionTable, area.data(), static_cast<int>(area.size()), Form::terse), c.whole);
    EXPECT_EQ(takeOutput(), c.terse);
    EXPECT_EQ(showOptionList(kTcpOptionTable, area.data(), static_cast<int>(area.size()), Form::verbose), c.whole);
    EXPECT_EQ(takeOutput(), c.verbose);
}

INSTANTIATE_TEST_SUITE_P(Kinds, TcpOptions, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<OptionCase>& info) { return info.param.name; });

}  // namespace
