// Names under <root>/run and process identities of the launch transport.

#include "launch_common.h"

#include <device/host.h>
#include <device/no_destructor.h>

#include <glib.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <map>
#include <mutex>

#include "../DeviceInternal.h"
#include "launch_transport.h"

namespace device {
namespace launch {

namespace {

constexpr size_t kMaxAppIdLength = 128;

struct RefusalWindow {
    gint64 loggedAtUs = 0;
    unsigned skipped = 0;
};

std::atomic<int> gRefusalIntervalMs{10000};

} // namespace

std::string RunDir()
{
    return Root() + "/run";
}

std::string SocketPath(const std::string& appId)
{
    return RunDir() + "/" + appId + ".sock";
}

std::string LockPath(const std::string& appId)
{
    return RunDir() + "/" + appId + ".lock";
}

bool IsValidAppId(const std::string& appId)
{
    if (appId.empty() || appId.size() > kMaxAppIdLength || appId[0] == '.')
        return false;
    for (char c : appId)
        if (!g_ascii_isalnum(c) && c != '.' && c != '_' && c != '-')
            return false;
    return true;
}

Executable ExecutableOf(pid_t pid)
{
    Executable exe;
    if (pid <= 0)
        return exe;
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    // stat follows the link to the file the kernel maps, not to the path it shows.
    struct stat info;
    if (stat(link.c_str(), &info) != 0)
        return exe;
    char target[PATH_MAX + 1];
    const ssize_t n = readlink(link.c_str(), target, PATH_MAX);
    exe.path = n > 0 ? std::string(target, static_cast<size_t>(n)) : "";
    exe.dev = info.st_dev;
    exe.ino = info.st_ino;
    return exe;
}

std::string AppIdOfProcess(pid_t pid)
{
    if (pid <= 0)
        return "";
    if (pid == getpid())
        return OwnAppId();
    return AppIdOfPeer(pid, geteuid(), ExecutableOf(pid));
}

std::string AppIdOfPeer(pid_t pid, uid_t uid, const Executable& exe)
{
    if (pid <= 0)
        return "";
    if (pid == getpid())
        return OwnAppId(); // a thread of this process: it knows itself
    if (uid != geteuid()) {
        LAUNCH_REFUSAL("caller pid %d runs as uid %u, not as this user", static_cast<int>(pid),
                       static_cast<unsigned>(uid));
        return "";
    }
    if (!exe.Known())
        return "";
    std::vector<std::string> matches = AppIdsOfExecutable(exe.dev, exe.ino);
    if (matches.size() == 1)
        return matches.front();
    if (matches.size() > 1)
        LAUNCH_REFUSAL("caller pid %d runs [%s], which %zu installed applications share: no identity",
                       static_cast<int>(pid), exe.path.c_str(), matches.size());
    return "";
}

void SetRefusalLogIntervalMs(int intervalMs)
{
    gRefusalIntervalMs = intervalMs;
}

bool RefusalLogDue(const char* kind, unsigned* skipped)
{
    static std::mutex mutex;
    static NoDestructor<std::map<std::string, RefusalWindow>> windows;
    std::lock_guard<std::mutex> guard(mutex);
    RefusalWindow& window = (*windows)[kind];
    const gint64 now = g_get_monotonic_time();
    if (window.loggedAtUs != 0 && now - window.loggedAtUs < gRefusalIntervalMs * G_GINT64_CONSTANT(1000)) {
        ++window.skipped;
        return false;
    }
    *skipped = window.skipped;
    window.skipped = 0;
    window.loggedAtUs = now;
    return true;
}

} // namespace launch

bool IsAppRunning(const std::string& appId)
{
    return launch::IsValidAppId(appId) && launch::IsListening(launch::SocketPath(appId));
}

} // namespace device
