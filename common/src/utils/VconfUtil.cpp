#include "utils/VconfUtil.h"

#include <glib.h>

#include <device/system_keys.h>

bool VconfUtil::Init()
{
    return Ref::Init();
}

// Neutral answers of a device kind without a host phone or retail mode.
bool VconfUtil::GetIsRetailMode()
{
    return false;
}

void VconfUtil::AddRetailModeEnabledListener(vconf_callback_fn, void*) {}

void VconfUtil::RemoveRetailModeEnabledListener(vconf_callback_fn) {}

void VconfUtil::AddRetailModeResPathListener(vconf_callback_fn, void*) {}

void VconfUtil::RemoveRetailModeResPathListener(vconf_callback_fn) {}

std::string VconfUtil::GetHostVendor()
{
    return "Velurio";
}

bool VconfUtil::GetIsStandalone()
{
    return false;
}

int VconfUtil::GetHostConnectionType()
{
    return -1;
}

int VconfUtil::GetHostDataNetworkStatus()
{
    return -1;
}

bool VconfUtil::GetIsHostConnected()
{
    return false;
}

void VconfUtil::AddHostConnectedListener(vconf_callback_fn, void*) {}

void VconfUtil::RemoveHostConnectedListener(vconf_callback_fn) {}

int VconfUtil::GetVconfIntValue(const std::string& key, int defaultValue)
{
    int value = defaultValue;
    int ret = vconf_get_int(key.c_str(), &value);
    if (ret != VCONF_OK) {
        LOGE("Failed vconf_get_int [ret : %d, key : %s, value : %d]", ret, key.c_str(), defaultValue);
        return defaultValue;
    }
    return value;
}

std::string VconfUtil::GetVconfStrValue(const std::string& key, const std::string& defaultValue)
{
    g_autofree char* ret = vconf_get_str(key.c_str());
    if (ret == NULL) {
        LOGE("Failed vconf_get_str [ret : %s, key : %s, value : %s]", "(null)", key.c_str(), defaultValue.c_str());
        return defaultValue;
    }
    return ret;
}

bool VconfUtil::GetVconfBoolValue(const std::string& key, bool defaultValue)
{
    int value = defaultValue ? 1 : 0;
    int ret = vconf_get_bool(key.c_str(), &value);
    if (ret != VCONF_OK) {
        LOGE("Failed vconf_get_bool [ret : %d, key : %s, value : %d]", ret, key.c_str(), defaultValue ? 1 : 0);
        return defaultValue;
    }
    return value != 0;
}

void VconfUtil::SetVconfBoolValue(const std::string& key, bool value)
{
    int ret = vconf_set_bool(key.c_str(), value ? 1 : 0);
    if (ret != VCONF_OK)
        LOGE("Failed vconf_set_bool [ret : %d]", ret);
}

void VconfUtil::AddVconfEventListener(const std::string& key, vconf_callback_fn cb, void* userData)
{
    int ret = vconf_notify_key_changed(key.c_str(), cb, userData);
    if (ret != VCONF_OK)
        LOGE("Failed vconf_notify_key_changed [key : %s, ret : %d]", key.c_str(), ret);
}

void VconfUtil::RemoveVconfEventListener(const std::string& key, vconf_callback_fn cb)
{
    int ret = vconf_ignore_key_changed(key.c_str(), cb);
    if (ret != VCONF_OK)
        LOGE("Failed vconf_ignore_key_changed [key : %s, ret : %d]", key.c_str(), ret);
}

int VconfUtil::GetTimeFormat()
{
    return GetVconfIntValue(SYSKEY_TIME_FORMAT_1224, 1);
}

std::string VconfUtil::GetCountryIso()
{
    return GetVconfStrValue(SYSKEY_COUNTRY_ISO, "");
}

std::string VconfUtil::GetLanguage()
{
    return GetVconfStrValue(SYSKEY_LANGUAGE, "");
}

std::string VconfUtil::GetRetailModeResPath()
{
    return GetVconfStrValue(SYSKEY_RETAIL_MODE_RES_PATH, "");
}

bool VconfUtil::GetIsWeatherDisplayOnLockscreen()
{
    return GetVconfBoolValue(SYSKEY_LOCKSCREEN_WEATHER_DISPLAY, false);
}

void VconfUtil::SetIsWeatherDisplayOnLockscreen(bool value)
{
    SetVconfBoolValue(SYSKEY_LOCKSCREEN_WEATHER_DISPLAY, value);
}

bool VconfUtil::GetIsCompanionServiceConnected()
{
    return GetVconfIntValue(SYSKEY_COMPANION_SERVICE_CONNECTED, 0) != 0;
}

bool VconfUtil::GetIsNotificationBridgeConnected()
{
    return GetVconfIntValue(SYSKEY_NOTIFICATION_BRIDGE_CONNECTED, 0) != 0;
}

bool VconfUtil::GetIsIosConnected()
{
    return GetVconfIntValue(SYSKEY_IOS_HOST_CONNECTED, 0) != 0;
}

void VconfUtil::AddTimeChangedListener(vconf_callback_fn cb, void* userData)
{
    AddVconfEventListener(SYSKEY_TIME_CHANGED, cb, userData);
}

void VconfUtil::RemoveTimeChangedListener(vconf_callback_fn cb)
{
    RemoveVconfEventListener(SYSKEY_TIME_CHANGED, cb);
}

void VconfUtil::AddTimeZoneListener(vconf_callback_fn cb, void* userData)
{
    AddVconfEventListener(SYSKEY_TIMEZONE_ID, cb, userData);
}

void VconfUtil::RemoveTimeZoneListener(vconf_callback_fn cb)
{
    RemoveVconfEventListener(SYSKEY_TIMEZONE_ID, cb);
}

void VconfUtil::AddDateFormatListener(vconf_callback_fn cb, void* userData)
{
    AddVconfEventListener(SYSKEY_DATE_FORMAT, cb, userData);
}

void VconfUtil::RemoveDateFormatListener(vconf_callback_fn cb)
{
    RemoveVconfEventListener(SYSKEY_DATE_FORMAT, cb);
}

void VconfUtil::AddTimeFormatListener(vconf_callback_fn cb, void* userData)
{
    AddVconfEventListener(SYSKEY_TIME_FORMAT_1224, cb, userData);
}

void VconfUtil::RemoveTimeFormatListener(vconf_callback_fn cb)
{
    RemoveVconfEventListener(SYSKEY_TIME_FORMAT_1224, cb);
}
