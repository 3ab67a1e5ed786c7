#ifndef DEVICE_HOST_H
#define DEVICE_HOST_H

// Host-only seam of the platform layer: where the emulated device lives and
// what is installed on it. Nothing here exists on the real device; code of the
// service and the data layer never includes this header, tools and tests do.

#include <device/app_control.h>

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace device {

// Environment variables that shape the host device.
constexpr const char* kRootEnv = "WEATHER_DEVICE_ROOT";            // device root directory
constexpr const char* kAppIdEnv = "WEATHER_DEVICE_APP_ID";         // identity of this process
constexpr const char* kLogStderrEnv = "WEATHER_DEVICE_LOG_STDERR"; // "1": log lines also to stderr

constexpr const char* kFaultsEnv = "WEATHER_DEVICE_FAULTS";         // "name=error,name2=null*2,name3=empty"
constexpr const char* kServiceBinaryEnv = "WEATHER_SERVICE_BINARY"; // overrides the tree's service path
// String system keys this process reads in place of the device's, which it
// may not write: lets a tool show the device in another language while the
// device keeps its own keys. Made by StringKeyOverlay.
constexpr const char* kKeyOverlayEnv = "WEATHER_DEVICE_KEY_OVERLAY";

// Registry token that stands for the service binary of the running program's
// tree (its build directory or installed prefix, found from /proc/self/exe),
// so one device root works with any build directory. A root made by an
// installed program names the installed binaries instead.
constexpr const char* kServiceBinaryToken = "@weather-backup-restore";
// Same for the cloud backup client, which is backupctl on the host.
constexpr const char* kBackupctlToken = "@backupctl";

// The kKeyOverlayEnv value that gives each key its value.
std::string StringKeyOverlay(const std::vector<std::pair<std::string, std::string>>& keys);

struct AppInfo {
    std::string appId;
    std::string pkgId;
    std::string certificate; // empty: installed unsigned
    std::string executable;  // empty: no executable on this host
    std::string version = "1.0.0";
};

// Root directory of the device, without a trailing "/": kRootEnv, else
// $HOME/.weather-device, else the home directory of this user's account;
// empty when none is known (never a shared directory).
std::string Root();
// Why the last EnsureDefaultDevice() of this process failed ("" if it did not).
std::string SetupError();

// Directories and files under the root for the host's own libraries: mkdir -p
// 0700 with every level checked (see EnsureDefaultDevice), and atomic 0600
// replacement of a file. False on failure, logged: directories made before
// the failing level stay; a failed write leaves the old file whole.
bool MakePrivateDirs(const std::string& path);
bool WritePrivateFile(const std::string& path, const std::string& content);

// Reads a file under the device root: opened without following a link and
// without blocking, checked to be a regular file of this user (or root) that
// neither group nor others can write, at most maxSize bytes. Anything else is
// refused with a log line naming the path.
enum class ReadStatus { Ok, Missing, TooLarge, Refused };
ReadStatus ReadRegularFile(const std::string& path, size_t maxSize, std::string* content);
constexpr size_t kMaxStoreFileSize = 4u * 1024u * 1024u; // registry, key stores, tickets, meta files

// Creates the default device under Root() when it has no registry yet.
// Refuses (false, SetupError() names the path) a root or a directory in it
// that is not this user's own or that others can write:
// registry, package directories, default system keys; safe when processes
// start together. The first call in a process also refreshes the weather package's
// resources from its tree (<build>/res, <prefix>/share/<package>/res, or
// $WEATHER_RES_STAGING_DIR). Idempotent. A root this
// process set up and that was removed since is not made again (false).
bool EnsureDefaultDevice();

// Installed applications; `executable` comes back resolved (the registry
// keeps kServiceBinaryToken, these return the binary path).
std::vector<AppInfo> InstalledApps();
std::optional<AppInfo> FindApp(const std::string& appId);

// Adds or replaces one application in the registry and creates its package
// directories. Used by tests and devicectl to install strangers and unsigned apps.
bool InstallApp(const AppInfo& app);
// Removes the application from the registry (package directories stay).
bool UninstallApp(const std::string& appId);

// Path of the service binary: kServiceBinaryEnv, else the one of this program's tree.
std::string ServiceBinary();
// Executable as stored, with kServiceBinaryToken resolved.
std::string ResolveExecutable(const std::string& stored);

// True when a process of the application listens for requests now.
bool IsAppRunning(const std::string& appId);

// Identity of the calling process: kAppIdEnv, or empty. It names this
// process's own files; other processes never take it as proof of who it is.
std::string OwnAppId();

// Installed applications whose executable is the file with this device and
// inode (as stat of /proc/<pid>/exe gives them): the program itself, not a
// path, which a bind mount can put another program behind. Tokens resolve to
// this build's binaries, never through the environment. How the layer tells
// who a connecting process is.
std::vector<std::string> AppIdsOfExecutable(unsigned long long dev, unsigned long long ino);

// Per-package directories, each ending in "/".
std::string PackageDataDir(const std::string& pkgId);           // <root>/apps/<pkg>/data/
std::string PackageResourceDir(const std::string& pkgId);       // <root>/apps/<pkg>/res/
std::string PackageSharedDataDir(const std::string& pkgId);     // <root>/apps/<pkg>/shared/data/
std::string PackageSharedResourceDir(const std::string& pkgId); // <root>/apps/<pkg>/shared/res/
std::string PackageSharedTrustedDir(const std::string& pkgId);  // <root>/apps/<pkg>/shared/trusted/

// Fixed places under Root().
std::string RegistryPath(); // <root>/registry.ini
std::string LogPath();      // <root>/log/device.log
// The log is rotated past this size into LogPath() + ".1" (one generation).
constexpr size_t kMaxLogBytes = 1024u * 1024u;
std::string InboxDir();       // <root>/inbox/
std::string PowerDir();       // <root>/power/
std::string VconfStorePath(); // <root>/vconf/keys.ini
// <root>/preference/<package>.ini: the store of the application's package,
// which all applications of the package share (<app> when not registered).
std::string PreferenceStorePath(const std::string& appId);

// Contents of the typed stores, for tools: type is "int", "bool", "double"
// or "string".
struct StoredKey {
    std::string key;
    std::string type;
    std::string value;
};
std::vector<StoredKey> SystemKeys();
std::vector<StoredKey> Preferences(const std::string& appId);
// Application ids that have a preference store.
std::vector<std::string> PreferenceOwners();

// The launch request whose app-control callback is running in this process,
// null outside one. The cloud library stand-in takes the parameters of a job
// registered during that callback from it. Tests that drive the library
// without the service framework set it themselves (null to clear).
app_control_h DispatchingRequest();
void SetDispatchingRequest(app_control_h request);

// A service refuses to run unless the device started it for a request. Tests
// that run service_app_main inside their own process, where nobody sends a
// start request, allow it here (in code: nothing a requester can set).
void AllowServiceWithoutStartRequest(bool allow);
// A running service ends, with one log line and without its terminate
// callback, this long after the last request it accepted (150 s), even when
// its main loop is blocked. Tests shorten it for services in their process.
void SetLastResortAlarmMs(int ms);

// Fault injection, per process. A fault named after a platform function
// ("app_manager_get_shared_data_path", "vconf_get_int", ...) makes that
// function fail: Error returns its error code, Null succeeds with a NULL text,
// Empty succeeds with "". Functions that return no text treat Null and Empty
// as Error. "function:key" limits a store fault to one key. Faults also come
// from kFaultsEnv so a test can inject them into another process.
enum class Fault { None, Error, Null, Empty };
void SetFault(const std::string& name, Fault fault);
// Count-limited form: the fault holds for the next `calls` checks of it, then
// is gone, so a call can fail once and then succeed (each function checks its
// fault once per call). Env form: "name=error*1", counted per process;
// ClearFaults() starts the env counts again. `calls` 0: no limit.
void SetFault(const std::string& name, Fault fault, unsigned calls);
void ClearFault(const std::string& name);
void ClearFaults();
// Fault in force for `name` (or "name:key" when key is given); None if none.
Fault ActiveFault(const char* name, const char* key = nullptr);

// CPU / display locks held on the device, as recorded under PowerDir().
// Expired locks and locks of dead processes are not listed.
struct PowerLock {
    std::string type; // "cpu", "display", "display_dim"
    int pid = 0;
    std::string appId;
    long long expiresAtMs = 0; // 0: until released
};
std::vector<PowerLock> ActivePowerLocks();

} // namespace device

#endif
