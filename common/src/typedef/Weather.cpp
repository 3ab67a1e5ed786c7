#include "typedef/Weather.h"

bool Weather::Init()
{
    Ref::Init();
    mWeatherIcon = UNSUPPORTED_VALUE;
    mServerWeatherIcon = UNSUPPORTED_VALUE;
    mWeatherStatus.clear();
    Temperature::MakeThree(mCurTemperature, mLowTemperature, mHighTemperature);
    mDate = 0;
    return mCurTemperature && mLowTemperature && mHighTemperature;
}
