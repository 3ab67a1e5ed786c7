// City lookups and forecast index rules of the weather data, the cities'
// persistence through the data manager, and the provider type decision.

#include <gtest/gtest.h>

#include <device/system_keys.h>
#include <device/vconf.h>

#include "typedef/CPType.h"
#include "typedef/DataManager.h"
#include "DeviceFixture.h"

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

TEST(WeatherAccess, ProviderTypeRenew)
{
    DataManager* dm = DataManager::GetInstance();
    CPType* cpType = CPType::GetInstance();
    auto setting = Setting::Make();
    setting->SetCpType("accuweather"); // the comparison is exact
    dm->SetSetting(setting);
    ASSERT_EQ(vconf_set_int(SYSKEY_STANDALONE, 0), VCONF_OK);
    cpType->Renew();
    EXPECT_EQ(cpType->GetCPType(), WEATHER_CP_TYPE_TWC);
    setting->SetCpType("Kweather");
    cpType->Renew();
    EXPECT_EQ(cpType->GetCPTypeString(), "Kweather");

    // Standalone: the country decides, whatever the settings say.
    ASSERT_EQ(vconf_set_int(SYSKEY_STANDALONE, 1), VCONF_OK);
    for (auto [country, type] : {std::make_pair("KR", 3), {"CN", 6}, {"JP", 4}, {"US", 5}}) {
        ASSERT_EQ(vconf_set_str(SYSKEY_COUNTRY_ISO, country), VCONF_OK);
        LogCapture log;
        cpType->Renew();
        EXPECT_EQ(cpType->GetCPType(), type) << country;
        EXPECT_TRUE(log.Contains("CPType is renewed : " + std::to_string(type)));
    }
    ASSERT_EQ(vconf_set_int(SYSKEY_STANDALONE, 0), VCONF_OK);
    EXPECT_EQ(cpType->ConvertWeatherCPTypeToString(7), "");
}

} // namespace
