#ifndef DEVICE_APP_CONTROL_H
#define DEVICE_APP_CONTROL_H

#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct app_control_s* app_control_h;

typedef enum {
    APP_CONTROL_ERROR_NONE = 0,
    APP_CONTROL_ERROR_INVALID_PARAMETER = -22,
    APP_CONTROL_ERROR_OUT_OF_MEMORY = -12,
    APP_CONTROL_ERROR_APP_NOT_FOUND = -0x01100000 | 0x21,
    APP_CONTROL_ERROR_KEY_NOT_FOUND = -126,
    APP_CONTROL_ERROR_KEY_REJECTED = -0x01100000 | 0x22,
    APP_CONTROL_ERROR_INVALID_DATA_TYPE = -0x01100000 | 0x23,
    APP_CONTROL_ERROR_LAUNCH_REJECTED = -0x01100000 | 0x24,
    APP_CONTROL_ERROR_PERMISSION_DENIED = -13,
    APP_CONTROL_ERROR_LAUNCH_FAILED = -0x01100000 | 0x25,
    APP_CONTROL_ERROR_TIMED_OUT = -110,
    APP_CONTROL_ERROR_IO_ERROR = -5,
} app_control_error_e;

typedef enum {
    APP_CONTROL_RESULT_APP_STARTED = 1,
    APP_CONTROL_RESULT_SUCCEEDED = 0,
    APP_CONTROL_RESULT_FAILED = -1,
    APP_CONTROL_RESULT_CANCELED = -2,
} app_control_result_e;

/* Operation of a new handle. */
#define APP_CONTROL_OPERATION_DEFAULT "http://velurio.com/appcontrol/operation/default"

typedef void (*app_control_reply_cb)(app_control_h request, app_control_h reply, app_control_result_e result,
                                     void* user_data);
typedef bool (*app_control_extra_data_cb)(app_control_h app_control, const char* key, void* user_data);

int app_control_create(app_control_h* app_control);
int app_control_destroy(app_control_h app_control);
int app_control_clone(app_control_h* clone, app_control_h app_control);

/* Texts returned through char** are malloc'ed; the caller frees them.
 * A getter of an unset field succeeds with NULL. */
int app_control_set_operation(app_control_h app_control, const char* operation);
int app_control_get_operation(app_control_h app_control, char** operation);
int app_control_set_uri(app_control_h app_control, const char* uri);
int app_control_get_uri(app_control_h app_control, char** uri);
int app_control_set_mime(app_control_h app_control, const char* mime);
int app_control_get_mime(app_control_h app_control, char** mime);
int app_control_set_app_id(app_control_h app_control, const char* app_id);
int app_control_get_app_id(app_control_h app_control, char** app_id);

/* Application id of the process that sent the request, as the device knows
 * it; APP_CONTROL_ERROR_INVALID_PARAMETER for a handle that was not received. */
int app_control_get_caller(app_control_h app_control, char** id);

int app_control_add_extra_data(app_control_h app_control, const char* key, const char* value);
int app_control_add_extra_data_array(app_control_h app_control, const char* key, const char* value[], int length);
int app_control_remove_extra_data(app_control_h app_control, const char* key);
int app_control_get_extra_data(app_control_h app_control, const char* key, char** value);
int app_control_get_extra_data_array(app_control_h app_control, const char* key, char*** value, int* length);
int app_control_is_extra_data_array(app_control_h app_control, const char* key, bool* array);
int app_control_foreach_extra_data(app_control_h app_control, app_control_extra_data_cb callback, void* user_data);

/* Sends the request to the application named by its app id: starts it when it
 * is not running, hands the request to the running process otherwise. The
 * reply callback, when given, runs on the sender's GLib main loop. */
int app_control_send_launch_request(app_control_h app_control, app_control_reply_cb callback, void* user_data);

/* Answers a received request; `reply` may carry extra data. */
int app_control_reply_to_launch_request(app_control_h reply, app_control_h request, app_control_result_e result);

#ifdef __cplusplus
}
#endif

#endif
