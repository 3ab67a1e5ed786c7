#include "typedef/Setting.h"

bool Setting::Init()
{
    // The fields start at the defaults of a fresh settings row (their
    // initialisers in Setting.h).
    return Ref::Init();
}
