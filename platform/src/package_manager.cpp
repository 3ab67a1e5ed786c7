// Certificate comparison of installed applications, from the registry.

#include <device/host.h>
#include <device/package_manager.h>

#include <vector>

extern "C" int package_manager_compare_app_cert_info(const char* lhs_app_id, const char* rhs_app_id,
                                                     package_manager_compare_result_type_e* compare_result)
{
    if (!lhs_app_id || !rhs_app_id || !compare_result)
        return PACKAGE_MANAGER_ERROR_INVALID_PARAMETER;
    if (device::ActiveFault("package_manager_compare_app_cert_info") != device::Fault::None)
        return PACKAGE_MANAGER_ERROR_SYSTEM_ERROR;
    // Both from one reading of the registry.
    const std::vector<device::AppInfo> apps = device::InstalledApps();
    auto find = [&apps](const char* appId) -> const device::AppInfo* {
        for (const device::AppInfo& app : apps)
            if (app.appId == appId)
                return &app;
        return nullptr;
    };
    const device::AppInfo* lhs = find(lhs_app_id);
    const device::AppInfo* rhs = find(rhs_app_id);
    if (!lhs || !rhs)
        return PACKAGE_MANAGER_ERROR_NO_SUCH_PACKAGE;
    const bool lhsSigned = !lhs->certificate.empty();
    const bool rhsSigned = !rhs->certificate.empty();
    if (!lhsSigned && !rhsSigned)
        *compare_result = PACKAGE_MANAGER_COMPARE_BOTH_NO_CERT;
    else if (!lhsSigned)
        *compare_result = PACKAGE_MANAGER_COMPARE_LHS_NO_CERT;
    else if (!rhsSigned)
        *compare_result = PACKAGE_MANAGER_COMPARE_RHS_NO_CERT;
    else
        *compare_result =
            lhs->certificate == rhs->certificate ? PACKAGE_MANAGER_COMPARE_MATCH : PACKAGE_MANAGER_COMPARE_MISMATCH;
    return PACKAGE_MANAGER_ERROR_NONE;
}
