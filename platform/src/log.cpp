// Device log: one line per call appended to <root>/log/device.log.

#include <device/host.h>
#include <device/log.h>
#include <device/unique_fd.h>
#include <device/no_destructor.h>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <glib.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

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

// The log file stays open between lines. Each line is one write() with
// O_APPEND, so lines of concurrent processes never mix. Before each line the
// path is compared with the open file: a rotation by another process or a
// removed root makes it open the path again (the root itself is never made again).
struct LogFile {
    std::mutex mutex;
    device::UniqueFd fd;
    std::string path;
    dev_t dev = 0;
    ino_t ino = 0;
};

LogFile& File()
{
    static NoDestructor<LogFile> file;
    return *file;
}

bool OpenLog(LogFile& file, const std::string& path)
{
    file.fd.Reset();
    // Through the seam like every file of the root, but a refusal here is
    // not logged: that line would come back to this file.
    device::internal::QuietRefusals quiet;
    const int flags = O_WRONLY | O_APPEND | O_CREAT;
    device::UniqueFd fd;
    device::FileTrust trust = device::internal::OpenQuietly(path, flags, &fd, 0600);
    if (trust == device::FileTrust::Missing) {
        g_autofree gchar* dir = g_path_get_dirname(path.c_str());
        device::internal::MakeDir(dir);
        trust = device::internal::OpenQuietly(path, flags, &fd, 0600);
    }
    struct stat info;
    if (trust != device::FileTrust::Ok || fstat(fd.Get(), &info) != 0)
        return false;
    file.fd = std::move(fd);
    file.path = path;
    file.dev = info.st_dev;
    file.ino = info.st_ino;
    return true;
}

bool StillCurrent(const LogFile& file, const std::string& path)
{
    struct stat info;
    return file.fd && file.path == path && lstat(path.c_str(), &info) == 0 && info.st_dev == file.dev &&
           info.st_ino == file.ino;
}

bool AppendLine(const std::string& line)
{
    LogFile& file = File();
    std::lock_guard<std::mutex> guard(file.mutex);
    const std::string path = device::LogPath();
    if (!StillCurrent(file, path) && !OpenLog(file, path))
        return false;
    ssize_t written;
    do {
        written = write(file.fd.Get(), line.data(), line.size());
    } while (written < 0 && errno == EINTR);
    // Bounded like a ring buffer: past the limit the file becomes the one
    // older generation, and the next line starts a new file.
    struct stat info;
    if (fstat(file.fd.Get(), &info) == 0 && info.st_size > static_cast<off_t>(device::kMaxLogBytes) &&
        StillCurrent(file, path)) {
        rename(path.c_str(), (path + ".1").c_str());
        file.fd.Reset();
    }
    return written == static_cast<ssize_t>(line.size());
}

// The local zone is looked up once per process, not per line.
GTimeZone* LocalZone()
{
    static NoDestructor<std::unique_ptr<GTimeZone, decltype(&g_time_zone_unref)>> zone(g_time_zone_new_local(),
                                                                                       &g_time_zone_unref);
    return zone->get();
}

// ISO 8601 local time as GDateTime prints it ("%C%y-%m-%dT%H:%M:%S", then
// ".%f" unless the microseconds are 0, then "Z" for UTC or the offset as
// +hh, +hh:mm or +hh:mm:ss). Date, time and offset are worked out once per
// second; each line formats only its microseconds.
struct SecondText {
    std::mutex mutex;
    bool valid = false;
    time_t second = 0;
    char dateTime[64] = {}; // up to the seconds
    char zone[32] = {};
};

std::string Timestamp()
{
    static NoDestructor<SecondText> cache;
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    const long micros = now.tv_nsec / 1000;
    std::string result;
    {
        std::lock_guard<std::mutex> guard(cache->mutex);
        if (!cache->valid || cache->second != now.tv_sec) {
            GTimeZone* zone = LocalZone();
            const gint64 second = static_cast<gint64>(now.tv_sec);
            const gint interval = g_time_zone_find_interval(zone, G_TIME_TYPE_UNIVERSAL, second);
            const gint32 offset = g_time_zone_get_offset(zone, interval);
            const time_t local = now.tv_sec + offset;
            struct tm parts;
            gmtime_r(&local, &parts);
            std::snprintf(cache->dateTime, sizeof cache->dateTime, "%04d-%02d-%02dT%02d:%02d:%02d",
                          parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min,
                          parts.tm_sec);
            const int magnitude = offset < 0 ? -offset : offset;
            const char sign = offset < 0 ? '-' : '+';
            if (offset == 0)
                std::snprintf(cache->zone, sizeof cache->zone, "Z");
            else if (magnitude % 60 != 0)
                std::snprintf(cache->zone, sizeof cache->zone, "%c%02d:%02d:%02d", sign, magnitude / 3600,
                              magnitude / 60 % 60, magnitude % 60);
            else if (magnitude / 60 % 60 != 0)
                std::snprintf(cache->zone, sizeof cache->zone, "%c%02d:%02d", sign, magnitude / 3600,
                              magnitude / 60 % 60);
            else
                std::snprintf(cache->zone, sizeof cache->zone, "%c%02d", sign, magnitude / 3600);
            cache->second = now.tv_sec;
            cache->valid = true;
        }
        result.reserve(48);
        result = cache->dateTime;
        if (micros != 0) {
            char fraction[7] = {'.'};
            for (long rest = micros, at = 6; at > 0; --at, rest /= 10)
                fraction[at] = static_cast<char>('0' + rest % 10);
            result.append(fraction, sizeof fraction);
        }
        result += cache->zone;
    }
    return result;
}

// getpid() once, and again in a child after fork().
std::atomic<pid_t> gPid{0};

void ForgetPid()
{
    gPid = 0;
}

pid_t Pid()
{
    pid_t pid = gPid;
    if (pid == 0) {
        static std::once_flag registered;
        std::call_once(registered, [] { pthread_atfork(nullptr, nullptr, ForgetPid); });
        pid = getpid();
        gPid = pid;
    }
    return pid;
}

} // namespace

extern "C" int dlog_print(log_priority prio, const char* tag, const char* fmt, ...)
{
    if (!tag || !fmt)
        return DLOG_ERROR_INVALID_PARAMETER;
    if (prio == DLOG_SILENT)
        return 0;
    // Formatted on the stack; only a longer message takes a second pass.
    char shortText[512];
    std::string longText;
    va_list args;
    va_start(args, fmt);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(shortText, sizeof shortText, fmt, args);
    va_end(args);
    const char* message = shortText;
    if (length < 0) {
        shortText[0] = '\0';
    } else if (static_cast<size_t>(length) >= sizeof shortText) {
        longText.resize(static_cast<size_t>(length));
        std::vsnprintf(&longText[0], longText.size() + 1, fmt, again);
        message = longText.c_str();
    }
    va_end(again);

    dlog_capture_cb hook;
    void* hookData;
    {
        std::lock_guard<std::mutex> guard(gHookMutex);
        hook = gHook;
        hookData = gHookData;
    }
    if (hook)
        hook(prio, tag, message, hookData);

    size_t textLength = length > 0 ? static_cast<size_t>(length) : 0;
    // A message that ends its own line (the cloud failure line does) is not doubled.
    if (textLength > 0 && message[textLength - 1] == '\n')
        --textLength;
    const std::string pid = std::to_string(Pid());
    std::string line = Timestamp();
    line.reserve(line.size() + 8 + std::strlen(tag) + pid.size() + textLength);
    line += ' ';
    line += PriorityLetter(prio);
    line += '/';
    line += tag;
    line += '(';
    line += pid;
    line += "): ";
    line.append(message, textLength);
    line += '\n';
    const char* toStderr = g_getenv(device::kLogStderrEnv);
    if (toStderr && g_strcmp0(toStderr, "1") == 0) {
        ssize_t ignored = write(STDERR_FILENO, line.data(), line.size());
        (void)ignored;
    }
    if (!AppendLine(line))
        return DLOG_ERROR_NOT_PERMITTED;
    return static_cast<int>(textLength);
}

extern "C" void dlog_set_capture_hook(dlog_capture_cb cb, void* user_data)
{
    std::lock_guard<std::mutex> guard(gHookMutex);
    gHook = cb;
    gHookData = cb ? user_data : nullptr;
}
