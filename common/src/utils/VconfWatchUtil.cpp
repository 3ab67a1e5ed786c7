#include "utils/VconfWatchUtil.h"

#include <device/system_keys.h>

bool VconfWatchUtil::Init()
{
    RETURN_IF(!VconfWearableUtil::Init(), false);
    return true;
}

bool VconfWatchUtil::GetIsRetailMode()
{
    // Absent key reads -1; only the exact value 1 enables the mode.
    return GetVconfIntValue(SYSKEY_RETAIL_MODE_ENABLED, -1) == 1;
}

void VconfWatchUtil::AddRetailModeEnabledListener(vconf_callback_fn cb, void* userData)
{
    AddVconfEventListener(SYSKEY_RETAIL_MODE_ENABLED, cb, userData);
}

void VconfWatchUtil::RemoveRetailModeEnabledListener(vconf_callback_fn cb)
{
    RemoveVconfEventListener(SYSKEY_RETAIL_MODE_ENABLED, cb);
}

void VconfWatchUtil::AddRetailModeResPathListener(vconf_callback_fn cb, void* userData)
{
    AddVconfEventListener(SYSKEY_RETAIL_MODE_RES_PATH, cb, userData);
}

void VconfWatchUtil::RemoveRetailModeResPathListener(vconf_callback_fn cb)
{
    RemoveVconfEventListener(SYSKEY_RETAIL_MODE_RES_PATH, cb);
}
