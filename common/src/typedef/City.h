#ifndef WEATHER_COMMON_CITY_H
#define WEATHER_COMMON_CITY_H

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "typedef/Current.h"
#include "typedef/Hourly.h"
#include "typedef/LifeIndex.h"
#include "typedef/MoonPhase.h"
#include "utils/Pattern.h"
#include "utils/Ref.h"
#include "typedef/Weekly.h"

// A weather city with everything known about it. locationId identifies the
// city across the system; the city that follows the device's location has
// isCurrentLocation set and an id ending in ":CurrentCity".
class City : public Ref {
public:
    DECLARE_MAKE(City)

    bool Init() override;
    ~City() override = default;

    int32_t GetPageIndex() const { return mPageIndex; }
    void SetPageIndex(int32_t value) { mPageIndex = value; }
    bool GetIsCurrentLocation() const { return mIsCurrentLocation; }
    void SetIsCurrentLocation(bool value) { mIsCurrentLocation = value; }
    bool GetIsSummerTime() const { return mIsSummerTime; }
    void SetIsSummerTime(bool value) { mIsSummerTime = value; }
    bool GetIsDayTime() const { return mIsDayTime; }
    void SetIsDayTime(bool value) { mIsDayTime = value; }
    int32_t GetWidgetReferenceCount() const { return mWidgetReferenceCount; }
    void SetWidgetReferenceCount(int32_t value) { mWidgetReferenceCount = value; }
    const std::string& GetLocationId() const { return mLocationId; }
    void SetLocationId(const std::string& value) { mLocationId = value; }
    const std::string& GetCityName() const { return mCityName; }
    void SetCityName(const std::string& value) { mCityName = value; }
    const std::string& GetCityNameEng() const { return mCityNameEng; }
    void SetCityNameEng(const std::string& value) { mCityNameEng = value; }
    const std::string& GetCountryName() const { return mCountryName; }
    void SetCountryName(const std::string& value) { mCountryName = value; }
    const std::string& GetCountryNameEng() const { return mCountryNameEng; }
    void SetCountryNameEng(const std::string& value) { mCountryNameEng = value; }
    const std::string& GetStateName() const { return mStateName; }
    void SetStateName(const std::string& value) { mStateName = value; }
    const std::string& GetStateNameEng() const { return mStateNameEng; }
    void SetStateNameEng(const std::string& value) { mStateNameEng = value; }
    const std::string& GetWebsiteUrl() const { return mWebsiteUrl; }
    void SetWebsiteUrl(const std::string& value) { mWebsiteUrl = value; }
    double GetGmtOffset() const { return mGmtOffset; }
    void SetGmtOffset(double value) { mGmtOffset = value; }
    uint32_t GetRefreshedTime() const { return mRefreshedTime; }
    void SetRefreshedTime(uint32_t value) { mRefreshedTime = value; }
    uint32_t GetLocalTime() const { return mLocalTime; }
    void SetLocalTime(uint32_t value) { mLocalTime = value; }
    CurrentPtr GetCurrent() const { return mCurrent; }
    void SetCurrent(CurrentPtr value) { mCurrent = std::move(value); }
    WeeklyPtrVectorPtr GetWeeklyPtrVector() const { return mWeeklyPtrVector; }
    void SetWeeklyPtrVector(WeeklyPtrVectorPtr value) { mWeeklyPtrVector = std::move(value); }
    HourlyPtrVectorPtr GetHourlyPtrVector() const { return mHourlyPtrVector; }
    void SetHourlyPtrVector(HourlyPtrVectorPtr value) { mHourlyPtrVector = std::move(value); }
    HourlyPtrVectorPtr GetYesterdayHourPtrVector() const { return mYesterdayHourPtrVector; }
    void SetYesterdayHourPtrVector(HourlyPtrVectorPtr value) { mYesterdayHourPtrVector = std::move(value); }
    LifeIndexPtr GetLifeIndex() const { return mLifeIndex; }
    void SetLifeIndex(LifeIndexPtr value) { mLifeIndex = std::move(value); }
    MoonPhasePtrVectorPtr GetMoonPhasePtrVector() const { return mMoonPhasePtrVector; }
    void SetMoonPhasePtrVector(MoonPhasePtrVectorPtr value) { mMoonPhasePtrVector = std::move(value); }
    bool GetNeedToUpdate() const { return mNeedToUpdate; }
    void SetNeedToUpdate(bool value) { mNeedToUpdate = value; }

    // Debug dumps to the log, one field per line.
    void PrintCityInfo() const;
    void PrintCurrentWeatherInfo() const;
    void PrintForecastWeatherInfo() const;
    void PrintHourlyWeatherInfo() const;
    void PrintLifeIndexWeatherInfo() const;

private:
    int32_t mPageIndex = -1;
    bool mIsCurrentLocation = false;
    bool mIsSummerTime = false;
    bool mIsDayTime = true;
    int32_t mWidgetReferenceCount = 0;
    std::string mLocationId;
    std::string mCityName;
    std::string mCityNameEng;
    std::string mCountryName;
    std::string mCountryNameEng;
    std::string mStateName;
    std::string mStateNameEng;
    std::string mWebsiteUrl;
    double mGmtOffset = 0.0;
    uint32_t mRefreshedTime = 0;
    uint32_t mLocalTime = 0;
    CurrentPtr mCurrent;
    WeeklyPtrVectorPtr mWeeklyPtrVector;
    HourlyPtrVectorPtr mHourlyPtrVector;
    HourlyPtrVectorPtr mYesterdayHourPtrVector;
    LifeIndexPtr mLifeIndex;
    MoonPhasePtrVectorPtr mMoonPhasePtrVector;
    bool mNeedToUpdate = true;
};

typedef std::shared_ptr<City> CityPtr;
typedef std::vector<CityPtr> CityPtrVector;
typedef std::shared_ptr<CityPtrVector> CityPtrVectorPtr;

#endif
