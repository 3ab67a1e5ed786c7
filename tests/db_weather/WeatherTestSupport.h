#ifndef WEATHER_TESTS_DB_WEATHER_SUPPORT_H
#define WEATHER_TESTS_DB_WEATHER_SUPPORT_H

// Shared by the weather storage tests: a clean database directory, fully
// populated cities, and a field-by-field comparison of two cities.

#include <gtest/gtest.h>

#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <string>

#include "City.h"
#include "DeviceFixture.h"
#include "FileHelper.h"

namespace weather_test {

// "<shared data dir>db", emptied. The controllers are process-wide
// singletons, so each test starts from files rather than from a new process.
inline std::string FreshDbDir()
{
    DeviceFixture::Ensure();
    std::string dir = FileHelper::GetInstance()->GetSharedDataDirectoryPath() + "db";
    if (GDir* handle = g_dir_open(dir.c_str(), 0, nullptr)) {
        while (const gchar* name = g_dir_read_name(handle))
            unlink((dir + "/" + name).c_str());
        g_dir_close(handle);
    }
    g_mkdir_with_parents(dir.c_str(), 0755);
    return dir;
}

inline TemperaturePtr MakeTemperature(double celsius)
{
    TemperaturePtr temperaturePtr = Temperature::Make();
    temperaturePtr->SetTemperature(celsius);
    return temperaturePtr;
}

// Every field set to a value of its own that survives storage unchanged
// (temperatures with one decimal, floats exact in binary).
inline void FillWeather(Weather& weather, int seed)
{
    weather.SetWeatherIcon(seed % 44 + 1);
    weather.SetServerWeatherIcon(seed % 50 + 100);
    weather.SetWeatherStatus("status " + std::to_string(seed));
    // Whole tenths divided once, as a provider's decimal text reads: the cut
    // is exact only for the nearest double of a one-decimal value.
    weather.SetCurTemperature(MakeTemperature(((seed % 600) - 200) / 10.0));
    weather.SetLowTemperature(MakeTemperature(((seed % 500) - 250) / 10.0));
    weather.SetHighTemperature(MakeTemperature(((seed % 400) - 50) / 10.0));
    weather.SetDate(1700000000u + static_cast<uint32_t>(seed) * 3600u);
}

inline CityPtr MakeFullCity(int seed, int daily = 8, int hourly = 24, int yesterday = 24, int moonPhases = 8)
{
    CityPtr cityPtr = City::Make();
    cityPtr->SetIsCurrentLocation(false);
    cityPtr->SetIsSummerTime(seed % 2 == 1);
    cityPtr->SetIsDayTime(seed % 3 != 0);
    cityPtr->SetWidgetReferenceCount(seed % 4);
    cityPtr->SetLocationId("loc-" + std::to_string(seed));
    cityPtr->SetCityName("City \xec\x84\x9c " + std::to_string(seed));
    cityPtr->SetCityNameEng("City " + std::to_string(seed));
    cityPtr->SetCountryName("Land '" + std::to_string(seed) + "'");
    cityPtr->SetCountryNameEng("Country " + std::to_string(seed));
    cityPtr->SetStateName("State " + std::to_string(seed));
    cityPtr->SetStateNameEng("StateEng " + std::to_string(seed));
    cityPtr->SetWebsiteUrl("https://example.invalid/city/" + std::to_string(seed));
    cityPtr->SetGmtOffset(-9.5 + seed % 20);
    cityPtr->SetRefreshedTime(4000000000u - static_cast<uint32_t>(seed)); // above INT32_MAX
    cityPtr->SetLocalTime(1700000000u + static_cast<uint32_t>(seed));
    cityPtr->SetNeedToUpdate(seed % 2 == 0);

    FillWeather(*cityPtr->GetCurrent(), seed);
    cityPtr->GetCurrent()->SetWebsiteUrl("https://example.invalid/now/" + std::to_string(seed));
    for (int i = 0; i < daily; i++) {
        WeeklyPtr weeklyPtr = Weekly::Make();
        FillWeather(*weeklyPtr, seed * 31 + i);
        weeklyPtr->SetWebsiteUrl("day " + std::to_string(i));
        time_t date = weeklyPtr->GetDate();
        struct tm local = {};
        localtime_r(&date, &local);
        weeklyPtr->SetDayOfWeek(local.tm_wday);
        cityPtr->GetWeeklyPtrVector()->push_back(weeklyPtr);
    }
    for (int i = 0; i < hourly + yesterday; i++) {
        HourlyPtr hourlyPtr = Hourly::Make();
        FillWeather(*hourlyPtr, seed * 37 + i);
        hourlyPtr->SetHour(1700000000u + static_cast<uint32_t>(i) * 3600u);
        hourlyPtr->SetWebsiteUrl("hour " + std::to_string(i));
        hourlyPtr->SetPrecProbability(i * 2.5);
        hourlyPtr->SetDate(0); // hours are stored by their hour, not by date
        if (i < hourly) {
            cityPtr->GetHourlyPtrVector()->push_back(hourlyPtr);
        } else {
            // Yesterday's hours keep only the current temperature.
            hourlyPtr->SetLowTemperature(Temperature::Make());
            hourlyPtr->SetHighTemperature(Temperature::Make());
            hourlyPtr->SetPrecProbability(0.0);
            cityPtr->GetYesterdayHourPtrVector()->push_back(hourlyPtr);
        }
    }
    LifeIndex& life = *cityPtr->GetLifeIndex();
    life.SetHumidity(seed % 100);
    life.SetSunsetTime(1700060000u + seed);
    life.SetSunriseTime(1700020000u + seed);
    life.SetPm25(seed + 1);
    life.SetPm10(seed + 2);
    life.SetAqi(seed + 3);
    life.SetUvIndex(seed + 4);
    life.SetUvIndexText("uv " + std::to_string(seed));
    life.SetRealfeel(MakeTemperature(-12.3 + seed % 40));
    Precipitation& prec = *life.GetPrecipitation();
    prec.SetPrecType(seed % 5);
    prec.SetPrecProbability(0.125 + seed);
    prec.SetPrecAmount(1.0 / 3.0 + seed); // stored with all its decimals
    prec.SetPrecAmountSnow(2.75);
    prec.SetPrecAmountIce(3.5);
    prec.SetPrecProbabilityNight(4.25);
    prec.SetPrecAmountNight(5.5);
    prec.SetPrecAmountSnowNight(6.75);
    prec.SetPrecAmountIceNight(7.0);
    prec.SetRainProbability(8.5);
    prec.SetSnowProbability(9.5);
    prec.SetIceProbability(10.5);
    prec.SetRainProbabilityNight(11.5);
    prec.SetSnowProbabilityNight(12.5);
    prec.SetIceProbabilityNight(13.5);
    Wind& wind = *life.GetWind();
    wind.SetWindDirection(90.5f + seed);
    wind.SetWindSpeed(3.25f);
    wind.SetWindCardinal("NE");
    wind.SetWindNightDirection(270.75f);
    wind.SetWindNightSpeed(1.5f);
    wind.SetWindNightCardinal("SW");
    wind.SetWindSpeedUnit(2);
    int value = seed * 10;
    for (auto setter : {&LifeIndex::SetOutdoorExcercise, &LifeIndex::SetComfort, &LifeIndex::SetClothing,
                        &LifeIndex::SetSkincare, &LifeIndex::SetCarwash, &LifeIndex::SetAllergy,
                        &LifeIndex::SetAirPolution, &LifeIndex::SetTraffic, &LifeIndex::SetFishing,
                        &LifeIndex::SetDryClothing, &LifeIndex::SetCosmetic, &LifeIndex::SetFoodPoison,
                        &LifeIndex::SetSpoiledFood, &LifeIndex::SetFrozenPipes, &LifeIndex::SetFrostbite,
                        &LifeIndex::SetCold, &LifeIndex::SetKhai, &LifeIndex::SetAirDust, &LifeIndex::SetDrySkin,
                        &LifeIndex::SetHeatStroke, &LifeIndex::SetHeat, &LifeIndex::SetDiscomfort,
                        &LifeIndex::SetPollen})
        (life.*setter)(++value);
    life.SetVisibility(10.125);
    life.SetPressure(1013.7);

    for (int i = 0; i < moonPhases; i++) {
        MoonPhasePtr moonPhasePtr = MoonPhase::Make();
        moonPhasePtr->SetLocationID(cityPtr->GetLocationId());
        moonPhasePtr->SetDate(1700000000u + i * 86400u);
        moonPhasePtr->SetMoonRiseTime(1700040000u + i * 86400u);
        moonPhasePtr->SetMoonSetTime(1700080000u + i * 86400u);
        moonPhasePtr->SetPhaseText("phase " + std::to_string(i));
        moonPhasePtr->SetAge(i + 3);
        cityPtr->GetMoonPhasePtrVector()->push_back(moonPhasePtr);
    }
    return cityPtr;
}

inline void ExpectTemperatureEq(const TemperaturePtr& actual, const TemperaturePtr& expected, const std::string& where)
{
    ASSERT_TRUE(actual && expected) << where;
    EXPECT_DOUBLE_EQ(actual->GetCelsius(), expected->GetCelsius()) << where;
    EXPECT_DOUBLE_EQ(actual->GetFahrenheit(), expected->GetFahrenheit()) << where;
}

inline void ExpectWeatherEq(const Weather& actual, const Weather& expected, const std::string& where)
{
    EXPECT_EQ(actual.GetWeatherIcon(), expected.GetWeatherIcon()) << where;
    EXPECT_EQ(actual.GetServerWeatherIcon(), expected.GetServerWeatherIcon()) << where;
    EXPECT_EQ(actual.GetWeatherStatus(), expected.GetWeatherStatus()) << where;
    ExpectTemperatureEq(actual.GetCurTemperature(), expected.GetCurTemperature(), where + " cur");
    ExpectTemperatureEq(actual.GetLowTemperature(), expected.GetLowTemperature(), where + " low");
    ExpectTemperatureEq(actual.GetHighTemperature(), expected.GetHighTemperature(), where + " high");
    EXPECT_EQ(actual.GetDate(), expected.GetDate()) << where;
}

inline void ExpectHourlyVectorEq(const HourlyPtrVectorPtr& actual, const HourlyPtrVectorPtr& expected,
                                 const std::string& where)
{
    ASSERT_EQ(actual == nullptr, expected == nullptr) << where;
    if (!actual)
        return;
    ASSERT_EQ(actual->size(), expected->size()) << where;
    for (size_t i = 0; i < actual->size(); i++) {
        const std::string at = where + "[" + std::to_string(i) + "]";
        ExpectWeatherEq(*actual->at(i), *expected->at(i), at);
        EXPECT_EQ(actual->at(i)->GetHour(), expected->at(i)->GetHour()) << at;
        EXPECT_EQ(actual->at(i)->GetWebsiteUrl(), expected->at(i)->GetWebsiteUrl()) << at;
        EXPECT_DOUBLE_EQ(actual->at(i)->GetPrecProbability(), expected->at(i)->GetPrecProbability()) << at;
    }
}

inline void ExpectLifeIndexEq(const LifeIndexPtr& actual, const LifeIndexPtr& expected, const std::string& where)
{
    ASSERT_EQ(actual == nullptr, expected == nullptr) << where;
    if (!actual)
        return;
#define EXPECT_FIELD(obj, Field) EXPECT_EQ(actual->obj Get##Field(), expected->obj Get##Field()) << where << " " #Field
    EXPECT_FIELD(, Humidity);
    EXPECT_FIELD(, SunsetTime);
    EXPECT_FIELD(, SunriseTime);
    EXPECT_FIELD(, Pm25);
    EXPECT_FIELD(, Pm10);
    EXPECT_FIELD(, Aqi);
    EXPECT_FIELD(, UvIndex);
    EXPECT_FIELD(, UvIndexText);
    EXPECT_FIELD(, OutdoorExcercise);
    EXPECT_FIELD(, Comfort);
    EXPECT_FIELD(, Clothing);
    EXPECT_FIELD(, Skincare);
    EXPECT_FIELD(, Carwash);
    EXPECT_FIELD(, Allergy);
    EXPECT_FIELD(, AirPolution);
    EXPECT_FIELD(, Traffic);
    EXPECT_FIELD(, Fishing);
    EXPECT_FIELD(, DryClothing);
    EXPECT_FIELD(, Cosmetic);
    EXPECT_FIELD(, FoodPoison);
    EXPECT_FIELD(, SpoiledFood);
    EXPECT_FIELD(, FrozenPipes);
    EXPECT_FIELD(, Frostbite);
    EXPECT_FIELD(, Cold);
    EXPECT_FIELD(, Khai);
    EXPECT_FIELD(, AirDust);
    EXPECT_FIELD(, DrySkin);
    EXPECT_FIELD(, HeatStroke);
    EXPECT_FIELD(, Heat);
    EXPECT_FIELD(, Discomfort);
    EXPECT_FIELD(, Pollen);
    EXPECT_FIELD(, Visibility);
    EXPECT_FIELD(, Pressure);
    ExpectTemperatureEq(actual->GetRealfeel(), expected->GetRealfeel(), where + " realfeel");
    ASSERT_TRUE(actual->GetPrecipitation() && actual->GetWind()) << where;
    EXPECT_FIELD(GetPrecipitation()->, PrecType);
    EXPECT_FIELD(GetPrecipitation()->, PrecProbability);
    EXPECT_FIELD(GetPrecipitation()->, PrecAmount);
    EXPECT_FIELD(GetPrecipitation()->, PrecAmountSnow);
    EXPECT_FIELD(GetPrecipitation()->, PrecAmountIce);
    EXPECT_FIELD(GetPrecipitation()->, PrecProbabilityNight);
    EXPECT_FIELD(GetPrecipitation()->, PrecAmountNight);
    EXPECT_FIELD(GetPrecipitation()->, PrecAmountSnowNight);
    EXPECT_FIELD(GetPrecipitation()->, PrecAmountIceNight);
    EXPECT_FIELD(GetPrecipitation()->, RainProbability);
    EXPECT_FIELD(GetPrecipitation()->, SnowProbability);
    EXPECT_FIELD(GetPrecipitation()->, IceProbability);
    EXPECT_FIELD(GetPrecipitation()->, RainProbabilityNight);
    EXPECT_FIELD(GetPrecipitation()->, SnowProbabilityNight);
    EXPECT_FIELD(GetPrecipitation()->, IceProbabilityNight);
    EXPECT_FIELD(GetWind()->, WindDirection);
    EXPECT_FIELD(GetWind()->, WindSpeed);
    EXPECT_FIELD(GetWind()->, WindCardinal);
    EXPECT_FIELD(GetWind()->, WindNightDirection);
    EXPECT_FIELD(GetWind()->, WindNightSpeed);
    EXPECT_FIELD(GetWind()->, WindNightCardinal);
    EXPECT_FIELD(GetWind()->, WindSpeedUnit);
#undef EXPECT_FIELD
}

// Every stored field of two cities; moon phases only when compareMoon.
inline void ExpectCityEq(const CityPtr& actual, const CityPtr& expected, bool compareMoon = true)
{
    ASSERT_TRUE(actual && expected);
    const std::string where = expected->GetLocationId();
    EXPECT_EQ(actual->GetPageIndex(), expected->GetPageIndex()) << where;
    EXPECT_EQ(actual->GetIsCurrentLocation(), expected->GetIsCurrentLocation()) << where;
    EXPECT_EQ(actual->GetIsSummerTime(), expected->GetIsSummerTime()) << where;
    EXPECT_EQ(actual->GetIsDayTime(), expected->GetIsDayTime()) << where;
    EXPECT_EQ(actual->GetWidgetReferenceCount(), expected->GetWidgetReferenceCount()) << where;
    EXPECT_EQ(actual->GetLocationId(), expected->GetLocationId()) << where;
    EXPECT_EQ(actual->GetCityName(), expected->GetCityName()) << where;
    EXPECT_EQ(actual->GetCityNameEng(), expected->GetCityNameEng()) << where;
    EXPECT_EQ(actual->GetCountryName(), expected->GetCountryName()) << where;
    EXPECT_EQ(actual->GetCountryNameEng(), expected->GetCountryNameEng()) << where;
    EXPECT_EQ(actual->GetStateName(), expected->GetStateName()) << where;
    EXPECT_EQ(actual->GetStateNameEng(), expected->GetStateNameEng()) << where;
    EXPECT_EQ(actual->GetWebsiteUrl(), expected->GetWebsiteUrl()) << where;
    EXPECT_DOUBLE_EQ(actual->GetGmtOffset(), expected->GetGmtOffset()) << where;
    EXPECT_EQ(actual->GetRefreshedTime(), expected->GetRefreshedTime()) << where;
    EXPECT_EQ(actual->GetLocalTime(), expected->GetLocalTime()) << where;
    EXPECT_EQ(actual->GetNeedToUpdate(), expected->GetNeedToUpdate()) << where;

    ASSERT_EQ(actual->GetCurrent() == nullptr, expected->GetCurrent() == nullptr) << where;
    if (actual->GetCurrent()) {
        ExpectWeatherEq(*actual->GetCurrent(), *expected->GetCurrent(), where + " current");
        EXPECT_EQ(actual->GetCurrent()->GetWebsiteUrl(), expected->GetCurrent()->GetWebsiteUrl()) << where;
    }
    WeeklyPtrVectorPtr weekly = actual->GetWeeklyPtrVector(), expectedWeekly = expected->GetWeeklyPtrVector();
    ASSERT_EQ(weekly == nullptr, expectedWeekly == nullptr) << where;
    if (weekly) {
        ASSERT_EQ(weekly->size(), expectedWeekly->size()) << where;
        for (size_t i = 0; i < weekly->size(); i++) {
            const std::string at = where + " daily[" + std::to_string(i) + "]";
            ExpectWeatherEq(*weekly->at(i), *expectedWeekly->at(i), at);
            EXPECT_EQ(weekly->at(i)->GetWebsiteUrl(), expectedWeekly->at(i)->GetWebsiteUrl()) << at;
            EXPECT_EQ(weekly->at(i)->GetDayOfWeek(), expectedWeekly->at(i)->GetDayOfWeek()) << at;
        }
    }
    ExpectHourlyVectorEq(actual->GetHourlyPtrVector(), expected->GetHourlyPtrVector(), where + " hourly");
    ExpectHourlyVectorEq(actual->GetYesterdayHourPtrVector(), expected->GetYesterdayHourPtrVector(),
                         where + " yesterday");
    ExpectLifeIndexEq(actual->GetLifeIndex(), expected->GetLifeIndex(), where + " life index");
    if (!compareMoon)
        return;
    MoonPhasePtrVectorPtr moon = actual->GetMoonPhasePtrVector(), expectedMoon = expected->GetMoonPhasePtrVector();
    ASSERT_EQ(moon == nullptr, expectedMoon == nullptr) << where;
    if (!moon)
        return;
    ASSERT_EQ(moon->size(), expectedMoon->size()) << where;
    for (size_t i = 0; i < moon->size(); i++) {
        EXPECT_EQ(moon->at(i)->GetLocationID(), expectedMoon->at(i)->GetLocationID()) << where;
        EXPECT_EQ(moon->at(i)->GetDate(), expectedMoon->at(i)->GetDate()) << where;
        EXPECT_EQ(moon->at(i)->GetMoonRiseTime(), expectedMoon->at(i)->GetMoonRiseTime()) << where;
        EXPECT_EQ(moon->at(i)->GetMoonSetTime(), expectedMoon->at(i)->GetMoonSetTime()) << where;
        EXPECT_EQ(moon->at(i)->GetPhaseText(), expectedMoon->at(i)->GetPhaseText()) << where;
        EXPECT_EQ(moon->at(i)->GetAge(), expectedMoon->at(i)->GetAge()) << where;
    }
}

} // namespace weather_test

#endif
