#include "typedef/LifeIndex.h"

bool LifeIndex::Init()
{
    Ref::Init();
    // uvIndexText is left as it was: only the provider ever sets it.
    mHumidity = UNSUPPORTED_VALUE;
    mSunsetTime = UNSUPPORTED_VALUE;
    mSunriseTime = UNSUPPORTED_VALUE;
    mPm25 = UNSUPPORTED_VALUE;
    mPm10 = UNSUPPORTED_VALUE;
    mAqi = UNSUPPORTED_VALUE;
    mUvIndex = UNSUPPORTED_VALUE;
    mPrecipitation = Precipitation::Make();
    mRealfeel = Temperature::Make();
    mWind = Wind::Make();
    mOutdoorExcercise = UNSUPPORTED_VALUE;
    mComfort = UNSUPPORTED_VALUE;
    mClothing = UNSUPPORTED_VALUE;
    mSkincare = UNSUPPORTED_VALUE;
    mCarwash = UNSUPPORTED_VALUE;
    mAllergy = UNSUPPORTED_VALUE;
    mAirPolution = UNSUPPORTED_VALUE;
    mTraffic = UNSUPPORTED_VALUE;
    mFishing = UNSUPPORTED_VALUE;
    mDryClothing = UNSUPPORTED_VALUE;
    mCosmetic = UNSUPPORTED_VALUE;
    mFoodPoison = UNSUPPORTED_VALUE;
    mSpoiledFood = UNSUPPORTED_VALUE;
    mFrozenPipes = UNSUPPORTED_VALUE;
    mFrostbite = UNSUPPORTED_VALUE;
    mCold = UNSUPPORTED_VALUE;
    mKhai = UNSUPPORTED_VALUE;
    mAirDust = UNSUPPORTED_VALUE;
    mDrySkin = UNSUPPORTED_VALUE;
    mHeatStroke = UNSUPPORTED_VALUE;
    mHeat = UNSUPPORTED_VALUE;
    mDiscomfort = UNSUPPORTED_VALUE;
    mPollen = UNSUPPORTED_VALUE;
    mVisibility = FLOAT_UNSUPPORTED_VALUE;
    mPressure = FLOAT_UNSUPPORTED_VALUE;
    return true;
}
