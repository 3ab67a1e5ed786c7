#ifndef WEATHER_COMMON_LIFE_INDEX_H
#define WEATHER_COMMON_LIFE_INDEX_H

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "utils/Pattern.h"
#include "typedef/Precipitation.h"
#include "utils/Ref.h"
#include "typedef/Temperature.h"
#include "typedef/Wind.h"
#include "typedef/WeatherDataMarkers.h"

// A city's extra weather details (sun times, air quality, precipitation,
// wind, ...) and its life indexes; one per city.
class LifeIndex : public Ref {
public:
    DECLARE_MAKE(LifeIndex)

    bool Init() override;
    ~LifeIndex() override = default;

    int32_t GetHumidity() const { return mHumidity; }
    void SetHumidity(int32_t value) { mHumidity = value; }
    uint32_t GetSunsetTime() const { return mSunsetTime; }
    void SetSunsetTime(uint32_t value) { mSunsetTime = value; }
    uint32_t GetSunriseTime() const { return mSunriseTime; }
    void SetSunriseTime(uint32_t value) { mSunriseTime = value; }
    int32_t GetPm25() const { return mPm25; }
    void SetPm25(int32_t value) { mPm25 = value; }
    int32_t GetPm10() const { return mPm10; }
    void SetPm10(int32_t value) { mPm10 = value; }
    int32_t GetAqi() const { return mAqi; }
    void SetAqi(int32_t value) { mAqi = value; }
    int32_t GetUvIndex() const { return mUvIndex; }
    void SetUvIndex(int32_t value) { mUvIndex = value; }
    const std::string& GetUvIndexText() const { return mUvIndexText; }
    void SetUvIndexText(const std::string& value) { mUvIndexText = value; }
    PrecipitationPtr GetPrecipitation() const { return mPrecipitation; }
    void SetPrecipitation(PrecipitationPtr value) { mPrecipitation = std::move(value); }
    TemperaturePtr GetRealfeel() const { return mRealfeel; }
    void SetRealfeel(TemperaturePtr value) { mRealfeel = std::move(value); }
    WindPtr GetWind() const { return mWind; }
    void SetWind(WindPtr value) { mWind = std::move(value); }
    int32_t GetOutdoorExcercise() const { return mOutdoorExcercise; }
    void SetOutdoorExcercise(int32_t value) { mOutdoorExcercise = value; }
    int32_t GetComfort() const { return mComfort; }
    void SetComfort(int32_t value) { mComfort = value; }
    int32_t GetClothing() const { return mClothing; }
    void SetClothing(int32_t value) { mClothing = value; }
    int32_t GetSkincare() const { return mSkincare; }
    void SetSkincare(int32_t value) { mSkincare = value; }
    int32_t GetCarwash() const { return mCarwash; }
    void SetCarwash(int32_t value) { mCarwash = value; }
    int32_t GetAllergy() const { return mAllergy; }
    void SetAllergy(int32_t value) { mAllergy = value; }
    int32_t GetAirPolution() const { return mAirPolution; }
    void SetAirPolution(int32_t value) { mAirPolution = value; }
    int32_t GetTraffic() const { return mTraffic; }
    void SetTraffic(int32_t value) { mTraffic = value; }
    int32_t GetFishing() const { return mFishing; }
    void SetFishing(int32_t value) { mFishing = value; }
    int32_t GetDryClothing() const { return mDryClothing; }
    void SetDryClothing(int32_t value) { mDryClothing = value; }
    int32_t GetCosmetic() const { return mCosmetic; }
    void SetCosmetic(int32_t value) { mCosmetic = value; }
    int32_t GetFoodPoison() const { return mFoodPoison; }
    void SetFoodPoison(int32_t value) { mFoodPoison = value; }
    int32_t GetSpoiledFood() const { return mSpoiledFood; }
    void SetSpoiledFood(int32_t value) { mSpoiledFood = value; }
    int32_t GetFrozenPipes() const { return mFrozenPipes; }
    void SetFrozenPipes(int32_t value) { mFrozenPipes = value; }
    int32_t GetFrostbite() const { return mFrostbite; }
    void SetFrostbite(int32_t value) { mFrostbite = value; }
    int32_t GetCold() const { return mCold; }
    void SetCold(int32_t value) { mCold = value; }
    int32_t GetKhai() const { return mKhai; }
    void SetKhai(int32_t value) { mKhai = value; }
    int32_t GetAirDust() const { return mAirDust; }
    void SetAirDust(int32_t value) { mAirDust = value; }
    int32_t GetDrySkin() const { return mDrySkin; }
    void SetDrySkin(int32_t value) { mDrySkin = value; }
    int32_t GetHeatStroke() const { return mHeatStroke; }
    void SetHeatStroke(int32_t value) { mHeatStroke = value; }
    int32_t GetHeat() const { return mHeat; }
    void SetHeat(int32_t value) { mHeat = value; }
    int32_t GetDiscomfort() const { return mDiscomfort; }
    void SetDiscomfort(int32_t value) { mDiscomfort = value; }
    int32_t GetPollen() const { return mPollen; }
    void SetPollen(int32_t value) { mPollen = value; }
    double GetVisibility() const { return mVisibility; }
    void SetVisibility(double value) { mVisibility = value; }
    double GetPressure() const { return mPressure; }
    void SetPressure(double value) { mPressure = value; }

private:
    int32_t mHumidity = UNSUPPORTED_VALUE;
    uint32_t mSunsetTime = UNSUPPORTED_VALUE;
    uint32_t mSunriseTime = UNSUPPORTED_VALUE;
    int32_t mPm25 = UNSUPPORTED_VALUE;
    int32_t mPm10 = UNSUPPORTED_VALUE;
    int32_t mAqi = UNSUPPORTED_VALUE;
    int32_t mUvIndex = UNSUPPORTED_VALUE;
    std::string mUvIndexText;
    PrecipitationPtr mPrecipitation;
    TemperaturePtr mRealfeel;
    WindPtr mWind;
    int32_t mOutdoorExcercise = UNSUPPORTED_VALUE;
    int32_t mComfort = UNSUPPORTED_VALUE;
    int32_t mClothing = UNSUPPORTED_VALUE;
    int32_t mSkincare = UNSUPPORTED_VALUE;
    int32_t mCarwash = UNSUPPORTED_VALUE;
    int32_t mAllergy = UNSUPPORTED_VALUE;
    int32_t mAirPolution = UNSUPPORTED_VALUE;
    int32_t mTraffic = UNSUPPORTED_VALUE;
    int32_t mFishing = UNSUPPORTED_VALUE;
    int32_t mDryClothing = UNSUPPORTED_VALUE;
    int32_t mCosmetic = UNSUPPORTED_VALUE;
    int32_t mFoodPoison = UNSUPPORTED_VALUE;
    int32_t mSpoiledFood = UNSUPPORTED_VALUE;
    int32_t mFrozenPipes = UNSUPPORTED_VALUE;
    int32_t mFrostbite = UNSUPPORTED_VALUE;
    int32_t mCold = UNSUPPORTED_VALUE;
    int32_t mKhai = UNSUPPORTED_VALUE;
    int32_t mAirDust = UNSUPPORTED_VALUE;
    int32_t mDrySkin = UNSUPPORTED_VALUE;
    int32_t mHeatStroke = UNSUPPORTED_VALUE;
    int32_t mHeat = UNSUPPORTED_VALUE;
    int32_t mDiscomfort = UNSUPPORTED_VALUE;
    int32_t mPollen = UNSUPPORTED_VALUE;
    double mVisibility = FLOAT_UNSUPPORTED_VALUE;
    double mPressure = FLOAT_UNSUPPORTED_VALUE;
};

typedef std::shared_ptr<LifeIndex> LifeIndexPtr;

#endif
