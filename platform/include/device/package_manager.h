#ifndef DEVICE_PACKAGE_MANAGER_H
#define DEVICE_PACKAGE_MANAGER_H

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    PACKAGE_MANAGER_ERROR_NONE = 0,
    PACKAGE_MANAGER_ERROR_INVALID_PARAMETER = -22,
    PACKAGE_MANAGER_ERROR_OUT_OF_MEMORY = -12,
    PACKAGE_MANAGER_ERROR_IO_ERROR = -5,
    PACKAGE_MANAGER_ERROR_NO_SUCH_PACKAGE = -0x01150000 | 0x71,
    PACKAGE_MANAGER_ERROR_SYSTEM_ERROR = -0x01150000 | 0x72,
    PACKAGE_MANAGER_ERROR_PERMISSION_DENIED = -13,
} package_manager_error_e;

typedef enum {
    PACKAGE_MANAGER_COMPARE_MATCH = 0,
    PACKAGE_MANAGER_COMPARE_MISMATCH,
    PACKAGE_MANAGER_COMPARE_LHS_NO_CERT,
    PACKAGE_MANAGER_COMPARE_RHS_NO_CERT,
    PACKAGE_MANAGER_COMPARE_BOTH_NO_CERT,
} package_manager_compare_result_type_e;

/* Compares the signing certificates of two installed applications. An
 * application that is not installed gives PACKAGE_MANAGER_ERROR_NO_SUCH_PACKAGE. */
int package_manager_compare_app_cert_info(const char* lhs_app_id, const char* rhs_app_id,
                                          package_manager_compare_result_type_e* compare_result);

#ifdef __cplusplus
}
#endif

#endif
