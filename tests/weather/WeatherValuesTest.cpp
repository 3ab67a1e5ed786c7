// Weather values and their selection: rounding, the hourly entry of now,
// expiry, city names, rain probability by day and night, and the life
// indices the data manager picks by provider and month.

#include <gtest/gtest.h>

#include <libintl.h>

#include <algorithm>
#include <ctime>
#include <functional>

#include <device/system_keys.h>
#include <device/vconf.h>

#include "DeviceFixture.h"
#include "../i18n/I18nTestSupport.h"
#include "typedef/CPType.h"
#include "typedef/DataManager.h"
#include "utils/TimeHelper.h"

namespace {

void SelectProvider(int32_t type)
{
    ASSERT_EQ(vconf_set_int(SYSKEY_STANDALONE, 0), VCONF_OK);
    auto setting = Setting::Make();
    setting->SetCpType(CPType::GetInstance()->ConvertWeatherCPTypeToString(type));
    setting->SetTemperatureUnit(1);
    DataManager::GetInstance()->SetSetting(setting);
    CPType::GetInstance()->Renew();
    ASSERT_EQ(CPType::GetInstance()->GetCPType(), type);
}

HourlyPtr HourAt(uint32_t hour, double precProbability = 0.0)
{
    HourlyPtr entry = Hourly::Make();
    entry->SetHour(hour);
    entry->SetPrecProbability(precProbability);
    return entry;
}

TEST(WeatherValues, TemperaturesRoundHalfUp)
{
    auto data = WeatherData::Make();
    const struct {
        double celsius;
        double rounded;
        const char* text;
    } cases[] = {
        {21.5, 22.0, "22"}, {21.4, 21.0, "21"}, {-0.5, 0.0, "0"},         {-1.5, -1.0, "-1"},
        {-2.6, -3.0, "-3"}, {-0.4, 0.0, "0"},   {9999.0, 9999.0, "9999"},
    };
    for (const auto& c : cases) {
        TemperaturePtr t = Temperature::Make();
        t->SetCelsius(c.celsius);
        EXPECT_EQ(data->GetTemperature(t, true), c.rounded) << c.celsius;
        EXPECT_EQ(data->GetTemperatureString(t, true), c.text) << c.celsius;
    }
    TemperaturePtr t = Temperature::Make();
    t->SetTemperature(21.37); // 70.4 F
    EXPECT_EQ(data->GetTemperature(t, false), 70.0);
    EXPECT_EQ(data->GetTemperatureString(nullptr, true), "9999");
}

TEST(WeatherValues, HourlyIndexAtEntryEdges)
{
    SelectProvider(WEATHER_CP_TYPE_TWC);
    auto data = WeatherData::Make();
    CityPtr city = City::Make();
    city->SetGmtOffset(5.5);
    const uint32_t now = TimeHelper::GetInstance()->GetLocalTime(city);
    // (entries relative to the city's time now, expected index); the clock
    // may tick during a case, so no edge lies just after now.
    const struct {
        std::vector<int> offsets;
        int expected;
    } cases[] = {
        {{-7200, -3600, 0, 3600}, 2}, // an entry that starts now covers now
        {{-7200, -3600, 5, 3600}, 1}, // one that starts later does not
        {{60, 3660}, 0},              // now before the first entry
        {{-7200, -3600}, 1},          // after the last entry: the last
        {{}, 0},
    };
    for (const auto& c : cases) {
        city->GetHourlyPtrVector()->clear();
        for (int offset : c.offsets)
            city->GetHourlyPtrVector()->push_back(HourAt(now + offset));
        EXPECT_EQ(data->GetCurrentTimeHourlyIndex(city), c.expected) << c.offsets.size();
    }
}

TEST(WeatherValues, ExpiryInUnsigned32BitTime)
{
    DataManager* dm = DataManager::GetInstance();
    dm->InitializeDB();
    const uint32_t now = TimeHelper::GetInstance()->GetCurrentTime();
    const struct {
        std::vector<uint32_t> refreshed;
        bool expired;
    } cases[] = {
        {{now - 1800, now - 5400}, true},
        {{now - 1800, now - 600}, false},
        {{now - 1800, 0}, true},  // refreshed at 0 last: the oldest is 0
        {{0, now - 1800}, false}, // first: a 0 is replaced by the next city's time
        {{now + 600}, true},      // from the future: the difference wraps around
    };
    auto data = WeatherData::Make();
    EXPECT_FALSE(data->GetIsWeatherInfoExpired(1)); // never loaded
    for (const auto& c : cases) {
        auto cities = std::make_shared<CityPtrVector>();
        for (uint32_t r : c.refreshed) {
            CityPtr city = City::Make();
            city->SetLocationId("E" + std::to_string(cities->size()));
            city->SetRefreshedTime(r);
            cities->push_back(city);
        }
        data->SetCityPtrVector(cities);
        EXPECT_EQ(data->GetIsWeatherInfoExpired(1), c.expired) << c.refreshed[0];
    }
    data->SetCityPtrVector(std::make_shared<CityPtrVector>());
}

TEST(WeatherValues, CityNameByProviderAndLanguage)
{
    auto data = WeatherData::Make();
    CityPtr city = City::Make();
    city->SetCityName("Local");
    city->SetCityNameEng("English");
    CityPtr noLocal = City::Make();
    noLocal->SetCityNameEng("English");
    const struct {
        int32_t cp;
        const char* language;
        const char* expected;
    } cases[] = {
        {WEATHER_CP_TYPE_KWEATHER, "ko_KR.UTF-8", "Local"},
        {WEATHER_CP_TYPE_WEATHERNEWS_KR, "en_US.UTF-8", "English"},
        {WEATHER_CP_TYPE_KWEATHER, "k", "Local"},
        {WEATHER_CP_TYPE_WEATHERNEWS, "ja_JP.UTF-8", "Local"},
        {WEATHER_CP_TYPE_WEATHERNEWS, "ko_KR.UTF-8", "Local"},
        {WEATHER_CP_TYPE_WEATHERNEWS, "en_US.UTF-8", "English"},
        {WEATHER_CP_TYPE_WEATHERNEWS, "", "English"},
        {WEATHER_CP_TYPE_WCN, "zh_CN.UTF-8", "Local"},
        {WEATHER_CP_TYPE_WCN, "en_US.UTF-8", "English"},
        {WEATHER_CP_TYPE_TWC, "en_US.UTF-8", "Local"},
        {WEATHER_CP_TYPE_CMAWEATHER, "fr_FR.UTF-8", "Local"},
    };
    for (const auto& c : cases) {
        SelectProvider(c.cp);
        ASSERT_EQ(vconf_set_str(SYSKEY_LANGUAGE, c.language), VCONF_OK);
        EXPECT_EQ(data->GetCityName(city), c.expected) << c.cp << " " << c.language;
    }
    EXPECT_EQ(data->GetCityName(noLocal), "English"); // local falls back to English
    ASSERT_EQ(vconf_set_str(SYSKEY_LANGUAGE, "en_US.UTF-8"), VCONF_OK);
}

// A city whose sun is up or down now, by its sunrise and sunset.
CityPtr CityWithSun(bool dayNow)
{
    CityPtr city = City::Make();
    city->SetLocationId(dayNow ? "DAY" : "NIGHT");
    const time_t local = TimeHelper::GetInstance()->GetLocalTime(city);
    struct tm parts;
    localtime_r(&local, &parts);
    const uint32_t midnight = static_cast<uint32_t>(local) - (parts.tm_hour * 3600 + parts.tm_min * 60 + parts.tm_sec);
    const uint32_t hour = static_cast<uint32_t>(parts.tm_hour);
    // Day: a span around now. Night: a span that ended at least an hour ago
    // or starts later (the test may run close to midnight either way).
    uint32_t rise = midnight + (dayNow ? (hour >= 1 ? hour - 1 : 0) : (hour >= 2 ? 0 : hour + 1)) * 3600;
    uint32_t set = dayNow ? midnight + std::min(hour + 2, 23u) * 3600 + 3599
                          : (hour >= 2 ? midnight + (hour - 1) * 3600 : midnight + (hour + 2) * 3600);
    city->GetLifeIndex()->SetSunriseTime(rise);
    city->GetLifeIndex()->SetSunsetTime(set);
    return city;
}

TEST(WeatherValues, RainProbabilityByDayAndNight)
{
    SelectProvider(WEATHER_CP_TYPE_TWC);
    auto data = WeatherData::Make();
    const struct {
        bool dayNow;
        double day;
        double night;
        double expected;
    } cases[] = {
        {true, 20.0, 40.0, 20.0},    {true, 9999.0, 40.0, 40.0},      {false, 20.0, 40.0, 40.0},
        {false, 20.0, 9999.0, 20.0}, {false, 9999.0, 9999.0, 9999.0},
    };
    for (const auto& c : cases) {
        CityPtr city = CityWithSun(c.dayNow);
        ASSERT_EQ(TimeHelper::GetInstance()->GetIsDay(city, TimeHelper::GetInstance()->GetCurrentTime()), c.dayNow);
        city->GetLifeIndex()->GetPrecipitation()->SetPrecProbability(c.day);
        city->GetLifeIndex()->GetPrecipitation()->SetPrecProbabilityNight(c.night);
        EXPECT_EQ(data->GetRainProbability(city), c.expected) << c.dayNow << " " << c.day << " " << c.night;
    }
    EXPECT_EQ(data->GetRainProbabilityString(CityWithSun(true)), "9999");

    // Kweather, weathernews_kr and WCN read the hourly entry of now.
    SelectProvider(WEATHER_CP_TYPE_WCN);
    CityPtr city = CityWithSun(true);
    const uint32_t now = TimeHelper::GetInstance()->GetLocalTime(city);
    city->GetHourlyPtrVector()->push_back(HourAt(now - 3600, 10.0));
    city->GetHourlyPtrVector()->push_back(HourAt(now - 60, 37.5));
    EXPECT_EQ(data->GetRainProbability(city), 37.5);
    EXPECT_EQ(data->GetRainProbabilityString(city), "37.5");
}

std::vector<int> Selected(const CityPtr& city)
{
    return *DataManager::GetInstance()->GetSupportingLifeIndex(city);
}

TEST(LifeIndexSelection, ProviderCandidatesAndMonthRows)
{
    DataManager* dm = DataManager::GetInstance();
    dm->InitializeDB();
    CityPtr city = CityWithSun(true);
    LifeIndexPtr li = city->GetLifeIndex();
    li->SetUvIndex(2);
    li->SetUvIndexText("-9999"); // falls back to the grade
    li->SetAqi(60);
    li->GetRealfeel()->SetTemperature(13.2);
    li->GetWind()->SetWindSpeed(3.0f);
    li->GetWind()->SetWindDirection(10.0f);
    li->SetClothing(1);
    li->SetOutdoorExcercise(1);
    li->SetCarwash(2);
    li->SetComfort(0);
    li->SetSkincare(9); // no grade covers it: "9999", left out
    dm->SetCityPtrVector(std::make_shared<CityPtrVector>(CityPtrVector{city}));

    SelectProvider(WEATHER_CP_TYPE_CMAWEATHER);
    LogCapture log;
    // The AQI is WCN's only, the skin care grade is out of its scale.
    EXPECT_EQ(Selected(city), (std::vector<int>{26, 7, 2, 12, 10, 14, 11}));
    EXPECT_TRUE(log.Contains("Can not support life index [6]"));
    EXPECT_TRUE(log.Contains("Can not support life index [13]"));
    EXPECT_FALSE(log.Contains("LocalTime Month"));

    SelectProvider(WEATHER_CP_TYPE_TWC);
    EXPECT_EQ(Selected(city), (std::vector<int>{9, 2, 7}));
    {
        // The POSIX locale does not group digits: a negated marker reads "-9999".
        ScopedLocaleEnv posix("en_US_POSIX", nullptr);
        li->GetRealfeel()->SetCelsius(-9999.0);
        ASSERT_EQ(dm->GetLifeIndexValue(city, LIFE_INDEX_REALFEEL), "-9999");
        EXPECT_EQ(Selected(city), (std::vector<int>{2, 7}));
    }
    li->GetRealfeel()->SetTemperature(9999.0);
    EXPECT_EQ(Selected(city), (std::vector<int>{2, 7}));

    // The month rows: the row of the local month, candidates without values dropped.
    const int month = TimeHelper::GetInstance()->GetLocalTimeStruct().tm_mon;
    li->SetPm10(2);
    li->SetPm25(20);
    li->SetKhai(1);
    log.Clear();
    SelectProvider(WEATHER_CP_TYPE_WEATHERNEWS_KR);
    std::vector<int> kr = Selected(city);
    EXPECT_TRUE(log.Contains("LocalTime Month : " + std::to_string(month)));
    ASSERT_GE(kr.size(), 4u);
    EXPECT_EQ(std::vector<int>(kr.begin(), kr.begin() + 4), (std::vector<int>{5, 4, 34, 2}));
    SelectProvider(WEATHER_CP_TYPE_WCN);
    std::vector<int> wcn = Selected(city);
    ASSERT_GE(wcn.size(), 4u);
    EXPECT_EQ(std::vector<int>(wcn.begin(), wcn.begin() + 4), (std::vector<int>{6, 2, 5, 4}));

    city->SetLifeIndex(nullptr);
    EXPECT_TRUE(Selected(city).empty());
    EXPECT_TRUE(Selected(nullptr).empty());
    dm->SetCityPtrVector(std::make_shared<CityPtrVector>());
}

TEST(LifeIndexSelection, RainProbabilityValueIsTruncated)
{
    DataManager* dm = DataManager::GetInstance();
    dm->InitializeDB();
    SelectProvider(WEATHER_CP_TYPE_TWC);
    CityPtr city = CityWithSun(true);
    city->GetLifeIndex()->GetPrecipitation()->SetPrecProbability(37.9);
    dm->SetCityPtrVector(std::make_shared<CityPtrVector>(CityPtrVector{city}));
    EXPECT_EQ(dm->GetLifeIndexValue(city, LIFE_INDEX_PRECIPITATION), "37");
    EXPECT_EQ(dm->GetLifeIndexValue(0, LIFE_INDEX_PRECIPITATION), "37");
    EXPECT_EQ(dm->GetLifeIndexValue("nowhere", LIFE_INDEX_PRECIPITATION), "9999");
    dm->SetCityPtrVector(std::make_shared<CityPtrVector>());
}

// Each graded operation by name: its own field, under its provider, through
// GetLifeIndexValue too. Every other field holds 9999, so reading any other
// field gives "9999" (or the empty text) and never the expected text.
TEST(LifeIndexValues, EachGradedOperationReadsItsOwnField)
{
    using Op = std::string (LifeIndexData::*)(const CityPtr&);
    using Setter = void (LifeIndex::*)(int32_t);
    const int32_t kWcn = WEATHER_CP_TYPE_WCN, kCma = WEATHER_CP_TYPE_CMAWEATHER, kKw = WEATHER_CP_TYPE_KWEATHER,
                  kWn = WEATHER_CP_TYPE_WEATHERNEWS;
    const struct {
        const char* name;
        Op op;
        int kind;
        Setter set;
        int32_t cp;
        int32_t value;
        const char* key;
        const char* icon; // after "weather_details_lifeindex_icon_", unless a whole name
    } cases[] = {
        {"GetPM25String", &LifeIndexData::GetPM25String, LIFE_INDEX_PM25, &LifeIndex::SetPm25, kWcn, 120, "中度污染",
         "pm25"},
        {"GetPM10String", &LifeIndexData::GetPM10String, LIFE_INDEX_PM10, &LifeIndex::SetPm10, kWcn, 380, "重度污染",
         "pm"},
        {"GetAQIString", &LifeIndexData::GetAQIString, LIFE_INDEX_AQI, &LifeIndex::SetAqi, kWcn, 320, "严重污染",
         "aqi_"},
        {"GetOutdoorExcerciseString", &LifeIndexData::GetOutdoorExcerciseString, LIFE_INDEX_OUTDOOR_EXCERCISE,
         &LifeIndex::SetOutdoorExcercise, kCma, 2, "较不宜", "outdoor"},
        {"GetComfortString", &LifeIndexData::GetComfortString, LIFE_INDEX_COMFORT, &LifeIndex::SetComfort, kCma, 3,
         "很不舒适", "discomfort"},
        {"GetClothingString", &LifeIndexData::GetClothingString, LIFE_INDEX_CLOTHING, &LifeIndex::SetClothing, kCma, 5,
         "冷", "clothing"},
        {"GetSkincareString", &LifeIndexData::GetSkincareString, LIFE_INDEX_SKINCARE, &LifeIndex::SetSkincare, kCma, 4,
         "防脱水防晒", "skincare"},
        {"GetCarwashString", &LifeIndexData::GetCarwashString, LIFE_INDEX_CARWASH, &LifeIndex::SetCarwash, kKw, 3,
         "IDS_WGT_BODY_HIGH_M_AIR_QUALITY_INDEX", "car_wash_index"},
        {"GetFoodPoisonString", &LifeIndexData::GetFoodPoisonString, LIFE_INDEX_FOOD_POISON, &LifeIndex::SetFoodPoison,
         kKw, 45, "IDS_ST_POP_CAUTION", "food_poisoning"},
        {"GetHeatString", &LifeIndexData::GetHeatString, LIFE_INDEX_HEAT, &LifeIndex::SetHeat, kKw, 45,
         "IDS_WGT_BODY_HIGH_M_LIFE_INDEX", "heat"},
        {"GetHeatStrokeString", &LifeIndexData::GetHeatStrokeString, LIFE_INDEX_HEAT_STROKE, &LifeIndex::SetHeatStroke,
         kWn, 50, "IDS_WGT_BODY_HIGH_M_DISCOMFORTVALUE_ABB_JPN", "heat_stroke"},
        {"GetSpoiledFoodString", &LifeIndexData::GetSpoiledFoodString, LIFE_INDEX_SPOILED_FOOD,
         &LifeIndex::SetSpoiledFood, kKw, 7, "IDS_WGT_BODY_HIGH_M_LIFE_INDEX", "spoiled_food"},
        {"GetDiscomfortString", &LifeIndexData::GetDiscomfortString, LIFE_INDEX_DISCOMFORT, &LifeIndex::SetDiscomfort,
         kKw, 77, "IDS_GN_BODY_HIGH_M_WEATHER_INDEX", "discomfort"},
        {"GetFrozenPipesString", &LifeIndexData::GetFrozenPipesString, LIFE_INDEX_FROZEN_PIPES,
         &LifeIndex::SetFrozenPipes, kKw, 80, "IDS_WGT_BODY_VERY_HIGH_M_LIFE_INDEX", "risk_of_frozen"},
        {"GetFrostbiteString", &LifeIndexData::GetFrostbiteString, LIFE_INDEX_FROSTBITE, &LifeIndex::SetFrostbite, kKw,
         -3, "IDS_WGT_SBODY_MODERATE_M_AIR_QUALITY_INDEX_CHN", "risk_of_frostbite"},
        {"GetColdString", &LifeIndexData::GetColdString, LIFE_INDEX_COLD, &LifeIndex::SetCold, kWcn, 2, "易发",
         "catching_cold"},
        {"GetPollenString", &LifeIndexData::GetPollenString, LIFE_INDEX_POLLEN, &LifeIndex::SetPollen, kWn, 40,
         "IDS_WGT_BODY_HIGH_M_POLLEN_VALUE_ABB_JPN", "pollen"},
        {"GetAirDustString", &LifeIndexData::GetAirDustString, LIFE_INDEX_AIR_DUST, &LifeIndex::SetAirDust, kWn, 1500,
         "IDS_GN_BODY_VERY_HIGH_M_AMOUNT", "yellowdust"},
        {"GetDryskinString", &LifeIndexData::GetDryskinString, LIFE_INDEX_DRY_SKIN, &LifeIndex::SetDrySkin, kWn, 75,
         "IDS_GN_BODY_VERY_HIGH_M_WEATHER_INDEX", "skincare"},
        {"GetAllergyString", &LifeIndexData::GetAllergyString, LIFE_INDEX_ALLERGY, &LifeIndex::SetAllergy, kCma, 1,
         "不易发", "allergy"},
        {"GetAirPolutionString", &LifeIndexData::GetAirPolutionString, LIFE_INDEX_AIR_POLUTION,
         &LifeIndex::SetAirPolution, kCma, 3, "较差", "air_pollution"},
        {"GetTrafficString", &LifeIndexData::GetTrafficString, LIFE_INDEX_TRAFFIC, &LifeIndex::SetTraffic, kCma, 2,
         "一般", "skincare"},
        {"GetFishingString", &LifeIndexData::GetFishingString, LIFE_INDEX_FISHING, &LifeIndex::SetFishing, kCma, 3,
         "不宜", "weather_toast_popup_fail"},
        {"GetCosmeticString", &LifeIndexData::GetCosmeticString, LIFE_INDEX_COSMETIC, &LifeIndex::SetCosmetic, kCma, 2,
         "去油防晒", "skincare"},
        {"GetDryClothingString", &LifeIndexData::GetDryClothingString, LIFE_INDEX_DRY_CLOTHING,
         &LifeIndex::SetDryClothing, kCma, 0, "极适宜", "laundry"},
        {"GetKHAIString", &LifeIndexData::GetKHAIString, LIFE_INDEX_KHAI, &LifeIndex::SetKhai, kKw, 3,
         "IDS_GN_BODY_BAD_M_OUTDOOR_CONDITION", "environmental_index"},
    };
    DataManager* dm = DataManager::GetInstance();
    auto data = LifeIndexData::Make();
    LogCapture log;
    for (const auto& c : cases) {
        SelectProvider(c.cp);
        CityPtr city = City::Make();
        LifeIndexPtr record = city->GetLifeIndex();
        for (const auto& other : cases)
            (record.get()->*other.set)(UNSUPPORTED_VALUE);
        (record.get()->*c.set)(c.value);
        const std::string expected = dgettext("weather", c.key);
        EXPECT_EQ((data.get()->*c.op)(city), expected) << c.name;
        EXPECT_EQ(dm->GetLifeIndexValue(city, c.kind), expected) << c.name;
        const std::string icon = c.icon;
        EXPECT_EQ(data->GetLifeIndexIconName(city, c.kind),
                  (icon.rfind("weather_", 0) == 0 ? icon : "weather_details_lifeindex_icon_" + icon) + ".png")
            << c.name;

        // A value not supplied: the guard line carries the operation's name.
        (record.get()->*c.set)(UNSUPPORTED_VALUE);
        log.Clear();
        const bool emptyWhenMissing = c.kind == LIFE_INDEX_FISHING || c.kind == LIFE_INDEX_COSMETIC;
        EXPECT_EQ((data.get()->*c.op)(city), emptyWhenMissing ? "" : "9999") << c.name;
        EXPECT_TRUE(log.Contains(std::string("[") + c.name + "(): ")) << c.name;
        EXPECT_TRUE(log.Contains("(value == UNSUPPORTED_VALUE) [return]")) << c.name;

        // No city, or no life index record: "9999" for every kind, the
        // empty text being only for a stored 9999.
        EXPECT_EQ((data.get()->*c.op)(nullptr), "9999") << c.name;
        city->SetLifeIndex(nullptr);
        EXPECT_EQ((data.get()->*c.op)(city), "9999") << c.name;
    }
}

// The value operations share their bodies; each guard line names the operation.
TEST(LifeIndexValues, UnsupportedValuesLogUnderTheOperationsName)
{
    SelectProvider(WEATHER_CP_TYPE_TWC);
    auto data = LifeIndexData::Make();
    CityPtr city = City::Make(); // every value 9999
    const struct {
        const char* name;
        std::function<std::string()> call;
    } cases[] = {
        {"GetSunsetTimeString", [&] { return data->GetSunsetTimeString(city); }},
        {"GetSunriseTimeString", [&] { return data->GetSunriseTimeString(city); }},
        {"GetPrecipitationString", [&] { return data->GetPrecipitationString(city, false); }},
        {"GetRealFeelString", [&] { return data->GetRealFeelString(city); }},
        {"GetVisibilityString", [&] { return data->GetVisibilityString(city); }},
        {"GetWindSpeedString", [&] { return data->GetWindSpeedString(city, true); }},
    };
    LogCapture log;
    for (const auto& c : cases) {
        log.Clear();
        EXPECT_EQ(c.call(), "9999") << c.name;
        EXPECT_TRUE(log.Contains(std::string("[") + c.name + "(): ")) << c.name;
        EXPECT_TRUE(log.Contains("(value == UNSUPPORTED_VALUE) [return]")) << c.name;
    }
    log.Clear();
    EXPECT_EQ(data->GetRealFeelString(nullptr), "9999");
    EXPECT_TRUE(log.Contains("[GetRealFeelString(): ")) << "!cityPtr";
}

// Guards as the operations state them: a missing hourly entry reaches the
// icon's own guard, an update always reaches the controller, the rain
// probability of an hourly provider takes its index (and that index's line)
// even without a list.
TEST(WeatherAccess, GuardsAsTheOperationsSayThem)
{
    SelectProvider(WEATHER_CP_TYPE_TWC);
    auto data = WeatherData::Make();
    LogCapture log;

    CityPtr city = City::Make();
    city->GetHourlyPtrVector()->push_back(HourAt(0));
    EXPECT_EQ(data->GetHourlyWeatherIcon(city, 5, 360, 360), "9999");
    EXPECT_TRUE(log.Contains("[GetWeatherIcon(): ")) << "the entry is passed through";
    EXPECT_TRUE(log.Contains("(!weatherPtr) [return]"));
    EXPECT_FALSE(log.Contains("(!hourlyPtr)"));

    log.Clear();
    data->UpdateCity(nullptr);
    // Without a database the controller's opening refuses; with one, its guard of the city does.
    EXPECT_TRUE(log.Contains("WeatherDBController.cpp: UpdateCity(") ||
                log.Contains("WeatherDBController.cpp: DoUpdateCity("))
        << "the controller's UpdateCity is called";

    for (int32_t provider : {WEATHER_CP_TYPE_KWEATHER, WEATHER_CP_TYPE_WEATHERNEWS_KR, WEATHER_CP_TYPE_WCN}) {
        SelectProvider(provider);
        CityPtr listless = City::Make();
        listless->SetHourlyPtrVector(nullptr);
        log.Clear();
        EXPECT_EQ(data->GetRainProbability(listless), FLOAT_UNSUPPORTED_VALUE) << provider;
        EXPECT_EQ(log.Count("exception caught: !hourlyPtrVector"), 1u) << provider;
        EXPECT_EQ(log.Messages().size(), 1u) << provider << ": a line of the rain probability's own";
    }
}

} // namespace
