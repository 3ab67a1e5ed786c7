#include "typedef/LifeIndexData.h"

bool LifeIndexData::Init()
{
    return Ref::Init();
}
