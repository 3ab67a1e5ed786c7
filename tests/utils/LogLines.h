#ifndef WEATHER_TEST_UTILS_LOG_LINES_H
#define WEATHER_TEST_UTILS_LOG_LINES_H

// Exact matching of data-layer log lines; line numbers are free, so each one
// reads as "N" before the comparison.

#include <glib.h>

#include <string>

#include "DeviceFixture.h"

namespace utils_test {

inline GRegex* Mask()
{
    static GRegex* regex =
        g_regex_new("(^[^(]*\\(|\\[\\w+\\(\\): )[0-9]+", GRegexCompileFlags(0), GRegexMatchFlags(0), nullptr);
    return regex;
}

// Whole line "<file>: <func>(N) > " + colour + body + reset, tag weather-common.
inline bool HasLine(const LogCapture& capture, const std::string& file, const std::string& func,
                    const std::string& body)
{
    const std::string want = file + ": " + func + "(N) > \033[0;40;31m" + body + "\033[0;m";
    for (const LogCapture::Line& line : capture.Lines()) {
        // "<file>: <func>(123) > ...[<func>(): 123] ..." reads "(N)" and "(): N]".
        gchar* masked = g_regex_replace(Mask(), line.message.c_str(), -1, 0, "\\1N", GRegexMatchFlags(0), nullptr);
        const std::string seen = masked ? masked : "";
        g_free(masked);
        if (line.tag == "weather-common" && line.priority == DLOG_ERROR && seen == want)
            return true;
    }
    return false;
}

inline bool HasGuard(const LogCapture& capture, const std::string& file, const std::string& func,
                     const std::string& condition)
{
    return HasLine(capture, file, func, "[" + func + "(): N] (" + condition + ") [return]");
}

} // namespace utils_test

#endif
