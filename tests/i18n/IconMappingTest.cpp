#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "DeviceFixture.h"
#include "I18nTestSupport.h"
#include "db/IconMappingTable.h"
#include "typedef/CPType.h"
#include "typedef/DataManager.h"
#include "typedef/Setting.h"
#include "typedef/WeatherStatus.h"
#include "utils/PreferenceHelper.h"
#include "utils/WeatherImageMapper.h"

namespace {

class IconMappingTest : public ::testing::Test {
protected:
    // An absent preference reads false once and is then stored as true.
    void SetUp() override { PreferenceHelper::GetInstance()->SetIsWeatherIconConvertedToCommonResource(false); }
    void TearDown() override { PreferenceHelper::GetInstance()->SetIsWeatherIconConvertedToCommonResource(false); }
    std::shared_ptr<IconMappingTable> mTable = IconMappingTable::Make();
};

} // namespace

// Each map's ends, a code it lacks (logged, counted as 1) and the night images.
TEST_F(IconMappingTest, ProviderMaps)
{
    using Map = int32_t (IconMappingTable::*)(int32_t, bool);
    const struct {
        Map map;
        int32_t code;
        bool isDay;
        int32_t expected;
        bool missing;
    } cases[] = {
        {&IconMappingTable::GetMappingIconNumForAccuWeather, 1, false, 18, false},
        {&IconMappingTable::GetMappingIconNumForAccuWeather, 33, false, 18, false},
        {&IconMappingTable::GetMappingIconNumForAccuWeather, 3, false, 19, false},
        {&IconMappingTable::GetMappingIconNumForAccuWeather, 30, false, 18, false}, // hot at night: clear
        {&IconMappingTable::GetMappingIconNumForAccuWeather, 44, true, 12, false},
        {&IconMappingTable::GetMappingIconNumForAccuWeather, 9, true, 1, true},
        {&IconMappingTable::GetMappingIconNumForTWC, 44, true, 1, true},
        {&IconMappingTable::GetMappingIconNumForTWC, 44, false, 18, true},
        {&IconMappingTable::GetMappingIconNumForTWC, 0, true, 23, false},
        {&IconMappingTable::GetMappingIconNumForTWC, 47, false, 8, false}, // 9 -> 8 at night
        {&IconMappingTable::GetMappingIconNumForKWeather, 26, true, 13, false},
        {&IconMappingTable::GetMappingIconNumForKWeather, 38, true, 13, false},
        {&IconMappingTable::GetMappingIconNumForKWeather, 15, false, 6, false}, // 7 -> 6
        {&IconMappingTable::GetMappingIconNumForKWeather, 0, true, 1, true},
        {&IconMappingTable::GetMappingIconNumForCMAWeather, 0, true, 1, true},
        {&IconMappingTable::GetMappingIconNumForCMAWeather, 53, true, 5, false},
        {&IconMappingTable::GetMappingIconNumForCMAWeather, 13, false, 10, false}, // 11 -> 10
        {&IconMappingTable::GetMappingIconNumForWCN, 0, false, 18, false},
        {&IconMappingTable::GetMappingIconNumForWCN, 302, true, 10, false},
        {&IconMappingTable::GetMappingIconNumForWCN, 33, true, 1, true},
        {&IconMappingTable::GetMappingIconNumConvertedToCommonResource, 18, false, 16, false},
        {&IconMappingTable::GetMappingIconNumConvertedToCommonResource, 0, false, 18, false},
        {&IconMappingTable::GetMappingIconNumConvertedToCommonResource, 24, true, 1, true},
    };
    for (const auto& c : cases) {
        LogCapture log;
        EXPECT_EQ(((*mTable).*c.map)(c.code, c.isDay), c.expected) << c.code << " " << c.isDay;
        EXPECT_EQ(log.Contains("out of range, iconNum:" + std::to_string(c.code)), c.missing) << c.code;
    }
}

TEST_F(IconMappingTest, DaemonVariantOfAccuWeather)
{
    UseProvider(WEATHER_CP_TYPE_ACCUWEATHER);
    auto setting = Setting::Make();
    setting->SetCpType("Accuweather");
    setting->SetDaemonType("RI_DAEMON");
    DataManager::GetInstance()->SetSetting(setting);
    EXPECT_EQ(mTable->GetMappingIconNumForAccuWeather(16, true), 8);
    EXPECT_EQ(mTable->GetMappingIconNumForAccuWeather(20, true), 10);
    EXPECT_EQ(mTable->GetMappingIconNumForAccuWeather(21, true), 11);
    setting->SetDaemonType("ri_daemon");
    DataManager::GetInstance()->SetSetting(setting);
    EXPECT_EQ(mTable->GetMappingIconNumForAccuWeather(16, true), 9);
}

// The provider picks the map; WeatherNews reads the icon database; the
// common-resource preference skips every map.
TEST_F(IconMappingTest, ProviderAndPreferenceChooseTheWay)
{
    const struct {
        int provider;
        int32_t code;
        bool isDay;
        int32_t expected;
    } cases[] = {
        {WEATHER_CP_TYPE_ACCUWEATHER, 7, true, 3},    {WEATHER_CP_TYPE_CMAWEATHER, 7, true, 4},
        {WEATHER_CP_TYPE_KWEATHER, 7, true, 6},       {WEATHER_CP_TYPE_WEATHERNEWS_KR, 7, true, 6},
        {WEATHER_CP_TYPE_TWC, 7, true, 13},           {WEATHER_CP_TYPE_WCN, 0, false, 18},
        {WEATHER_CP_TYPE_WEATHERNEWS, 9999, true, 0},
    };
    for (const auto& c : cases) {
        UseProvider(c.provider);
        EXPECT_EQ(mTable->GetMappingIconNum(c.code, c.isDay), c.expected) << c.provider;
    }
    UseProvider(WEATHER_CP_TYPE_WEATHERNEWS);
    int32_t day = mTable->GetMappingIconNumUptoCP(100, true);
    EXPECT_EQ(day, DataManager::GetInstance()->GetWeatherNewsIcon(100, true));
    EXPECT_GE(day, 1);
    EXPECT_EQ(mTable->GetMappingIconNumUptoCP(100, false), DataManager::GetInstance()->GetWeatherNewsIcon(100, false));

    PreferenceHelper::GetInstance()->SetIsWeatherIconConvertedToCommonResource(true);
    LogCapture log;
    EXPECT_EQ(mTable->GetMappingIconNum(7, false), 6);
    EXPECT_EQ(mTable->GetMappingIconNum(99, true), 99);
    EXPECT_FALSE(log.Contains("out of range"));
}

TEST(WeatherImageMapperTest, Names)
{
    auto mapper = WeatherImageMapper::Make();
    EXPECT_EQ(mapper->GetImageName(2, 360, 360), "02.partly_sunny_360x360.png");
    EXPECT_EQ(mapper->GetImageName(23, 0, 360), "hurricane");
    EXPECT_EQ(mapper->GetImageName(99, 360, 360), "01.sunny_360x360.png");
    EXPECT_EQ(mapper->GetImageName(0, 360, 0), "sunny");
    EXPECT_EQ(mapper->GetImageName(10, 454, 454), "10.flurries_454x454.png"); // the first without a zero
    const struct {
        int32_t number;
        const char* day;
        const char* night;
    } simple[] = {
        {1, "sunny.png", "sunny.png"},          {3, "cloudy.png", "cloudy_night.png"},
        {13, "rain_day.png", "rain_night.png"}, {17, "cloudy.png", "cloudy_night.png"},
        {21, "snow_day.png", "snow_night.png"}, {23, "thunderstorm.png", "thunderstorm_night.png"},
        {24, "sunny.png", "sunny.png"},
    };
    for (const auto& c : simple) {
        EXPECT_EQ(mapper->GetSimpleImageName(c.number, true), c.day);
        EXPECT_EQ(mapper->GetSimpleImageName(c.number, false), c.night);
    }
}

namespace {

// The weather families an image or a status text shows, from their meaning.
enum Family : unsigned {
    Sun = 1, // clear skies by night too
    Cloud = 2,
    Rain = 4,
    Snow = 8,
    Storm = 16,
    Fog = 32,
    Wind = 64,
    Heat = 128,
    Cold = 256,
    Dust = 512,
};

// Common image numbers 1 to 23 (0, no image, shows the default sunny one).
const unsigned kImageFamilies[24] = {
    Sun,  Sun,          Sun | Cloud, Cloud,        Rain,
    Fog,  Rain,         Sun | Rain,  Storm,        Sun | Storm,
    Snow, Sun | Snow,   Snow,        Rain | Snow,  Rain | Snow | Cold,
    Heat, Cold,         Wind,        Sun,          Sun | Cloud,
    Rain, Snow | Storm, Dust,        Storm | Wind,
};

// Images of the sun or of heat, shown by day only (18, 19, 6 and 10 are the
// night images of the sun's), and images of the night sky.
const std::set<int32_t> kDayOnlyImages = {1, 2, 7, 11, 15};
const std::set<int32_t> kNightImages = {18, 19};

// What an image may show of a text at that time of day: at night there is no
// heat to show, and a night that is only hot is a clear one.
unsigned Showable(unsigned families, bool isDay)
{
    if (isDay || !(families & Heat))
        return families;
    return families == Heat ? Sun : families & ~Heat;
}

bool Allowed(int32_t image, bool isDay)
{
    return (isDay ? kNightImages : kDayOnlyImages).count(image) == 0;
}

// The status keys of the WeatherNews table ("IDS_WGT_" left off).
const std::map<std::string, unsigned> kStatusFamilies = {
    {"POP_SUNNY", Sun},
    {"POP_CLEAR_M_WEATHER", Sun},
    {"BODY_SUNNY_WITH_SOME_CLOUDS", Sun | Cloud},
    {"BODY_MAINLY_CLEAR_WITH_PATCHY_CLOUD", Sun | Cloud},
    {"BODY_SUNNY_WITH_SOME_RAIN", Sun | Rain},
    {"BODY_CLEAR_WITH_OCCASIONAL_SHOWERS", Sun | Rain},
    {"BODY_SUNNY_WITH_SOME_SNOW", Sun | Snow},
    {"BODY_CLEAR_WITH_OCCASIONAL_SNOW_SHOWERS", Sun | Snow},
    {"BODY_SUNSHINE_FOLLOWED_BY_CLOUDS", Sun | Cloud},
    {"BODY_CLEAR_THEN_CLOUDY", Sun | Cloud},
    {"BODY_SUNSHINE_FOLLOWED_BY_RAIN", Sun | Rain},
    {"BODY_CLEAR_THEN_RAIN", Sun | Rain},
    {"BODY_SUNSHINE_FOLLOWED_BY_SNOW", Sun | Snow},
    {"BODY_CLEAR_THEN_OCCASIONAL_SNOW_SHOWERS", Sun | Snow},
    {"POP_CLOUDY", Cloud},
    {"BODY_CLOUDY_WITH_SUNNY_INTERVALS", Cloud | Sun},
    {"BODY_CLOUDY_WITH_SCATTERED_RAIN", Cloud | Rain},
    {"BODY_CLOUDY_WITH_SCATTERED_SNOW", Cloud | Snow},
    {"BODY_CLOUDY_THEN_CLEARING", Cloud | Sun},
    {"BODY_CLOUDS_FOLLOWED_BY_RAIN", Cloud | Rain},
    {"BODY_CLOUD_FOLLOWED_BY_SNOW", Cloud | Snow},
    {"POP_RAIN", Rain},
    {"BODY_RAIN_WITH_SUNNY_INTERVALS", Rain | Sun},
    {"BODY_RAIN_WITH_PATCHY_CLOUD", Rain | Cloud},
    {"BODY_RAIN_WITH_SOME_SNOW", Rain | Snow},
    {"BODY_RAINY_THEN_CLEARING", Rain | Sun},
    {"BODY_RAIN_THEN_STILL_CLOUDY", Rain | Cloud},
    {"BODY_RAIN_FOLLOWED_BY_SNOW", Rain | Snow},
    {"POP_SNOW", Snow},
    {"BODY_SNOW_THEN_CLEARING", Snow | Sun},
    {"BODY_SNOW_FOLLOWED_BY_CLOUDY_SKIES", Snow | Cloud},
    {"BODY_SNOW_WITH_SUNNY_INTERVALS", Snow | Sun},
    {"BODY_SNOW_WITH_CLEAR_SPELLS", Snow | Sun},
    {"BODY_SNOW_WITH_SOME_CLOUD", Snow | Cloud},
    {"BODY_SNOW_WITH_SOME_RAIN", Snow | Rain},
    {"BODY_SNOW_FOLLOWED_BY_RAIN", Snow | Rain},
    {"POP_SLEET", Rain | Snow},
    {"POP_HOT", Heat},
    {"BODY_INTENSE_HEAT_WITH_PATCHY_CLOUD", Heat | Cloud},
    {"BODY_INTENSE_HEAT_WITH_SOME_RAIN", Heat | Rain},
    {"BODY_INTENSE_HEAT_WITH_SOME_HEAVY_RAIN", Heat | Rain},
    {"BODY_INTENSE_HEAT_FOLLOWED_BY_CLOUDS", Heat | Cloud},
    {"BODY_INTENSE_HEAT_FOLLOWED_BY_RAIN", Heat | Rain},
    {"BODY_INTENSE_HEAT_FOLLOWED_BY_HEAVY_RAIN", Heat | Rain},
    {"BODY_CLOUDY_WITH_HOT_SPELLS", Cloud | Heat},
    {"BODY_RAIN_WITH_HOT_SPELLS", Rain | Heat},
    {"BODY_CLOUDY_FOLLOWED_BY_INTENSE_HEAT", Cloud | Heat},
    {"BODY_RAIN_FOLLOWED_BY_INTENSE_HEAT", Rain | Heat},
    {"IDS_GN_BODY_HEAVY_RAIN_M_WEATHER", Rain},
    {"BODY_HEAVY_RAIN_WITH_SUNNY_INTERVALS", Rain | Sun},
    {"BODY_HEAVY_RAIN_WITH_PATCHY_CLOUD", Rain | Cloud},
    {"BODY_HEAVY_RAIN_WITH_SOME_LIGHT_RAIN", Rain},
    {"BODY_HEAVY_RAIN_WITH_SOME_SNOW", Rain | Snow},
    {"BODY_HEAVY_RAIN_WITH_HOT_SPELLS", Rain | Heat},
    {"BODY_HEAVY_RAIN_FOLLOWED_BY_SUNSHINE", Rain | Sun},
    {"BODY_HEAVY_RAIN_THEN_STILL_CLOUDY", Rain | Cloud},
    {"BODY_HEAVY_RAIN_FOLLOWED_BY_INTENSE_HEAT", Rain | Heat},
    {"BODY_HEAVY_RAIN_FOLLOWED_BY_SNOW", Rain | Snow},
    {"BODY_SUNNY_WITH_SOME_HEAVY_RAIN", Sun | Rain},
    {"BODY_CLEAR_WITH_OCCASIONAL_HEAVY_SHOWERS", Sun | Rain},
    {"BODY_CLOUDY_WITH_SCATTERED_HEAVY_RAIN", Cloud | Rain},
    {"BODY_LIGHT_RAIN_WITH_SOME_HEAVY_RAIN", Rain},
    {"BODY_SNOW_WITH_SOME_HEAVY_RAIN", Snow | Rain},
    {"BODY_SUNSHINE_FOLLOWED_BY_HEAVY_RAIN", Sun | Rain},
    {"BODY_CLEAR_THEN_HEAVY_RAIN", Sun | Rain},
    {"BODY_CLOUDS_FOLLOWED_BY_HEAVY_RAIN", Cloud | Rain},
    {"BODY_LIGHT_RAIN_FOLLOWED_BY_HEAVY_RAIN", Rain},
    {"BODY_SNOW_FOLLOWED_BY_HEAVY_RAIN", Snow | Rain},
};

} // namespace

// Every WeatherNews code, by day and by night: the image of its icon row
// shows only weather that its status text names, the rain or snow it names
// always, and exactly what it names where one image shows exactly that; by
// night never the sun or heat. Codes with the same text show the same image.
// A code with a text has a row; one without shows the fallback text's weather.
TEST_F(IconMappingTest, WeatherNewsImagesShowTheWeatherOfTheirTexts)
{
    ScopedMessageLocale keys("C");
    ASSERT_TRUE(keys.Ok());
    UseProvider(WEATHER_CP_TYPE_WEATHERNEWS);
    auto status = WeatherStatus::Make();
    int withText = 0;
    std::map<std::pair<std::string, bool>, std::pair<int32_t, int32_t>> imageOfText; // -> image, first code
    for (int32_t code = 100; code <= 884; ++code) {
        for (bool isDay : {true, false}) {
            LogCapture log;
            std::string key = status->WeathernewsJPMappingString(code, isDay);
            const bool hasText = !log.Contains("check the icon number");
            withText += hasText && isDay;
            const int32_t image = mTable->GetMappingIconNum(code, isDay);
            SCOPED_TRACE("code " + std::to_string(code) + (isDay ? " day " : " night ") + key + " image " +
                         std::to_string(image));
            if (hasText) {
                EXPECT_NE(image, 0) << "no icon row";
            }
            ASSERT_TRUE(image >= 0 && image <= 23);
            EXPECT_TRUE(Allowed(image, isDay)) << "an image of the other half of the day";
            if (key.rfind("IDS_WGT_", 0) == 0)
                key = key.substr(8);
            auto text = kStatusFamilies.find(key);
            ASSERT_NE(text, kStatusFamilies.end()) << "no family for the key";
            const unsigned named = Showable(text->second, isDay);
            const unsigned shown = kImageFamilies[image];
            EXPECT_EQ(shown & ~named, 0u) << "the image shows weather the text does not name";
            EXPECT_EQ(shown & (Rain | Snow), named & (Rain | Snow)) << "the image leaves out rain or snow";
            for (int32_t other = 1; other <= 23; ++other) {
                if (Allowed(other, isDay) && kImageFamilies[other] == named) {
                    EXPECT_EQ(shown, named) << "image " << other << " shows exactly what the text names";
                }
            }
            if (hasText) {
                auto first = imageOfText.emplace(std::make_pair(key, isDay), std::make_pair(image, code)).first;
                EXPECT_EQ(image, first->second.first) << "code " << first->second.second << " has the same text";
            }
        }
    }
    EXPECT_EQ(withText, 153);
}
