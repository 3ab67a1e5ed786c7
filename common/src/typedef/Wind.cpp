#include "typedef/Wind.h"

bool Wind::Init()
{
    Ref::Init();
    mWindDirection = FLOAT_UNSUPPORTED_VALUE;
    mWindSpeed = FLOAT_UNSUPPORTED_VALUE;
    mWindCardinal = UNSUPPORTED_TEXT;
    mWindNightDirection = FLOAT_UNSUPPORTED_VALUE;
    mWindNightSpeed = FLOAT_UNSUPPORTED_VALUE;
    mWindNightCardinal = UNSUPPORTED_TEXT;
    mWindSpeedUnit = 0;
    return true;
}
