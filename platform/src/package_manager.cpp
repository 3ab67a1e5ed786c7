// Certificate comparison of installed applications, from the registry.

#include <device/host.h>
#include <device/package_manager.h>

extern "C" int package_manager_compare_app_cert_info(const char* lhs_app_id, const char* rhs_app_id,
                                                     package_manager_compare_result_type_e* compare_result)
{
    if (!lhs_app_id || !rhs_app_id || !compare_result)
        return PACKAGE_MANAGER_ERROR_INVALID_PARAMETER;
    if (device::ActiveFault("package_manager_compare_app_cert_info") != device::Fault::None)
        return PACKAGE_MANAGER_ERROR_SYSTEM_ERROR;
    auto lhs = device::FindApp(lhs_app_id);
    auto rhs = device::FindApp(rhs_app_id);
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
        *compare_result = lhs->certificate == rhs->certificate ? PACKAGE_MANAGER_COMPARE_MATCH
                                                                : PACKAGE_MANAGER_COMPARE_MISMATCH;
    return PACKAGE_MANAGER_ERROR_NONE;
}
