#ifndef DEVICE_LOG_H
#define DEVICE_LOG_H

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    DLOG_UNKNOWN = 0,
    DLOG_DEFAULT,
    DLOG_VERBOSE,
    DLOG_DEBUG,
    DLOG_INFO,
    DLOG_WARN,
    DLOG_ERROR,
    DLOG_FATAL,
    DLOG_SILENT,
} log_priority;

typedef enum {
    DLOG_ERROR_NONE = 0,
    DLOG_ERROR_INVALID_PARAMETER = -22,
    DLOG_ERROR_NOT_PERMITTED = -1,
} dlog_error_e;

/* Writes one line to the device log. Returns the number of bytes written or a
 * negative error code. */
int dlog_print(log_priority prio, const char* tag, const char* fmt, ...) __attribute__((format(printf, 3, 4)));

/* Host additions. */

/* Observer of every line, called synchronously in the logging thread with the
 * formatted message (no trailing newline added). Pass NULL to remove. */
typedef void (*dlog_capture_cb)(log_priority prio, const char* tag, const char* msg, void* user_data);
void dlog_set_capture_hook(dlog_capture_cb cb, void* user_data);

#ifdef __cplusplus
}
#endif

#endif
