#include "typedef/LifeIndex.h"

bool LifeIndex::Init()
{
    Ref::Init();
    // uvIndexText is left as it was: only the provider ever sets it.
    mHumidity = 9999;
    mSunsetTime = 9999;
    mSunriseTime = 9999;
    mPm25 = 9999;
    mPm10 = 9999;
    mAqi = 9999;
    mUvIndex = 9999;
    mPrecipitation = Precipitation::Make();
    mRealfeel = Temperature::Make();
    mWind = Wind::Make();
    mOutdoorExcercise = 9999;
    mComfort = 9999;
    mClothing = 9999;
    mSkincare = 9999;
    mCarwash = 9999;
    mAllergy = 9999;
    mAirPolution = 9999;
    mTraffic = 9999;
    mFishing = 9999;
    mDryClothing = 9999;
    mCosmetic = 9999;
    mFoodPoison = 9999;
    mSpoiledFood = 9999;
    mFrozenPipes = 9999;
    mFrostbite = 9999;
    mCold = 9999;
    mKhai = 9999;
    mAirDust = 9999;
    mDrySkin = 9999;
    mHeatStroke = 9999;
    mHeat = 9999;
    mDiscomfort = 9999;
    mPollen = 9999;
    mVisibility = 9999.0;
    mPressure = 9999.0;
    return true;
}
