#ifndef WEATHER_COMMON_VCONF_WEARABLE_UTIL_H
#define WEATHER_COMMON_VCONF_WEARABLE_UTIL_H

#include "utils/VconfUtil.h"

// A wearable paired with a host phone: answers the host keys for real.
class VconfWearableUtil : public VconfUtil {
public:
    DECLARE_MAKE(VconfWearableUtil)

    bool Init() override;
    ~VconfWearableUtil() override = default;

    std::string GetHostVendor() override;
    bool GetIsStandalone() override;
    int GetHostConnectionType() override;
    int GetHostDataNetworkStatus() override;
    bool GetIsHostConnected() override;
    void AddHostConnectedListener(vconf_callback_fn cb, void* userData) override;
    void RemoveHostConnectedListener(vconf_callback_fn cb) override;

protected:
    VconfWearableUtil() = default;
};

#endif
