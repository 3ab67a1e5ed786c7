#include "typedef/Wind.h"

bool Wind::Init()
{
    Ref::Init();
    mWindDirection = 9999.0f;
    mWindSpeed = 9999.0f;
    mWindCardinal = "9999";
    mWindNightDirection = 9999.0f;
    mWindNightSpeed = 9999.0f;
    mWindNightCardinal = "9999";
    mWindSpeedUnit = 0;
    return true;
}
