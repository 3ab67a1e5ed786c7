#ifndef DEVICE_LOG_LINE_H
#define DEVICE_LOG_LINE_H

/* The one shape of every log line of the system:
 * "<file>: <function>(<line>) > " + red-on-black escape + message + reset,
 * written at error priority. The data layer and the host layer both build on
 * this macro. */

#include <device/log.h>

#define DLOG_LINE_COLOR "\033[0;40;31m"
#define DLOG_LINE_RESET "\033[0;m"

#define DLOG_LINE(tag, file, func, fmt, ...)                                                                           \
    dlog_print(DLOG_ERROR, tag, "%s: %s(%d) > " DLOG_LINE_COLOR fmt DLOG_LINE_RESET, file, func, __LINE__,             \
               ##__VA_ARGS__)

#endif
