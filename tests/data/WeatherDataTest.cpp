// City lookups and forecast index rules of the weather data, the cities'
// persistence through the data manager, and the provider type decision.

#include <gtest/gtest.h>

#include <device/system_keys.h>
#include <device/vconf.h>

#include "typedef/CPType.h"
#include "typedef/DataManager.h"
#include "DeviceFixture.h"
#include "SqliteTestUtil.h"
#include "db/SettingDBController.h"

namespace {

CityPtr MakeCity(const std::string& id, bool current, bool needToUpdate, int entries)
{
    CityPtr city = City::Make();
    city->SetLocationId(id);
    city->SetIsCurrentLocation(current);
    city->SetNeedToUpdate(needToUpdate);
    for (int i = 0; i < entries; ++i) {
        city->GetHourlyPtrVector()->push_back(Hourly::Make());
        city->GetYesterdayHourPtrVector()->push_back(Hourly::Make());
        city->GetWeeklyPtrVector()->push_back(Weekly::Make());
    }
    return city;
}

TEST(WeatherAccess, CityListPersistsAndLookups)
{
    DataManager* dm = DataManager::GetInstance();
    dm->InitializeDB();
    dm->SetCityPtrVector(std::make_shared<CityPtrVector>(CityPtrVector{
        MakeCity("A", false, false, 1), MakeCity("B:CurrentCity", true, true, 1), MakeCity("C", false, true, 1)}));
    dm->LoadData(); // read back from the weather database
    ASSERT_EQ(dm->GetCityPtrVector()->size(), 3u);

    EXPECT_EQ(dm->GetCityPtr(1)->GetLocationId(), "B:CurrentCity");
    EXPECT_EQ(dm->GetCityPtr(3), nullptr);
    EXPECT_EQ(dm->GetCityPtr("c"), nullptr); // exact comparison
    EXPECT_EQ(dm->GetCurrentCityPtr(), dm->GetCityPtr("B:CurrentCity"));
    auto needUpdate = dm->SelectNeedToUpdateCity();
    ASSERT_EQ(needUpdate->size(), 2u);
    EXPECT_EQ((*needUpdate)[1]->GetLocationId(), "C");

    // UpdateCity swaps the list entry and stores it; a holder of the old pointer keeps the old record.
    CityPtr old = dm->GetCityPtr("C");
    CityPtr renamed = MakeCity("C", false, false, 0);
    renamed->SetCityName("Renamed");
    dm->UpdateCity(renamed);
    EXPECT_EQ(dm->GetCityPtr(2), renamed);
    EXPECT_EQ(old->GetCityName(), "");
    dm->LoadData();
    EXPECT_EQ(dm->GetCityPtr("C")->GetCityName(), "Renamed");

    dm->DeleteAllCity();
    dm->LoadData();
    EXPECT_TRUE(dm->GetCityPtrVector() && dm->GetCityPtrVector()->empty());
    EXPECT_FALSE(dm->IsCurrentLocationExist());
}

TEST(WeatherAccess, ForecastIndexRules)
{
    auto data = WeatherData::Make();
    CityPtr city = MakeCity("X", false, true, 3);
    LogCapture log;
    EXPECT_EQ(data->GetHourlyPtr(city, 2), city->GetHourlyPtrVector()->at(2));
    EXPECT_EQ(data->GetHourlyPtr(city, 3), city->GetHourlyPtrVector()->at(0)); // equal to the size: first entry
    EXPECT_EQ(data->GetHourlyPtr(city, 4), nullptr);
    EXPECT_TRUE(log.Contains("houlryIndex:4 [return]"));
    EXPECT_EQ(data->GetYesterdayPtr(city, 3), city->GetYesterdayHourPtrVector()->at(0));
    EXPECT_EQ(data->GetYesterdayPtr(city, 4), nullptr);
    EXPECT_EQ(data->GetWeeklyPtr(city, 3), nullptr);

    CityPtr empty = MakeCity("Y", false, true, 0);
    EXPECT_EQ(data->GetHourlyPtr(empty, 0), nullptr); // no first entry to fall back to
    EXPECT_EQ(data->GetWeeklyPtr(empty, 0), nullptr);
    // Never loaded: lookups answer empty.
    EXPECT_EQ(data->GetCurrentCityPtr(), nullptr);
    EXPECT_TRUE(data->SelectNeedToUpdateCity()->empty());
}

// Every load decides the provider anew from the device as it is then: the
// country on a standalone watch or one paired with an "LO" host, else the
// settings' provider (exact names, unknown ones are TWC). The settings keep
// the decision.
TEST(WeatherAccess, EachLoadDecidesTheProviderFromTheDeviceAsItIsThen)
{
    DataManager* dm = DataManager::GetInstance();
    dm->InitializeDB();
    const std::string settings = SettingDBController::GetInstance()->GetSettingDBFilePath();
    const struct {
        int standalone;
        const char* vendor;
        const char* country;
        const char* stored;
        const char* decided;
    } steps[] = {
        {0, "", "KR", "Kweather", "Kweather"},       {0, "", "KR", "accuweather", "TWC"},
        {0, "", "KR", "Accuweather", "Accuweather"}, {0, "LO", "KR", "Kweather", "weathernews_kr"},
        {0, "LO", "CN", "Kweather", "WCN"},          {0, "LX", "CN", "cmaweather", "cmaweather"},
        {1, "", "JP", "Kweather", "WeatherNews"},    {1, "", "DE", "WCN", "TWC"},
        {0, "", "JP", "WeatherNews", "WeatherNews"}, {0, "", "JP", "weathernews_kr", "weathernews_kr"},
    };
    for (const auto& step : steps) {
        ASSERT_EQ(vconf_set_int(SYSKEY_STANDALONE, step.standalone), VCONF_OK);
        ASSERT_EQ(vconf_set_str(SYSKEY_HOST_VENDOR, step.vendor), VCONF_OK);
        ASSERT_EQ(vconf_set_str(SYSKEY_COUNTRY_ISO, step.country), VCONF_OK);
        ASSERT_TRUE(
            sqlite_test::ExecSql(settings, std::string("UPDATE SETTING_TABLE SET CpType = '") + step.stored + "'"));
        dm->LoadData();
        const std::string what = std::to_string(step.standalone) + "/" + step.vendor + "/" + step.country;
        EXPECT_EQ(CPType::GetInstance()->GetCPTypeString(), step.decided) << what;
        EXPECT_EQ(sqlite_test::QueryRows(settings, "SELECT CpType FROM SETTING_TABLE"),
                  (sqlite_test::Rows{{step.decided}}))
            << what;
    }
    vconf_set_int(SYSKEY_STANDALONE, 0);
    vconf_set_str(SYSKEY_HOST_VENDOR, "");
    vconf_set_str(SYSKEY_COUNTRY_ISO, "US");
    EXPECT_EQ(CPType::GetInstance()->ConvertWeatherCPTypeToString(7), "");
}

} // namespace
