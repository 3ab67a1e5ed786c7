#include "utils/VconfWearableUtil.h"

#include <device/system_keys.h>

bool VconfWearableUtil::Init()
{
    RETURN_IF(!VconfUtil::Init(), false);
    return true;
}

std::string VconfWearableUtil::GetHostVendor()
{
    return GetVconfStrValue(SYSKEY_HOST_VENDOR, "");
}

bool VconfWearableUtil::GetIsStandalone()
{
    return GetVconfIntValue(SYSKEY_STANDALONE, 0) != 0;
}

int VconfWearableUtil::GetHostConnectionType()
{
    return GetVconfIntValue(SYSKEY_HOST_CONNECTION_TYPE, -1);
}

int VconfWearableUtil::GetHostDataNetworkStatus()
{
    return GetVconfIntValue(SYSKEY_HOST_DATA_NETWORK_STATUS, -1);
}

bool VconfWearableUtil::GetIsHostConnected()
{
    return GetVconfBoolValue(SYSKEY_HOST_CONNECTED, false);
}

void VconfWearableUtil::AddHostConnectedListener(vconf_callback_fn cb, void* userData)
{
    AddVconfEventListener(SYSKEY_HOST_CONNECTED, cb, userData);
}

void VconfWearableUtil::RemoveHostConnectedListener(vconf_callback_fn cb)
{
    RemoveVconfEventListener(SYSKEY_HOST_CONNECTED, cb);
}
