// SCTP chunks under -extended through the real binary on cooked text: each
// chunk's line by its type, the fields read for DATA, INIT, INIT ACK and
// SACK, padding to 4 bytes, and the lengths that end the walk with a notice.

#include <gtest/gtest.h>

#include <cstdio>

#include "decode/frame_text.h"

namespace {
using namespace frame_text;

// IPv4 10.0.0.1 -> 10.0.0.2, id 0x1234, protocol 132, checksum 0xbeef; SCTP
// from port 5000 to 2905, tag 0x01020304, checksum 0x0a0b0c0d, then `chunks`.
std::string sctpDatagram(const std::string& chunks) {
    char total[8];
    std::snprintf(total, sizeof total, "%04x", 32 + byteCount(chunks));
    return std::string("4500 ") + total + " 1234 0000 4084 beef 0a00 0001 0a00 0002 1388 0b59 0102 0304 0a0b 0c0d " +
           chunks;
}

std::string terseStart(int datagramLength) {
    return packet(1) + "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=" + std::to_string(datagramLength) +
           " id=1234\n\tMF/DF=0/0 frag=0 TTL=64 proto=SCTP cksum=BEEF\n"
           "SCTP:\tport 5000 -> 2905 vtag=01020304 cksum=0A0B0C0D\n";
}

struct ChunkCase {
    const char* name;
    std::string chunks;
    std::string lines;   // after the SCTP line
};

class SctpChunk : public ::testing::TestWithParam<ChunkCase> {};

TEST_P(SctpChunk, TerseDisplay) {
    const ChunkCase& c = GetParam();
    EXPECT_EQ(decode({"-extended", "-noLink"}, ipFrame(sctpDatagram(c.chunks))),
              terseStart(32 + byteCount(c.chunks)) + c.lines + kSeparator);
}

const std::string kNoData = "DATA:\t<No data>\n";
const std::string kRunsPast = "\t<*** SCTP chunk runs past the end of the datagram ***>\n";

INSTANTIATE_TEST_SUITE_P(
    Sctp, SctpChunk,
    ::testing::Values(
        ChunkCase{"CookieAck", "0b00 0004", "\tCOOKIE_ACK flags=0x00 len=4\n" + kNoData},
        ChunkCase{"ShutdownComplete", "0e01 0004", "\tSHUTDOWN_COMPLETE flags=0x01 len=4\n" + kNoData},
        ChunkCase{"Shutdown", "0700 0008 0000 0010", "\tSHUTDOWN flags=0x00 len=8\n" + kNoData},
        ChunkCase{"ForwardTsn", "c000 0008 0000 0005", "\tFORWARD_TSN flags=0x00 len=8\n" + kNoData},
        ChunkCase{"IData", "4003 0004", "\tI_DATA flags=0x03 len=4\n" + kNoData},
        ChunkCase{"Asconf", "c100 0004", "\tASCONF flags=0x00 len=4\n" + kNoData},
        ChunkCase{"UnknownType", "fa00 0004", "\ttype=250 flags=0x00 len=4\n" + kNoData},
        ChunkCase{"Init", "0100 0014 1122 3344 0001 0000 000a ffff 0000 03e8",
                  "\tINIT flags=0x00 len=20 tag=0x11223344 a_rwnd=65536 out=10 in=65535 TSN=1000\n" + kNoData},
        // INIT ACK with a parameter after its fields: skipped.
        ChunkCase{"InitAckWithParameter", "0200 0018 1122 3344 0001 0000 000a ffff 0000 03e8 0007 0004",
                  "\tINIT_ACK flags=0x00 len=24 tag=0x11223344 a_rwnd=65536 out=10 in=65535 TSN=1000\n" + kNoData},
        // An INIT too short for its fields shows the common part only.
        ChunkCase{"ShortInit", "0100 0008 1122 3344", "\tINIT flags=0x00 len=8\n" + kNoData},
        ChunkCase{"SackWithGap", "0300 0014 0000 0063 0000 8000 0001 0000 0002 0004",
                  "\tSACK flags=0x00 len=20 cum-TSN=99 a_rwnd=32768 gaps=1 dups=0\n" + kNoData},
        // A DATA chunk's user data follows its line at once; nothing after
        // the last DATA chunk.
        ChunkCase{"Data", "0003 0013 0000 0001 0002 0003 0000 0000 6869 21",
                  "\tDATA flags=0x03 len=19 TSN=1 stream=2 ssn=3 ppid=0\nDATA:\thi!\n"},
        ChunkCase{"DataThenCookieAck", "0003 0012 0000 0001 0000 0000 0000 002e 6869 0000 0b00 0004",
                  "\tDATA flags=0x03 len=18 TSN=1 stream=0 ssn=0 ppid=46\nDATA:\thi\n"
                  "\tCOOKIE_ACK flags=0x00 len=4\n" + kNoData},
        // Padding to 4 bytes, which the last chunk may leave out.
        ChunkCase{"PaddedAbort", "0600 0005 4100 0000 0b00 0004",
                  "\tABORT flags=0x00 len=5\n\tCOOKIE_ACK flags=0x00 len=4\n" + kNoData},
        ChunkCase{"LastChunkUnpadded", "0600 0005 41", "\tABORT flags=0x00 len=5\n" + kNoData},
        ChunkCase{"LengthBelowFour", "0b00 0003", kRunsPast},
        ChunkCase{"DataShorterThanItsFields", "0003 000f 0000 0001 0000 0000 0000 00", kRunsPast},
        ChunkCase{"LengthPastTheDatagram", "0b00 0004 0a00 0010 0000 0000", "\tCOOKIE_ACK flags=0x00 len=4\n" + kRunsPast},
        ChunkCase{"HeaderPastTheDatagram", "0b00 0004 0a00", "\tCOOKIE_ACK flags=0x00 len=4\n" + kRunsPast}),
    [](const ::testing::TestParamInfo<ChunkCase>& info) { return std::string(info.param.name); });

TEST(SctpDecode, HeaderLongerThanTheDatagram) {
    EXPECT_EQ(decode({"-extended", "-noLink"},
                     ipFrame("4500 001c 1234 0000 4084 beef 0a00 0001 0a00 0002 1388 0b59 0102 0304")),
              packet(1) +
                  "  IP:\t10.0.0.1 -> 10.0.0.2 hlen=20 TOS=00 dgramlen=28 id=1234\n"
                  "\tMF/DF=0/0 frag=0 TTL=64 proto=SCTP cksum=BEEF\n"
                  "\t<*** SCTP header longer than the datagram ***>\n" +
                  kSeparator);
}

}  // namespace
