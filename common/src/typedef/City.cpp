#include "typedef/City.h"

#include <cmath>

namespace {

double Rounded(const TemperaturePtr& temperaturePtr)
{
    return temperaturePtr ? std::floor(temperaturePtr->GetCelsius() * 10.0 + 0.5) / 10.0 : 0.0;
}

} // namespace

bool City::Init()
{
    Ref::Init();
    // countryNameEng, stateName and stateNameEng keep their value: they are
    // filled once when the city is added and never reset with the forecast.
    mPageIndex = -1;
    mIsCurrentLocation = false;
    mIsSummerTime = false;
    mIsDayTime = true;
    mWidgetReferenceCount = 0;
    mLocationId.clear();
    mCityName.clear();
    mCityNameEng.clear();
    mCountryName.clear();
    mWebsiteUrl.clear();
    mGmtOffset = 0.0;
    mRefreshedTime = 0;
    mLocalTime = 0;
    mCurrent = Current::Make();
    mWeeklyPtrVector = std::make_shared<WeeklyPtrVector>();
    mHourlyPtrVector = std::make_shared<HourlyPtrVector>();
    mYesterdayHourPtrVector = std::make_shared<HourlyPtrVector>();
    mLifeIndex = LifeIndex::Make();
    mMoonPhasePtrVector = std::make_shared<MoonPhasePtrVector>();
    mNeedToUpdate = true;
    return mCurrent && mLifeIndex;
}

void City::PrintCityInfo() const
{
    LOGE("CityName : %s", mCityName.c_str());
    LOGE("CityNameEng : %s", mCityNameEng.c_str());
    LOGE("CountryName : %s", mCountryName.c_str());
    LOGE("LocationId : %s", mLocationId.c_str());
    LOGE("PageIndex : %d", mPageIndex);
    LOGE("IsCurrentLocation : %d", mIsCurrentLocation);
    LOGE("IsDayTime : %d", mIsDayTime);
    LOGE("IsSummerTime : %d", mIsSummerTime);
    LOGE("GmtOffset : %f", mGmtOffset);
    LOGE("RefreshedTime : %u", mRefreshedTime);
    LOGE("LocalTime : %u", mLocalTime);
    LOGE("NeedToUpdate : %d", mNeedToUpdate);
}

void City::PrintCurrentWeatherInfo() const
{
    if (!mCurrent)
        return;
    LOGE("WeatherIcon : %d", mCurrent->GetWeatherIcon());
    LOGE("WeatherStatus : %s", mCurrent->GetWeatherStatus().c_str());
    LOGE("CurTemperature : %.1f", Rounded(mCurrent->GetCurTemperature()));
    LOGE("LowTemperature : %.1f", Rounded(mCurrent->GetLowTemperature()));
    LOGE("HighTemperature : %.1f", Rounded(mCurrent->GetHighTemperature()));
    LOGE("Date : %u", mCurrent->GetDate());
}

void City::PrintForecastWeatherInfo() const
{
    if (!mWeeklyPtrVector)
        return;
    for (size_t i = 0; i < mWeeklyPtrVector->size(); i++) {
        const WeeklyPtr& weeklyPtr = (*mWeeklyPtrVector)[i];
        if (!weeklyPtr)
            continue;
        LOGE("Day[%d]\t: %u", (int)i, weeklyPtr->GetDate());
        LOGE("Icon[%d]\t: %d", (int)i, weeklyPtr->GetWeatherIcon());
        LOGE("Low[%d]\t: %.1f", (int)i, Rounded(weeklyPtr->GetLowTemperature()));
        LOGE("High[%d]\t: %.1f", (int)i, Rounded(weeklyPtr->GetHighTemperature()));
    }
}

void City::PrintHourlyWeatherInfo() const
{
    if (!mHourlyPtrVector)
        return;
    for (size_t i = 0; i < mHourlyPtrVector->size(); i++) {
        const HourlyPtr& hourlyPtr = (*mHourlyPtrVector)[i];
        if (!hourlyPtr)
            continue;
        LOGE("Hour[%d]\t: %d", (int)i, (int)hourlyPtr->GetHour());
        LOGE("Icon[%d]\t: %d", (int)i, hourlyPtr->GetWeatherIcon());
        LOGE("Temp[%d]\t: %.1f", (int)i, Rounded(hourlyPtr->GetCurTemperature()));
    }
}

void City::PrintLifeIndexWeatherInfo() const
{
    if (!mLifeIndex)
        return;
    LOGE("Humidity : %d", mLifeIndex->GetHumidity());
    LOGE("SunriseTime : %u", mLifeIndex->GetSunriseTime());
    LOGE("SunsetTime : %u", mLifeIndex->GetSunsetTime());
    LOGE("Pm25 : %d", mLifeIndex->GetPm25());
    LOGE("Pm10 : %d", mLifeIndex->GetPm10());
    LOGE("Aqi : %d", mLifeIndex->GetAqi());
    LOGE("UvIndex : %d", mLifeIndex->GetUvIndex());
    LOGE("Realfeel : %.1f", Rounded(mLifeIndex->GetRealfeel()));
}
