// Preferences: one KeyStore per package, shared by its applications.

#include <device/host.h>
#include <device/no_destructor.h>
#include <device/preference.h>

#include <cstring>
#include <mutex>
#include <optional>
#include <string>

#include <glib.h>

#include "DeviceInternal.h"
#include "KeyAccess.h"

using device::Fault;
using device::internal::ChangeAndNotify;
using device::internal::GetTyped;
using device::internal::KeyStore;
using device::internal::KeyValue;
using device::internal::KeyWatch;
using device::internal::StoreResult;
using device::internal::ValueType;

namespace {

// The store of an application's package. Finding the package reads and
// parses the registry, which took three quarters of `weatherctl show` (it
// reads the icon preference once per icon shown). The path is kept for one
// root and application while the registry keeps the stamp it had when it was
// read: registering an application or moving it to another package rewrites
// the registry and so changes the stamp.
std::string PackageStorePath(const std::string& root, const std::string& appId)
{
    struct Kept {
        std::string root, appId, path, registryPath;
        device::internal::FileStamp registry;
    };
    static NoDestructor<std::optional<Kept>> kept;
    static std::mutex mutex;
    std::lock_guard<std::mutex> guard(mutex);
    const bool same = *kept && (*kept)->root == root && (*kept)->appId == appId;
    // Taken before the read, so a registry changed meanwhile is read again.
    const std::optional<device::internal::FileStamp> stamp =
        device::internal::StampOf(same ? (*kept)->registryPath : device::RegistryPath());
    if (same && stamp && (*kept)->registry == *stamp)
        return (*kept)->path;
    std::string path = device::internal::PreferenceStoreUnder(root, appId);
    if (stamp && device::internal::Settled(*stamp))
        *kept = Kept{root, appId, path, device::RegistryPath(), *stamp};
    else
        kept->reset();
    return path;
}

// The store of the calling application's package; false without an identity.
bool OwnStore(std::string* path)
{
    std::string root;
    device::internal::EnsureDevice(&root);
    const char* appId = g_getenv(device::kAppIdEnv);
    if (!appId || !KeyStore::IsValidKey(appId) || std::strchr(appId, '/'))
        return false;
    *path = PackageStorePath(root, appId);
    return true;
}

int ToPreferenceError(StoreResult result)
{
    switch (result) {
    case StoreResult::Ok:
        return PREFERENCE_ERROR_NONE;
    case StoreResult::NoKey:
        return PREFERENCE_ERROR_NO_KEY;
    case StoreResult::InvalidKey:
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    case StoreResult::IoError:
        break;
    }
    return PREFERENCE_ERROR_IO_ERROR;
}

// The caller's store for an operation on key: the key and fault checks first.
// Reads fail only on an Error fault (others shape the value they return).
int Open(const char* function, const char* key, std::string* path, bool anyFault = true)
{
    if (!key)
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    Fault fault = device::ActiveFault(function, key);
    if (anyFault ? fault != Fault::None : fault == Fault::Error)
        return PREFERENCE_ERROR_IO_ERROR;
    return OwnStore(path) ? PREFERENCE_ERROR_NONE : PREFERENCE_ERROR_IO_ERROR;
}

int Read(const char* function, const char* key, ValueType type, KeyValue* value)
{
    std::string path;
    int rc = Open(function, key, &path, false);
    if (rc != PREFERENCE_ERROR_NONE)
        return rc;
    rc = ToPreferenceError(KeyStore(path).Get(key, value));
    if (rc == PREFERENCE_ERROR_NONE && value->type != type)
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    return rc;
}

int Write(const char* function, const char* key, const KeyValue& value)
{
    std::string path;
    int rc = Open(function, key, &path);
    if (rc != PREFERENCE_ERROR_NONE)
        return rc;
    KeyStore store(path);
    return ToPreferenceError(ChangeAndNotify(store, [&](KeyStore& s) { return s.Set(key, value); }));
}

template <typename T> int Get(const char* function, const char* key, ValueType type, T* value)
{
    return GetTyped(value, type, PREFERENCE_ERROR_NONE, PREFERENCE_ERROR_INVALID_PARAMETER,
                    [&](ValueType t, KeyValue* stored) { return Read(function, key, t, stored); });
}

} // namespace

extern "C" int preference_set_int(const char* key, int value)
{
    return Write("preference_set_int", key, KeyValue::Int(value));
}

extern "C" int preference_get_int(const char* key, int* value)
{
    return Get("preference_get_int", key, ValueType::Int, value);
}

extern "C" int preference_set_double(const char* key, double value)
{
    return Write("preference_set_double", key, KeyValue::Double(value));
}

extern "C" int preference_get_double(const char* key, double* value)
{
    return Get("preference_get_double", key, ValueType::Double, value);
}

extern "C" int preference_set_string(const char* key, const char* value)
{
    if (!value)
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    return Write("preference_set_string", key, KeyValue::String(value));
}

extern "C" int preference_get_string(const char* key, char** value)
{
    if (!value)
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    *value = nullptr;
    Fault fault = device::ActiveFault("preference_get_string", key);
    if (key && fault == Fault::Error) // checked once, for count-limited faults
        return PREFERENCE_ERROR_IO_ERROR;
    if (key && fault == Fault::Null)
        return PREFERENCE_ERROR_NONE;
    if (key && fault == Fault::Empty) {
        *value = device::internal::DupString("");
        return PREFERENCE_ERROR_NONE;
    }
    KeyValue stored;
    int rc = Read("preference_get_string", key, ValueType::String, &stored);
    if (rc != PREFERENCE_ERROR_NONE)
        return rc;
    *value = device::internal::DupString(stored.stringValue);
    return *value ? PREFERENCE_ERROR_NONE : PREFERENCE_ERROR_OUT_OF_MEMORY;
}

extern "C" int preference_set_boolean(const char* key, bool value)
{
    return Write("preference_set_boolean", key, KeyValue::Bool(value));
}

extern "C" int preference_get_boolean(const char* key, bool* value)
{
    return Get("preference_get_boolean", key, ValueType::Bool, value);
}

extern "C" int preference_remove(const char* key)
{
    std::string path;
    int rc = Open("preference_remove", key, &path);
    if (rc != PREFERENCE_ERROR_NONE)
        return rc;
    KeyStore store(path);
    return ToPreferenceError(ChangeAndNotify(store, [key](KeyStore& s) { return s.Remove(key); }));
}

extern "C" int preference_is_existing(const char* key, bool* existing)
{
    if (!existing)
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    std::string path;
    int rc = Open("preference_is_existing", key, &path);
    if (rc != PREFERENCE_ERROR_NONE)
        return rc;
    KeyValue stored;
    StoreResult result = KeyStore(path).Get(key, &stored);
    if (result != StoreResult::Ok && result != StoreResult::NoKey)
        return ToPreferenceError(result);
    *existing = result == StoreResult::Ok;
    return PREFERENCE_ERROR_NONE;
}

extern "C" int preference_remove_all(void)
{
    if (device::ActiveFault("preference_remove_all") != Fault::None)
        return PREFERENCE_ERROR_IO_ERROR;
    std::string path;
    if (!OwnStore(&path))
        return PREFERENCE_ERROR_IO_ERROR;
    KeyStore store(path);
    return ToPreferenceError(ChangeAndNotify(store, [](KeyStore& s) { return s.Clear(); }));
}

extern "C" int preference_set_changed_cb(const char* key, preference_changed_cb callback, void* user_data)
{
    if (!callback)
        return PREFERENCE_ERROR_INVALID_PARAMETER;
    std::string path;
    int rc = Open("preference_set_changed_cb", key, &path);
    if (rc != PREFERENCE_ERROR_NONE)
        return rc;
    KeyValue stored;
    StoreResult result = KeyStore(path).Get(key, &stored);
    if (result != StoreResult::Ok)
        return ToPreferenceError(result);
    // One callback per key: a new one replaces the old.
    KeyWatch& watch = KeyWatch::For(path);
    watch.Remove(key, nullptr);
    watch.Add(key, reinterpret_cast<const void*>(callback),
              [callback, user_data](const std::string& name, const KeyValue*) { callback(name.c_str(), user_data); });
    return PREFERENCE_ERROR_NONE;
}

extern "C" int preference_unset_changed_cb(const char* key)
{
    std::string path;
    int rc = Open("preference_unset_changed_cb", key, &path);
    if (rc != PREFERENCE_ERROR_NONE)
        return rc;
    if (KeyWatch::For(path).Remove(key, nullptr) > 0)
        return PREFERENCE_ERROR_NONE;
    KeyValue stored;
    StoreResult result = KeyStore(path).Get(key, &stored);
    return result == StoreResult::Ok ? PREFERENCE_ERROR_NONE : ToPreferenceError(result);
}
