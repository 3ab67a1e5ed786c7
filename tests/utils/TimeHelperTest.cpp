#include <gtest/gtest.h>

#include <ctime>

#include "TimeHelper.h"

namespace {

// Seconds of a local wall-clock moment.
unsigned int At(int day, int hour, int minute)
{
    struct tm parts = {};
    parts.tm_year = 2024 - 1900;
    parts.tm_mon = 5;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_isdst = -1;
    return static_cast<unsigned int>(mktime(&parts));
}

bool Between(unsigned int time, unsigned int start, unsigned int end)
{
    return TimeHelper::GetInstance()->GetIsBetweenHourMinute(time, start, end);
}

} // namespace

TEST(TimeHelperTest, DaytimeIsHalfOpenAndIgnoresTheDate)
{
    const unsigned int sunrise = At(1, 6, 0);
    const unsigned int sunset = At(1, 18, 30);
    EXPECT_FALSE(Between(At(1, 5, 59), sunrise, sunset));
    EXPECT_TRUE(Between(At(1, 6, 0), sunrise, sunset));
    EXPECT_TRUE(Between(At(1, 18, 29), sunrise, sunset));
    EXPECT_FALSE(Between(At(1, 18, 30), sunrise, sunset));
    EXPECT_TRUE(Between(At(20, 12, 0), sunrise, sunset));
    // "0708" is read as decimal, not octal.
    EXPECT_TRUE(Between(At(1, 7, 8), At(1, 7, 5), At(1, 9, 10)));
}

TEST(TimeHelperTest, SpanAcrossMidnightHoldsNoTime)
{
    const unsigned int start = At(1, 22, 0);
    const unsigned int end = At(2, 2, 0);
    EXPECT_FALSE(Between(At(1, 23, 0), start, end));
    EXPECT_FALSE(Between(At(2, 1, 0), start, end));
    EXPECT_FALSE(Between(At(2, 12, 0), start, end));
}
