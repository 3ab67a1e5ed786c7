#ifndef DEVICE_APP_MANAGER_H
#define DEVICE_APP_MANAGER_H

#include <sys/types.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    APP_MANAGER_ERROR_NONE = 0,
    APP_MANAGER_ERROR_INVALID_PARAMETER = -22,
    APP_MANAGER_ERROR_OUT_OF_MEMORY = -12,
    APP_MANAGER_ERROR_IO_ERROR = -5,
    APP_MANAGER_ERROR_NO_SUCH_APP = -0x01110000 | 0x01,
    APP_MANAGER_ERROR_DB_FAILED = -0x01110000 | 0x03,
    APP_MANAGER_ERROR_INVALID_PACKAGE = -0x01110000 | 0x04,
    APP_MANAGER_ERROR_NOT_SUPPORTED = -0x01110000 | 0x05,
    APP_MANAGER_ERROR_PERMISSION_DENIED = -13,
} app_manager_error_e;

/* Application id of a running process. *app_id is malloc'ed. */
int app_manager_get_app_id(pid_t pid, char** app_id);

/* Directories of an installed application, each ending in "/". The texts are
 * malloc'ed; the caller frees them. */
int app_manager_get_shared_data_path(const char* app_id, char** path);
int app_manager_get_shared_resource_path(const char* app_id, char** path);
int app_manager_get_shared_trusted_path(const char* app_id, char** path);

#ifdef __cplusplus
}
#endif

#endif
