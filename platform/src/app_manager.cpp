// Application ids of processes and directories of installed applications.

#include <device/app_manager.h>
#include <device/host.h>

#include <glib.h>
#include <unistd.h>

#include <string>

#include "DeviceInternal.h"
#include "launch/launch_common.h"

using device::Fault;

namespace {

// Common shape of the fault-aware text getters; `fault` is checked once per
// call so count-limited faults count calls.
int Answer(Fault fault, const std::string& value, char** out)
{
    if (fault == Fault::Error)
        return APP_MANAGER_ERROR_IO_ERROR;
    if (fault == Fault::Null)
        return APP_MANAGER_ERROR_NONE;
    *out = device::internal::DupString(fault == Fault::Empty ? std::string() : value);
    return *out ? APP_MANAGER_ERROR_NONE : APP_MANAGER_ERROR_OUT_OF_MEMORY;
}

using DirOf = std::string (*)(const std::string&);

int SharedPath(const char* function, const char* appId, char** path, DirOf dirOf)
{
    if (!appId || !path)
        return APP_MANAGER_ERROR_INVALID_PARAMETER;
    *path = nullptr;
    const Fault fault = device::ActiveFault(function, appId);
    if (fault == Fault::Error)
        return APP_MANAGER_ERROR_IO_ERROR;
    auto app = device::FindApp(appId);
    if (!app)
        return APP_MANAGER_ERROR_NO_SUCH_APP;
    return Answer(fault, dirOf(app->pkgId), path);
}

} // namespace

extern "C" int app_manager_get_app_id(pid_t pid, char** app_id)
{
    if (!app_id || pid <= 0)
        return APP_MANAGER_ERROR_INVALID_PARAMETER;
    *app_id = nullptr;
    const Fault fault = device::ActiveFault("app_manager_get_app_id");
    if (fault == Fault::Error)
        return APP_MANAGER_ERROR_NO_SUCH_APP;
    // Another process is the installed application whose executable it runs.
    std::string id = device::launch::AppIdOfProcess(pid);
    if (id.empty() && fault == Fault::None)
        return APP_MANAGER_ERROR_NO_SUCH_APP;
    return Answer(fault, id, app_id);
}

extern "C" int app_manager_get_shared_data_path(const char* app_id, char** path)
{
    return SharedPath("app_manager_get_shared_data_path", app_id, path, device::PackageSharedDataDir);
}

extern "C" int app_manager_get_shared_resource_path(const char* app_id, char** path)
{
    return SharedPath("app_manager_get_shared_resource_path", app_id, path, device::PackageSharedResourceDir);
}

extern "C" int app_manager_get_shared_trusted_path(const char* app_id, char** path)
{
    return SharedPath("app_manager_get_shared_trusted_path", app_id, path, device::PackageSharedTrustedDir);
}
