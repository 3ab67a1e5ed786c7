#ifndef DEVICE_APP_COMMON_H
#define DEVICE_APP_COMMON_H

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    APP_ERROR_NONE = 0,
    APP_ERROR_INVALID_PARAMETER = -22,
    APP_ERROR_OUT_OF_MEMORY = -12,
    APP_ERROR_INVALID_CONTEXT = -0x01100000 | 0x01,
    APP_ERROR_NO_SUCH_FILE = -2,
    APP_ERROR_ALREADY_RUNNING = -0x01100000 | 0x02,
    APP_ERROR_PERMISSION_DENIED = -13,
} app_error_e;

/* Resource directory of the calling application, ending in "/".
 * Returns a malloc'ed text the caller frees, or NULL. */
char* app_get_resource_path(void);

/* Version of the calling application; *version is malloc'ed. */
int app_get_version(char** version);

#ifdef __cplusplus
}
#endif

#endif
