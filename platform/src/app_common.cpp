// Information about the calling application, from the device registry.

#include <device/app_common.h>
#include <device/host.h>

#include "DeviceInternal.h"

using device::Fault;

extern "C" char* app_get_resource_path(void)
{
    Fault fault = device::ActiveFault("app_get_resource_path");
    if (fault == Fault::Error || fault == Fault::Null)
        return nullptr;
    if (fault == Fault::Empty)
        return device::internal::DupString("");
    auto app = device::FindApp(device::OwnAppId());
    if (!app)
        return nullptr;
    return device::internal::DupString(device::PackageResourceDir(app->pkgId));
}

extern "C" int app_get_version(char** version)
{
    if (!version)
        return APP_ERROR_INVALID_PARAMETER;
    *version = nullptr;
    Fault fault = device::ActiveFault("app_get_version");
    if (fault == Fault::Error)
        return APP_ERROR_INVALID_CONTEXT;
    if (fault == Fault::Null)
        return APP_ERROR_NONE;
    if (fault == Fault::Empty) {
        *version = device::internal::DupString("");
        return *version ? APP_ERROR_NONE : APP_ERROR_OUT_OF_MEMORY;
    }
    auto app = device::FindApp(device::OwnAppId());
    if (!app)
        return APP_ERROR_INVALID_CONTEXT;
    *version = device::internal::DupString(app->version);
    return *version ? APP_ERROR_NONE : APP_ERROR_OUT_OF_MEMORY;
}
