// The debug dumps of a city: one line per field, temperatures rounded to one
// decimal (half up), missing entries skipped and missing temperatures as 0.0.

#include <gtest/gtest.h>

#include <string>

#include "DeviceFixture.h"
#include "typedef/City.h"

namespace {

TemperaturePtr Celsius(double celsius)
{
    TemperaturePtr temperature = Temperature::Make();
    temperature->SetCelsius(celsius);
    return temperature;
}

TEST(CityDump, EachDumpLogsItsFields)
{
    CityPtr city = City::Make();
    city->SetCityName("Kelvar");
    city->SetCityNameEng("Kelvar E");
    city->SetCountryName("Ostland");
    city->SetLocationId("K-1");
    city->SetPageIndex(3);
    city->SetIsCurrentLocation(true);
    city->SetIsDayTime(false);
    city->SetIsSummerTime(true);
    city->SetGmtOffset(5.5);
    city->SetRefreshedTime(4000000000u);
    city->SetLocalTime(1700000000u);
    city->SetNeedToUpdate(false);

    CurrentPtr current = city->GetCurrent();
    current->SetWeatherIcon(12);
    current->SetWeatherStatus("Fog");
    current->SetCurTemperature(Celsius(12.25));
    current->SetLowTemperature(Celsius(-3.45));
    current->SetHighTemperature(nullptr);
    current->SetDate(1700000100u);

    for (int i = 0; i < 2; ++i) {
        WeeklyPtr day = Weekly::Make();
        day->SetDate(1700000000u + 86400u * i);
        day->SetWeatherIcon(20 + i);
        day->SetLowTemperature(Celsius(1.04 + i));
        day->SetHighTemperature(Celsius(9.96 + i));
        city->GetWeeklyPtrVector()->push_back(day);
        city->GetWeeklyPtrVector()->push_back(nullptr);
        HourlyPtr hour = Hourly::Make();
        hour->SetHour(13u + i);
        hour->SetWeatherIcon(30 + i);
        hour->SetCurTemperature(Celsius(-0.06 - i));
        city->GetHourlyPtrVector()->push_back(hour);
    }
    LifeIndexPtr life = city->GetLifeIndex();
    life->SetHumidity(61);
    life->SetSunriseTime(1700020000u);
    life->SetSunsetTime(1700060000u);
    life->SetPm25(25);
    life->SetPm10(41);
    life->SetAqi(77);
    life->SetUvIndex(6);
    life->GetRealfeel()->SetCelsius(18.349);

    LogCapture log;
    city->PrintCityInfo();
    city->PrintCurrentWeatherInfo();
    city->PrintForecastWeatherInfo();
    city->PrintHourlyWeatherInfo();
    city->PrintLifeIndexWeatherInfo();
    const char* lines[] = {
        "CityName : Kelvar", "CityNameEng : Kelvar E", "CountryName : Ostland", "LocationId : K-1", "PageIndex : 3",
        "IsCurrentLocation : 1", "IsDayTime : 0", "IsSummerTime : 1", "GmtOffset : 5.500000",
        "RefreshedTime : 4000000000", "LocalTime : 1700000000", "NeedToUpdate : 0",
        // current
        "WeatherIcon : 12", "WeatherStatus : Fog", "CurTemperature : 12.3", "LowTemperature : -3.4",
        "HighTemperature : 0.0", "Date : 1700000100",
        // daily, with the empty entries skipped but counted
        "Day[0]\t: 1700000000", "Icon[0]\t: 20", "Low[0]\t: 1.0", "High[0]\t: 10.0", "Day[2]\t: 1700086400",
        "Icon[2]\t: 21", "Low[2]\t: 2.0", "High[2]\t: 11.0",
        // hourly
        "Hour[0]\t: 13", "Icon[0]\t: 30", "Temp[0]\t: -0.1", "Hour[1]\t: 14", "Icon[1]\t: 31", "Temp[1]\t: -1.1",
        // life index
        "Humidity : 61", "SunriseTime : 1700020000", "SunsetTime : 1700060000", "Pm25 : 25", "Pm10 : 41", "Aqi : 77",
        "UvIndex : 6", "Realfeel : 18.3"};
    for (const char* line : lines)
        EXPECT_EQ(log.Count(std::string("\033[0;40;31m") + line + "\033[0;m"), 1u) << line;
    EXPECT_FALSE(log.Contains("Day[1]"));

    // Without records the dumps log nothing.
    city->SetCurrent(nullptr);
    city->SetWeeklyPtrVector(nullptr);
    city->SetHourlyPtrVector(nullptr);
    city->SetLifeIndex(nullptr);
    log.Clear();
    city->PrintCurrentWeatherInfo();
    city->PrintForecastWeatherInfo();
    city->PrintHourlyWeatherInfo();
    city->PrintLifeIndexWeatherInfo();
    EXPECT_TRUE(log.Messages().empty());
}

} // namespace
