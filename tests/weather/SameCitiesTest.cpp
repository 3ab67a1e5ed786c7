// weatherctl import reads the cities back before it commits and keeps them
// only when they are the ones of the file: what that comparison lets pass as
// the same and what it must refuse.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "CityFile.h"
#include "typedef/Hourly.h"
#include "typedef/Temperature.h"

namespace {

constexpr const char* kTwoCities = R"({"cities": [
  {"locationId": "ALBA", "cityName": "Alba", "gmtOffset": 5.5, "isSummerTime": false,
   "current": {"weatherIcon": 3, "curTemperature": 0.0},
   "daily": [{"date": 1773489600, "weatherIcon": 4}],
   "hourly": [{"hour": 1773489600, "weatherIcon": 1, "precProbability": 0.0},
              {"hour": 1773493200, "weatherIcon": 2, "weatherStatus": "rain"}],
   "lifeIndex": {"uvIndexText": "low", "visibility": 10.0}},
  {"locationId": "BRAN", "cityName": "Bran", "gmtOffset": -3.5,
   "hourly": [{"hour": 1773489600, "weatherIcon": 7}]}
]})";

CityPtrVector Read()
{
    CityPtrVector cities;
    std::string error;
    EXPECT_TRUE(weatherctl::ReadCityFile(kTwoCities, cities, error)) << error;
    return cities;
}

HourlyPtr Hour(const CityPtrVector& cities, size_t city, size_t hour)
{
    return cities.at(city)->GetHourlyPtrVector()->at(hour);
}

TEST(SameCities, WhatPassesAsTheSameAndWhatDoesNot)
{
    const struct {
        const char* what;
        std::function<void(CityPtrVector&)> change; // applied to what was stored
        bool same;
    } cases[] = {
        {"nothing changed", [](CityPtrVector&) {}, true},
        // The writer skips empty entries, so the comparison does too.
        {"empty city entries",
         [](CityPtrVector& c) {
             c.insert(c.begin() + 1, nullptr);
             c.push_back(nullptr);
         },
         true},
        {"an empty hourly entry",
         [](CityPtrVector& c) {
             auto& hours = *c[0]->GetHourlyPtrVector();
             hours.insert(hours.begin(), nullptr);
         },
         true},
        {"no daily list for an empty one", [](CityPtrVector& c) { c[1]->SetWeeklyPtrVector(nullptr); }, true},
        {"minus zero for zero",
         [](CityPtrVector& c) {
             Hour(c, 0, 0)->SetPrecProbability(-0.0);
             c[0]->GetCurrent()->GetCurTemperature()->SetTemperature(-0.0);
         },
         true},
        {"a city fewer", [](CityPtrVector& c) { c.pop_back(); }, false},
        {"no city at all", [](CityPtrVector& c) { c.clear(); }, false},
        {"the cities swapped", [](CityPtrVector& c) { std::swap(c[0], c[1]); }, false},
        {"another name", [](CityPtrVector& c) { c[0]->SetCityName("Alba "); }, false},
        {"another offset", [](CityPtrVector& c) { c[1]->SetGmtOffset(-3.25); }, false},
        {"summer time", [](CityPtrVector& c) { c[0]->SetIsSummerTime(true); }, false},
        {"no current record", [](CityPtrVector& c) { c[0]->SetCurrent(nullptr); }, false},
        {"no life index", [](CityPtrVector& c) { c[0]->SetLifeIndex(nullptr); }, false},
        {"another hour", [](CityPtrVector& c) { Hour(c, 0, 1)->SetHour(1773496800); }, false},
        {"another hourly icon", [](CityPtrVector& c) { Hour(c, 1, 0)->SetWeatherIcon(8); }, false},
        {"another hourly status", [](CityPtrVector& c) { Hour(c, 0, 1)->SetWeatherStatus("Rain"); }, false},
        {"a tenth of a degree", [](CityPtrVector& c) { c[0]->GetCurrent()->GetCurTemperature()->SetTemperature(0.1); },
         false},
        {"an hour lost", [](CityPtrVector& c) { c[0]->GetHourlyPtrVector()->pop_back(); }, false},
        {"an hour more", [](CityPtrVector& c) { c[1]->GetHourlyPtrVector()->push_back(Hourly::Make()); }, false},
        {"an empty entry in place of an hour", [](CityPtrVector& c) { c[1]->GetHourlyPtrVector()->at(0) = nullptr; },
         false},
        {"the hours swapped",
         [](CityPtrVector& c) {
             auto& hours = *c[0]->GetHourlyPtrVector();
             std::swap(hours[0], hours[1]);
         },
         false},
        {"another visibility", [](CityPtrVector& c) { c[0]->GetLifeIndex()->SetVisibility(9.5); }, false},
    };
    // The second city's daily list is read as an empty list, not left out.
    const CityPtrVector read = Read();
    ASSERT_TRUE(read.at(1)->GetWeeklyPtrVector() && read.at(1)->GetWeeklyPtrVector()->empty());
    for (const auto& c : cases) {
        const CityPtrVector expected = Read();
        CityPtrVector stored = Read();
        ASSERT_EQ(stored.size(), 2u);
        c.change(stored);
        EXPECT_EQ(weatherctl::SameCities(expected, stored), c.same) << c.what;
        EXPECT_EQ(weatherctl::SameCities(stored, expected), c.same) << c.what << " (the other way round)";
    }
}

} // namespace
