#include "typedef/Weather.h"

bool Weather::Init()
{
    Ref::Init();
    mWeatherIcon = UNSUPPORTED_VALUE;
    mServerWeatherIcon = UNSUPPORTED_VALUE;
    mWeatherStatus.clear();
    mCurTemperature = Temperature::Make();
    mLowTemperature = Temperature::Make();
    mHighTemperature = Temperature::Make();
    mDate = 0;
    return mCurTemperature && mLowTemperature && mHighTemperature;
}
