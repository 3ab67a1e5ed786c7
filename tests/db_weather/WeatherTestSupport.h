#ifndef WEATHER_TESTS_DB_WEATHER_SUPPORT_H
#define WEATHER_TESTS_DB_WEATHER_SUPPORT_H

// Shared by the weather storage tests: fully populated cities, the life
// index numbers by column, and a comparison of every stored field of two cities.

#include <gtest/gtest.h>

#include <cctype>
#include <ctime>
#include <sstream>
#include <string>

#include "typedef/City.h"
#include "DeviceFixture.h"
#include "SqliteTestUtil.h"

namespace weather_test {

// The controllers are process-wide singletons, so each test starts from
// files rather than from a new process.
using sqlite_test::FreshDbDir;

// Every number of a life index, read and written as a double, under the
// name of its column.
struct LifeNumber {
    std::string column;
    double (*get)(const LifeIndex&);
    void (*set)(LifeIndex&, double);
};

inline const std::vector<LifeNumber>& LifeNumbers()
{
#define WEATHER_NUMBER(path, Name)                                                                                     \
    LifeNumber                                                                                                         \
    {                                                                                                                  \
        std::string(1, static_cast<char>(std::tolower(#Name[0]))) + (#Name + 1),                                       \
            [](const LifeIndex& l) { return static_cast<double>(l.path Get##Name()); },                                \
            [](LifeIndex& l, double v) { l.path Set##Name(static_cast<decltype(l.path Get##Name())>(v)); }             \
    }
#define L(Name) WEATHER_NUMBER(, Name)
#define P(Name) WEATHER_NUMBER(GetPrecipitation()->, Name)
#define W(Name) WEATHER_NUMBER(GetWind()->, Name)
    static const std::vector<LifeNumber> numbers = {L(Humidity),
                                                    L(SunsetTime),
                                                    L(SunriseTime),
                                                    L(Pm25),
                                                    L(Pm10),
                                                    L(Aqi),
                                                    L(UvIndex),
                                                    L(Visibility),
                                                    L(Pressure),
                                                    L(OutdoorExcercise),
                                                    L(Comfort),
                                                    L(Clothing),
                                                    L(Skincare),
                                                    L(Carwash),
                                                    L(Allergy),
                                                    L(AirPolution),
                                                    L(Traffic),
                                                    L(Fishing),
                                                    L(DryClothing),
                                                    L(Cosmetic),
                                                    L(FoodPoison),
                                                    L(SpoiledFood),
                                                    L(FrozenPipes),
                                                    L(Frostbite),
                                                    L(Cold),
                                                    L(Khai),
                                                    L(AirDust),
                                                    L(DrySkin),
                                                    L(HeatStroke),
                                                    L(Heat),
                                                    L(Discomfort),
                                                    L(Pollen),
                                                    P(PrecType),
                                                    P(PrecProbability),
                                                    P(PrecAmount),
                                                    P(PrecAmountSnow),
                                                    P(PrecAmountIce),
                                                    P(PrecProbabilityNight),
                                                    P(PrecAmountNight),
                                                    P(PrecAmountSnowNight),
                                                    P(PrecAmountIceNight),
                                                    P(RainProbability),
                                                    P(SnowProbability),
                                                    P(IceProbability),
                                                    P(RainProbabilityNight),
                                                    P(SnowProbabilityNight),
                                                    P(IceProbabilityNight),
                                                    W(WindDirection),
                                                    W(WindSpeed),
                                                    W(WindNightDirection),
                                                    W(WindNightSpeed),
                                                    W(WindSpeedUnit)};
#undef L
#undef P
#undef W
#undef WEATHER_NUMBER
    return numbers;
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
    const std::string n = std::to_string(seed);
    CityPtr cityPtr = City::Make();
    cityPtr->SetIsCurrentLocation(false);
    cityPtr->SetIsSummerTime(seed % 2 == 1);
    cityPtr->SetIsDayTime(seed % 3 != 0);
    cityPtr->SetWidgetReferenceCount(seed % 4);
    cityPtr->SetLocationId("loc-" + n);
    cityPtr->SetCityName("City \xec\x84\x9c " + n);
    cityPtr->SetCityNameEng("City " + n);
    cityPtr->SetCountryName("Land '" + n + "'");
    cityPtr->SetCountryNameEng("Country " + n);
    cityPtr->SetStateName("State " + n);
    cityPtr->SetStateNameEng("StateEng " + n);
    cityPtr->SetWebsiteUrl("https://example.invalid/city/" + n);
    cityPtr->SetGmtOffset(-9.5 + seed % 20);
    cityPtr->SetRefreshedTime(4000000000u - static_cast<uint32_t>(seed)); // above INT32_MAX
    cityPtr->SetLocalTime(1700000000u + static_cast<uint32_t>(seed));
    cityPtr->SetNeedToUpdate(seed % 2 == 0);

    FillWeather(*cityPtr->GetCurrent(), seed);
    cityPtr->GetCurrent()->SetWebsiteUrl("https://example.invalid/now/" + n);
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
    int value = seed * 100;
    for (const auto& number : LifeNumbers())
        number.set(life, ++value); // a value of its own in every column
    // Doubles keep all their decimals, floats are exact in binary.
    life.GetPrecipitation()->SetPrecAmount(1.0 / 3.0 + seed);
    life.SetPressure(1013.7);
    life.GetWind()->SetWindDirection(90.5f + seed);
    life.SetUvIndexText("uv " + n);
    life.SetRealfeel(MakeTemperature(-12.3 + seed % 40));
    life.GetWind()->SetWindCardinal("NE");
    life.GetWind()->SetWindNightCardinal("SW");

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

// Every stored field of a city as text, a line per record, so that a
// mismatch shows as a diff; a missing list reads differently from an empty one.
inline std::string Describe(const City& city, bool withMoon)
{
    std::ostringstream out;
    out.precision(15);
    auto temperature = [&out](const TemperaturePtr& t) {
        if (t)
            out << " " << t->GetCelsius() << "C/" << t->GetFahrenheit() << "F";
        else
            out << " none";
    };
    auto weather = [&](const char* what, const Weather& w) {
        out << what << " " << w.GetWeatherIcon() << " " << w.GetServerWeatherIcon() << " " << w.GetWeatherStatus()
            << " " << w.GetDate();
        temperature(w.GetCurTemperature());
        temperature(w.GetLowTemperature());
        temperature(w.GetHighTemperature());
    };
    out << city.GetPageIndex() << " " << city.GetIsCurrentLocation() << city.GetIsSummerTime() << city.GetIsDayTime()
        << city.GetNeedToUpdate() << " " << city.GetWidgetReferenceCount() << " " << city.GetLocationId() << "|"
        << city.GetCityName() << "|" << city.GetCityNameEng() << "|" << city.GetCountryName() << "|"
        << city.GetCountryNameEng() << "|" << city.GetStateName() << "|" << city.GetStateNameEng() << "|"
        << city.GetWebsiteUrl() << " " << city.GetGmtOffset() << " " << city.GetRefreshedTime() << " "
        << city.GetLocalTime() << "\n";
    if (city.GetCurrent()) {
        weather("current", *city.GetCurrent());
        out << " " << city.GetCurrent()->GetWebsiteUrl() << "\n";
    }
    out << (city.GetWeeklyPtrVector() ? "" : "no days\n");
    for (const auto& day : city.GetWeeklyPtrVector() ? *city.GetWeeklyPtrVector() : WeeklyPtrVector{}) {
        weather("day", *day);
        out << " " << day->GetWebsiteUrl() << " " << day->GetDayOfWeek() << "\n";
    }
    for (const auto& [what, hours] : {std::make_pair("hour", city.GetHourlyPtrVector()),
                                      std::make_pair("yesterday", city.GetYesterdayHourPtrVector())}) {
        out << (hours ? "" : std::string("no ") + what + "\n");
        for (const auto& hour : hours ? *hours : HourlyPtrVector{}) {
            weather(what, *hour);
            out << " " << hour->GetHour() << " " << hour->GetWebsiteUrl() << " " << hour->GetPrecProbability() << "\n";
        }
    }
    if (const LifeIndexPtr& life = city.GetLifeIndex()) {
        out << "life " << life->GetUvIndexText() << "|" << life->GetWind()->GetWindCardinal() << "|"
            << life->GetWind()->GetWindNightCardinal() << "|";
        temperature(life->GetRealfeel());
        for (const auto& number : LifeNumbers())
            out << " " << number.column << "=" << number.get(*life);
        out << "\n";
    } else {
        out << "no life index\n";
    }
    if (withMoon && city.GetMoonPhasePtrVector()) {
        for (const auto& moon : *city.GetMoonPhasePtrVector())
            out << "moon " << moon->GetLocationID() << " " << moon->GetDate() << " " << moon->GetMoonRiseTime() << " "
                << moon->GetMoonSetTime() << " " << moon->GetPhaseText() << " " << moon->GetAge() << "\n";
    } else if (withMoon) {
        out << "no moon\n";
    }
    return out.str();
}

// Every stored field of two cities; moon phases only when compareMoon.
inline void ExpectCityEq(const CityPtr& actual, const CityPtr& expected, bool compareMoon = true)
{
    ASSERT_TRUE(actual && expected);
    EXPECT_EQ(Describe(*actual, compareMoon), Describe(*expected, compareMoon)) << expected->GetLocationId();
}

} // namespace weather_test

#endif
