#include "parser/RestoreMessageParser.h"

#include "utils/StringHelper.h"

bool RestoreMessageParser::Init(const char* data, int dataLen)
{
    Ref::Init();
    mJsonUtilPtr = JsonUtil::Make(data, dataLen);
    return true;
}

int32_t RestoreMessageParser::ReadInt(const char* key)
{
    if (!mJsonUtilPtr)
        return 0;
    return StringHelper::GetInstance()->StringToInt(mJsonUtilPtr->GetValueFromObject(key));
}

int32_t RestoreMessageParser::GetTempUnit()
{
    return ReadInt("tempUnit");
}

int32_t RestoreMessageParser::GetAutoRefreshTimeInterval()
{
    return ReadInt("autoRefreshTimeInterval");
}

bool RestoreMessageParser::GetUseCurrentLocationAgreed()
{
    return ReadInt("useCurrentLocationAgreed") != 0;
}

bool RestoreMessageParser::GetUseNotification()
{
    return ReadInt("useNotification") != 0;
}
