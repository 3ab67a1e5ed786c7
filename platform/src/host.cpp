// Where the emulated device lives and what is installed on it.

#include <device/host.h>
#include <device/no_destructor.h>
#include <device/system_keys.h>

#include <glib.h>
#include <glib/gstdio.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <optional>

#include "DeviceInternal.h"
#include "KeyStore.h"
#include "ProgramTree.h"

namespace device {

namespace {

constexpr const char* kWeatherPkg = "com.velurio.weather";
constexpr const char* kPlatformCert = "velurio-platform";
constexpr const char* kCloudClientId = "com.velurio.cloud-backup-client";
constexpr const char* kStagingEnv = "WEATHER_RES_STAGING_DIR";
constexpr size_t kMaxResourceSize = 64u * 1024u * 1024u;

// An installed program registers the installed binaries by their paths; a
// build registers tokens, so that its roots work with any build directory.
std::vector<AppInfo> DefaultApps()
{
    const internal::ProgramTree& tree = internal::OwnProgramTree();
    const std::string service = tree.installed ? tree.service : kServiceBinaryToken;
    const std::string backupctl = tree.installed ? tree.backupctl : kBackupctlToken;
    return {
        {"com.velurio.weather", kWeatherPkg, kPlatformCert, "", "1.0.0"},
        {"com.velurio.weather-agent", kWeatherPkg, kPlatformCert, "", "1.0.0"},
        {"com.velurio.weather-backuprestore", kWeatherPkg, kPlatformCert, service, "1.0.0"},
        {kCloudClientId, "com.velurio.cloud-backup", kPlatformCert, backupctl, "1.0.0"},
    };
}

std::map<std::string, internal::KeyValue> DefaultSystemKeys()
{
    using internal::KeyValue;
    return {
        {SYSKEY_LANGUAGE, KeyValue::String("en_US.UTF-8")},
        {SYSKEY_COUNTRY_ISO, KeyValue::String("US")},
        {SYSKEY_TIME_FORMAT_1224, KeyValue::Int(1)},
        {SYSKEY_STANDALONE, KeyValue::Int(0)},
        {SYSKEY_RETAIL_MODE_ENABLED, KeyValue::Int(0)},
        {SYSKEY_LOCKSCREEN_WEATHER_DISPLAY, KeyValue::Bool(false)},
        {SYSKEY_TIME_CHANGED, KeyValue::Int(0)},
        {SYSKEY_TIMEZONE_ID, KeyValue::String("Etc/UTC")},
        {SYSKEY_DATE_FORMAT, KeyValue::Int(0)},
        {SYSKEY_HOST_VENDOR, KeyValue::String("")},
        {SYSKEY_HOST_CONNECTION_TYPE, KeyValue::Int(0)},
        {SYSKEY_HOST_DATA_NETWORK_STATUS, KeyValue::Int(0)},
        {SYSKEY_HOST_CONNECTED, KeyValue::Bool(false)},
        {SYSKEY_COMPANION_SERVICE_CONNECTED, KeyValue::Int(0)},
        {SYSKEY_NOTIFICATION_BRIDGE_CONNECTED, KeyValue::Int(0)},
        {SYSKEY_IOS_HOST_CONNECTED, KeyValue::Int(0)},
    };
}

std::string PackageDir(const std::string& pkgId, const char* sub)
{
    return Root() + "/apps/" + pkgId + "/" + sub;
}

bool MakePackageDirs(const std::string& pkgId)
{
    bool ok = true;
    for (const char* sub : {"data/", "res/", "shared/data/", "shared/res/", "shared/trusted/"})
        ok = internal::MakeDirs(PackageDir(pkgId, sub)) && ok;
    return ok;
}

// The registry as it is now; null when it cannot be read (missing, refused).
GKeyFile* LoadRegistry()
{
    std::string data;
    if (ReadRegularFile(RegistryPath(), kMaxStoreFileSize, &data) != ReadStatus::Ok)
        return nullptr;
    GKeyFile* file = g_key_file_new();
    g_key_file_load_from_data(file, data.data(), data.size(), G_KEY_FILE_NONE, nullptr);
    return file;
}

std::string GetText(GKeyFile* file, const char* group, const char* key)
{
    g_autofree gchar* text = g_key_file_get_string(file, group, key, nullptr);
    return text ? text : "";
}

// Executable as stored (tokens unresolved).
AppInfo ReadApp(GKeyFile* file, const char* appId)
{
    AppInfo app;
    app.appId = appId;
    app.pkgId = GetText(file, appId, "package");
    app.certificate = GetText(file, appId, "certificate");
    app.executable = GetText(file, appId, "executable");
    app.version = GetText(file, appId, "version");
    return app;
}

// Path of a registered executable, its tokens resolved in this program's tree,
// never through the environment: whoever starts a process chooses its environment.
std::string IdentityExecutable(const std::string& stored)
{
    const internal::ProgramTree& tree = internal::OwnProgramTree();
    return stored == kServiceBinaryToken ? tree.service : stored == kBackupctlToken ? tree.backupctl : stored;
}

std::vector<AppInfo> AppsOf(GKeyFile* registry)
{
    std::vector<AppInfo> apps;
    g_auto(GStrv) groups = g_key_file_get_groups(registry, nullptr);
    for (gchar** group = groups; group && *group; ++group)
        apps.push_back(ReadApp(registry, *group));
    return apps;
}

// The registry as this process last parsed it. A started service asks it
// five times (its paths, its version, its caller, the certificates): one
// parse saves a tenth of a cold backup's instructions. The parse is kept
// while the file keeps the stamp it had, settled, when it was read, so a
// change by any process (an install, a rename over it) is read again.
struct ParsedRegistry {
    std::string path;
    std::optional<internal::FileStamp> stamp; // set when this parse may be kept
    std::vector<AppInfo> apps;
};

// Calls use(apps) with the applications of the registry, parsed now or kept,
// under the lock: a caller that wants one fact copies nothing else.
template <typename Use> void UseRegistryApps(Use&& use)
{
    static NoDestructor<ParsedRegistry> parsed;
    static std::mutex mutex;
    const std::string path = RegistryPath();
    std::lock_guard<std::mutex> guard(mutex);
    // Taken before the read: a change meanwhile shows at the next look.
    const std::optional<internal::FileStamp> stamp = internal::StampOf(path);
    if (parsed->stamp && stamp && parsed->path == path && *parsed->stamp == *stamp) {
        use(parsed->apps);
        return;
    }
    g_autoptr(GKeyFile) registry = LoadRegistry();
    parsed->stamp.reset();
    parsed->apps.clear();
    if (!registry) {
        internal::DeviceMayBeGone();
        use(parsed->apps);
        return;
    }
    parsed->path = path;
    parsed->apps = AppsOf(registry);
    if (stamp && internal::Settled(*stamp))
        parsed->stamp = stamp;
    use(parsed->apps);
}

std::vector<AppInfo> RegistryApps()
{
    std::vector<AppInfo> apps;
    UseRegistryApps([&apps](const std::vector<AppInfo>& all) { apps = all; });
    return apps;
}

void WriteApp(GKeyFile* file, const AppInfo& app)
{
    const char* group = app.appId.c_str();
    g_key_file_set_string(file, group, "package", app.pkgId.c_str());
    g_key_file_set_string(file, group, "certificate", app.certificate.c_str());
    g_key_file_set_string(file, group, "executable", app.executable.c_str());
    g_key_file_set_string(file, group, "version", app.version.c_str());
}

bool SaveRegistry(GKeyFile* file)
{
    gsize length = 0;
    g_autofree gchar* data = g_key_file_to_data(file, &length, nullptr);
    return internal::WriteFileAtomic(RegistryPath(), std::string(data, length));
}

std::string SetupLockPath()
{
    return Root() + "/.setup.lock";
}

bool NewerThan(const GStatBuf& a, const GStatBuf& b)
{
    if (a.st_mtim.tv_sec != b.st_mtim.tv_sec)
        return a.st_mtim.tv_sec > b.st_mtim.tv_sec;
    return a.st_mtim.tv_nsec > b.st_mtim.tv_nsec;
}

// Copies the tree's resources into the weather package, refreshing files
// that are newer in the tree.
bool CopyTree(const std::string& from, const std::string& to)
{
    g_autoptr(GDir) dir = g_dir_open(from.c_str(), 0, nullptr);
    if (!dir)
        return true; // nothing staged
    bool ok = internal::MakeDirs(to);
    while (const gchar* name = g_dir_read_name(dir)) {
        std::string src = from + "/" + name;
        std::string dst = to + "/" + name;
        GStatBuf srcStat;
        if (g_stat(src.c_str(), &srcStat) != 0)
            continue;
        if (S_ISDIR(srcStat.st_mode)) {
            ok = CopyTree(src, dst) && ok;
            continue;
        }
        GStatBuf dstStat;
        if (g_stat(dst.c_str(), &dstStat) == 0 && !NewerThan(srcStat, dstStat))
            continue;
        std::string data;
        if (ReadRegularFile(src, kMaxResourceSize, &data) != ReadStatus::Ok) {
            ok = false;
            continue;
        }
        ok = internal::WriteFileAtomic(dst, data) && ok;
    }
    return ok;
}

std::string StagingDir()
{
    const char* env = g_getenv(kStagingEnv);
    return (env && *env) ? env : internal::OwnProgramTree().resources;
}

std::mutex gSetupMutex;
std::string gSetupRoot; // root already set up by this process
std::string gSetupError;
// gSetupRoot is taken as still complete without looking at it, until a store
// read or write finds something missing (DeviceMayBeGone).
std::atomic<bool> gSetupTrusted{false};

} // namespace

namespace {

// Root() is asked for on every key read and every log line: the answer is
// kept per thread together with the environment values it came from, so a
// test that switches the root gets the new one at its next call. The root
// itself is resolved once per process (ResolveRoot), whichever thread asks.
struct RootCache {
    bool valid = false;
    bool hasEnv = false, hasHome = false;
    std::string env, home, root;
};

bool SameValue(bool has, const std::string& kept, const char* now)
{
    return now ? has && kept == now : !has;
}

std::string ComputeRoot(const char* env, const char* home)
{
    std::string root;
    if (env && *env) {
        root = env;
    } else {
        // Never a shared directory: without HOME, the account's own home.
        std::string homeDir = (home && *home) ? home : "";
        if (homeDir.empty()) {
            struct passwd* account = getpwuid(getuid());
            if (account && account->pw_dir && account->pw_dir[0] == '/')
                homeDir = account->pw_dir;
        }
        if (homeDir.empty())
            return "";
        root = homeDir + "/.weather-device";
    }
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    return root;
}

} // namespace

const std::string& internal::RootRef()
{
    thread_local RootCache cache;
    const char* env = g_getenv(kRootEnv);
    // HOME matters only without a root of its own.
    const bool ownRoot = env && *env;
    const char* home = ownRoot ? nullptr : g_getenv("HOME");
    if (!cache.valid || !SameValue(cache.hasEnv, cache.env, env) ||
        (!ownRoot && !SameValue(cache.hasHome, cache.home, home))) {
        cache.hasEnv = env != nullptr;
        cache.env = env ? env : "";
        cache.hasHome = home != nullptr;
        cache.home = home ? home : "";
        cache.root = internal::ResolveRoot(ComputeRoot(env, home));
        cache.valid = true;
    }
    return cache.root;
}

std::string Root()
{
    return internal::RootRef();
}

std::string RegistryPath()
{
    return internal::RootRef() + "/registry.ini";
}
std::string LogPath()
{
    return internal::RootRef() + "/log/device.log";
}
std::string InboxDir()
{
    return internal::RootRef() + "/inbox/";
}
std::string PowerDir()
{
    return internal::RootRef() + "/power/";
}
std::string VconfStorePath()
{
    return internal::RootRef() + internal::kVconfStoreName;
}
std::string PreferenceStorePath(const std::string& appId)
{
    return internal::PreferenceStoreUnder(internal::RootRef(), appId);
}

std::string internal::PreferenceStoreUnder(const std::string& root, const std::string& appId)
{
    // The applications of one package share one store, whose keys name the
    // package; an application the registry does not know is its own package.
    std::string owner = appId;
    UseRegistryApps([&](const std::vector<AppInfo>& apps) {
        for (const AppInfo& app : apps) {
            if (app.appId == appId && !app.pkgId.empty() && app.pkgId.find('/') == std::string::npos &&
                app.pkgId != "." && app.pkgId != "..")
                owner = app.pkgId;
        }
    });
    return root + "/preference/" + owner + ".ini";
}

std::string PackageDataDir(const std::string& pkgId)
{
    return PackageDir(pkgId, "data/");
}
std::string PackageResourceDir(const std::string& pkgId)
{
    return PackageDir(pkgId, "res/");
}
std::string PackageSharedDataDir(const std::string& pkgId)
{
    return PackageDir(pkgId, "shared/data/");
}
std::string PackageSharedResourceDir(const std::string& pkgId)
{
    return PackageDir(pkgId, "shared/res/");
}
std::string PackageSharedTrustedDir(const std::string& pkgId)
{
    return PackageDir(pkgId, "shared/trusted/");
}

std::string OwnAppId()
{
    const char* env = g_getenv(kAppIdEnv);
    return env ? env : "";
}

std::string ServiceBinary()
{
    const char* env = g_getenv(kServiceBinaryEnv);
    return (env && *env) ? env : internal::OwnProgramTree().service;
}

std::string ResolveExecutable(const std::string& stored)
{
    if (stored == kBackupctlToken)
        return internal::OwnProgramTree().backupctl;
    return stored == kServiceBinaryToken ? ServiceBinary() : stored;
}

std::vector<std::string> AppIdsOfExecutable(unsigned long long dev, unsigned long long ino)
{
    internal::EnsureDevice();
    std::vector<std::string> ids;
    struct stat info;
    for (const AppInfo& app : RegistryApps()) {
        const std::string path = IdentityExecutable(app.executable);
        if (!path.empty() && stat(path.c_str(), &info) == 0 && info.st_dev == dev && info.st_ino == ino)
            ids.push_back(app.appId);
    }
    return ids;
}

std::string SetupError()
{
    std::lock_guard<std::mutex> guard(gSetupMutex);
    return gSetupError;
}

bool EnsureDefaultDevice()
{
    std::lock_guard<std::mutex> guard(gSetupMutex);
    const std::string root = Root();
    // A root this process set up and that was removed since stays removed.
    if (!root.empty() && gSetupRoot == root)
        return gSetupTrusted = g_file_test(RegistryPath().c_str(), G_FILE_TEST_EXISTS);
    gSetupTrusted = false;
    gSetupError.clear();
    internal::ForgetLastRefusal();
    internal::DirCheckMemo memo;
    if (root.empty()) {
        gSetupError = "no device root: set WEATHER_DEVICE_ROOT or HOME";
        return false;
    }
    // A program whose own tree others could change registers nothing.
    if (!internal::OwnProgramTree().refusal.empty()) {
        gSetupError = internal::OwnProgramTree().refusal;
        return false;
    }
    if (!internal::MakeDirs(root)) {
        gSetupError = internal::LastRefusal();
        if (gSetupError.empty())
            gSetupError = "cannot create the device root [" + root + "]";
        return false;
    }
    // Two processes may start on a fresh root at once: the first builds it,
    // the second waits and finds the registry.
    internal::FileLock lock(SetupLockPath());
    if (!lock.Held())
        return false;
    bool ok = true;
    for (const char* sub : {"/log", "/inbox", "/power", "/vconf", "/preference", "/apps"})
        ok = internal::MakeDirs(root + sub) && ok;
    const bool fresh = !g_file_test(RegistryPath().c_str(), G_FILE_TEST_EXISTS);
    if (fresh) {
        internal::KeyStore keys(VconfStorePath());
        ok = keys.SetMissing(DefaultSystemKeys()) == internal::StoreResult::Ok && ok;
        g_autoptr(GKeyFile) registry = g_key_file_new();
        for (const AppInfo& app : DefaultApps()) {
            ok = MakePackageDirs(app.pkgId) && ok;
            WriteApp(registry, app);
        }
        ok = CopyTree(StagingDir(), PackageResourceDir(kWeatherPkg)) && ok;
        // The registry comes last, only once everything else succeeded: its
        // presence means the device is complete, and a failed set-up leaves
        // no program registered.
        ok = ok && SaveRegistry(registry);
    } else if (g_autoptr(GKeyFile) registry = LoadRegistry()) {
        bool clientWithoutExecutable = false;
        for (const AppInfo& app : AppsOf(registry)) {
            ok = MakePackageDirs(app.pkgId) && ok;
            clientWithoutExecutable |= app.appId == kCloudClientId && app.executable.empty();
        }
        // Roots made before callers were known by their executable: the
        // client gets backupctl, or nobody could be the client.
        if (clientWithoutExecutable) {
            g_key_file_set_string(registry, kCloudClientId, "executable", kBackupctlToken);
            ok = SaveRegistry(registry) && ok;
        }
    } else {
        ok = false; // a registry that is not this user's: its refusal is the error
    }
    if (!fresh)
        ok = CopyTree(StagingDir(), PackageResourceDir(kWeatherPkg)) && ok;
    if (ok)
        gSetupRoot = root;
    gSetupTrusted = ok;
    if (!ok)
        gSetupError =
            internal::LastRefusal().empty() ? "cannot set up the device under [" + root + "]" : internal::LastRefusal();
    return ok;
}

namespace internal {

// Called before every key read: a root this process set up costs no system
// call until a store operation reports it may be gone.
bool EnsureDevice(std::string* root)
{
    const std::string& current = RootRef();
    if (root)
        *root = current;
    {
        std::lock_guard<std::mutex> guard(gSetupMutex);
        if (gSetupTrusted && gSetupRoot == current)
            return true;
    }
    return EnsureDefaultDevice();
}

void AdoptSendersDevice()
{
    std::lock_guard<std::mutex> guard(gSetupMutex);
    const std::string root = Root();
    if (root.empty() || !g_file_test(RegistryPath().c_str(), G_FILE_TEST_IS_REGULAR))
        return;
    gSetupRoot = root;
    gSetupTrusted = true;
}

// No lock: stores report from under the setup itself.
void DeviceMayBeGone()
{
    gSetupTrusted = false;
}

} // namespace internal

std::vector<AppInfo> InstalledApps()
{
    internal::EnsureDevice();
    std::vector<AppInfo> apps = RegistryApps();
    for (AppInfo& app : apps)
        app.executable = ResolveExecutable(app.executable);
    return apps;
}

std::optional<AppInfo> FindApp(const std::string& appId)
{
    internal::EnsureDevice();
    if (appId.empty())
        return std::nullopt;
    for (AppInfo& app : RegistryApps()) {
        if (app.appId == appId) {
            app.executable = ResolveExecutable(app.executable);
            return app;
        }
    }
    return std::nullopt;
}

bool InstallApp(const AppInfo& app)
{
    // Both ids become file names (package directories, preference stores, inboxes).
    auto safeName = [](const std::string& name) {
        return internal::KeyStore::IsValidKey(name) && name.find('/') == std::string::npos && name != "." &&
               name != "..";
    };
    if (!safeName(app.appId) || !safeName(app.pkgId))
        return false;
    if (!internal::EnsureDevice())
        return false;
    internal::FileLock lock(SetupLockPath());
    if (!lock.Held())
        return false;
    g_autoptr(GKeyFile) registry = LoadRegistry();
    if (!registry)
        return false;
    WriteApp(registry, app);
    return MakePackageDirs(app.pkgId) && SaveRegistry(registry);
}

bool UninstallApp(const std::string& appId)
{
    if (!internal::EnsureDevice())
        return false;
    internal::FileLock lock(SetupLockPath());
    if (!lock.Held())
        return false;
    g_autoptr(GKeyFile) registry = LoadRegistry();
    if (!registry || !g_key_file_remove_group(registry, appId.c_str(), nullptr))
        return false;
    return SaveRegistry(registry);
}

} // namespace device
