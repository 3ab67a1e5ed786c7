#ifndef DEVICE_LAUNCH_COMMON_H
#define DEVICE_LAUNCH_COMMON_H

// Names, limits and helpers shared by the launch transport, the handle
// functions and the service-application framework of the host device.

#include <device/log_line.h>

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace device {
namespace launch {

constexpr const char* kLogTag = "device-appcontrol";

// Caller identity handed by the spawning host layer to a process it starts.
constexpr const char* kCallerEnv = "WEATHER_DEVICE_CALLER_ID";
// argv option naming the request file of the start request.
constexpr const char* kRequestArg = "--device-request";

constexpr uint32_t kRequestMagic = 0x57445251; // "WDRQ"
constexpr uint32_t kReplyMagic = 0x57445250;   // "WDRP"
constexpr size_t kFrameHeaderSize = 8;         // magic + payload length, big endian
constexpr size_t kMaxPayload = 256 * 1024;

constexpr int kAckTimeoutMs = 5000;   // sender waits this long for the receiver's verdict
constexpr int kReadTimeoutMs = 5000;  // receiver drops a connection that stalls longer
constexpr int kStartTimeoutMs = 5000; // spawner waits this long for the new socket
constexpr size_t kMaxConnections = 64;

// Verdict byte a receiver writes back. A connection closed without one means
// the receiver is going away: the sender starts a fresh instance.
constexpr char kAckAccepted = 'A';
constexpr char kAckRejected = 'R';

// <root>/run and the files in it.
std::string RunDir();
std::string SocketPath(const std::string& appId);
std::string LockPath(const std::string& appId);
// Fresh unique names for a start request file and a reply socket.
std::string NewRequestFilePath(const std::string& appId);
std::string NewReplySocketPath();
// True for paths that NewRequestFilePath / NewReplySocketPath can produce, so
// a received name never points outside the run directory.
bool IsRequestFilePath(const std::string& path);
bool IsReplySocketPath(const std::string& path);

// Application ids become file names: letters, digits, '.', '_', '-' only.
bool IsValidAppId(const std::string& appId);

// Identity the host layer knows for a process (empty if none): for this
// process its own; for another the identity its host layer published for its
// pid (checked against the process start time, so a reused pid never
// inherits it), else the WEATHER_DEVICE_APP_ID it was started with.
std::string AppIdOfProcess(pid_t pid);
// Publishes this process's current identity under <root>/run/ident/<pid>
// before it connects to a receiver, which looks the peer pid up there.
void PublishOwnIdentity();

} // namespace launch
} // namespace device

#define LAUNCH_LOG(fmt, ...) \
    DLOG_LINE(device::launch::kLogTag, __FILE_NAME__, __func__, fmt, ##__VA_ARGS__)

#endif
