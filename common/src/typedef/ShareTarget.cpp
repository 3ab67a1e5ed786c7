#include "typedef/ShareTarget.h"

bool ShareTarget::Init()
{
    return Init("", "");
}

bool ShareTarget::Init(const std::string& appId, const std::string& portId)
{
    Ref::Init();
    mAppID = appId;
    mPortID = portId;
    return true;
}
