#ifndef DEVICE_POWER_H
#define DEVICE_POWER_H

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    DEVICE_ERROR_NONE = 0,
    DEVICE_ERROR_OPERATION_FAILED = -1,
    DEVICE_ERROR_PERMISSION_DENIED = -13,
    DEVICE_ERROR_INVALID_PARAMETER = -22,
} device_error_e;

typedef enum {
    POWER_LOCK_CPU,
    POWER_LOCK_DISPLAY,
    POWER_LOCK_DISPLAY_DIM,
} power_lock_e;

/* timeout_ms 0 holds the lock until released. */
int device_power_request_lock(power_lock_e type, int timeout_ms);
int device_power_release_lock(power_lock_e type);

#ifdef __cplusplus
}
#endif

#endif
