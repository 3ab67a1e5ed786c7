#ifndef WEATHER_COMMON_WEATHER_DATA_H
#define WEATHER_COMMON_WEATHER_DATA_H

#include <cstdint>
#include <string>

#include "typedef/City.h"
#include "utils/Pattern.h"
#include "utils/Ref.h"

// The cities loaded from the weather database and the lookups on them.
// Changes go through to the database via WeatherDBController. The list is
// absent until LoadCity or SetCityPtrVector; every operation tests for that.
class WeatherData : public Ref {
public:
    DECLARE_MAKE(WeatherData)

    bool Init() override;
    ~WeatherData() override = default;

    // Storage.
    void InitializeDB();
    void UpgradeDB(double version);
    void LoadCity();
    void InsertCity(const CityPtr& cityPtr);
    void UpdateCity(const CityPtr& cityPtr);
    void SetCityPtrVector(const CityPtrVectorPtr& cityPtrVector);
    void DeleteAllCity();
    int GetWeatherNewsIcon(int iconNum, bool isDay);
    // Moon phases are kept apart from the other records of a city: written
    // again per city, and removed once no city has their location id.
    void UpdateMoonPhase(const CityPtr& cityPtr);
    void DeleteUselessMoonPhase();

    // City lookup.
    CityPtrVectorPtr GetCityPtrVector() const { return mCityPtrVector; }
    CityPtr GetCityPtr(int cityIndex);
    CityPtr GetCityPtr(const std::string& locationId);
    CityPtr GetCurrentCityPtr();
    bool IsCurrentLocationExist();
    bool GetIsCurrentCity(const CityPtr& cityPtr);
    CityPtrVectorPtr SelectNeedToUpdateCity();

    // Sub-records of a city.
    CurrentPtr GetCurrentPtr(const CityPtr& cityPtr);
    WeeklyPtrVectorPtr GetWeeklyPtrVector(const CityPtr& cityPtr);
    HourlyPtrVectorPtr GetHourlyPtrVector(const CityPtr& cityPtr);
    HourlyPtrVectorPtr GetYesterdayHourPtrVector(const CityPtr& cityPtr);
    // Empty when out of range.
    WeeklyPtr GetWeeklyPtr(const CityPtr& cityPtr, int weeklyIndex);
    // An index equal to the number of entries gives the first entry; a
    // larger one gives nothing.
    HourlyPtr GetHourlyPtr(const CityPtr& cityPtr, int hourlyIndex);
    HourlyPtr GetYesterdayPtr(const CityPtr& cityPtr, int hourlyIndex);

    // Temperatures: whole degrees, half up, in Celsius when isCelsius is set,
    // else Fahrenheit; 9999.0 (texts "9999") when not known. The texts use
    // the locale's digits.
    double GetTemperature(const TemperaturePtr& temperaturePtr, bool isCelsius);
    std::string GetTemperatureString(const TemperaturePtr& temperaturePtr, bool isCelsius);
    double GetCurrentTemperature(const CityPtr& cityPtr, bool isCelsius);
    double GetLowTemperature(const CityPtr& cityPtr, bool isCelsius);
    double GetHighTemperature(const CityPtr& cityPtr, bool isCelsius);
    std::string GetCurrentTemperatureString(const CityPtr& cityPtr, bool isCelsius);
    std::string GetLowTemperatureString(const CityPtr& cityPtr, bool isCelsius);
    std::string GetHighTemperatureString(const CityPtr& cityPtr, bool isCelsius);
    double GetWeeklyHighTemperature(const CityPtr& cityPtr, int weeklyIndex, bool isCelsius);
    double GetWeeklyLowTemperature(const CityPtr& cityPtr, int weeklyIndex, bool isCelsius);
    std::string GetWeeklyHighTemperatureString(const CityPtr& cityPtr, int weeklyIndex, bool isCelsius);
    std::string GetWeeklyLowTemperatureString(const CityPtr& cityPtr, int weeklyIndex, bool isCelsius);
    double GetHourlyCurrentTemperature(const CityPtr& cityPtr, int hourlyIndex, bool isCelsius);
    double GetHourlyLowTemperature(const CityPtr& cityPtr, int hourlyIndex, bool isCelsius);
    double GetHourlyHighTemperature(const CityPtr& cityPtr, int hourlyIndex, bool isCelsius);
    std::string GetHourlyCurrentTemperatureString(const CityPtr& cityPtr, int hourlyIndex, bool isCelsius);
    std::string GetHourlyLowTemperatureString(const CityPtr& cityPtr, int hourlyIndex, bool isCelsius);
    std::string GetHourlyHighTemperatureString(const CityPtr& cityPtr, int hourlyIndex, bool isCelsius);
    double GetYesterdayCurrentTemperature(const CityPtr& cityPtr, int hourlyIndex, bool isCelsius);
    std::string GetYesterdayCurrentTemperatureString(const CityPtr& cityPtr, int hourlyIndex, bool isCelsius);

    // The name to show: local or English by provider and device language.
    std::string GetCityName(const CityPtr& cityPtr);
    // The city's clock (see TimeHelper).
    unsigned int GetLocalTime(const CityPtr& cityPtr);
    std::string GetLocalTimeString(const CityPtr& cityPtr);
    std::string GetLocalTimeStringLong(const CityPtr& cityPtr);

    // Icon image names; "9999" without a record. Daily icons are always the
    // day variant; hourly ones test the entry's own hour without a zone shift.
    std::string GetWeatherIcon(const WeatherPtr& weatherPtr, bool isDay, int width, int height);
    std::string GetCurrentWeatherIcon(const CityPtr& cityPtr, int width, int height);
    std::string GetWeeklyWeatherIcon(const CityPtr& cityPtr, int weeklyIndex, int width, int height);
    std::string GetHourlyWeatherIcon(const CityPtr& cityPtr, int hourlyIndex, int width, int height);

    // Condition texts, day or night by the city's clock now.
    std::string GetCurrentWeatherStatus(const CityPtr& cityPtr);
    std::string GetCurrentWeatherStatusSimple(const CityPtr& cityPtr);
    std::string GetWeeklyWeatherStatus(const CityPtr& cityPtr, int weeklyIndex);
    std::string GetHourlyWeatherStatus(const CityPtr& cityPtr, int hourlyIndex);

    // The hourly entry that covers the city's time now (0 in retail mode).
    int GetCurrentTimeHourlyIndex(const CityPtr& cityPtr);
    // Percent, or 9999.0 / "9999".
    double GetRainProbability(const CityPtr& cityPtr);
    std::string GetRainProbabilityString(const CityPtr& cityPtr);

    // Whether the least recently refreshed city is older than the interval.
    bool GetIsWeatherInfoExpired(int hours);

    // The same queries by list position or location id.
#define WEATHER_DATA_BY_KEY(Ret, Name, ...)                                                                            \
    template <typename... Args> Ret Name(int cityIndex, Args... args)                                                  \
    {                                                                                                                  \
        return Name(GetCityPtr(cityIndex), args...);                                                                   \
    }                                                                                                                  \
    template <typename... Args> Ret Name(const std::string& locationId, Args... args)                                  \
    {                                                                                                                  \
        return Name(GetCityPtr(locationId), args...);                                                                  \
    }
    WEATHER_DATA_BY_KEY(double, GetCurrentTemperature)
    WEATHER_DATA_BY_KEY(double, GetLowTemperature)
    WEATHER_DATA_BY_KEY(double, GetHighTemperature)
    WEATHER_DATA_BY_KEY(std::string, GetCurrentTemperatureString)
    WEATHER_DATA_BY_KEY(std::string, GetLowTemperatureString)
    WEATHER_DATA_BY_KEY(std::string, GetHighTemperatureString)
    WEATHER_DATA_BY_KEY(double, GetWeeklyHighTemperature)
    WEATHER_DATA_BY_KEY(double, GetWeeklyLowTemperature)
    WEATHER_DATA_BY_KEY(std::string, GetWeeklyHighTemperatureString)
    WEATHER_DATA_BY_KEY(std::string, GetWeeklyLowTemperatureString)
    WEATHER_DATA_BY_KEY(double, GetHourlyCurrentTemperature)
    WEATHER_DATA_BY_KEY(double, GetHourlyLowTemperature)
    WEATHER_DATA_BY_KEY(double, GetHourlyHighTemperature)
    WEATHER_DATA_BY_KEY(std::string, GetHourlyCurrentTemperatureString)
    WEATHER_DATA_BY_KEY(std::string, GetHourlyLowTemperatureString)
    WEATHER_DATA_BY_KEY(std::string, GetHourlyHighTemperatureString)
    WEATHER_DATA_BY_KEY(double, GetYesterdayCurrentTemperature)
    WEATHER_DATA_BY_KEY(std::string, GetYesterdayCurrentTemperatureString)
    WEATHER_DATA_BY_KEY(std::string, GetCityName)
    WEATHER_DATA_BY_KEY(unsigned int, GetLocalTime)
    WEATHER_DATA_BY_KEY(std::string, GetLocalTimeString)
    WEATHER_DATA_BY_KEY(std::string, GetLocalTimeStringLong)
    WEATHER_DATA_BY_KEY(std::string, GetCurrentWeatherIcon)
    WEATHER_DATA_BY_KEY(std::string, GetWeeklyWeatherIcon)
    WEATHER_DATA_BY_KEY(std::string, GetHourlyWeatherIcon)
    WEATHER_DATA_BY_KEY(std::string, GetCurrentWeatherStatus)
    WEATHER_DATA_BY_KEY(std::string, GetCurrentWeatherStatusSimple)
    WEATHER_DATA_BY_KEY(std::string, GetWeeklyWeatherStatus)
    WEATHER_DATA_BY_KEY(std::string, GetHourlyWeatherStatus)
    WEATHER_DATA_BY_KEY(int, GetCurrentTimeHourlyIndex)
    WEATHER_DATA_BY_KEY(double, GetRainProbability)
    WEATHER_DATA_BY_KEY(std::string, GetRainProbabilityString)
#undef WEATHER_DATA_BY_KEY

private:
    WeatherData() = default;

    double RawRainProbability(const CityPtr& cityPtr);

    CityPtrVectorPtr mCityPtrVector;
};

#endif
