#include "typedef/Precipitation.h"

bool Precipitation::Init()
{
    Ref::Init();
    mPrecType = 9999;
    mPrecProbability = 9999.0;
    mPrecAmount = 9999.0;
    mPrecAmountSnow = 9999.0;
    mPrecAmountIce = 9999.0;
    mPrecProbabilityNight = 9999.0;
    mPrecAmountNight = 9999.0;
    mPrecAmountSnowNight = 9999.0;
    mPrecAmountIceNight = 9999.0;
    mRainProbability = 9999.0;
    mSnowProbability = 9999.0;
    mIceProbability = 9999.0;
    mRainProbabilityNight = 9999.0;
    mSnowProbabilityNight = 9999.0;
    mIceProbabilityNight = 9999.0;
    return true;
}
