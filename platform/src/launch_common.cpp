// Names under <root>/run and process identities of the launch transport.

#include "launch_common.h"

#include <device/host.h>

#include <glib.h>

#include <unistd.h>

#include <cstring>

#include "DeviceInternal.h"

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
    bool ok = path.size() < 108 && RunDir() == dir && g_str_has_prefix(base, prefix) && g_str_has_suffix(base, suffix) &&
              std::strlen(base) > std::strlen(prefix) + std::strlen(suffix);
    g_free(dir);
    g_free(base);
    return ok;
}

std::string IdentityPath(pid_t pid)
{
    return RunDir() + "/ident/" + std::to_string(pid);
}

// Start time of a process in clock ticks since boot (field 22 of its stat
// line, counted after the command name, which may hold blanks); empty if gone.
std::string StartTime(pid_t pid)
{
    gchar* stat = nullptr;
    if (!g_file_get_contents(("/proc/" + std::to_string(pid) + "/stat").c_str(), &stat, nullptr, nullptr))
        return "";
    std::string result;
    if (const char* end = std::strrchr(stat, ')')) {
        gchar** fields = g_strsplit(end + 1, " ", 0);
        // fields[0] is empty (the blank after ')'), fields[1] is field 3.
        if (g_strv_length(fields) > 20)
            result = fields[20];
        g_strfreev(fields);
    }
    g_free(stat);
    return result;
}

std::string PublishedAppId(pid_t pid)
{
    gchar* text = nullptr;
    if (!g_file_get_contents(IdentityPath(pid).c_str(), &text, nullptr, nullptr))
        return "";
    std::string result;
    gchar** lines = g_strsplit(text, "\n", 3);
    if (lines[0] && lines[1] && lines[0][0] != '\0' && StartTime(pid) == lines[0])
        result = lines[1];
    g_strfreev(lines);
    g_free(text);
    return result;
}

std::string StartupAppId(pid_t pid)
{
    gchar* environ = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(("/proc/" + std::to_string(pid) + "/environ").c_str(), &environ, &length, nullptr))
        return "";
    const std::string prefix = std::string(kAppIdEnv) + "=";
    std::string result;
    for (gsize at = 0; at < length;) {
        const char* entry = environ + at;
        const size_t size = strnlen(entry, length - at);
        if (size >= prefix.size() && std::strncmp(entry, prefix.c_str(), prefix.size()) == 0)
            result.assign(entry + prefix.size(), size - prefix.size());
        at += size + 1;
    }
    g_free(environ);
    return result;
}

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

std::string NewRequestFilePath(const std::string& appId)
{
    return RunDir() + "/req-" + appId + "-" + Token() + ".gv";
}

std::string NewReplySocketPath()
{
    return RunDir() + "/reply-" + std::to_string(getpid()) + "-" + Token() + ".sock";
}

bool IsRequestFilePath(const std::string& path)
{
    return InRunDir(path, "req-", ".gv");
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
    std::string published = PublishedAppId(pid);
    return published.empty() ? StartupAppId(pid) : published;
}

void PublishOwnIdentity()
{
    const pid_t pid = getpid();
    const std::string appId = OwnAppId();
    const std::string path = IdentityPath(pid);
    if (appId.empty()) {
        unlink(path.c_str());
        return;
    }
    const std::string content = StartTime(pid) + "\n" + appId + "\n";
    gchar* current = nullptr;
    bool same = g_file_get_contents(path.c_str(), &current, nullptr, nullptr) && content == current;
    g_free(current);
    if (same)
        return;
    if (!internal::MakeDirs(RunDir() + "/ident") || !internal::WriteFileAtomic(path, content))
        LAUNCH_LOG("cannot publish the identity of process %d", static_cast<int>(pid));
}

} // namespace launch
} // namespace device
