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

int32_t RestoreMessageParser::Read(const BackedUpSetting& setting)
{
    const int32_t value = ReadInt(setting.key);
    if (setting.type == BackupValueType::Boolean)
        return value != 0;
    return value;
}

int32_t RestoreMessageParser::GetTempUnit()
{
    return Read(kTempUnitSetting);
}

int32_t RestoreMessageParser::GetAutoRefreshTimeInterval()
{
    return Read(kAutoRefreshSetting);
}

bool RestoreMessageParser::GetUseCurrentLocationAgreed()
{
    return Read(kCurrentLocationAgreedSetting) != 0;
}

bool RestoreMessageParser::GetUseNotification()
{
    return Read(kNotificationSetting) != 0;
}
