// Names under <root>/run and process identities of the launch transport.

#include "launch_common.h"

#include <device/host.h>
#include <device/no_destructor.h>

#include <glib.h>

#include <unistd.h>

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>

#include "DeviceInternal.h"
#include "launch_transport.h"

namespace device {
namespace launch {

namespace {

constexpr size_t kMaxAppIdLength = 128;

std::string Token()
{
    gchar* token = g_strdup_printf("%08x%08x", g_random_int(), g_random_int());
    std::string text = token;
    g_free(token);
    return text;
}

bool InRunDir(const std::string& path, const char* prefix, const char* suffix)
{
    gchar* dir = g_path_get_dirname(path.c_str());
    gchar* base = g_path_get_basename(path.c_str());
    bool ok = path.size() < 108 && RunDir() == dir && g_str_has_prefix(base, prefix) &&
              g_str_has_suffix(base, suffix) && std::strlen(base) > std::strlen(prefix) + std::strlen(suffix);
    g_free(dir);
    g_free(base);
    return ok;
}

struct RefusalWindow {
    gint64 loggedAtUs = 0;
    unsigned skipped = 0;
};

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

std::string NewReplySocketPath()
{
    return RunDir() + "/reply-" + std::to_string(getpid()) + "-" + Token() + ".sock";
}

bool IsReplySocketPath(const std::string& path)
{
    return InRunDir(path, "reply-", ".sock");
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

std::string AppIdOfProcess(pid_t pid)
{
    if (pid <= 0)
        return "";
    if (pid == getpid())
        return OwnAppId();
    return AppIdOfPeer(pid, geteuid(), ExecutableOf(pid));
}

std::string AppIdOfPeer(pid_t pid, uid_t uid, const std::string& exe)
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
    if (exe.empty())
        return "";
    std::vector<std::string> matches = AppIdsOfExecutable(exe);
    if (matches.size() == 1)
        return matches.front();
    if (matches.size() > 1)
        LAUNCH_REFUSAL("caller pid %d runs [%s], which %zu installed applications share: no identity",
                       static_cast<int>(pid), exe.c_str(), matches.size());
    return "";
}

namespace {
std::atomic<int> gRefusalIntervalMs{10000};
} // namespace

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
