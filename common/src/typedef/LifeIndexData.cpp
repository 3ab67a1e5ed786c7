#include "LifeIndexData.h"

bool LifeIndexData::Init()
{
    return Ref::Init();
}
