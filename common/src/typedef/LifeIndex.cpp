#include "typedef/LifeIndex.h"

bool LifeIndex::Init()
{
    Ref::Init();
    // The values start as the unsupported marker (their initialisers); the
    // parts are made here. uvIndexText is only ever set by the provider.
    mPrecipitation = Precipitation::Make();
    mRealfeel = Temperature::Make();
    mWind = Wind::Make();
    return true;
}
