// Device log: one line per call appended to <root>/log/device.log.

#include <device/host.h>
#include <device/log.h>

#include <fcntl.h>
#include <unistd.h>

#include <glib.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

#include "DeviceInternal.h"

namespace {

std::mutex gHookMutex;
dlog_capture_cb gHook = nullptr;
void* gHookData = nullptr;

char PriorityLetter(log_priority prio)
{
    switch (prio) {
    case DLOG_VERBOSE:
        return 'V';
    case DLOG_DEBUG:
        return 'D';
    case DLOG_DEFAULT:
    case DLOG_INFO:
        return 'I';
    case DLOG_WARN:
        return 'W';
    case DLOG_ERROR:
        return 'E';
    case DLOG_FATAL:
        return 'F';
    default:
        return '?';
    }
}

// One write() with O_APPEND so lines of concurrent processes never mix.
bool AppendLine(const std::string& line)
{
    const std::string path = device::LogPath();
    int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 && errno == ENOENT) {
        gchar* dir = g_path_get_dirname(path.c_str());
        device::internal::MakeDir(dir);
        g_free(dir);
        fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    }
    if (fd < 0)
        return false;
    ssize_t written;
    do {
        written = write(fd, line.data(), line.size());
    } while (written < 0 && errno == EINTR);
    close(fd);
    return written == static_cast<ssize_t>(line.size());
}

std::string Timestamp()
{
    GDateTime* now = g_date_time_new_now_local();
    gchar* text = g_date_time_format_iso8601(now);
    std::string result = text ? text : "";
    g_free(text);
    g_date_time_unref(now);
    return result;
}

} // namespace

extern "C" int dlog_print(log_priority prio, const char* tag, const char* fmt, ...)
{
    if (!tag || !fmt)
        return DLOG_ERROR_INVALID_PARAMETER;
    if (prio == DLOG_SILENT)
        return 0;
    va_list args;
    va_start(args, fmt);
    gchar* message = g_strdup_vprintf(fmt, args);
    va_end(args);

    dlog_capture_cb hook;
    void* hookData;
    {
        std::lock_guard<std::mutex> guard(gHookMutex);
        hook = gHook;
        hookData = gHookData;
    }
    if (hook)
        hook(prio, tag, message, hookData);

    std::string text = message;
    g_free(message);
    // A message that ends its own line (the cloud failure line does) is not doubled.
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    std::string line = Timestamp() + " " + PriorityLetter(prio) + "/" + tag + "(" + std::to_string(getpid()) +
                       "): " + text + "\n";
    const char* toStderr = g_getenv(device::kLogStderrEnv);
    if (toStderr && g_strcmp0(toStderr, "1") == 0) {
        ssize_t ignored = write(STDERR_FILENO, line.data(), line.size());
        (void)ignored;
    }
    if (!AppendLine(line))
        return DLOG_ERROR_NOT_PERMITTED;
    return static_cast<int>(text.size());
}

extern "C" void dlog_set_capture_hook(dlog_capture_cb cb, void* user_data)
{
    std::lock_guard<std::mutex> guard(gHookMutex);
    gHook = cb;
    gHookData = cb ? user_data : nullptr;
}
