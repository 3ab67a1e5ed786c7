#include "DeviceInternal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include <glib.h>
#include <glib/gstdio.h>

namespace device {
namespace internal {

FileLock::FileLock(const std::string& path)
{
    mFd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (mFd < 0)
        return;
    int rc;
    do {
        rc = flock(mFd, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
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

bool MakeDirs(const std::string& path)
{
    return !path.empty() && g_mkdir_with_parents(path.c_str(), 0755) == 0;
}

// Temporary file in the same directory, then rename: a process killed at any
// point leaves the old or the new file, never a mixture. No fsync: the host
// device only has to survive its processes dying, not power loss, and an
// fsync per key write made the stores slow.
bool MakeDir(const std::string& path)
{
    return !path.empty() && (g_mkdir(path.c_str(), 0755) == 0 || errno == EEXIST);
}

bool WriteFileAtomic(const std::string& path, const std::string& content)
{
    std::string tmp = path + ".XXXXXX";
    int fd = g_mkstemp_full(&tmp[0], O_WRONLY | O_CLOEXEC, 0644);
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
    bool ok = close(fd) == 0 && done == content.size();
    if (ok)
        ok = rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok)
        unlink(tmp.c_str());
    return ok;
}

} // namespace internal
} // namespace device
