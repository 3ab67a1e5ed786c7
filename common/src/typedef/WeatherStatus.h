#ifndef WEATHER_COMMON_WEATHER_STATUS_H
#define WEATHER_COMMON_WEATHER_STATUS_H

#include <cstdint>
#include <string>
#include <vector>

#include "typedef/City.h"
#include "typedef/Hourly.h"
#include "typedef/Weekly.h"
#include "utils/Pattern.h"
#include "utils/Ref.h"

// The text of a weather condition: the provider's icon code (the record's
// server icon) and day or night choose a message key of the "weather" domain.
class WeatherStatus : public Ref {
public:
    DECLARE_MAKE(WeatherStatus)

    bool Init() override;
    ~WeatherStatus() override = default;

    // One provider table each; a code outside the table logs and falls back.
    std::string WeathernewsJPMappingString(int32_t iconNum, bool isDay);
    std::string WeathernewsKRMappingString(int32_t iconNum, bool isDay);
    // Chinese keys when the device language starts with "zh".
    std::string CMAWeatherMappingString(int32_t iconNum, bool isDay);
    std::string WCNWeatherMappingString(int32_t iconNum, bool isDay);
    // AccuWeather and TWC, through the common icon number of the provider code;
    // the short table knows no heavy rain (20) and no hurricane (23).
    std::string CommonMappingString(int32_t iconNum, bool isDay);
    std::string CommonShortMappingString(int32_t iconNum, bool isDay);

    // Current weather of the city, one hourly entry, one daily entry.
    std::string GetMappingString(const CityPtr& cityPtr, bool isDay);
    std::string GetMappingString(const HourlyPtr& hourlyPtr, bool isDay);
    std::string GetMappingString(const WeeklyPtr& weeklyPtr);
    std::string GetMappingSimpleString(const CityPtr& cityPtr, bool isDay);

    // Every message key that the tables above can look up.
    static std::vector<std::string> GetMessageKeys();

private:
    WeatherStatus() = default;

    std::string ForecastString(const WeatherPtr& weatherPtr, bool isDay);
};

#endif
