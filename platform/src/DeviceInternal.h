#ifndef DEVICE_INTERNAL_H
#define DEVICE_INTERNAL_H

// Helpers shared by the host implementations of the platform interfaces.

#include <cstdlib>
#include <cstring>
#include <string>

namespace device {
namespace internal {

// Exclusive flock on a lock file, held for the object's life. The kernel drops
// it when the holder dies, so a killed writer never blocks the others.
class FileLock {
public:
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Held() const { return mFd >= 0; }

private:
    int mFd = -1;
};

// mkdir -p with mode 0755; true when the directory exists afterwards.
bool MakeDirs(const std::string& path);
// One level only: a directory under a root that was removed stays absent, so
// a process outliving its device never brings the root back.
bool MakeDir(const std::string& path);

// Atomic replacement of a file's content (temporary file + rename).
bool WriteFileAtomic(const std::string& path, const std::string& content);

// malloc'ed copy for texts handed to C callers, who free() them.
inline char* DupString(const std::string& text)
{
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy)
        std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

// Sets the device up on first use in this process (cheap afterwards).
bool EnsureDevice();

} // namespace internal
} // namespace device

#endif
