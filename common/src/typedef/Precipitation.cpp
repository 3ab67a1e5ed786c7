#include "typedef/Precipitation.h"

bool Precipitation::Init()
{
    Ref::Init();
    mPrecType = UNSUPPORTED_VALUE;
    mPrecProbability = FLOAT_UNSUPPORTED_VALUE;
    mPrecAmount = FLOAT_UNSUPPORTED_VALUE;
    mPrecAmountSnow = FLOAT_UNSUPPORTED_VALUE;
    mPrecAmountIce = FLOAT_UNSUPPORTED_VALUE;
    mPrecProbabilityNight = FLOAT_UNSUPPORTED_VALUE;
    mPrecAmountNight = FLOAT_UNSUPPORTED_VALUE;
    mPrecAmountSnowNight = FLOAT_UNSUPPORTED_VALUE;
    mPrecAmountIceNight = FLOAT_UNSUPPORTED_VALUE;
    mRainProbability = FLOAT_UNSUPPORTED_VALUE;
    mSnowProbability = FLOAT_UNSUPPORTED_VALUE;
    mIceProbability = FLOAT_UNSUPPORTED_VALUE;
    mRainProbabilityNight = FLOAT_UNSUPPORTED_VALUE;
    mSnowProbabilityNight = FLOAT_UNSUPPORTED_VALUE;
    mIceProbabilityNight = FLOAT_UNSUPPORTED_VALUE;
    return true;
}
