#include "typedef/Hourly.h"

bool Hourly::Init()
{
    RETURN_IF(!Weather::Init(), false);
    mHour = UNSUPPORTED_VALUE;
    mWebsiteUrl.clear();
    mPrecProbability = 0.0;
    return true;
}
