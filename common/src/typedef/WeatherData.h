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

private:
    WeatherData() = default;

    CityPtrVectorPtr mCityPtrVector;
};

#endif
