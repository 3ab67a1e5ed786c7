// Files and directories under the device root: private to the user whatever
// the umask, and read only when they are what they claim to be.

#include "DeviceInternal.h"

#include <device/host.h>
#include <device/no_destructor.h>
#include <device/log_line.h>
#include <device/unique_fd.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

#include <glib.h>
#include <glib/gstdio.h>

#define FILES_LOG(fmt, ...) DLOG_LINE(device::internal::kHostLogTag, __FILE_NAME__, __func__, fmt, ##__VA_ARGS__)

namespace device {
namespace internal {

namespace {

thread_local std::string tLastRefusal;

#define REFUSE(fmt, ...)                                                                                               \
    do {                                                                                                               \
        g_autofree gchar* reason_ = g_strdup_printf(fmt, ##__VA_ARGS__);                                               \
        ::device::internal::tLastRefusal = reason_;                                                                    \
        FILES_LOG("%s", reason_);                                                                                      \
    } while (0)

// Directory check shared by the root and everything made under it. Never
// follows a final link: the root was resolved once (ResolveRoot), so a link
// found there now is one somebody planted since.
bool CheckDir(const std::string& path)
{
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) {
        REFUSE("refused directory [%s]: %s", path.c_str(), g_strerror(errno));
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        REFUSE("refused directory [%s]: %s", path.c_str(),
               S_ISLNK(info.st_mode) ? "a symbolic link" : "not a directory");
        return false;
    }
    if (info.st_uid != geteuid()) {
        REFUSE("refused directory [%s]: owned by uid %u, not by this user (uid %u)", path.c_str(),
               static_cast<unsigned>(info.st_uid), static_cast<unsigned>(geteuid()));
        return false;
    }
    if (info.st_mode & (S_IWGRP | S_IWOTH)) {
        REFUSE("refused directory [%s]: writable by others (mode %03o)", path.c_str(),
               static_cast<unsigned>(info.st_mode & 07777));
        return false;
    }
    return true;
}

// Whoever may rename an ancestor of the root may swap the whole device: each
// must be a real directory of this user or root, and one that others can
// write needs the sticky bit (as /tmp has).
bool CheckAncestors(const std::string& root)
{
    for (size_t at = root.find('/', 1); at != std::string::npos && at < root.size(); at = root.find('/', at + 1)) {
        const std::string level = root.substr(0, at);
        struct stat info;
        if (lstat(level.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            REFUSE("refused directory [%s]: not a directory any more", level.c_str());
            return false;
        }
        if (info.st_uid != geteuid() && info.st_uid != 0) {
            REFUSE("refused directory [%s]: owned by uid %u, neither this user (uid %u) nor root", level.c_str(),
                   static_cast<unsigned>(info.st_uid), static_cast<unsigned>(geteuid()));
            return false;
        }
        if ((info.st_mode & (S_IWGRP | S_IWOTH)) && !(info.st_mode & S_ISVTX)) {
            REFUSE("refused directory [%s]: writable by others without the sticky bit (mode %03o)", level.c_str(),
                   static_cast<unsigned>(info.st_mode & 07777));
            return false;
        }
    }
    struct stat top;
    if (lstat("/", &top) == 0 && (top.st_mode & (S_IWGRP | S_IWOTH)) && !(top.st_mode & S_ISVTX)) {
        REFUSE("refused directory [/]: writable by others without the sticky bit (mode %03o)",
               static_cast<unsigned>(top.st_mode & 07777));
        return false;
    }
    return true;
}

bool MakeOne(const std::string& path)
{
    if (g_mkdir(path.c_str(), 0700) == 0) {
        chmod(path.c_str(), 0700); // a umask that removes owner bits too
        return true;
    }
    return errno == EEXIST;
}

thread_local DirCheckMemo* tMemo = nullptr;

bool Checked(const std::string& dir)
{
    return tMemo && tMemo->Has(dir);
}

void Remember(const std::string& dir)
{
    if (tMemo)
        tMemo->Add(dir);
}

// Roots as configured and as resolved, for the life of the process: a link
// flipped later cannot move a device that is in use.
struct Resolution {
    std::string resolved;
    std::string refusal; // why the configured path cannot be a root, "" if it can
};

std::mutex gResolutionMutex;

std::map<std::string, Resolution>& Resolutions()
{
    static NoDestructor<std::map<std::string, Resolution>> resolutions;
    return *resolutions;
}

Resolution Resolve(const std::string& configured)
{
    Resolution result;
    std::string path = configured;
    if (path.front() != '/') {
        g_autofree gchar* cwd = g_get_current_dir();
        path = std::string(cwd) + "/" + path;
    }
    // Walk the levels that exist: a link is followed only when it is this
    // user's (or, above the root, root's): another user could point it
    // elsewhere at any time.
    std::string done;
    size_t at = 0;
    while (at < path.size()) {
        const size_t next = std::min(path.find('/', at + 1), path.size());
        const std::string level = path.substr(0, next);
        struct stat info;
        if (lstat(level.c_str(), &info) != 0)
            break;
        const bool last = next == path.size();
        if (S_ISLNK(info.st_mode) && info.st_uid != geteuid() && (last || info.st_uid != 0)) {
            result.refusal = "refused directory [" + level + "]: a symbolic link of uid " +
                             std::to_string(info.st_uid) + ", not of this user (uid " + std::to_string(geteuid()) + ")";
            result.resolved = configured;
            return result;
        }
        done = level;
        at = next;
    }
    // The levels that exist made canonical, the missing ones as given.
    char* real = done.empty() ? nullptr : realpath(done.c_str(), nullptr);
    result.resolved = real ? std::string(real) + path.substr(done.size()) : path;
    free(real);
    while (result.resolved.size() > 1 && result.resolved.back() == '/')
        result.resolved.pop_back();
    return result;
}

} // namespace

std::string ResolveRoot(const std::string& configured)
{
    if (configured.empty())
        return configured;
    std::lock_guard<std::mutex> guard(gResolutionMutex);
    auto found = Resolutions().find(configured);
    if (found == Resolutions().end())
        found = Resolutions().emplace(configured, Resolve(configured)).first;
    return found->second.resolved;
}

DirCheckMemo::DirCheckMemo() : mOuter(tMemo)
{
    tMemo = this;
}

DirCheckMemo::~DirCheckMemo()
{
    tMemo = mOuter;
}

std::string LastRefusal()
{
    return tLastRefusal;
}

void ForgetLastRefusal()
{
    tLastRefusal.clear();
}

FileLock::FileLock(const std::string& path)
    : mFd(open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600))
{
    if (!mFd)
        return;
    struct stat info;
    int rc = fstat(mFd.Get(), &info) == 0 && S_ISREG(info.st_mode) ? 0 : -1;
    if (rc != 0)
        FILES_LOG("refused lock file [%s]: not a regular file", path.c_str());
    while (rc == 0 && (rc = flock(mFd.Get(), LOCK_EX)) != 0 && errno == EINTR)
        rc = 0;
    if (rc != 0)
        mFd.Reset();
}

FileLock::~FileLock() = default; // closing the descriptor drops the flock

bool CheckRoot(const std::string& root)
{
    if (root.empty())
        return false;
    {
        std::lock_guard<std::mutex> guard(gResolutionMutex);
        for (const auto& entry : Resolutions()) {
            if (entry.second.resolved == root && !entry.second.refusal.empty()) {
                tLastRefusal = entry.second.refusal;
                FILES_LOG("%s", tLastRefusal.c_str());
                return false;
            }
        }
    }
    return CheckAncestors(root) && CheckDir(root);
}

bool MakeDirs(const std::string& path)
{
    std::string dir = path;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    if (dir.empty())
        return false;
    const std::string root = Root();
    // Below the root every level is made and checked; the root itself is
    // checked, and made (with its parents) only when missing.
    const bool underRoot =
        dir.size() > root.size() && dir.compare(0, root.size(), root) == 0 && dir[root.size()] == '/';
    if (!underRoot) {
        if (g_mkdir_with_parents(dir.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        return dir == root ? CheckRoot(dir) : CheckDir(dir);
    }
    if (!Checked(root)) {
        if (!CheckRoot(root))
            return false;
        Remember(root);
    }
    for (size_t at = root.size() + 1; at <= dir.size(); ++at) {
        if (at != dir.size() && dir[at] != '/')
            continue;
        const std::string level = dir.substr(0, at);
        if (Checked(level))
            continue;
        if (!MakeOne(level) || !CheckDir(level))
            return false;
        Remember(level);
    }
    return true;
}

bool MakeDir(const std::string& path)
{
    return !path.empty() && MakeOne(path) && CheckDir(path);
}

bool WriteFileAtomic(const std::string& path, const std::string& content)
{
    std::string tmp = path + ".XXXXXX";
    UniqueFd fd(g_mkstemp_full(&tmp[0], O_WRONLY | O_CLOEXEC, 0600));
    if (!fd)
        return false;
    size_t done = 0;
    while (done < content.size()) {
        ssize_t n = write(fd.Get(), content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    // No fsync: the host device only has to survive its processes dying, not
    // power loss, and an fsync per key write made the stores slow.
    bool ok = fchmod(fd.Get(), 0600) == 0;
    ok = fd.Reset() == 0 && ok && done == content.size();
    if (ok)
        ok = rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok)
        unlink(tmp.c_str());
    return ok;
}

} // namespace internal

bool MakePrivateDirs(const std::string& path)
{
    return internal::MakeDirs(path);
}

bool WritePrivateFile(const std::string& path, const std::string& content)
{
    return internal::WriteFileAtomic(path, content);
}

ReadStatus ReadRegularFile(const std::string& path, size_t maxSize, std::string* content)
{
    content->clear();
    // O_NONBLOCK: opening a FIFO never waits for a writer; it is refused below.
    UniqueFd fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd) {
        if (errno == ENOENT || errno == ENOTDIR)
            return ReadStatus::Missing;
        REFUSE("refused file [%s]: %s", path.c_str(), errno == ELOOP ? "a symbolic link" : g_strerror(errno));
        return ReadStatus::Refused;
    }
    struct stat info;
    if (fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        REFUSE("refused file [%s]: not a regular file", path.c_str());
        return ReadStatus::Refused;
    }
    // What these files say decides what runs and whom to trust: only this
    // user (or root, for what an installation put there) may have written it.
    if (info.st_uid != geteuid() && info.st_uid != 0) {
        REFUSE("refused file [%s]: owned by uid %u, neither this user (uid %u) nor root", path.c_str(),
               static_cast<unsigned>(info.st_uid), static_cast<unsigned>(geteuid()));
        return ReadStatus::Refused;
    }
    if (info.st_mode & (S_IWGRP | S_IWOTH)) {
        REFUSE("refused file [%s]: writable by others (mode %03o)", path.c_str(),
               static_cast<unsigned>(info.st_mode & 07777));
        return ReadStatus::Refused;
    }
    if (static_cast<unsigned long long>(info.st_size) > maxSize) {
        REFUSE("refused file [%s]: %lld bytes, more than %zu", path.c_str(), static_cast<long long>(info.st_size),
               maxSize);
        return ReadStatus::TooLarge;
    }
    // One byte beyond the limit, so a file that grew meanwhile is refused, not cut.
    content->resize(std::min(maxSize + 1, static_cast<size_t>(info.st_size) + 4096));
    size_t got = 0;
    for (;;) {
        if (got == content->size()) {
            if (got > maxSize)
                break;
            content->resize(std::min(maxSize + 1, got * 2));
        }
        ssize_t n = read(fd.Get(), &(*content)[got], content->size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            REFUSE("cannot read [%s]: %s", path.c_str(), g_strerror(errno));
            content->clear();
            return ReadStatus::Refused;
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    if (got > maxSize) {
        REFUSE("refused file [%s]: more than %zu bytes", path.c_str(), maxSize);
        content->clear();
        return ReadStatus::TooLarge;
    }
    content->resize(got);
    return ReadStatus::Ok;
}

} // namespace device
