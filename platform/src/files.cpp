// Files and directories under the device root: private to the user whatever
// the umask, and read only when they are what they claim to be.

#include "DeviceInternal.h"

#include <device/host.h>
#include <device/log_line.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstdio>

#include <glib.h>
#include <glib/gstdio.h>

#define FILES_LOG(fmt, ...) DLOG_LINE(device::internal::kHostLogTag, __FILE_NAME__, __func__, fmt, ##__VA_ARGS__)

namespace device {
namespace internal {

namespace {

thread_local std::string tLastRefusal;

#define REFUSE_DIR(fmt, ...)                                                                                           \
    do {                                                                                                               \
        gchar* reason_ = g_strdup_printf(fmt, ##__VA_ARGS__);                                                          \
        tLastRefusal = reason_;                                                                                        \
        FILES_LOG("%s", reason_);                                                                                      \
        g_free(reason_);                                                                                               \
    } while (0)

// Directory check shared by the root and everything made under it. `follow`
// only for the root, which a user may keep behind a link of their own.
bool CheckDir(const std::string& path, bool follow)
{
    struct stat info;
    if ((follow ? stat(path.c_str(), &info) : lstat(path.c_str(), &info)) != 0) {
        REFUSE_DIR("refused directory [%s]: %s", path.c_str(), g_strerror(errno));
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        REFUSE_DIR("refused directory [%s]: not a directory", path.c_str());
        return false;
    }
    if (info.st_uid != geteuid()) {
        REFUSE_DIR("refused directory [%s]: owned by uid %u, not by this user (uid %u)", path.c_str(),
                   static_cast<unsigned>(info.st_uid), static_cast<unsigned>(geteuid()));
        return false;
    }
    if (info.st_mode & (S_IWGRP | S_IWOTH)) {
        REFUSE_DIR("refused directory [%s]: writable by others (mode %03o)", path.c_str(),
                   static_cast<unsigned>(info.st_mode & 07777));
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

} // namespace

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

FileLock::FileLock(const std::string& path)
{
    mFd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (mFd < 0)
        return;
    struct stat info;
    int rc = fstat(mFd, &info) == 0 && S_ISREG(info.st_mode) ? 0 : -1;
    if (rc != 0)
        FILES_LOG("refused lock file [%s]: not a regular file", path.c_str());
    while (rc == 0 && (rc = flock(mFd, LOCK_EX)) != 0 && errno == EINTR)
        rc = 0;
    if (rc != 0) {
        close(mFd);
        mFd = -1;
    }
}

FileLock::~FileLock()
{
    if (mFd >= 0) {
        flock(mFd, LOCK_UN);
        close(mFd);
    }
}

bool CheckRoot(const std::string& root)
{
    return !root.empty() && CheckDir(root, true);
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
        return dir == root ? CheckRoot(dir) : CheckDir(dir, true);
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
        if (!MakeOne(level) || !CheckDir(level, false))
            return false;
        Remember(level);
    }
    return true;
}

bool MakeDir(const std::string& path)
{
    return !path.empty() && MakeOne(path) && CheckDir(path, false);
}

bool WriteFileAtomic(const std::string& path, const std::string& content)
{
    std::string tmp = path + ".XXXXXX";
    int fd = g_mkstemp_full(&tmp[0], O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < content.size()) {
        ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    // No fsync: the host device only has to survive its processes dying, not
    // power loss, and an fsync per key write made the stores slow.
    bool ok = fchmod(fd, 0600) == 0 && close(fd) == 0 && done == content.size();
    if (ok)
        ok = rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok)
        unlink(tmp.c_str());
    return ok;
}

} // namespace internal

namespace internal {

bool FileStamp::operator==(const FileStamp& o) const
{
    return dev == o.dev && ino == o.ino && size == o.size && ctimeSec == o.ctimeSec && ctimeNsec == o.ctimeNsec &&
           mtimeSec == o.mtimeSec && mtimeNsec == o.mtimeNsec;
}

namespace {

FileStamp StampOf(const struct stat& info)
{
    return {static_cast<unsigned long long>(info.st_dev),
            static_cast<unsigned long long>(info.st_ino),
            static_cast<unsigned long long>(info.st_size),
            info.st_ctim.tv_sec,
            info.st_ctim.tv_nsec,
            info.st_mtim.tv_sec,
            info.st_mtim.tv_nsec};
}

} // namespace

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
    bool unchanged = false;
    return internal::ReadRegularFileIfChanged(path, maxSize, content, nullptr, &unchanged);
}

ReadStatus internal::ReadRegularFileIfChanged(const std::string& path, size_t maxSize, std::string* content,
                                              FileStamp* stamp, bool* unchanged)
{
    *unchanged = false;
    // The common case, a version already read, costs one lstat by path: it
    // follows no link and never opens (so never blocks on a FIFO). Anything
    // else is read through the checks below.
    if (stamp && !(*stamp == FileStamp{})) {
        struct stat seen;
        if (lstat(path.c_str(), &seen) == 0 && S_ISREG(seen.st_mode) &&
            static_cast<unsigned long long>(seen.st_size) <= maxSize && StampOf(seen) == *stamp) {
            *unchanged = true;
            return ReadStatus::Ok;
        }
    }
    // O_NONBLOCK: opening a FIFO never waits for a writer; it is refused below.
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        content->clear();
        if (stamp)
            *stamp = {};
        if (errno == ENOENT || errno == ENOTDIR)
            return ReadStatus::Missing;
        FILES_LOG("refused file [%s]: %s", path.c_str(), errno == ELOOP ? "a symbolic link" : g_strerror(errno));
        return ReadStatus::Refused;
    }
    struct stat info;
    ReadStatus status = ReadStatus::Ok;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        FILES_LOG("refused file [%s]: not a regular file", path.c_str());
        content->clear();
        status = ReadStatus::Refused;
    } else if (static_cast<unsigned long long>(info.st_size) > maxSize) {
        FILES_LOG("refused file [%s]: %lld bytes, more than %zu", path.c_str(), static_cast<long long>(info.st_size),
                  maxSize);
        content->clear();
        status = ReadStatus::TooLarge;
    } else if (stamp && *stamp == StampOf(info)) {
        *unchanged = true;
    } else {
        content->clear();
        if (stamp)
            *stamp = StampOf(info);
        // One byte beyond the limit, so a file that grew meanwhile is refused, not cut.
        content->resize(maxSize + 1 < static_cast<size_t>(info.st_size) + 4096
                            ? maxSize + 1
                            : static_cast<size_t>(info.st_size) + 4096);
        size_t got = 0;
        for (;;) {
            if (got == content->size()) {
                if (got > maxSize)
                    break;
                content->resize(std::min(maxSize + 1, got * 2));
            }
            ssize_t n = read(fd, &(*content)[got], content->size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                FILES_LOG("cannot read [%s]: %s", path.c_str(), g_strerror(errno));
                status = ReadStatus::Refused;
                break;
            }
            if (n == 0)
                break;
            got += static_cast<size_t>(n);
        }
        if (status == ReadStatus::Ok && got > maxSize) {
            FILES_LOG("refused file [%s]: more than %zu bytes", path.c_str(), maxSize);
            status = ReadStatus::TooLarge;
        }
        content->resize(status == ReadStatus::Ok ? got : 0);
    }
    if (status != ReadStatus::Ok && stamp)
        *stamp = {};
    close(fd);
    return status;
}

} // namespace device
