#include "ClockTime.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

TEST(ClockTime, TextShowsMinutesAndSecondsBelowAnHourAndFieldsWithLeadingZerosFromIt)
{
    struct Case
    {
        int64_t milliseconds;
        const char* text;
    };
    for (const Case& c : {Case{0, "0 min 0 sec"}, Case{59999, "0 min 59 sec"}, Case{9000, "0 min 9 sec"},
                          Case{300000, "5 min 0 sec"}, Case{3599999, "59 min 59 sec"}, Case{3600000, "01:00:00"},
                          Case{3725000, "01:02:05"}, Case{3909000, "01:05:09"}, Case{36000000, "10:00:00"},
                          Case{43200000, "12:00:00"}, Case{int64_t{123} * 3600000 + 45 * 60000 + 6000, "123:45:06"}})
    {
        EXPECT_EQ(ClockTime(c.milliseconds).Text().toStdString(), c.text) << c.milliseconds;
    }
}

TEST(ClockTime, ViewsTruncate)
{
    const ClockTime time(3600000 + 2 * 60000 + 5999);
    EXPECT_EQ(time.Hours(), 1);
    EXPECT_EQ(time.Minutes(), 2);
    EXPECT_EQ(time.Seconds(), 5);
    EXPECT_EQ(time.Milliseconds(), 3725999);
    EXPECT_TRUE(ClockTime().IsZero());
}

TEST(ClockTime, SetFromHoursMinutesSecondsAndStaysWithinBounds)
{
    EXPECT_EQ(ClockTime::FromHms(1, 5, 9).Milliseconds(), 3909000);
    EXPECT_EQ(ClockTime::FromHms(0, 90, 0).Milliseconds(), 5400000);
    // Stored settings are untrusted: absurd or negative parts never wrap.
    EXPECT_EQ(ClockTime::FromHms(0xFFFFFFFFLL, 0, 0).Milliseconds(), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ClockTime::FromHms(-1, 0, 0).Milliseconds(), 0);
    EXPECT_EQ(
        ClockTime::FromHms(std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::max(), 1).Milliseconds(),
        std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ClockTime(-5).Milliseconds(), 0);
}

TEST(ClockTime, SubtractClampsAtZeroAndAddSaturates)
{
    ClockTime time(1000);
    time.Subtract(400);
    EXPECT_EQ(time.Milliseconds(), 600);
    time.Subtract(5000);
    EXPECT_TRUE(time.IsZero());
    time.Add(1500);
    EXPECT_EQ(time.Milliseconds(), 1500);
    time.Add(std::numeric_limits<int64_t>::max());
    EXPECT_EQ(time.Milliseconds(), std::numeric_limits<int32_t>::max());
    // An elapsed span beyond 2^31 ms must still count as a subtraction.
    time.Subtract(uint32_t{0xF0000000});
    EXPECT_TRUE(time.IsZero());
}
