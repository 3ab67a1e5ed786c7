#ifndef WEATHER_COMMON_SHARE_TARGET_H
#define WEATHER_COMMON_SHARE_TARGET_H

#include <string>

#include "utils/Pattern.h"
#include "utils/Ref.h"

// An application and the message port through which it receives weather data.
class ShareTarget : public Ref {
public:
    DECLARE_MAKE(ShareTarget)

    bool Init() override;
    ~ShareTarget() override = default;
    virtual bool Init(const std::string& appId, const std::string& portId);

    const std::string& GetAppID() const { return mAppID; }
    void SetAppID(const std::string& appId) { mAppID = appId; }
    const std::string& GetPortID() const { return mPortID; }
    void SetPortID(const std::string& portId) { mPortID = portId; }

private:
    ShareTarget() = default;

    std::string mAppID;
    std::string mPortID;
};

#endif
