#ifndef DEVICE_CLOUD_H
#define DEVICE_CLOUD_H

#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    VELURIO_CLOUD_ERROR_NONE = 0,
    VELURIO_CLOUD_ERROR_INVALID_PARAMETER = -22,
    VELURIO_CLOUD_ERROR_OUT_OF_MEMORY = -12,
    VELURIO_CLOUD_ERROR_IO_ERROR = -5,
    VELURIO_CLOUD_ERROR_NO_DATA = -61,
    VELURIO_CLOUD_ERROR_NOT_INITIALIZED = -0x01900000 | 0x01,
    VELURIO_CLOUD_ERROR_INVALID_STATE = -0x01900000 | 0x02,
    VELURIO_CLOUD_ERROR_INVALID_FILE = -0x01900000 | 0x03,
} velurio_cloud_error_e;

typedef struct velurio_cloud_list_s* velurio_cloud_list_h;
typedef struct velurio_cloud_record_s* velurio_cloud_record_h;

int velurio_cloud_initialize(void);
int velurio_cloud_deinitialize(void);

/* Backup side. */
typedef void (*velurio_cloud_backup_preparation_cb)(void);
typedef void (*velurio_cloud_backup_sending_keys_and_dates_cb)(void* user_data);
typedef void (*velurio_cloud_backup_cb)(velurio_cloud_list_h list, void* user_data);
typedef void (*velurio_cloud_backup_completed_cb)(int success, void* user_data);

int velurio_cloud_backup_record_set_preparation_cb(velurio_cloud_backup_preparation_cb cb, void* user_data);
int velurio_cloud_backup_record_set_sending_keys_and_dates_cb(velurio_cloud_backup_sending_keys_and_dates_cb cb,
                                                              void* user_data);
int velurio_cloud_backup_record_set_backup_cb(velurio_cloud_backup_cb cb, void* user_data);
int velurio_cloud_backup_record_set_completed_cb(velurio_cloud_backup_completed_cb cb, void* user_data);
int velurio_cloud_backup_record_send_preparation_completed_response(bool ok);
int velurio_cloud_backup_record_send_keys_and_dates(velurio_cloud_list_h list, bool ok);
int velurio_cloud_backup_record_send_backup_path(const char* path, bool ok);

/* Restore side. */
typedef void (*velurio_cloud_restore_preparation_cb)(void);
typedef void (*velurio_cloud_restore_sending_restoration_path_cb)(void);
typedef void (*velurio_cloud_restoration_cb)(const char* path, void* user_data);
typedef void (*velurio_cloud_restore_completed_cb)(int success, void* user_data);

int velurio_cloud_restore_record_set_preparation_cb(velurio_cloud_restore_preparation_cb cb, void* user_data);
int velurio_cloud_restore_record_set_sending_restoration_path_cb(velurio_cloud_restore_sending_restoration_path_cb cb,
                                                                 void* user_data);
int velurio_cloud_restore_record_set_restoration_cb(velurio_cloud_restoration_cb cb, void* user_data);
int velurio_cloud_restore_record_set_completed_cb(velurio_cloud_restore_completed_cb cb, void* user_data);
int velurio_cloud_restore_record_send_preparation_completed_response(bool ok);
int velurio_cloud_restore_record_send_restoration_path(const char* path, bool ok);
/* The library takes ownership of a list handed here. */
int velurio_cloud_restore_record_send_record_list(velurio_cloud_list_h list, bool ok);

/* Lists own the records added to them. */
int velurio_cloud_list_create(velurio_cloud_list_h* list);
int velurio_cloud_list_add(velurio_cloud_list_h list, velurio_cloud_record_h record);
int velurio_cloud_list_get_record_count(velurio_cloud_list_h list, int* count);
int velurio_cloud_list_move_to_first(velurio_cloud_list_h list);
int velurio_cloud_list_move_to_next(velurio_cloud_list_h list);
int velurio_cloud_list_get_current_record(velurio_cloud_list_h list, velurio_cloud_record_h* record);
int velurio_cloud_list_destroy(velurio_cloud_list_h list);

/* Records. Texts read back are borrowed from the record and stay valid until
 * it is changed or destroyed; an unset text reads as NULL. */
int velurio_cloud_record_create(velurio_cloud_record_h* record);
int velurio_cloud_record_destroy(velurio_cloud_record_h record); /* only for records not in a list */
int velurio_cloud_record_set_key(velurio_cloud_record_h record, const char* key);
int velurio_cloud_record_set_date(velurio_cloud_record_h record, const char* date); /* NULL clears */
int velurio_cloud_record_set_value(velurio_cloud_record_h record, const char* value);
int velurio_cloud_record_get_key(velurio_cloud_record_h record, const char** key);
int velurio_cloud_record_get_date(velurio_cloud_record_h record, const char** date);
int velurio_cloud_record_get_value(velurio_cloud_record_h record, const char** value);
int velurio_cloud_record_set_fail(velurio_cloud_record_h record);
int velurio_cloud_record_is_failed(velurio_cloud_record_h record, bool* failed);

/* Records files. */
int velurio_cloud_file_create_file(velurio_cloud_list_h list, const char* path);
int velurio_cloud_file_create_record_list(const char* path, velurio_cloud_list_h* list);

#ifdef __cplusplus
}
#endif

#endif
