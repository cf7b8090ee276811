// The time since the previous packet, shown after each timestamp.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/run.h"
#include "common/options.h"
#include "common/packet_state.h"
#include "packet/time_delta.h"

namespace {
using Sequence = std::vector<std::pair<std::string, std::string>>;   // timestamp, delta text

// Feeds the timestamps as consecutive packets of one run.
void expectDeltas(const Sequence& packets) {
    options = Options{};
    resetDecoderState();
    for (const auto& [timestamp, expected] : packets) {
        ++state.pktCount;
        SCOPED_TRACE("packet " + std::to_string(state.pktCount) + " stamped " + timestamp);
        EXPECT_EQ(std::string(timeDelta(timestamp.c_str())), expected);
    }
}

TEST(TimeDelta, ShowsOnlyTheLeadingPartsThatAreNotZero) {
    expectDeltas({
        {"12:00:00.000000", ""},
        {"12:00:00.500000", " (0.500000)"},
        {"12:01:02.750000", " (01:2.250000)"},
        {"13:03:07.750000", " (01:02:5.000000)"},
        {"13:03:07.750000", " (0.000000)"},
        {"13:13:07.750000", " (10:0.000000)"},
        {"23:13:07.750000", " (10:00:0.000000)"},
    });
}

TEST(TimeDelta, SecondsAreNeverPaddedAndFractionsKeepTheirZeros) {
    expectDeltas({
        {"00:00:00.000000", ""},
        {"00:00:12.000001", " (12.000001)"},
        {"01:00:12.000001", " (01:00:0.000000)"},
        {"01:00:12.100001", " (0.100000)"},
    });
}

TEST(TimeDelta, WrapsAtMidnight) {
    expectDeltas({
        {"23:59:59.900000", ""},
        {"00:00:00.100000", " (0.200000)"},
        {"00:00:01.100000", " (1.000000)"},
    });
    expectDeltas({
        {"23:00:00.000000", ""},
        {"01:30:00.000000", " (02:30:0.000000)"},
    });
}

TEST(TimeDelta, FirstTimestampWithoutFractionCountsWholeSeconds) {
    // Scale 1, no fraction digits: a fraction of 0 with width 0 still prints one zero.
    expectDeltas({
        {"12:00:00.", ""},
        {"12:00:05.", " (5.0)"},
    });
}

TEST(TimeDelta, FirstPacketFixesTheFractionDigits) {
    // After one fraction digit, a later .25 is 25 tenths of a second.
    expectDeltas({
        {"12:00:00.0", ""},
        {"12:00:00.25", " (2.5)"},
        {"12:00:03.1", " (0.6)"},
    });
    // After six digits, a later .5 is 5 microseconds.
    expectDeltas({
        {"12:00:00.000000", ""},
        {"12:00:01.5", " (1.000005)"},
    });
    // After nine digits, later six-digit fractions count in nanoseconds.
    expectDeltas({
        {"12:00:00.000000000", ""},
        {"12:00:00.500000", " (0.000500000)"},
    });
}

TEST(TimeDelta, InvalidTimestampShowsNothingAndIsNotRecorded) {
    expectDeltas({
        {"12:00:00.000000", ""},
        {"12:00:01.000000", " (1.000000)"},
        {"x2:00:02.000000", ""},
        {"12-00:02.000000", ""},
        {"12:00-02.000000", ""},
        {"\xb2:00:02.000000", ""},
        {"", ""},
        // Measured from 12:00:01, the last valid one.
        {"12:00:04.000000", " (3.000000)"},
    });
}

TEST(TimeDelta, InvalidFirstTimestampLeavesTheScaleToTheFirstValidOne) {
    expectDeltas({
        {"ab:cd:ef.000000", ""},
        {"12:00:00.500000", ""},
        {"12:00:01.000000", " (0.500000)"},
    });
    expectDeltas({
        {"garbage", ""},
        {"12:00:00.", ""},
        {"12:00:02.", " (2.0)"},
    });
}

TEST(TimeDelta, OutOfRangeTimestampsStayWithinTheDeltaText) {
    // Parts beyond a day and fraction widths beyond the text: whatever is
    // shown must fit the 32-byte delta text.
    const std::string longFraction = "00:00:00." + std::string(40, '0');
    options = Options{};
    resetDecoderState();
    const char* stamps[] = {longFraction.c_str(), "99:99:99.9999999999999999999999999999999999999999",
                            "00:00:00.1", "12:00:00.000000"};
    for (const char* stamp : stamps) {
        ++state.pktCount;
        const char* delta = timeDelta(stamp);
        EXPECT_LT(std::strlen(delta), 32u) << stamp;
    }
    resetDecoderState();
    const char* wide[] = {"00:00:00.000000", "99:99:99.999999", "00:00:00.000000", "12:34:56.123456789012"};
    for (const char* stamp : wide) {
        ++state.pktCount;
        const char* delta = timeDelta(stamp);
        EXPECT_LT(std::strlen(delta), 32u) << stamp;
    }
}
}  // namespace
