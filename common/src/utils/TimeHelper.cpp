#include "utils/TimeHelper.h"

#include <cstdlib>
#include <cstring>
#include <sys/time.h>

#include "typedef/CPType.h"
#include "typedef/City.h"
#include "typedef/LifeIndex.h"
#include "utils/ICUHelper.h"
#include "utils/VconfUtilFactory.h"

namespace {

// Local hour and minute as one decimal number (07:05 -> 705), -1 when the
// time cannot be broken down: the number that "%H%M" of the broken-down time
// reads as in base 10, taken from the fields without printing and parsing
// the text.
int HourMinuteOf(unsigned int seconds)
{
    time_t t = static_cast<time_t>(seconds);
    // The reentrant form: the weather processes that share this layer may
    // ask from several threads at once.
    struct tm timeInfo;
    if (localtime_r(&t, &timeInfo) == NULL)
        return -1;
    return timeInfo.tm_hour * 100 + timeInfo.tm_min;
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
    RETURN_IF(gettimeofday(&mytime, NULL) != 0, 0);
    return static_cast<uint64_t>(mytime.tv_sec) * 1000 + static_cast<uint64_t>(mytime.tv_usec) / 1000;
}

struct tm TimeHelper::GetLocalTimeStruct()
{
    struct tm localTime;
    time_t now = time(NULL);
    if (localtime_r(&now, &localTime) == NULL)
        memset(&localTime, 0, sizeof(localTime));
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

namespace {

long DeviceOffsetAt(time_t when)
{
    struct tm parts;
    return localtime_r(&when, &parts) ? parts.tm_gmtoff : 0;
}

// Hours east of UTC in whole seconds, truncated toward zero; a value no
// clock can have counts as 0 instead of overflowing.
int32_t CityOffsetSeconds(double gmtOffset)
{
    double seconds = gmtOffset * 3600.0;
    if (!(seconds > -2147483648.0 && seconds < 2147483648.0)) {
        LOGE("gmtOffset out of range [%f]", gmtOffset);
        return 0;
    }
    return static_cast<int32_t>(seconds);
}

} // namespace

unsigned int TimeHelper::GetLocalTime(const std::shared_ptr<City>& cityPtr)
{
    return GetLocalTime(cityPtr, static_cast<unsigned int>(time(NULL)));
}

unsigned int TimeHelper::GetLocalTime(const std::shared_ptr<City>& cityPtr, unsigned int baseTime)
{
    RETURN_IF(!cityPtr, 0);
    int64_t now = baseTime;
    int64_t result = now + CityOffsetSeconds(cityPtr->GetGmtOffset()) - DeviceOffsetAt(static_cast<time_t>(now));
    int32_t cpType = CPType::GetInstance()->GetCPType();
    // These providers' offsets already include summer time.
    if (cpType != WEATHER_CP_TYPE_ACCUWEATHER && cpType != WEATHER_CP_TYPE_TWC && cityPtr->GetIsSummerTime())
        result += 3600;
    auto vconfUtilPtr = VconfUtilFactory::Make();
    if (vconfUtilPtr && vconfUtilPtr->GetIsRetailMode())
        result = now;
    return static_cast<unsigned int>(result);
}

int TimeHelper::GetLocalHour(const std::shared_ptr<City>& cityPtr)
{
    return GetLocalHour(cityPtr, static_cast<unsigned int>(time(NULL)));
}

int TimeHelper::GetLocalHour(const std::shared_ptr<City>& cityPtr, unsigned int baseTime)
{
    RETURN_IF(!cityPtr, 0);
    time_t cityTime = GetLocalTime(cityPtr, baseTime);
    struct tm parts;
    RETURN_IF(localtime_r(&cityTime, &parts) == NULL, 0);
    return parts.tm_hour;
}

bool TimeHelper::GetIsDay(const std::shared_ptr<City>& cityPtr, unsigned int time)
{
    RETURN_IF(!cityPtr, false);
    LifeIndexPtr lifeIndexPtr = cityPtr->GetLifeIndex();
    RETURN_IF(!lifeIndexPtr, false);
    unsigned int cityTime = GetLocalTime(cityPtr, time);
    return GetIsBetweenHourMinute(cityTime, lifeIndexPtr->GetSunriseTime(), lifeIndexPtr->GetSunsetTime());
}

bool TimeHelper::GetIsDayForHourlyForecast(const std::shared_ptr<City>& cityPtr, unsigned int time)
{
    RETURN_IF(!cityPtr, false);
    LifeIndexPtr lifeIndexPtr = cityPtr->GetLifeIndex();
    RETURN_IF(!lifeIndexPtr, false);
    return GetIsBetweenHourMinute(time, lifeIndexPtr->GetSunriseTime(), lifeIndexPtr->GetSunsetTime());
}

bool TimeHelper::GetIsToday(const std::shared_ptr<City>& cityPtr, unsigned int time)
{
    RETURN_IF(!cityPtr, false);
    time_t cityNow = GetLocalTime(cityPtr);
    struct tm parts;
    RETURN_IF(localtime_r(&cityNow, &parts) == NULL, false);
    parts.tm_sec = 0;
    parts.tm_min = 0;
    parts.tm_hour = 0;
    unsigned int midnight = static_cast<unsigned int>(mktime(&parts));
    return midnight <= time && time < midnight + 86400u;
}

std::string TimeHelper::FormatCityTime(const char* func, const std::shared_ptr<City>& cityPtr, int format12,
                                       int format24)
{
    auto vconfUtilPtr = VconfUtilFactory::Make();
    ICUHelper* icuHelper = ICUHelper::GetInstance();
    RETURN_IF_AT(func, !cityPtr, "");
    unsigned int cityTime = GetLocalTime(cityPtr);
    // 1 is 12-hour; any other stored value counts as 24-hour.
    int timeFormat = vconfUtilPtr ? vconfUtilPtr->GetTimeFormat() : 1;
    return icuHelper->ConvertEpochTimeToICUDate(cityTime, timeFormat == 1 ? format12 : format24);
}

std::string TimeHelper::GetLocalTimeString(const std::shared_ptr<City>& cityPtr)
{
    return FormatCityTime(__func__, cityPtr, ICU_FORMAT_HHMM_12, ICU_FORMAT_HHMM_24);
}

std::string TimeHelper::GetLocalTimeStringLong(const std::shared_ptr<City>& cityPtr)
{
    return FormatCityTime(__func__, cityPtr, ICU_FORMAT_EEEDMMM_HHMM_12, ICU_FORMAT_EEEDMMM_HHMM_24);
}
