#include <gtest/gtest.h>

#include "DeviceFixture.h"
#include "I18nTestSupport.h"
#include "db/IconMappingTable.h"
#include "typedef/CPType.h"
#include "typedef/DataManager.h"
#include "typedef/Setting.h"
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
    EXPECT_EQ(mapper->GetImageName(14, 454, 454), "14.ice_sleet_freezing_rain_454x454.png");
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
