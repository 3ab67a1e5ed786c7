#include "typedef/Current.h"

bool Current::Init()
{
    RETURN_IF(!Weather::Init(), false);
    mWebsiteUrl.clear();
    return true;
}
