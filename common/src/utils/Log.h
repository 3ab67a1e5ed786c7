#ifndef WEATHER_COMMON_LOG_H
#define WEATHER_COMMON_LOG_H

// The data layer's and the service's log lines, in the line shape of
// device/log_line.h, and the guard forms. The tag is found by unqualified lookup of
// kLogTag, so code in namespace NSWeatherService logs as the service and
// everything in the global namespace logs as the data layer.

#include <device/log_line.h>

constexpr const char* kLogTag = "weather-common";

namespace NSWeatherService {
constexpr const char* kLogTag = "weather-backuprestore";
}

// Log with an explicit source file name: used where the line must name a
// header (Make, GetInstance) while the code is expanded elsewhere.
#define LOGE_AT(file, func, fmt, ...) DLOG_LINE(kLogTag, file, func, fmt, ##__VA_ARGS__)

#define LOGE(fmt, ...) LOGE_AT(__FILE_NAME__, __func__, fmt, ##__VA_ARGS__)

// Guard lines: "[func(): line] (condition) [return]" / "... [break]", logged
// in the name of func (a shared body logs for the public operation that
// called it).
#define GUARD_LOG_AT(func, cond_text, what)                                                                            \
    LOGE_AT(__FILE_NAME__, func, "[%s(): %d] (%s) [" what "]", func, __LINE__, cond_text)

#define RETURN_IF(cond, ...) RETURN_IF_MSG(cond, #cond, ##__VA_ARGS__)
#define RETURN_IF_AT(func, cond, ...) RETURN_IF_MSG_AT(func, cond, #cond, ##__VA_ARGS__)
// For guards whose logged text is not the literal condition.
#define RETURN_IF_MSG(cond, text, ...) RETURN_IF_MSG_AT(__func__, cond, text, ##__VA_ARGS__)
#define RETURN_IF_MSG_AT(func, cond, text, ...)                                                                        \
    do {                                                                                                               \
        if (cond) {                                                                                                    \
            GUARD_LOG_AT(func, text, "return");                                                                        \
            return __VA_ARGS__;                                                                                        \
        }                                                                                                              \
    } while (0)

// Only valid directly inside a loop or a do { } while (0) one-pass block.
#define BREAK_IF(cond) BREAK_IF_MSG_AT(__func__, cond, #cond)
#define BREAK_IF_AT(func, cond) BREAK_IF_MSG_AT(func, cond, #cond)
#define BREAK_IF_MSG(cond, text) BREAK_IF_MSG_AT(__func__, cond, text)
#define BREAK_IF_MSG_AT(func, cond, text)                                                                              \
    if (cond) {                                                                                                        \
        GUARD_LOG_AT(func, text, "break");                                                                             \
        break;                                                                                                         \
    }

// A guard line alone, for a condition handled by hand.
#define LOG_RETURN_GUARD_AT(func, text) GUARD_LOG_AT(func, text, "return")

// Guard lines that carry a message instead of the condition:
// "[func(): line] <message> [return]" / "... [break]". The message is a
// format with its arguments.
#define GUARD_NOTE_AT(func, what, fmt, ...)                                                                            \
    LOGE_AT(__FILE_NAME__, func, "[%s(): %d] " fmt " [" what "]", func, __LINE__, ##__VA_ARGS__)
#define LOG_RETURN_NOTE(fmt, ...) GUARD_NOTE_AT(__func__, "return", fmt, ##__VA_ARGS__)
#define LOG_RETURN_NOTE_AT(func, fmt, ...) GUARD_NOTE_AT(func, "return", fmt, ##__VA_ARGS__)
#define LOG_BREAK_NOTE_AT(func, fmt, ...) GUARD_NOTE_AT(func, "break", fmt, ##__VA_ARGS__)

#define RETURN_IF_NOTE(cond, message, ...)                                                                             \
    do {                                                                                                               \
        if (cond) {                                                                                                    \
            LOG_RETURN_NOTE(message);                                                                                  \
            return __VA_ARGS__;                                                                                        \
        }                                                                                                              \
    } while (0)

// Only valid directly inside a loop or a do { } while (0) one-pass block.
#define BREAK_IF_NOTE(cond, message)                                                                                   \
    if (cond) {                                                                                                        \
        LOG_BREAK_NOTE_AT(__func__, message);                                                                          \
        break;                                                                                                         \
    }

// Calls a cloud library function and logs its failure as "<function>() failed,
// errorCode = [<code>]" + LF. A statement expression (not a lambda) so the
// line names the calling function; the _AT form names the operation that
// called a shared helper.
#define CLOUD_CALL_AT(caller, func, ...)                                                                               \
    __extension__({                                                                                                    \
        int cloudRet_ = func(__VA_ARGS__);                                                                             \
        if (cloudRet_ != 0)                                                                                            \
            LOGE_AT(__FILE_NAME__, caller, "%s() failed, errorCode = [%d]\n", #func, cloudRet_);                       \
        cloudRet_;                                                                                                     \
    })
#define CLOUD_CALL(func, ...) CLOUD_CALL_AT(__func__, func, __VA_ARGS__)

#endif
