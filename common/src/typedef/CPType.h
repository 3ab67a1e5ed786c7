#ifndef WEATHER_COMMON_CP_TYPE_H
#define WEATHER_COMMON_CP_TYPE_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "utils/Pattern.h"

// Weather content provider codes; the names are also the provider names
// stored in the settings.
enum WeatherCPType : int32_t {
    WEATHER_CP_TYPE_ACCUWEATHER = 0,
    WEATHER_CP_TYPE_CMAWEATHER = 1,
    WEATHER_CP_TYPE_KWEATHER = 2,
    WEATHER_CP_TYPE_WEATHERNEWS_KR = 3,
    WEATHER_CP_TYPE_WEATHERNEWS = 4,
    WEATHER_CP_TYPE_TWC = 5,
    WEATHER_CP_TYPE_WCN = 6,
};

extern const char* const WEATHER_CP_NAME_ACCUWEATHER;
extern const char* const WEATHER_CP_NAME_CMAWEATHER;
extern const char* const WEATHER_CP_NAME_KWEATHER;
extern const char* const WEATHER_CP_NAME_WEATHERNEWS_KR;
extern const char* const WEATHER_CP_NAME_WEATHERNEWS;
extern const char* const WEATHER_CP_NAME_TWC;
extern const char* const WEATHER_CP_NAME_WCN;

// The current weather content provider, decided at first use and again at
// every Renew(); in between it does not follow the settings or the keys.
class CPType {
public:
    DECLARE_SINGLETON(CPType);

    virtual bool Init();
    virtual ~CPType() = default;

    int32_t GetCPType() const { return mCPType; }
    void Renew();
    std::string ConvertWeatherCPTypeToString(int32_t type);
    std::string GetCPTypeString();
    std::shared_ptr<std::vector<std::string>> GetCPTypeList();

private:
    CPType() = default;

    int32_t mCPType = WEATHER_CP_TYPE_TWC;
};

#endif
