#include "typedef/Weekly.h"

bool Weekly::Init()
{
    RETURN_IF(!Weather::Init(), false);
    mWebsiteUrl.clear();
    mDayOfWeek = 0;
    return true;
}
