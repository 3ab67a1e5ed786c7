#include "typedef/Weather.h"

bool Weather::Init()
{
    Ref::Init();
    mWeatherIcon = 9999;
    mServerWeatherIcon = 9999;
    mWeatherStatus.clear();
    mCurTemperature = Temperature::Make();
    mLowTemperature = Temperature::Make();
    mHighTemperature = Temperature::Make();
    mDate = 0;
    return mCurTemperature && mLowTemperature && mHighTemperature;
}
