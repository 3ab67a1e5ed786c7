#include <gtest/gtest.h>

#include <ctime>

#include "utils/TimeHelper.h"

namespace {

// Seconds of a local wall-clock moment in June 2024.
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

} // namespace

// Half open, the date ignored; a span across midnight holds no time.
TEST(TimeHelperTest, BetweenHourMinute)
{
    const struct {
        unsigned int time, start, end;
        bool between;
    } cases[] = {
        {At(1, 5, 59), At(1, 6, 0), At(1, 18, 30), false},
        {At(1, 6, 0), At(1, 6, 0), At(1, 18, 30), true},
        {At(1, 18, 29), At(1, 6, 0), At(1, 18, 30), true},
        {At(1, 18, 30), At(1, 6, 0), At(1, 18, 30), false},
        {At(20, 12, 0), At(1, 6, 0), At(1, 18, 30), true},
        {At(1, 7, 8), At(1, 7, 5), At(1, 9, 10), true}, // "0708" is read as decimal, not octal
        {At(1, 23, 0), At(1, 22, 0), At(2, 2, 0), false},
        {At(2, 1, 0), At(1, 22, 0), At(2, 2, 0), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TimeHelper::GetInstance()->GetIsBetweenHourMinute(c.time, c.start, c.end), c.between) << c.time;
}
