#ifndef DEVICE_INTERNAL_H
#define DEVICE_INTERNAL_H

// Helpers shared by the host implementations of the platform interfaces.

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include <device/host.h>

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

// Tag of the host layer's own log lines (refused files and directories).
constexpr const char* kHostLogTag = "device-host";

// The root must be a directory owned by this user that nobody else can
// write; a refusal is logged with the path.
bool CheckRoot(const std::string& root);
// The last directory refusal of this thread, as logged.
std::string LastRefusal();
// mkdir -p with mode 0700 whatever the umask; every level below the root is
// checked like the root (no link, owned by this user, not writable by
// others). True when the directory exists and passed.
bool MakeDirs(const std::string& path);
// While one is alive on this thread, MakeDirs makes and checks each
// directory once: setting a device up asks for the same parents many times.
class DirCheckMemo {
public:
    DirCheckMemo();
    ~DirCheckMemo();
    DirCheckMemo(const DirCheckMemo&) = delete;
    DirCheckMemo& operator=(const DirCheckMemo&) = delete;
    bool Has(const std::string& dir) const { return mChecked.count(dir) != 0; }
    void Add(const std::string& dir) { mChecked.insert(dir); }

private:
    std::set<std::string> mChecked;
    DirCheckMemo* mOuter;
};
// One level only, checked the same way: a directory under a root that was
// removed stays absent, so a process outliving its device never brings the
// root back.
bool MakeDir(const std::string& path);

// What tells one version of a file from another, also when it was replaced
// by a rename (inode and change time, not only size and modification time).
struct FileStamp {
    unsigned long long dev = 0, ino = 0, size = 0;
    long long ctimeSec = 0, ctimeNsec = 0, mtimeSec = 0, mtimeNsec = 0;
    bool operator==(const FileStamp& other) const;
};
// ReadRegularFile that skips the read when the file still has `*stamp`
// (*unchanged true, content untouched); otherwise reads and updates *stamp.
ReadStatus ReadRegularFileIfChanged(const std::string& path, size_t maxSize, std::string* content, FileStamp* stamp,
                                    bool* unchanged);

// Atomic replacement of a file's content (temporary file + rename), mode 0600.
bool WriteFileAtomic(const std::string& path, const std::string& content);

// malloc'ed copy for texts handed to C callers, who free() them.
inline char* DupString(const std::string& text)
{
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy)
        std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

// Sets the device up on first use in this process; afterwards no system call
// until DeviceMayBeGone(), after which the next call looks at the root again
// (a removed root stays removed, see EnsureDefaultDevice).
// `root`, when given, gets the root it was about (saves the caller another
// look at the environment).
bool EnsureDevice(std::string* root = nullptr);
// A store of the root was found missing or could not be written.
void DeviceMayBeGone();

// Root(), kept per thread while the environment says the same.
const std::string& RootRef();

// The stores under a given root (VconfStorePath and PreferenceStorePath of host.h).
constexpr const char* kVconfStoreName = "/vconf/keys.ini";
std::string PreferenceStoreUnder(const std::string& root, const std::string& appId);

} // namespace internal
} // namespace device

#endif
