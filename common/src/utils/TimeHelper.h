#ifndef WEATHER_COMMON_TIME_HELPER_H
#define WEATHER_COMMON_TIME_HELPER_H

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

#include "utils/Pattern.h"

class City;

// Clock readings and a city's own clock. Times are seconds since the epoch in
// 32 bits, except the millisecond reading.
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

    // The city's wall clock as seconds that localtime() breaks down into the
    // city's fields: now (or baseTime) + city offset - device offset, one hour
    // more in summer time unless the provider already counts it (AccuWeather,
    // TWC); in retail mode the device time unchanged. 0 without a city.
    unsigned int GetLocalTime(const std::shared_ptr<City>& cityPtr);
    unsigned int GetLocalTime(const std::shared_ptr<City>& cityPtr, unsigned int baseTime);
    // Hour 0-23 of GetLocalTime.
    int GetLocalHour(const std::shared_ptr<City>& cityPtr);
    int GetLocalHour(const std::shared_ptr<City>& cityPtr, unsigned int baseTime);
    // Whether the city's clock at time lies in [sunrise, sunset) of its life
    // index (hour and minute only); the hourly form takes time unshifted.
    bool GetIsDay(const std::shared_ptr<City>& cityPtr, unsigned int time);
    bool GetIsDayForHourlyForecast(const std::shared_ptr<City>& cityPtr, unsigned int time);
    // Whether time lies in the city's current day.
    bool GetIsToday(const std::shared_ptr<City>& cityPtr, unsigned int time);
    // The city's current time, hours and minutes (long: with weekday, day and
    // month) in the 12/24-hour preference and the display locale.
    std::string GetLocalTimeString(const std::shared_ptr<City>& cityPtr);
    std::string GetLocalTimeStringLong(const std::shared_ptr<City>& cityPtr);

private:
    TimeHelper() = default;
    // Logs its guard on behalf of the public operation named by func.
    std::string FormatCityTime(const char* func, const std::shared_ptr<City>& cityPtr, int format12, int format24);
};

#endif
