#ifndef WEATHER_COMMON_TIME_HELPER_H
#define WEATHER_COMMON_TIME_HELPER_H

#include <cstdint>
#include <ctime>

#include "utils/Pattern.h"

// Clock readings. Times are seconds since the epoch in 32 bits, except the
// millisecond reading.
class TimeHelper {
public:
    DECLARE_SINGLETON(TimeHelper);

    virtual bool Init();
    virtual ~TimeHelper() = default;

    unsigned int GetCurrentTime();
    // 0 when the clock cannot be read.
    uint64_t GetCurrentTimeMSec();
    struct tm GetLocalTimeStruct();
    // Whether the local hour and minute of time lie in [start, end); dates
    // are ignored, so a span across midnight holds no time at all.
    bool GetIsBetweenHourMinute(unsigned int time, unsigned int start, unsigned int end);

private:
    TimeHelper() = default;
};

#endif
