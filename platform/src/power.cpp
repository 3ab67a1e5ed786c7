// Power locks, recorded per type in <root>/power/<type> so that tools and
// tests can see who holds the CPU: one group per holder pid with its app and
// expiry. An expired lock, or one whose holder died, counts as released.
// Writers hold the flock <file>.lock and replace the file.

#include <device/host.h>
#include <device/log.h>
#include <device/power.h>

#include <glib.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "DeviceInternal.h"

namespace {

constexpr const char* kPowerTag = "device-power";

const char* TypeName(power_lock_e type)
{
    switch (type) {
    case POWER_LOCK_CPU:
        return "cpu";
    case POWER_LOCK_DISPLAY:
        return "display";
    case POWER_LOCK_DISPLAY_DIM:
        return "display_dim";
    }
    return nullptr;
}

long long NowMs()
{
    return g_get_real_time() / 1000;
}

// The locks of one type; null when the file is there but refused (a link, a
// FIFO, not this user's): such a file is neither trusted nor written over.
GKeyFile* Load(const std::string& path)
{
    std::string data;
    const device::ReadStatus status = device::ReadRegularFile(path, device::kMaxStoreFileSize, &data);
    if (status != device::ReadStatus::Ok && status != device::ReadStatus::Missing)
        return nullptr;
    GKeyFile* file = g_key_file_new();
    g_key_file_load_from_data(file, data.data(), data.size(), G_KEY_FILE_NONE, nullptr);
    return file;
}

// Replaced as a whole, as the key stores are: readers never see half a file
// and need no lock.
bool Save(GKeyFile* file, const std::string& path)
{
    gsize length = 0;
    g_autofree gchar* data = g_key_file_to_data(file, &length, nullptr);
    return device::internal::WriteFileAtomic(path, std::string(data, length));
}

bool Alive(int pid)
{
    return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM);
}

// Drops expired locks and locks of dead processes.
void Prune(GKeyFile* file)
{
    const long long now = NowMs();
    g_auto(GStrv) groups = g_key_file_get_groups(file, nullptr);
    for (gchar** group = groups; group && *group; ++group) {
        long long expires = g_key_file_get_int64(file, *group, "expires_ms", nullptr);
        int pid = g_key_file_get_integer(file, *group, "pid", nullptr);
        if ((expires != 0 && expires <= now) || !Alive(pid))
            g_key_file_remove_group(file, *group, nullptr);
    }
}

std::string Holder()
{
    std::string appId = device::OwnAppId();
    return appId.empty() ? "(no app)" : appId;
}

// Edits this process's group of one lock file under its flock, after pruning
// stale holders; a device error code.
template <typename Edit> int EditLocks(const char* function, const char* name, Edit&& edit)
{
    if (device::ActiveFault(function) != device::Fault::None)
        return DEVICE_ERROR_OPERATION_FAILED;
    device::internal::EnsureDevice();
    if (!device::internal::MakeDir(device::PowerDir()))
        return DEVICE_ERROR_OPERATION_FAILED;
    const std::string path = device::PowerDir() + name;
    device::internal::FileLock lock(path + ".lock");
    if (!lock.Held())
        return DEVICE_ERROR_OPERATION_FAILED;
    g_autoptr(GKeyFile) file = Load(path);
    if (!file)
        return DEVICE_ERROR_OPERATION_FAILED;
    Prune(file);
    const std::string group = "pid " + std::to_string(getpid());
    edit(file, group.c_str());
    return Save(file, path) ? DEVICE_ERROR_NONE : DEVICE_ERROR_OPERATION_FAILED;
}

} // namespace

extern "C" int device_power_request_lock(power_lock_e type, int timeout_ms)
{
    const char* name = TypeName(type);
    if (!name || timeout_ms < 0)
        return DEVICE_ERROR_INVALID_PARAMETER;
    const int rc = EditLocks("device_power_request_lock", name, [timeout_ms](GKeyFile* file, const char* group) {
        g_key_file_set_integer(file, group, "pid", getpid());
        g_key_file_set_string(file, group, "app", device::OwnAppId().c_str());
        g_key_file_set_int64(file, group, "expires_ms", timeout_ms ? NowMs() + timeout_ms : 0);
    });
    if (rc != DEVICE_ERROR_NONE)
        return rc;
    if (timeout_ms)
        dlog_print(DLOG_INFO, kPowerTag, "%s lock requested by %s (pid %d) for %d ms", name, Holder().c_str(), getpid(),
                   timeout_ms);
    else
        dlog_print(DLOG_INFO, kPowerTag, "%s lock requested by %s (pid %d) until released", name, Holder().c_str(),
                   getpid());
    return DEVICE_ERROR_NONE;
}

extern "C" int device_power_release_lock(power_lock_e type)
{
    const char* name = TypeName(type);
    if (!name)
        return DEVICE_ERROR_INVALID_PARAMETER;
    const int rc = EditLocks("device_power_release_lock", name,
                             [](GKeyFile* file, const char* group) { g_key_file_remove_group(file, group, nullptr); });
    if (rc != DEVICE_ERROR_NONE)
        return rc;
    dlog_print(DLOG_INFO, kPowerTag, "%s lock released by %s (pid %d)", name, Holder().c_str(), getpid());
    return DEVICE_ERROR_NONE;
}

namespace device {

std::vector<PowerLock> ActivePowerLocks()
{
    std::vector<PowerLock> locks;
    for (power_lock_e type : {POWER_LOCK_CPU, POWER_LOCK_DISPLAY, POWER_LOCK_DISPLAY_DIM}) {
        const char* name = TypeName(type);
        g_autoptr(GKeyFile) file = Load(PowerDir() + name);
        if (!file)
            continue;
        Prune(file);
        g_auto(GStrv) groups = g_key_file_get_groups(file, nullptr);
        for (gchar** group = groups; group && *group; ++group) {
            PowerLock lock;
            lock.type = name;
            lock.pid = g_key_file_get_integer(file, *group, "pid", nullptr);
            g_autofree gchar* app = g_key_file_get_string(file, *group, "app", nullptr);
            lock.appId = app ? app : "";
            lock.expiresAtMs = g_key_file_get_int64(file, *group, "expires_ms", nullptr);
            locks.push_back(lock);
        }
    }
    return locks;
}

} // namespace device
