#ifndef DEVICE_LAUNCH_COMMON_H
#define DEVICE_LAUNCH_COMMON_H

// Names, limits and process identities shared by the launch transport, the
// handle functions and the service-application framework of the host device
// (the protocol itself is described in launch_transport.h).

#include <device/log_line.h>

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace device {
namespace launch {

constexpr const char* kLogTag = "device-appcontrol";

// argv option of a service started by the host layer for a request: it
// listens, then takes that request from its socket before anything else.
constexpr const char* kStartArg = "--device-start";

constexpr uint32_t kRequestMagic = 0x57445251; // "WDRQ"
constexpr uint32_t kReplyMagic = 0x57445250;   // "WDRP"
constexpr size_t kFrameHeaderSize = 8;         // magic + payload length, big endian
constexpr size_t kMaxPayload = 256 * 1024;

constexpr int kAckTimeoutMs = 5000;   // sender waits this long for the receiver's verdict,
                                      // a replier as long for the sender to take its reply
constexpr int kReadTimeoutMs = 5000;  // receiver drops a connection that stalls longer
constexpr int kStartTimeoutMs = 5000; // spawner waits this long for the new socket, the new
                                      // service as long for its start request
constexpr size_t kMaxConnections = 64;

// Verdict byte a receiver writes back. A connection closed without one means
// the receiver is going away: the sender starts a fresh instance.
constexpr char kAckAccepted = 'A';
constexpr char kAckRejected = 'R';

// <root>/run and the files in it.
std::string RunDir();
std::string SocketPath(const std::string& appId);
std::string LockPath(const std::string& appId);

// Application ids become file names: letters, digits, '.', '_', '-' only.
bool IsValidAppId(const std::string& appId);

// The program a process runs, as the kernel knows it: the device and inode
// of /proc/<pid>/exe, whatever path or mount shows it; the path is for logs.
struct Executable {
    unsigned long long dev = 0;
    unsigned long long ino = 0;
    std::string path;
    bool Known() const { return ino != 0; }
    bool operator==(const Executable& other) const { return dev == other.dev && ino == other.ino; }
};
// Unknown (ino 0) when the process is gone or not ours to look at.
Executable ExecutableOf(pid_t pid);

// Identity of a process as the host layer establishes it, never as the
// process claims it: this process is its own identity; another is the one
// installed application whose registered executable is the very file it runs,
// "" when none or several are.
std::string AppIdOfProcess(pid_t pid);
// Same for a connected peer, which must also run as this user.
std::string AppIdOfPeer(pid_t pid, uid_t uid, const Executable& exe);

// Refusals caused by other processes are logged at most once per interval
// (10 s; tests shorten it) and kind; the next line logged says how many were left out.
void SetRefusalLogIntervalMs(int intervalMs);
// True when a line of this kind may be logged now; `skipped` is the number
// left out since the last one.
bool RefusalLogDue(const char* kind, unsigned* skipped);

} // namespace launch
} // namespace device

#define LAUNCH_LOG(fmt, ...) DLOG_LINE(device::launch::kLogTag, __FILE_NAME__, __func__, fmt, ##__VA_ARGS__)

#define LAUNCH_REFUSAL(fmt, ...)                                                                                       \
    do {                                                                                                               \
        unsigned skipped_ = 0;                                                                                         \
        if (device::launch::RefusalLogDue(fmt, &skipped_) && skipped_ == 0)                                            \
            LAUNCH_LOG(fmt, ##__VA_ARGS__);                                                                            \
        else if (skipped_ != 0)                                                                                        \
            LAUNCH_LOG(fmt " (%u more like it since the last line)", ##__VA_ARGS__, skipped_);                         \
    } while (0)

#endif
