#include <gtest/gtest.h>

#include <string>

#include "DeviceFixture.h"
#include "I18nTestSupport.h"
#include "typedef/CPType.h"
#include "typedef/Current.h"
#include "typedef/WeatherStatus.h"

namespace {

// In the C locale every lookup answers its key, so the cases see the key chosen.
class WeatherStatusTest : public ::testing::Test {
protected:
    void SetUp() override { UseLanguage("en_US.UTF-8"); }
    void TearDown() override
    {
        UseLanguage("en_US.UTF-8");
        UseRetailMode(false);
    }

    ScopedMessageLocale mKeys{"C"};
    std::shared_ptr<WeatherStatus> mStatus = WeatherStatus::Make();
};

CityPtr CityWithCurrent(int32_t serverIcon, const std::string& stored)
{
    auto city = City::Make();
    auto current = Current::Make();
    current->SetServerWeatherIcon(serverIcon);
    current->SetWeatherStatus(stored);
    city->SetCurrent(current);
    return city;
}

} // namespace

// Range ends, day/night pairs and the fallbacks with their log lines.
TEST_F(WeatherStatusTest, ProviderTablesAtTheirEdges)
{
    using Table = std::string (WeatherStatus::*)(int32_t, bool);
    const struct {
        Table table;
        int32_t code;
        bool isDay;
        const char* key;
        const char* log;
    } cases[] = {
        {&WeatherStatus::WeathernewsJPMappingString, 100, false, "IDS_WGT_POP_CLEAR_M_WEATHER", nullptr},
        {&WeatherStatus::WeathernewsJPMappingString, 108, true, "IDS_WGT_BODY_SUNNY_WITH_SOME_RAIN", nullptr},
        {&WeatherStatus::WeathernewsJPMappingString, 109, true, "IDS_WGT_POP_SUNNY", "check the icon number"},
        {&WeatherStatus::WeathernewsJPMappingString, 124, false, "IDS_WGT_POP_CLEAR_M_WEATHER",
         "check the icon number"},
        {&WeatherStatus::WeathernewsJPMappingString, 200, false, "IDS_WGT_POP_CLOUDY", nullptr},
        {&WeatherStatus::WeathernewsJPMappingString, 850, true, "IDS_GN_BODY_HEAVY_RAIN_M_WEATHER", nullptr},
        {&WeatherStatus::WeathernewsJPMappingString, 881, false, "IDS_WGT_BODY_CLEAR_THEN_HEAVY_RAIN", nullptr},
        {&WeatherStatus::WeathernewsJPMappingString, 884, true, "IDS_WGT_BODY_SNOW_FOLLOWED_BY_HEAVY_RAIN", nullptr},
        {&WeatherStatus::WeathernewsJPMappingString, 885, true, "IDS_WGT_POP_SUNNY", "check the icon number"},
        {&WeatherStatus::WeathernewsKRMappingString, 1, false, "IDS_WGT_POP_CLEAR_M_WEATHER", nullptr},
        {&WeatherStatus::WeathernewsKRMappingString, 6, false, "IDS_WGT_BODY_CLEAR_THEN_CLOUDING_OVER_M_STATUS",
         nullptr},
        {&WeatherStatus::WeathernewsKRMappingString, 38, true, "IDS_WGT_BODY_SNOW_OR_RAIN_THEN_CLEARING", nullptr},
        {&WeatherStatus::WeathernewsKRMappingString, 40, true, "IDS_WGT_POP_FOG", nullptr},
        {&WeatherStatus::WeathernewsKRMappingString, 0, false, "IDS_WGT_POP_CLEAR_M_WEATHER", "check the icon num"},
        {&WeatherStatus::WeathernewsKRMappingString, 41, true, "IDS_WGT_POP_SUNNY", "check the icon num"},
        {&WeatherStatus::CMAWeatherMappingString, 0, false, "IDS_WGT_POP_SUNNY", nullptr},
        {&WeatherStatus::CMAWeatherMappingString, 13, true, "IDS_WGT_BODY_SEVERE_STORM_CHN", nullptr},
        {&WeatherStatus::CMAWeatherMappingString, 32, true, "IDS_WGT_BODY_NO_WEATHER_DATA_M_NOUN_CHN",
         "check weather icon number"},
        {&WeatherStatus::CMAWeatherMappingString, 53, true, "IDS_WGT_POP_HAZE", nullptr},
        {&WeatherStatus::WCNWeatherMappingString, 32, true, "IDS_WGT_BODY_DENSE_FOGGY_CHN", nullptr},
        {&WeatherStatus::WCNWeatherMappingString, 58, true, "IDS_WGT_BODY_EXTRA_STRONG_DENSE_FOGGY_CHN", nullptr},
        {&WeatherStatus::WCNWeatherMappingString, 302, false, "IDS_WGT_POP_SNOW", nullptr},
        {&WeatherStatus::WCNWeatherMappingString, -1, true, "IDS_WGT_BODY_NO_WEATHER_DATA_M_NOUN_CHN",
         "check weather icon number"},
    };
    for (const auto& c : cases) {
        LogCapture log;
        EXPECT_EQ(((*mStatus).*c.table)(c.code, c.isDay), c.key) << c.code;
        if (c.log)
            EXPECT_TRUE(log.Contains(c.log)) << c.code;
        else
            EXPECT_TRUE(log.Messages().empty()) << c.code;
    }
}

TEST_F(WeatherStatusTest, ChineseLanguageUsesChineseKeysForCmaOnly)
{
    UseLanguage("zh_CN.UTF-8");
    EXPECT_EQ(mStatus->CMAWeatherMappingString(13, true), "阵雪");
    EXPECT_EQ(mStatus->CMAWeatherMappingString(31, false), "沙尘暴");
    EXPECT_EQ(mStatus->CMAWeatherMappingString(54, true), "未知号码");
    EXPECT_EQ(mStatus->WCNWeatherMappingString(13, true), "IDS_WGT_BODY_SEVERE_STORM_CHN");
    UseLanguage("z");
    EXPECT_EQ(mStatus->CMAWeatherMappingString(0, true), "IDS_WGT_POP_SUNNY");
}

// AccuWeather and TWC codes go through the common icon number (night: 18, 19).
TEST_F(WeatherStatusTest, CommonTableAndItsShortVariant)
{
    UseProvider(WEATHER_CP_TYPE_TWC);
    EXPECT_EQ(mStatus->CommonMappingString(4, true), "IDS_WGT_POP_HEAVY_RAIN_WEATHER"); // -> 20
    EXPECT_EQ(mStatus->CommonShortMappingString(4, true), "IDS_WGT_POP_SUNNY");
    EXPECT_EQ(mStatus->CommonMappingString(0, true), "WDS_AW_BODY_HURRICANE"); // -> 23
    EXPECT_EQ(mStatus->CommonShortMappingString(0, true), "IDS_WGT_POP_SUNNY");
    EXPECT_EQ(mStatus->CommonMappingString(29, false), "IDS_WGT_POP_MOSTLY_CLEAR"); // 2 -> 19 at night
    EXPECT_EQ(mStatus->CommonShortMappingString(31, false), "IDS_WGT_POP_CLEAR");   // 1 -> 18
    EXPECT_EQ(mStatus->CommonMappingString(31, true), "IDS_WGT_POP_SUNNY");         // 1
}

// Which text the current, hourly and daily entries show, by provider,
// language and retail mode.
TEST_F(WeatherStatusTest, ChoiceByProviderLanguageAndRetailMode)
{
    const struct {
        int provider;
        const char* language;
        bool retail;
        const char* stored;
        int32_t code;
        const char* current;
        const char* simple;
        const char* forecast;
    } cases[] = {
        {WEATHER_CP_TYPE_WEATHERNEWS, "ja_JP.UTF-8", false, "Stored", 200, "IDS_WGT_POP_CLOUDY", "IDS_WGT_POP_CLOUDY",
         "IDS_WGT_POP_CLOUDY"},
        {WEATHER_CP_TYPE_CMAWEATHER, "en_US.UTF-8", false, "Stored", 2, "IDS_WGT_POP_OVERCAST", "IDS_WGT_POP_OVERCAST",
         "IDS_WGT_POP_OVERCAST"},
        {WEATHER_CP_TYPE_KWEATHER, "ko_KR.UTF-8", false, "Stored", 4, "Stored", "IDS_WGT_POP_CLOUDY",
         "IDS_WGT_POP_CLOUDY"},
        {WEATHER_CP_TYPE_WEATHERNEWS_KR, "ko_KR.UTF-8", false, "", 4, "IDS_WGT_POP_CLOUDY", "IDS_WGT_POP_CLOUDY",
         "IDS_WGT_POP_CLOUDY"},
        {WEATHER_CP_TYPE_KWEATHER, "en_US.UTF-8", false, "Stored", 4, "IDS_WGT_POP_CLOUDY", "IDS_WGT_POP_CLOUDY",
         "IDS_WGT_POP_CLOUDY"},
        {WEATHER_CP_TYPE_WCN, "zh_CN.UTF-8", false, "Stored", 2, "Stored", "Stored", "IDS_WGT_POP_OVERCAST"},
        {WEATHER_CP_TYPE_WCN, "zh_CN.UTF-8", false, "", 2, "IDS_WGT_POP_OVERCAST", "", "IDS_WGT_POP_OVERCAST"},
        {WEATHER_CP_TYPE_WCN, "en_US.UTF-8", false, "Stored", 2, "IDS_WGT_POP_OVERCAST", "IDS_WGT_POP_OVERCAST",
         "IDS_WGT_POP_OVERCAST"},
        {WEATHER_CP_TYPE_TWC, "en_US.UTF-8", false, "Stored", 4, "Stored", "Stored", "Stored"},
        {WEATHER_CP_TYPE_TWC, "en_US.UTF-8", false, "", 4, "IDS_WGT_POP_HEAVY_RAIN_WEATHER", "",
         "IDS_WGT_POP_HEAVY_RAIN_WEATHER"},
        {WEATHER_CP_TYPE_ACCUWEATHER, "en_US.UTF-8", false, "Stored", 18, "Stored", "Stored", "Stored"},
        {WEATHER_CP_TYPE_ACCUWEATHER, "en_US.UTF-8", true, "Stored", 18, "IDS_WGT_POP_RAIN", "Stored", "Stored"},
        {WEATHER_CP_TYPE_ACCUWEATHER, "en_US.UTF-8", false, "", 18, "", "", "IDS_WGT_POP_RAIN"},
    };
    for (const auto& c : cases) {
        UseProvider(c.provider);
        UseLanguage(c.language);
        UseRetailMode(c.retail);
        CityPtr city = CityWithCurrent(c.code, c.stored);
        auto hourly = Hourly::Make();
        hourly->SetServerWeatherIcon(c.code);
        hourly->SetWeatherStatus(c.stored);
        auto weekly = Weekly::Make();
        weekly->SetServerWeatherIcon(c.code);
        weekly->SetWeatherStatus(c.stored);
        SCOPED_TRACE(std::to_string(c.provider) + " " + c.language + " '" + c.stored + "'");
        EXPECT_EQ(mStatus->GetMappingString(city, true), c.current);
        EXPECT_EQ(mStatus->GetMappingSimpleString(city, true), c.simple);
        EXPECT_EQ(mStatus->GetMappingString(hourly, true), c.forecast);
        EXPECT_EQ(mStatus->GetMappingString(weekly), c.forecast);
    }
}

TEST_F(WeatherStatusTest, MissingRecordsAreLogged)
{
    LogCapture log;
    EXPECT_EQ(mStatus->GetMappingString(CityPtr(), true), "");
    EXPECT_TRUE(log.Contains("(!cityPtr) [return]"));
    CityPtr noCurrent = City::Make();
    noCurrent->SetCurrent(nullptr);
    EXPECT_EQ(mStatus->GetMappingString(noCurrent, true), "");
    EXPECT_TRUE(log.Contains("(!currentPtr) [return]"));
    EXPECT_EQ(mStatus->GetMappingString(HourlyPtr(), true), "");
    EXPECT_TRUE(log.Contains("(!hourlyPtr) [return]"));
    EXPECT_EQ(mStatus->GetMappingString(WeeklyPtr()), "");
    EXPECT_TRUE(log.Contains("(!weeklyPtr) [return]"));
}
