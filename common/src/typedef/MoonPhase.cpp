#include "typedef/MoonPhase.h"

bool MoonPhase::Init()
{
    Ref::Init();
    mLocationID.clear();
    mDate = 9999;
    mMoonRiseTime = 9999;
    mMoonSetTime = 9999;
    mPhaseText.clear();
    mAge = 9999;
    return true;
}
