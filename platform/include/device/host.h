#ifndef DEVICE_HOST_H
#define DEVICE_HOST_H

// Host-only seam of the platform layer: where the emulated device lives and
// what is installed on it. Nothing here exists on the real device; code of the
// service and the data layer never includes this header, tools and tests do.

#include <optional>
#include <string>
#include <vector>

namespace device {

// Environment variables that shape the host device.
constexpr const char* kRootEnv = "WEATHER_DEVICE_ROOT";   // device root directory
constexpr const char* kAppIdEnv = "WEATHER_DEVICE_APP_ID"; // identity of this process
constexpr const char* kLogStderrEnv = "WEATHER_DEVICE_LOG_STDERR"; // "1": log lines also to stderr

struct AppInfo {
    std::string appId;
    std::string pkgId;
    std::string certificate; // empty: installed unsigned
    std::string executable;  // empty: no executable on this host
};

// Root directory of the device, without a trailing "/".
std::string Root();

// Creates the default device under Root() when it has no registry yet:
// registry, package directories, default system keys. Idempotent.
bool EnsureDefaultDevice();

std::vector<AppInfo> InstalledApps();
std::optional<AppInfo> FindApp(const std::string& appId);

// Identity of the calling process: kAppIdEnv, or empty.
std::string OwnAppId();

// Per-package directories, each ending in "/".
std::string PackageDataDir(const std::string& pkgId);          // <root>/apps/<pkg>/data/
std::string PackageResourceDir(const std::string& pkgId);      // <root>/apps/<pkg>/res/
std::string PackageSharedDataDir(const std::string& pkgId);    // <root>/apps/<pkg>/shared/data/
std::string PackageSharedResourceDir(const std::string& pkgId);// <root>/apps/<pkg>/shared/res/
std::string PackageSharedTrustedDir(const std::string& pkgId); // <root>/apps/<pkg>/shared/trusted/

} // namespace device

#endif
