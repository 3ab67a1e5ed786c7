#ifndef WEATHER_TEST_UTILS_LOG_LINES_H
#define WEATHER_TEST_UTILS_LOG_LINES_H

// Exact matching of data-layer log lines; line numbers are free, so each one
// reads as "N" before the comparison.

#include <cctype>
#include <string>

#include "DeviceFixture.h"

namespace utils_test {

// Replaces the digits that follow `marker` (first occurrence from `from`) by "N".
inline std::string MaskNumberAfter(std::string text, const std::string& marker, size_t from = 0)
{
    size_t pos = text.find(marker, from);
    if (pos == std::string::npos)
        return text;
    size_t start = pos + marker.size();
    size_t end = start;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
        ++end;
    return end > start ? text.replace(start, end - start, "N") : text;
}

// Whole line "<file>: <func>(N) > " + colour + body + reset, tag weather-common.
inline bool HasLine(const LogCapture& capture, const std::string& file, const std::string& func,
                    const std::string& body)
{
    const std::string head = file + ": " + func + "(";
    const std::string want = head + "N) > \033[0;40;31m" + body + "\033[0;m";
    for (const LogCapture::Line& line : capture.Lines()) {
        std::string seen = MaskNumberAfter(line.message, head);
        seen = MaskNumberAfter(seen, "[" + func + "(): ");
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
