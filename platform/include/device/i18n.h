#ifndef DEVICE_I18N_H
#define DEVICE_I18N_H

/* Internationalisation calls of the device: default locale, date-time pattern
 * generator, pattern-based date formatter, decimal number formatter and
 * UTF-16 text conversion. Every call returns 0 or a negative error code;
 * results come back through the last arguments. Input lengths of -1 mean
 * "NUL-terminated". Output buffers are NUL-terminated when there is room;
 * when the result needs more than the capacity the call fails with
 * I18N_ERROR_BUFFER_OVERFLOW and the *_len argument tells the needed length;
 * the date and number formatters then still fill the buffer with the first
 * capacity units of the text.
 *
 * The host implementation loads the system's ICU on first use, so a process
 * that never formats never maps it. */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    I18N_ERROR_NONE = 0,
    I18N_ERROR_INVALID_PARAMETER = -22,
    I18N_ERROR_OUT_OF_MEMORY = -12,
    I18N_ERROR_BUFFER_OVERFLOW = -75,
    I18N_ERROR_INVALID_FORMAT = -84, /* malformed UTF-8 / UTF-16 or pattern */
    I18N_ERROR_NOT_SUPPORTED = -95,  /* the ICU library cannot be loaded */
    I18N_ERROR_UNKNOWN = -1,
} i18n_error_e;

typedef uint16_t i18n_uchar; /* one UTF-16 code unit */
typedef double i18n_udate;   /* milliseconds since the epoch */

typedef struct i18n_udatepg_s* i18n_udatepg_h;
typedef struct i18n_udate_format_s* i18n_udate_format_h;
typedef struct i18n_unumber_format_s* i18n_unumber_format_h;

typedef enum {
    I18N_UDATE_FULL = 0,
    I18N_UDATE_LONG = 1,
    I18N_UDATE_MEDIUM = 2,
    I18N_UDATE_SHORT = 3,
    I18N_UDATE_DEFAULT = I18N_UDATE_MEDIUM,
    I18N_UDATE_NONE = -1,
    I18N_UDATE_PATTERN = -2, /* both styles: the pattern argument decides */
} i18n_udate_format_style_e;

typedef enum {
    I18N_UNUMBER_PATTERN_DECIMAL = 0,
    I18N_UNUMBER_DECIMAL = 1,
    I18N_UNUMBER_CURRENCY = 2,
    I18N_UNUMBER_PERCENT = 3,
} i18n_unumber_format_style_e;

/* Default locale of the process. The text stays valid until the next
 * i18n_ulocale_set_default. A NULL id restores the environment's default. */
int i18n_ulocale_get_default(const char** locale);
int i18n_ulocale_set_default(const char* locale_id);

/* Date-time pattern generator of a locale (NULL: the default locale). */
int i18n_udatepg_create(const char* locale, i18n_udatepg_h* dtpg);
int i18n_udatepg_destroy(i18n_udatepg_h dtpg);
/* The locale's best pattern for a skeleton such as "EEEdMMM hhmm". */
int i18n_udatepg_get_best_pattern(i18n_udatepg_h dtpg, const i18n_uchar* skeleton, int32_t len,
                                  i18n_uchar* best_pattern, int32_t capacity, int32_t* best_pattern_len);

/* Date formatter. With both styles I18N_UDATE_PATTERN the pattern is used as
 * it stands; tz_id is a zone id such as "GMT+9:00" (NULL: the device zone). */
int i18n_udate_create(i18n_udate_format_style_e time_style, i18n_udate_format_style_e date_style, const char* locale,
                      const i18n_uchar* tz_id, int32_t tz_id_len, const i18n_uchar* pattern, int32_t pattern_len,
                      i18n_udate_format_h* format);
int i18n_udate_destroy(i18n_udate_format_h format);
int i18n_udate_format_date(i18n_udate_format_h format, i18n_udate date, i18n_uchar* result, int32_t capacity,
                           int32_t* result_len);

/* Number formatter of a style (pattern used only by the pattern styles). */
int i18n_unumber_create(i18n_unumber_format_style_e style, const i18n_uchar* pattern, int32_t pattern_len,
                        const char* locale, i18n_unumber_format_h* num_format);
int i18n_unumber_destroy(i18n_unumber_format_h num_format);
int i18n_unumber_format(i18n_unumber_format_h num_format, int32_t number, i18n_uchar* result, int32_t capacity,
                        int32_t* result_len);
int i18n_unumber_format_double(i18n_unumber_format_h num_format, double number, i18n_uchar* result, int32_t capacity,
                               int32_t* result_len);

/* UTF-8 <-> UTF-16. */
int i18n_ustring_from_utf8(const char* src, int32_t src_len, i18n_uchar* dest, int32_t capacity, int32_t* dest_len);
int i18n_ustring_to_utf8(const i18n_uchar* src, int32_t src_len, char* dest, int32_t capacity, int32_t* dest_len);

#ifdef __cplusplus
}
#endif

#endif
