#ifndef DEVICE_INTERNAL_H
#define DEVICE_INTERNAL_H

// Helpers shared by the host implementations of the platform interfaces.

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include <device/host.h>
#include <device/trusted_file.h>
#include <device/unique_fd.h>

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
    bool Held() const { return mFd.Valid(); }

private:
    UniqueFd mFd;
};

// Tag of the host layer's own log lines (refused files and directories).
constexpr const char* kHostLogTag = "device-host";

// Resolves `path` one link at a time, each link this user's or root's, every
// directory on the way under the trusted-directory rule (see
// device/trusted_file.h); levels that do not exist yet are kept as given.
// False with the refusal naming the level that failed, or `path` when it
// must be a `directory` and leads to something else.
bool ResolveTrusted(const std::string& path, std::string* resolved, std::string* refusal, bool directory);

// While one is alive on this thread, refusals are neither logged nor kept
// as LastRefusal: the log opens its own file through the seam, in the middle
// of logging another refusal.
class QuietRefusals {
public:
    QuietRefusals();
    ~QuietRefusals();
    QuietRefusals(const QuietRefusals&) = delete;
    QuietRefusals& operator=(const QuietRefusals&) = delete;

private:
    std::string mKept;
};
// OpenTrustedFile without a log line.
FileTrust OpenQuietly(const std::string& path, int flags, UniqueFd* fd, mode_t mode);

// The root as this process uses it: made absolute, with the links of this
// user (or root's, above the root) resolved, once per configured path for the
// life of the process. A link of another user is not followed; the root it
// gives is then refused by CheckRoot.
std::string ResolveRoot(const std::string& configured);
// The root must be a trusted directory (not a link) that neither group nor
// others may even enter; a refusal is logged with the path.
bool CheckRoot(const std::string& root);
// The last refusal of a directory or a file of this thread, as logged.
std::string LastRefusal();
void ForgetLastRefusal();
// mkdir -p with mode 0700 whatever the umask; every level below the root is
// checked as a trusted directory. True when the directory exists and passed.
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
// A process the device started for a request: its sender set the root up,
// directories and resources, just before it spawned it. The root counts as
// set up when its registry is there, so that the first request does not
// redo the set-up (a lock, some forty directories, the resource tree).
void AdoptSendersDevice();
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
