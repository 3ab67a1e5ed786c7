#ifndef DEVICE_SERVICE_APP_H
#define DEVICE_SERVICE_APP_H

#include <stdbool.h>

#include <device/app_common.h>
#include <device/app_control.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef bool (*service_app_create_cb)(void* user_data);
typedef void (*service_app_terminate_cb)(void* user_data);
typedef void (*service_app_control_cb)(app_control_h app_control, void* user_data);

typedef struct {
    service_app_create_cb create;
    service_app_terminate_cb terminate;
    service_app_control_cb app_control;
} service_app_lifecycle_callback_s;

typedef enum {
    APP_EVENT_LOW_MEMORY,
    APP_EVENT_LOW_BATTERY,
    APP_EVENT_LANGUAGE_CHANGED,
    APP_EVENT_DEVICE_ORIENTATION_CHANGED,
    APP_EVENT_REGION_FORMAT_CHANGED,
    APP_EVENT_SUSPENDED_STATE_CHANGED,
} app_event_type_e;

typedef struct app_event_info* app_event_info_h;
typedef struct app_event_handler* app_event_handler_h;
typedef void (*app_event_cb)(app_event_info_h event_info, void* user_data);

/* Runs the service: create, then every launch request on the GLib main loop
 * until service_app_exit, then terminate. Returns APP_ERROR_NONE or an error. */
int service_app_main(int argc, char** argv, service_app_lifecycle_callback_s* callback, void* user_data);
void service_app_exit(void);
int service_app_add_event_handler(app_event_handler_h* event_handler, app_event_type_e event_type,
                                  app_event_cb callback, void* user_data);
int service_app_remove_event_handler(app_event_handler_h event_handler);

#ifdef __cplusplus
}
#endif

#endif
