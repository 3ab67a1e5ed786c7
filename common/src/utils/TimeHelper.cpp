#include "utils/TimeHelper.h"

#include <cstdlib>
#include <cstring>
#include <sys/time.h>

namespace {

// Local hour and minute as one decimal number (07:05 -> 705), -1 when the
// time cannot be broken down.
int HourMinuteOf(unsigned int seconds)
{
    time_t t = static_cast<time_t>(seconds);
    struct tm* timeInfo = localtime(&t);
    if (timeInfo == NULL)
        return -1;
    char buffer[512] = {0};
    if (strftime(buffer, sizeof(buffer), "%H%M", timeInfo) == 0)
        return -1;
    // Base 10: a leading zero must not turn the text into octal.
    return static_cast<int>(strtol(buffer, NULL, 10));
}

} // namespace

DEFINE_SINGLETON(TimeHelper)

bool TimeHelper::Init()
{
    return true;
}

unsigned int TimeHelper::GetCurrentTime()
{
    return static_cast<unsigned int>(time(NULL));
}

uint64_t TimeHelper::GetCurrentTimeMSec()
{
    struct timeval mytime;
    RETURN_IF(gettimeofday(&mytime, NULL) !=0, 0);
    return static_cast<uint64_t>(mytime.tv_sec) * 1000 + static_cast<uint64_t>(mytime.tv_usec) / 1000;
}

struct tm TimeHelper::GetLocalTimeStruct()
{
    struct tm localTime;
    memset(&localTime, 0, sizeof(localTime));
    time_t now = time(NULL);
    struct tm* timeInfo = localtime(&now);
    if (timeInfo != NULL)
        localTime = *timeInfo;
    return localTime;
}

bool TimeHelper::GetIsBetweenHourMinute(unsigned int time, unsigned int start, unsigned int end)
{
    int timeHHMM = HourMinuteOf(time);
    int startHHMM = HourMinuteOf(start);
    int endHHMM = HourMinuteOf(end);
    RETURN_IF(timeHHMM < 0 || startHHMM < 0 || endHHMM < 0, false);
    return timeHHMM >= startHHMM && timeHHMM < endHHMM;
}
