// libFuzzer target: arbitrary bytes as a restore record value.

#include <glib.h>

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <device/log.h>

#include "parser/RestoreMessageParser.h"

// The parser logs on most inputs. The device log appends each line to a file
// under the device root, which would dominate the run; this target links its
// own log instead: every line is still formatted, then dropped.
extern "C" int dlog_print(log_priority, const char* tag, const char* fmt, ...)
{
    if (!tag || !fmt)
        return DLOG_ERROR_INVALID_PARAMETER;
    va_list args;
    va_start(args, fmt);
    gchar* message = g_strdup_vprintf(fmt, args);
    va_end(args);
    int length = static_cast<int>(strlen(message));
    g_free(message);
    return length;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The service hands the parser a C string; the fuzzer's buffer has no NUL.
    std::string text(reinterpret_cast<const char*>(data), size);
    auto parser = RestoreMessageParser::Make(text.c_str(), static_cast<int>(size));
    if (!parser)
        std::abort();
    parser->GetTempUnit();
    parser->GetAutoRefreshTimeInterval();
    parser->GetUseCurrentLocationAgreed();
    parser->GetUseNotification();
    return 0;
}
