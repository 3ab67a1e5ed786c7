#ifndef WEATHER_COMMON_VCONF_UTIL_H
#define WEATHER_COMMON_VCONF_UTIL_H

#include <string>

#include <device/vconf.h>

#include "utils/Pattern.h"
#include "utils/Ref.h"

// Typed access to the system key-value store and the keys every device has.
// Device-kind features are virtual: a device without them answers with the
// neutral defaults below. Get an instance from VconfUtilFactory.
class VconfUtil : public Ref {
public:
    DECLARE_MAKE(VconfUtil)

    bool Init() override;
    ~VconfUtil() override = default;

    virtual bool GetIsRetailMode();
    virtual void AddRetailModeEnabledListener(vconf_callback_fn cb, void* userData);
    virtual void RemoveRetailModeEnabledListener(vconf_callback_fn cb);
    virtual void AddRetailModeResPathListener(vconf_callback_fn cb, void* userData);
    virtual void RemoveRetailModeResPathListener(vconf_callback_fn cb);
    virtual std::string GetHostVendor();
    virtual bool GetIsStandalone();
    virtual int GetHostConnectionType();
    virtual int GetHostDataNetworkStatus();
    virtual bool GetIsHostConnected();
    virtual void AddHostConnectedListener(vconf_callback_fn cb, void* userData);
    virtual void RemoveHostConnectedListener(vconf_callback_fn cb);

    // Read failures are logged and answered with the default.
    int GetVconfIntValue(const std::string& key, int defaultValue);
    std::string GetVconfStrValue(const std::string& key, const std::string& defaultValue);
    bool GetVconfBoolValue(const std::string& key, bool defaultValue);
    void SetVconfBoolValue(const std::string& key, bool value);
    void AddVconfEventListener(const std::string& key, vconf_callback_fn cb, void* userData);
    void RemoveVconfEventListener(const std::string& key, vconf_callback_fn cb);

    // 1 means 12-hour; callers take any other value as 24-hour.
    int GetTimeFormat();
    std::string GetCountryIso();
    std::string GetLanguage();
    std::string GetRetailModeResPath();
    bool GetIsWeatherDisplayOnLockscreen();
    void SetIsWeatherDisplayOnLockscreen(bool value);
    bool GetIsCompanionServiceConnected();
    bool GetIsNotificationBridgeConnected();
    bool GetIsIosConnected();

    void AddTimeChangedListener(vconf_callback_fn cb, void* userData);
    void RemoveTimeChangedListener(vconf_callback_fn cb);
    void AddTimeZoneListener(vconf_callback_fn cb, void* userData);
    void RemoveTimeZoneListener(vconf_callback_fn cb);
    void AddDateFormatListener(vconf_callback_fn cb, void* userData);
    void RemoveDateFormatListener(vconf_callback_fn cb);
    void AddTimeFormatListener(vconf_callback_fn cb, void* userData);
    void RemoveTimeFormatListener(vconf_callback_fn cb);

protected:
    VconfUtil() = default;
};

#endif
