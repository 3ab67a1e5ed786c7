#include "typedef/Hourly.h"

bool Hourly::Init()
{
    RETURN_IF(!Weather::Init(), false);
    mHour = 9999;
    mWebsiteUrl.clear();
    mPrecProbability = 0.0;
    return true;
}
