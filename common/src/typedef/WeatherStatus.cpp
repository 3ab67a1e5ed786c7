#include "typedef/WeatherStatus.h"

#include <libintl.h>

#include <set>

#include "db/IconMappingTable.h"
#include "typedef/CPType.h"
#include "utils/LanguageHelper.h"
#include "utils/LanguageRules.h"
#include "utils/VconfUtilFactory.h"

namespace {

constexpr const char* kTextDomain = "weather";

#define WGT(key) "IDS_WGT_" key

// Codes first..last give the day key by day and the night key at night
// (nullptr: the day key at night too).
struct StatusRange {
    int32_t first;
    int32_t last;
    const char* day;
    const char* night;
};

struct StatusTable {
    const StatusRange* ranges;
    size_t count;
    const char* fallbackDay;
    const char* fallbackNight;
    const char* fallbackLog;
};

#define SUNNY WGT("POP_SUNNY"), WGT("POP_CLEAR_M_WEATHER")
#define SUNNY_RAIN WGT("BODY_SUNNY_WITH_SOME_RAIN"), WGT("BODY_CLEAR_WITH_OCCASIONAL_SHOWERS")
#define SUNNY_SNOW WGT("BODY_SUNNY_WITH_SOME_SNOW"), WGT("BODY_CLEAR_WITH_OCCASIONAL_SNOW_SHOWERS")
#define SUNNY_CLOUDS WGT("BODY_SUNNY_WITH_SOME_CLOUDS"), WGT("BODY_MAINLY_CLEAR_WITH_PATCHY_CLOUD")
#define THEN_RAIN WGT("BODY_SUNSHINE_FOLLOWED_BY_RAIN"), WGT("BODY_CLEAR_THEN_RAIN")
#define THEN_SNOW WGT("BODY_SUNSHINE_FOLLOWED_BY_SNOW"), WGT("BODY_CLEAR_THEN_OCCASIONAL_SNOW_SHOWERS")
#define ONE(key) WGT(key), nullptr

const StatusRange kWeathernewsJP[] = {
    {100, 100, SUNNY},
    {101, 101, SUNNY_CLOUDS},
    {102, 103, SUNNY_RAIN},
    {104, 105, SUNNY_SNOW},
    {106, 108, SUNNY_RAIN},
    {110, 111, WGT("BODY_SUNSHINE_FOLLOWED_BY_CLOUDS"), WGT("BODY_CLEAR_THEN_CLOUDY")},
    {112, 114, THEN_RAIN},
    {115, 117, THEN_SNOW},
    {118, 119, THEN_RAIN},
    {120, 121, SUNNY_RAIN},
    {122, 122, THEN_RAIN},
    {123, 123, SUNNY},
    {125, 129, THEN_RAIN},
    {130, 131, SUNNY},
    {132, 132, SUNNY_CLOUDS},
    {140, 140, SUNNY_RAIN},
    {160, 160, SUNNY_SNOW},
    {170, 170, SUNNY_SNOW},
    {181, 181, THEN_SNOW},
    {200, 200, ONE("POP_CLOUDY")},
    {201, 201, ONE("BODY_CLOUDY_WITH_SUNNY_INTERVALS")},
    {202, 203, ONE("BODY_CLOUDY_WITH_SCATTERED_RAIN")},
    {204, 205, ONE("BODY_CLOUDY_WITH_SCATTERED_SNOW")},
    {206, 208, ONE("BODY_CLOUDY_WITH_SCATTERED_RAIN")},
    {209, 209, ONE("POP_CLOUDY")},
    {210, 211, ONE("BODY_CLOUDY_THEN_CLEARING")},
    {212, 214, ONE("BODY_CLOUDS_FOLLOWED_BY_RAIN")},
    {215, 217, ONE("BODY_CLOUD_FOLLOWED_BY_SNOW")},
    {218, 219, ONE("BODY_CLOUDS_FOLLOWED_BY_RAIN")},
    {220, 221, ONE("BODY_CLOUDY_WITH_SCATTERED_RAIN")},
    {222, 222, ONE("BODY_CLOUDS_FOLLOWED_BY_RAIN")},
    {223, 223, ONE("BODY_CLOUDY_WITH_SUNNY_INTERVALS")},
    {224, 227, ONE("BODY_CLOUDS_FOLLOWED_BY_RAIN")},
    {228, 230, ONE("BODY_CLOUD_FOLLOWED_BY_SNOW")},
    {231, 231, ONE("POP_CLOUDY")},
    {240, 240, ONE("BODY_CLOUDY_WITH_SCATTERED_RAIN")},
    {250, 250, ONE("BODY_CLOUDY_WITH_SCATTERED_SNOW")},
    {260, 260, ONE("BODY_CLOUDY_WITH_SCATTERED_SNOW")},
    {270, 270, ONE("BODY_CLOUDY_WITH_SCATTERED_SNOW")},
    {281, 281, ONE("BODY_CLOUD_FOLLOWED_BY_SNOW")},
    {300, 300, ONE("POP_RAIN")},
    {301, 301, ONE("BODY_RAIN_WITH_SUNNY_INTERVALS")},
    {302, 302, ONE("BODY_RAIN_WITH_PATCHY_CLOUD")},
    {303, 303, ONE("BODY_RAIN_WITH_SOME_SNOW")},
    {304, 304, ONE("POP_RAIN")},
    {306, 306, ONE("POP_RAIN")},
    {308, 308, ONE("POP_RAIN")},
    {309, 309, ONE("BODY_RAIN_WITH_SOME_SNOW")},
    {311, 311, ONE("BODY_RAINY_THEN_CLEARING")},
    {313, 313, ONE("BODY_RAIN_THEN_STILL_CLOUDY")},
    {314, 315, ONE("BODY_RAIN_FOLLOWED_BY_SNOW")},
    {316, 316, ONE("BODY_RAINY_THEN_CLEARING")},
    {317, 317, ONE("BODY_RAIN_THEN_STILL_CLOUDY")},
    {320, 320, ONE("BODY_RAINY_THEN_CLEARING")},
    {321, 321, ONE("BODY_RAIN_THEN_STILL_CLOUDY")},
    {322, 322, ONE("BODY_RAIN_WITH_SOME_SNOW")},
    {323, 325, ONE("BODY_RAINY_THEN_CLEARING")},
    {326, 327, ONE("BODY_RAIN_FOLLOWED_BY_SNOW")},
    {328, 329, ONE("POP_RAIN")},
    {340, 340, ONE("POP_SNOW")},
    {350, 350, ONE("POP_RAIN")},
    {361, 361, ONE("BODY_SNOW_THEN_CLEARING")},
    {371, 371, ONE("BODY_SNOW_FOLLOWED_BY_CLOUDY_SKIES")},
    {400, 400, ONE("POP_SNOW")},
    {401, 401, WGT("BODY_SNOW_WITH_SUNNY_INTERVALS"), WGT("BODY_SNOW_WITH_CLEAR_SPELLS")},
    {402, 402, ONE("BODY_SNOW_WITH_SOME_CLOUD")},
    {403, 403, ONE("BODY_SNOW_WITH_SOME_RAIN")},
    {405, 407, ONE("POP_SNOW")},
    {409, 409, ONE("BODY_SNOW_WITH_SOME_RAIN")},
    {411, 411, ONE("BODY_SNOW_THEN_CLEARING")},
    {413, 413, ONE("BODY_SNOW_FOLLOWED_BY_CLOUDY_SKIES")},
    {414, 414, ONE("BODY_SNOW_FOLLOWED_BY_RAIN")},
    {420, 420, ONE("BODY_SNOW_THEN_CLEARING")},
    {421, 421, ONE("BODY_SNOW_FOLLOWED_BY_CLOUDY_SKIES")},
    {422, 424, ONE("BODY_SNOW_FOLLOWED_BY_RAIN")},
    {425, 427, ONE("POP_SNOW")},
    {430, 430, ONE("POP_SLEET")},
    {450, 450, ONE("POP_SNOW")},
    {500, 500, SUNNY},
    {550, 550, ONE("POP_HOT")},
    {552, 552, ONE("BODY_INTENSE_HEAT_WITH_PATCHY_CLOUD")},
    {553, 553, ONE("BODY_INTENSE_HEAT_WITH_SOME_RAIN")},
    {558, 558, ONE("BODY_INTENSE_HEAT_WITH_SOME_HEAVY_RAIN")},
    {562, 562, ONE("BODY_INTENSE_HEAT_FOLLOWED_BY_CLOUDS")},
    {563, 563, ONE("BODY_INTENSE_HEAT_FOLLOWED_BY_RAIN")},
    {568, 568, ONE("BODY_INTENSE_HEAT_FOLLOWED_BY_HEAVY_RAIN")},
    {572, 572, ONE("BODY_CLOUDY_WITH_HOT_SPELLS")},
    {573, 573, ONE("BODY_RAIN_WITH_HOT_SPELLS")},
    {582, 582, ONE("BODY_CLOUDY_FOLLOWED_BY_INTENSE_HEAT")},
    {583, 583, ONE("BODY_RAIN_FOLLOWED_BY_INTENSE_HEAT")},
    {600, 600, SUNNY},
    {850, 850, "IDS_GN_BODY_HEAVY_RAIN_M_WEATHER", nullptr},
    {851, 851, ONE("BODY_HEAVY_RAIN_WITH_SUNNY_INTERVALS")},
    {852, 852, ONE("BODY_HEAVY_RAIN_WITH_PATCHY_CLOUD")},
    {853, 853, ONE("BODY_HEAVY_RAIN_WITH_SOME_LIGHT_RAIN")},
    {854, 854, ONE("BODY_HEAVY_RAIN_WITH_SOME_SNOW")},
    {855, 855, ONE("BODY_HEAVY_RAIN_WITH_HOT_SPELLS")},
    {861, 861, ONE("BODY_HEAVY_RAIN_FOLLOWED_BY_SUNSHINE")},
    {862, 862, ONE("BODY_HEAVY_RAIN_THEN_STILL_CLOUDY")},
    {863, 863, ONE("BODY_HEAVY_RAIN_FOLLOWED_BY_INTENSE_HEAT")},
    {864, 864, ONE("BODY_HEAVY_RAIN_FOLLOWED_BY_SNOW")},
    {865, 865, ONE("BODY_HEAVY_RAIN_FOLLOWED_BY_INTENSE_HEAT")},
    {871, 871, WGT("BODY_SUNNY_WITH_SOME_HEAVY_RAIN"), WGT("BODY_CLEAR_WITH_OCCASIONAL_HEAVY_SHOWERS")},
    {872, 872, ONE("BODY_CLOUDY_WITH_SCATTERED_HEAVY_RAIN")},
    {873, 873, ONE("BODY_LIGHT_RAIN_WITH_SOME_HEAVY_RAIN")},
    {874, 874, ONE("BODY_SNOW_WITH_SOME_HEAVY_RAIN")},
    {881, 881, WGT("BODY_SUNSHINE_FOLLOWED_BY_HEAVY_RAIN"), WGT("BODY_CLEAR_THEN_HEAVY_RAIN")},
    {882, 882, ONE("BODY_CLOUDS_FOLLOWED_BY_HEAVY_RAIN")},
    {883, 883, ONE("BODY_LIGHT_RAIN_FOLLOWED_BY_HEAVY_RAIN")},
    {884, 884, ONE("BODY_SNOW_FOLLOWED_BY_HEAVY_RAIN")},
};

const StatusRange kWeathernewsKR[] = {
    {1, 1, SUNNY},
    {2, 2, ONE("POP_PARTLY_CLOUDY")},
    {3, 3, ONE("POP_MOSTLY_CLOUDY")},
    {4, 4, ONE("POP_CLOUDY")},
    {5, 5, ONE("BODY_CLOUDY_THEN_CLEARING")},
    {6, 6, WGT("BODY_SUNNY_THEN_CLOUDING_OVER"), WGT("BODY_CLEAR_THEN_CLOUDING_OVER_M_STATUS")},
    {7, 9, ONE("POP_MOSTLY_CLOUDY_WITH_SHOWERS")},
    {10, 12, ONE("POP_RAIN")},
    {13, 14, ONE("BODY_BECOMING_CLOUDY_WITH_RAIN_OR_SNOW")},
    {15, 17, ONE("BODY_RAINY_THEN_CLEARING")},
    {18, 20, ONE("POP_SNOW")},
    {21, 22, ONE("BODY_BECOMING_CLOUDY_WITH_SNOW_OR_RAIN")},
    {23, 25, ONE("BODY_SNOW_THEN_CLEARING")},
    {26, 28, ONE("BODY_RAIN_OR_SNOW_M_STATUS")},
    {29, 30, ONE("BODY_BECOMING_CLOUDY_WITH_RAIN_OR_SNOW")},
    {31, 33, ONE("BODY_RAIN_OR_SNOW_M_STATUS")},
    {34, 35, ONE("BODY_BECOMING_CLOUDY_WITH_SNOW_OR_RAIN")},
    {36, 38, ONE("BODY_SNOW_OR_RAIN_THEN_CLEARING")},
    {39, 39, ONE("POP_THUNDERSTORMS")},
    {40, 40, ONE("POP_FOG")},
};

// Codes 0 to 31, shared by the CMA and the WCN table.
#define CMA_CODES                                                                                                      \
    {0, 0, ONE("POP_SUNNY")}, {1, 1, ONE("POP_CLOUDY")}, {2, 2, ONE("POP_OVERCAST")}, {3, 3, ONE("POP_SHOWERS")},      \
        {4, 4, ONE("BODY_THUNDERSTORMS_CHN")}, {5, 5, ONE("BODY_THUNDERSTORMS_WITH_HAIL_CHN")},                        \
        {6, 6, ONE("POP_SLEET")}, {7, 7, ONE("POP_LIGHT_RAIN")}, {8, 8, ONE("BODY_MODERATE_RAIN")},                    \
        {9, 9, ONE("POP_HEAVY_RAIN_WEATHER")}, {10, 10, ONE("BODY_STORM_CHN")},                                        \
        {11, 11, ONE("BODY_HEAVY_STORM_M_WEATHER")}, {12, 13, ONE("BODY_SEVERE_STORM_CHN")},                           \
        {14, 14, ONE("POP_LIGHT_SNOW")}, {15, 15, ONE("BODY_MODERATE_SNOW")}, {16, 16, ONE("POP_HEAVY_SNOW_WEATHER")}, \
        {17, 17, ONE("BODY_SNOWSTORM_CHN")}, {18, 18, ONE("BODY_FOGGY_CHN")}, {19, 19, ONE("BODY_ICE_RAIN_CHN")},      \
        {20, 20, ONE("BODY_DUST_STORM_M_WEATHER")}, {21, 21, ONE("BODY_LIGHT_TO_MODERATE_RAIN")},                      \
        {22, 22, ONE("BODY_MODERATE_TO_HEAVY_RAIN")}, {23, 23, ONE("BODY_HEAVY_RAIN_TO_STORM")},                       \
        {24, 24, ONE("BODY_STORM_TO_HEAVY_STORM")}, {25, 25, ONE("BODY_HEAVY_TO_SEVERE_STORM")},                       \
        {26, 26, ONE("BODY_LIGHT_TO_MODERATE_SNOW")}, {27, 27, ONE("BODY_MODERATE_TO_HEAVY_SNOW")},                    \
        {28, 28, ONE("BODY_HEAVY_SNOW_TO_SNOWSTORM_M_WEATHER")}, {29, 29, ONE("POP_DUST")},                            \
        {30, 30, ONE("BODY_SAND_CHN")},                                                                                \
    {                                                                                                                  \
        31, 31, ONE("BODY_SANDSTORM_M_WEATHER")                                                                        \
    }

const StatusRange kCMA[] = {CMA_CODES, {53, 53, ONE("POP_HAZE")}};

// The key is the Chinese text itself.
const StatusRange kCMAChinese[] = {
    {0, 0, "晴", nullptr},
    {1, 1, "多云", nullptr},
    {2, 2, "阴", nullptr},
    {3, 3, "阵雨", nullptr},
    {4, 4, "局部多云，伴有雷阵雨", nullptr},
    {5, 5, "多云有雷阵雨", nullptr},
    {6, 6, "雨夹雪", nullptr},
    {7, 7, "小雨", nullptr},
    {8, 8, "中雨", nullptr},
    {9, 9, "大雨", nullptr},
    {10, 10, "暴风雨", nullptr},
    {11, 11, "大暴雨", nullptr},
    {12, 12, "特大暴雨", nullptr},
    {13, 13, "阵雪", nullptr},
    {14, 14, "小雪", nullptr},
    {15, 15, "中雪", nullptr},
    {16, 16, "大雪", nullptr},
    {17, 17, "暴风雪", nullptr},
    {18, 18, "雾", nullptr},
    {19, 19, "冻雨", nullptr},
    {20, 20, "沙尘暴", nullptr},
    {21, 21, "小到中雨", nullptr},
    {22, 22, "中到大雨", nullptr},
    {23, 23, "大到暴雨", nullptr},
    {24, 24, "暴雨到大暴雨", nullptr},
    {25, 25, "大暴雨到特大暴雨", nullptr},
    {26, 26, "小到中雪", nullptr},
    {27, 27, "中到大雪", nullptr},
    {28, 28, "大到暴雪", nullptr},
    {29, 29, "浮尘", nullptr},
    {30, 30, "扬沙", nullptr},
    {31, 31, "沙尘暴", nullptr},
    {53, 53, "霾", nullptr},
};

const StatusRange kWCN[] = {
    CMA_CODES,
    {32, 32, ONE("BODY_DENSE_FOGGY_CHN")},
    {49, 49, ONE("BODY_EXTRA_STRONG_DENSE_FOGGY_CHN")},
    {53, 53, ONE("POP_HAZE")},
    {54, 54, ONE("BODY_MODERATE_HAZE_CHN")},
    {55, 55, ONE("BODY_HEAVY_HAZE_CHN")},
    {56, 56, ONE("BODY_SEVERE_HAZE_CHN")},
    {57, 57, ONE("BODY_HEAVY_FOGGY_CHN")},
    {58, 58, ONE("BODY_EXTRA_STRONG_DENSE_FOGGY_CHN")},
    {301, 301, ONE("POP_RAIN")},
    {302, 302, ONE("POP_SNOW")},
};

// By common icon number; the short table stops at 19.
const StatusRange kCommon[] = {
    {2, 2, ONE("POP_PARTLY_SUNNY")},
    {3, 3, ONE("POP_CLOUDY")},
    {4, 4, ONE("POP_RAIN")},
    {5, 5, ONE("POP_FOG")},
    {6, 6, ONE("POP_SHOWERS")},
    {7, 7, ONE("POP_PARTLY_SUNNY_WITH_SHOWERS")},
    {8, 8, ONE("POP_THUNDERSTORMS")},
    {9, 9, ONE("POP_PARTLY_SUNNY_WITH_THUNDER_SHOWERS")},
    {10, 10, ONE("POP_FLURRIES")},
    {11, 11, ONE("POP_PARTLY_SUNNY_WITH_FLURRIES")},
    {12, 12, ONE("POP_SNOW")},
    {13, 13, ONE("POP_RAIN_AND_SNOW_MIXED")},
    {14, 14, ONE("POP_FREEZING_RAIN")},
    {15, 15, ONE("POP_HOT")},
    {16, 16, ONE("POP_COLD")},
    {17, 17, ONE("POP_WINDY")},
    {18, 18, ONE("POP_CLEAR")},
    {19, 19, ONE("POP_MOSTLY_CLEAR")},
    {20, 20, ONE("POP_HEAVY_RAIN_WEATHER")},
    {23, 23, "WDS_AW_BODY_HURRICANE", nullptr},
};
constexpr size_t kCommonShortCount = 18; // entries up to number 19

#define TABLE(ranges) ranges, sizeof(ranges) / sizeof(ranges[0])
constexpr const char* kNoData = WGT("BODY_NO_WEATHER_DATA_M_NOUN_CHN");
const StatusTable kJPTable = {TABLE(kWeathernewsJP), SUNNY, "check the icon number"};
const StatusTable kKRTable = {TABLE(kWeathernewsKR), SUNNY, "check the icon num"};
const StatusTable kCMATable = {TABLE(kCMA), kNoData, nullptr, "check weather icon number"};
const StatusTable kCMAChineseTable = {TABLE(kCMAChinese), "未知号码", nullptr, "check weather icon number"};
const StatusTable kWCNTable = {TABLE(kWCN), kNoData, nullptr, "check weather icon number"};
const StatusTable kCommonTable = {TABLE(kCommon), WGT("POP_SUNNY"), nullptr, nullptr};
const StatusTable kCommonShortTable = {kCommon, kCommonShortCount, WGT("POP_SUNNY"), nullptr, nullptr};

const char* KeyOf(const StatusTable& table, int32_t iconNum, bool isDay)
{
    for (size_t i = 0; i < table.count; ++i) {
        const StatusRange& range = table.ranges[i];
        if (iconNum >= range.first && iconNum <= range.last)
            return !isDay && range.night ? range.night : range.day;
    }
    if (table.fallbackLog)
        LOGE("%s", table.fallbackLog);
    return !isDay && table.fallbackNight ? table.fallbackNight : table.fallbackDay;
}

std::string Text(const char* key)
{
    return dgettext(kTextDomain, key);
}

bool IsChineseLanguage()
{
    return LanguageHas(LanguageHelper::GetInstance()->GetLanguage(), kChineseProviderTexts);
}

bool IsRetailMode()
{
    auto vconfUtilPtr = VconfUtilFactory::Make();
    return vconfUtilPtr && vconfUtilPtr->GetIsRetailMode();
}

} // namespace

bool WeatherStatus::Init()
{
    return Ref::Init();
}

std::string WeatherStatus::WeathernewsJPMappingString(int32_t iconNum, bool isDay)
{
    return Text(KeyOf(kJPTable, iconNum, isDay));
}

std::string WeatherStatus::WeathernewsKRMappingString(int32_t iconNum, bool isDay)
{
    return Text(KeyOf(kKRTable, iconNum, isDay));
}

std::string WeatherStatus::CMAWeatherMappingString(int32_t iconNum, bool isDay)
{
    return Text(KeyOf(IsChineseLanguage() ? kCMAChineseTable : kCMATable, iconNum, isDay));
}

std::string WeatherStatus::WCNWeatherMappingString(int32_t iconNum, bool isDay)
{
    return Text(KeyOf(kWCNTable, iconNum, isDay));
}

std::string WeatherStatus::CommonMappingString(int32_t iconNum, bool isDay)
{
    auto iconMappingTablePtr = IconMappingTable::Make();
    RETURN_IF(!iconMappingTablePtr, "");
    return Text(KeyOf(kCommonTable, iconMappingTablePtr->GetMappingIconNumUptoCP(iconNum, isDay), isDay));
}

std::string WeatherStatus::CommonShortMappingString(int32_t iconNum, bool isDay)
{
    auto iconMappingTablePtr = IconMappingTable::Make();
    RETURN_IF(!iconMappingTablePtr, "");
    return Text(KeyOf(kCommonShortTable, iconMappingTablePtr->GetMappingIconNumUptoCP(iconNum, isDay), isDay));
}

std::string WeatherStatus::GetMappingString(const CityPtr& cityPtr, bool isDay)
{
    RETURN_IF(!cityPtr, "");
    CurrentPtr currentPtr = cityPtr->GetCurrent();
    RETURN_IF(!currentPtr, "");
    int32_t iconNum = currentPtr->GetServerWeatherIcon();
    const std::string& stored = currentPtr->GetWeatherStatus();
    switch (CPType::GetInstance()->GetCPType()) {
    case WEATHER_CP_TYPE_WEATHERNEWS:
        return WeathernewsJPMappingString(iconNum, isDay);
    case WEATHER_CP_TYPE_CMAWEATHER:
        return CMAWeatherMappingString(iconNum, isDay);
    case WEATHER_CP_TYPE_KWEATHER:
    case WEATHER_CP_TYPE_WEATHERNEWS_KR:
        if (LanguageHas(LanguageHelper::GetInstance()->GetLanguage(), kKoreanProviderTexts) && !stored.empty())
            return stored;
        return WeathernewsKRMappingString(iconNum, isDay);
    case WEATHER_CP_TYPE_WCN:
        if (IsChineseLanguage() && !stored.empty())
            return stored;
        return WCNWeatherMappingString(iconNum, isDay);
    case WEATHER_CP_TYPE_TWC:
        return stored.empty() ? CommonMappingString(iconNum, isDay) : stored;
    case WEATHER_CP_TYPE_ACCUWEATHER:
        return IsRetailMode() ? CommonShortMappingString(iconNum, isDay) : stored;
    default:
        return stored;
    }
}

std::string WeatherStatus::ForecastString(const WeatherPtr& weatherPtr, bool isDay)
{
    int32_t iconNum = weatherPtr->GetServerWeatherIcon();
    const std::string& stored = weatherPtr->GetWeatherStatus();
    switch (CPType::GetInstance()->GetCPType()) {
    case WEATHER_CP_TYPE_WEATHERNEWS:
        return WeathernewsJPMappingString(iconNum, isDay);
    case WEATHER_CP_TYPE_CMAWEATHER:
        return CMAWeatherMappingString(iconNum, isDay);
    case WEATHER_CP_TYPE_WCN:
        return WCNWeatherMappingString(iconNum, isDay);
    case WEATHER_CP_TYPE_KWEATHER:
    case WEATHER_CP_TYPE_WEATHERNEWS_KR:
        return WeathernewsKRMappingString(iconNum, isDay);
    case WEATHER_CP_TYPE_TWC:
        return stored.empty() ? CommonMappingString(iconNum, isDay) : stored;
    case WEATHER_CP_TYPE_ACCUWEATHER:
        return stored.empty() ? CommonShortMappingString(iconNum, isDay) : stored;
    default:
        return stored;
    }
}

std::string WeatherStatus::GetMappingString(const HourlyPtr& hourlyPtr, bool isDay)
{
    RETURN_IF(!hourlyPtr, "");
    return ForecastString(hourlyPtr, isDay);
}

std::string WeatherStatus::GetMappingString(const WeeklyPtr& weeklyPtr)
{
    RETURN_IF(!weeklyPtr, "");
    // A day's entry shows its day text.
    return ForecastString(weeklyPtr, true);
}

std::string WeatherStatus::GetMappingSimpleString(const CityPtr& cityPtr, bool isDay)
{
    RETURN_IF(!cityPtr, "");
    CurrentPtr currentPtr = cityPtr->GetCurrent();
    RETURN_IF(!currentPtr, "");
    int32_t iconNum = currentPtr->GetServerWeatherIcon();
    const std::string& stored = currentPtr->GetWeatherStatus();
    switch (CPType::GetInstance()->GetCPType()) {
    case WEATHER_CP_TYPE_WEATHERNEWS:
        return WeathernewsJPMappingString(iconNum, isDay);
    case WEATHER_CP_TYPE_CMAWEATHER:
        return CMAWeatherMappingString(iconNum, isDay);
    case WEATHER_CP_TYPE_KWEATHER:
    case WEATHER_CP_TYPE_WEATHERNEWS_KR:
        return WeathernewsKRMappingString(iconNum, isDay);
    case WEATHER_CP_TYPE_WCN:
        return IsChineseLanguage() ? stored : WCNWeatherMappingString(iconNum, isDay);
    default:
        return stored;
    }
}

std::vector<std::string> WeatherStatus::GetMessageKeys()
{
    std::set<std::string> keys;
    for (const StatusTable* table : {&kJPTable, &kKRTable, &kCMATable, &kCMAChineseTable, &kWCNTable, &kCommonTable}) {
        for (size_t i = 0; i < table->count; ++i) {
            keys.insert(table->ranges[i].day);
            if (table->ranges[i].night)
                keys.insert(table->ranges[i].night);
        }
        keys.insert(table->fallbackDay);
        if (table->fallbackNight)
            keys.insert(table->fallbackNight);
    }
    return std::vector<std::string>(keys.begin(), keys.end());
}
