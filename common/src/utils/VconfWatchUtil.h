#ifndef WEATHER_COMMON_VCONF_WATCH_UTIL_H
#define WEATHER_COMMON_VCONF_WATCH_UTIL_H

#include "utils/VconfWearableUtil.h"

// The watch: a paired wearable that also has the retail (demonstration) mode.
class VconfWatchUtil : public VconfWearableUtil {
public:
    DECLARE_MAKE(VconfWatchUtil)

    bool Init() override;
    ~VconfWatchUtil() override = default;

    bool GetIsRetailMode() override;
    void AddRetailModeEnabledListener(vconf_callback_fn cb, void* userData) override;
    void RemoveRetailModeEnabledListener(vconf_callback_fn cb) override;
    void AddRetailModeResPathListener(vconf_callback_fn cb, void* userData) override;
    void RemoveRetailModeResPathListener(vconf_callback_fn cb) override;

protected:
    VconfWatchUtil() = default;
};

#endif
