// Power locks, recorded per type in <root>/power/<type> so that tools and
// tests can see who holds the CPU: one group per holder pid with its app and
// expiry. An expired lock, or one whose holder died, counts as released.

#include <device/host.h>
#include <device/log.h>
#include <device/power.h>

#include <fcntl.h>
#include <glib.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>

#include "DeviceInternal.h"

namespace {

constexpr const char* kPowerTag = "device-power";
constexpr size_t kPageSize = 4096; // the smallest page of the host

struct KeyFileDeleter {
    void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
using KeyFilePtr = std::unique_ptr<GKeyFile, KeyFileDeleter>;

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

// `data` receives the file as read, so that Save can tell an unchanged file.
KeyFilePtr Load(const std::string& path, std::string* data)
{
    KeyFilePtr file(g_key_file_new());
    data->clear();
    if (device::ReadRegularFile(path, device::kMaxStoreFileSize, data) == device::ReadStatus::Ok)
        g_key_file_load_from_data(file.get(), data->data(), data->size(), G_KEY_FILE_NONE, nullptr);
    else
        data->clear();
    return file;
}

// Writes `image` over the file's old bytes when it has their size; false
// when it is not that file any more (then the caller replaces it).
bool Overwrite(const std::string& path, const std::string& image)
{
    int fd = open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info;
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<size_t>(info.st_size) == image.size();
    ok = ok && pwrite(fd, image.data(), image.size(), 0) == static_cast<ssize_t>(image.size());
    close(fd);
    return ok;
}

// A holder that asks again for the lock it holds leaves the file as it was,
// and one that only moves its expiry writes the new bytes over the old ones:
// a file creation and a rename over a file cost more than the rest of a
// request. Under the writers' flock, one write within a page is whole or not
// at all if the writer dies, and readers take the flock shared.
bool Save(GKeyFile* file, const std::string& path, const std::string& loaded)
{
    gsize length = 0;
    gchar* data = g_key_file_to_data(file, &length, nullptr);
    std::string image(data, length);
    g_free(data);
    if (!loaded.empty() && image == loaded)
        return true;
    if (!loaded.empty() && image.size() == loaded.size() && image.size() <= kPageSize && Overwrite(path, image))
        return true;
    return device::internal::WriteFileAtomic(path, image);
}

// Shared flock on a lock file that writers made, for the life of the object;
// nothing when there is none (then there was never a writer).
class SharedLock {
public:
    explicit SharedLock(const std::string& path)
        : mFd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC))
    {
        struct stat info;
        if (mFd >= 0 && (fstat(mFd, &info) != 0 || !S_ISREG(info.st_mode))) {
            close(mFd);
            mFd = -1;
        }
        while (mFd >= 0 && flock(mFd, LOCK_SH) != 0 && errno == EINTR) {
        }
    }
    ~SharedLock()
    {
        if (mFd >= 0)
            close(mFd);
    }
    SharedLock(const SharedLock&) = delete;
    SharedLock& operator=(const SharedLock&) = delete;

private:
    int mFd;
};

bool Alive(int pid)
{
    return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM);
}

// Drops expired locks and locks of dead processes.
void Prune(GKeyFile* file)
{
    const long long now = NowMs();
    gchar** groups = g_key_file_get_groups(file, nullptr);
    for (gchar** group = groups; group && *group; ++group) {
        long long expires = g_key_file_get_int64(file, *group, "expires_ms", nullptr);
        int pid = g_key_file_get_integer(file, *group, "pid", nullptr);
        if ((expires != 0 && expires <= now) || !Alive(pid))
            g_key_file_remove_group(file, *group, nullptr);
    }
    g_strfreev(groups);
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
    std::string loaded;
    KeyFilePtr file = Load(path, &loaded);
    Prune(file.get());
    const std::string group = "pid " + std::to_string(getpid());
    edit(file.get(), group.c_str());
    return Save(file.get(), path, loaded) ? DEVICE_ERROR_NONE : DEVICE_ERROR_OPERATION_FAILED;
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
        std::string loaded;
        KeyFilePtr file;
        {
            SharedLock lock(PowerDir() + name + ".lock");
            file = Load(PowerDir() + name, &loaded);
        }
        Prune(file.get());
        gchar** groups = g_key_file_get_groups(file.get(), nullptr);
        for (gchar** group = groups; group && *group; ++group) {
            PowerLock lock;
            lock.type = name;
            lock.pid = g_key_file_get_integer(file.get(), *group, "pid", nullptr);
            gchar* app = g_key_file_get_string(file.get(), *group, "app", nullptr);
            lock.appId = app ? app : "";
            g_free(app);
            lock.expiresAtMs = g_key_file_get_int64(file.get(), *group, "expires_ms", nullptr);
            locks.push_back(lock);
        }
        g_strfreev(groups);
    }
    return locks;
}

} // namespace device
