#include "typedef/MoonPhase.h"

bool MoonPhase::Init()
{
    Ref::Init();
    mLocationID.clear();
    mDate = UNSUPPORTED_VALUE;
    mMoonRiseTime = UNSUPPORTED_VALUE;
    mMoonSetTime = UNSUPPORTED_VALUE;
    mPhaseText.clear();
    mAge = UNSUPPORTED_VALUE;
    return true;
}
