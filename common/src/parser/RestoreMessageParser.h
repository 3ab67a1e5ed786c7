#ifndef WEATHER_COMMON_RESTORE_MESSAGE_PARSER_H
#define WEATHER_COMMON_RESTORE_MESSAGE_PARSER_H

#include <cstdint>
#include <memory>
#include <string>

#include "json/JsonUtil.h"
#include "typedef/BackedUpSettings.h"
#include "utils/Pattern.h"
#include "utils/Ref.h"

// Reads the backed-up settings (typedef/BackedUpSettings.h) out of one backup
// record value. Validates nothing:
// whatever cannot be read is 0 or false.
class RestoreMessageParser : public Ref {
public:
    DECLARE_MAKE(RestoreMessageParser)

    using Ref::Init;
    ~RestoreMessageParser() override = default;
    virtual bool Init(const char* data, int dataLen);

    int32_t GetTempUnit();
    int32_t GetAutoRefreshTimeInterval();
    bool GetUseCurrentLocationAgreed();
    bool GetUseNotification();
    // The value of one backed-up setting; a boolean reads as 0 or 1.
    int32_t Read(const BackedUpSetting& setting);

private:
    RestoreMessageParser() = default;

    int32_t ReadInt(const char* key);

    std::shared_ptr<JsonUtil> mJsonUtilPtr;
};

#endif
