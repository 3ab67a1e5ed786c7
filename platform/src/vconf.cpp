// System keys: a KeyStore under <root>/vconf shared by every process.

#include <device/host.h>
#include <device/vconf.h>

#include <glib.h>

#include <optional>
#include <string>
#include <utility>

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

struct _keynode_t {
    std::string name;
    KeyValue value;
};

namespace {

KeyStore Store()
{
    std::string path;
    device::internal::EnsureDevice(&path);
    path += device::internal::kVconfStoreName;
    return KeyStore(std::move(path));
}

int ToVconfError(StoreResult result)
{
    switch (result) {
    case StoreResult::Ok:
        return VCONF_OK;
    case StoreResult::NoKey:
    case StoreResult::InvalidKey:
        return VCONF_ERROR;
    case StoreResult::IoError:
        break;
    }
    return VCONF_ERROR_FILE_BUSY;
}

enum class Overlay { None, Value, Broken };

// Whether the process's key overlay names key, and its value when it does. An
// overlay that does not parse hides every key: the device's own value would
// pass for the overlay's.
Overlay Overlaid(const char* key, std::string* value)
{
    const char* text = g_getenv(device::kKeyOverlayEnv);
    if (text == nullptr || *text == '\0')
        return Overlay::None;
    g_autoptr(GKeyFile) file = g_key_file_new();
    if (!g_key_file_load_from_data(file, text, static_cast<gsize>(-1), G_KEY_FILE_NONE, nullptr))
        return Overlay::Broken;
    if (!g_key_file_has_group(file, key))
        return Overlay::None;
    g_autofree gchar* stored = g_key_file_get_string(file, key, "value", nullptr);
    if (stored == nullptr)
        return Overlay::Broken;
    *value = stored;
    return Overlay::Value;
}

// The typed value of key, or VCONF_ERROR for a missing key or another type.
int Read(const char* function, const char* key, ValueType type, KeyValue* value)
{
    if (!key)
        return VCONF_ERROR;
    if (device::ActiveFault(function, key) != Fault::None)
        return VCONF_ERROR;
    std::string overlaid;
    switch (Overlaid(key, &overlaid)) {
    case Overlay::Broken:
        return VCONF_ERROR;
    case Overlay::Value:
        *value = KeyValue::String(overlaid);
        return type == ValueType::String ? VCONF_OK : VCONF_ERROR;
    case Overlay::None:
        break;
    }
    StoreResult result = Store().Get(key, value);
    if (result != StoreResult::Ok)
        return ToVconfError(result);
    return value->type == type ? VCONF_OK : VCONF_ERROR;
}

// An overlaid key is the device's to change, never a process's that sees
// another value.
bool WriteRefused(const char* key)
{
    std::string ignored;
    return key == nullptr || Overlaid(key, &ignored) != Overlay::None;
}

int Write(const char* function, const char* key, const KeyValue& value)
{
    if (WriteRefused(key))
        return VCONF_ERROR;
    if (device::ActiveFault(function, key) != Fault::None)
        return VCONF_ERROR;
    KeyStore store = Store();
    return ToVconfError(ChangeAndNotify(store, [&](KeyStore& s) { return s.Set(key, value); }));
}

template <typename T> int Get(const char* function, const char* key, ValueType type, T* value)
{
    return GetTyped(value, type, VCONF_OK, VCONF_ERROR,
                    [&](ValueType t, KeyValue* stored) { return Read(function, key, t, stored); });
}

} // namespace

extern "C" int vconf_get_int(const char* key, int* intval)
{
    return Get("vconf_get_int", key, ValueType::Int, intval);
}

extern "C" int vconf_get_bool(const char* key, int* boolval)
{
    return Get("vconf_get_bool", key, ValueType::Bool, boolval);
}

extern "C" int vconf_get_dbl(const char* key, double* dblval)
{
    return Get("vconf_get_dbl", key, ValueType::Double, dblval);
}

extern "C" char* vconf_get_str(const char* key)
{
    Fault fault = device::ActiveFault("vconf_get_str", key);
    if (fault != Fault::None) // checked once: Read() then finds a limited fault spent
        return fault == Fault::Empty && key ? device::internal::DupString("") : nullptr;
    KeyValue value;
    if (Read("vconf_get_str", key, ValueType::String, &value) != VCONF_OK)
        return nullptr;
    return device::internal::DupString(value.stringValue);
}

extern "C" int vconf_set_int(const char* key, int intval)
{
    return Write("vconf_set_int", key, KeyValue::Int(intval));
}

extern "C" int vconf_set_bool(const char* key, int boolval)
{
    return Write("vconf_set_bool", key, KeyValue::Bool(boolval != 0));
}

extern "C" int vconf_set_dbl(const char* key, double dblval)
{
    return Write("vconf_set_dbl", key, KeyValue::Double(dblval));
}

extern "C" int vconf_set_str(const char* key, const char* strval)
{
    if (!strval)
        return VCONF_ERROR;
    return Write("vconf_set_str", key, KeyValue::String(strval));
}

extern "C" int vconf_unset(const char* key)
{
    if (WriteRefused(key) || device::ActiveFault("vconf_unset", key) != Fault::None)
        return VCONF_ERROR;
    KeyStore store = Store();
    return ToVconfError(ChangeAndNotify(store, [key](KeyStore& s) { return s.Remove(key); }));
}

extern "C" int vconf_notify_key_changed(const char* key, vconf_callback_fn cb, void* user_data)
{
    if (!key || !cb || !KeyStore::IsValidKey(key))
        return VCONF_ERROR;
    if (device::ActiveFault("vconf_notify_key_changed", key) != Fault::None)
        return VCONF_ERROR;
    // Removal is not a change a listener can read: only new values are reported.
    KeyWatch::For(Store().Path())
        .Add(key, reinterpret_cast<const void*>(cb), [cb, user_data](const std::string& name, const KeyValue* value) {
            if (!value)
                return;
            _keynode_t node{name, *value};
            cb(&node, user_data);
        });
    return VCONF_OK;
}

extern "C" int vconf_ignore_key_changed(const char* key, vconf_callback_fn cb)
{
    if (!key || !cb)
        return VCONF_ERROR;
    if (device::ActiveFault("vconf_ignore_key_changed", key) != Fault::None)
        return VCONF_ERROR;
    return KeyWatch::For(Store().Path()).Remove(key, reinterpret_cast<const void*>(cb)) > 0 ? VCONF_OK : VCONF_ERROR;
}

extern "C" const char* vconf_keynode_get_name(keynode_t* keynode)
{
    return keynode ? keynode->name.c_str() : nullptr;
}

extern "C" int vconf_keynode_get_type(keynode_t* keynode)
{
    if (!keynode)
        return VCONF_ERROR;
    switch (keynode->value.type) {
    case ValueType::Int:
        return VCONF_TYPE_INT;
    case ValueType::Bool:
        return VCONF_TYPE_BOOL;
    case ValueType::Double:
        return VCONF_TYPE_DOUBLE;
    case ValueType::String:
        return VCONF_TYPE_STRING;
    }
    return VCONF_TYPE_NONE;
}

extern "C" int vconf_keynode_get_int(keynode_t* keynode)
{
    return keynode && keynode->value.type == ValueType::Int ? static_cast<int>(keynode->value.intValue) : VCONF_ERROR;
}

extern "C" int vconf_keynode_get_bool(keynode_t* keynode)
{
    return keynode && keynode->value.type == ValueType::Bool ? (keynode->value.intValue ? 1 : 0) : VCONF_ERROR;
}

extern "C" double vconf_keynode_get_dbl(keynode_t* keynode)
{
    return keynode && keynode->value.type == ValueType::Double ? keynode->value.doubleValue : VCONF_ERROR;
}

extern "C" char* vconf_keynode_get_str(keynode_t* keynode)
{
    // Borrowed from the node, as on the device: valid during the callback.
    return keynode && keynode->value.type == ValueType::String ? const_cast<char*>(keynode->value.stringValue.c_str())
                                                               : nullptr;
}

std::string device::StringKeyOverlay(const std::vector<std::pair<std::string, std::string>>& keys)
{
    g_autoptr(GKeyFile) file = g_key_file_new();
    for (const auto& [key, value] : keys)
        g_key_file_set_string(file, key.c_str(), "value", value.c_str());
    g_autofree gchar* text = g_key_file_to_data(file, nullptr, nullptr);
    return text ? text : "";
}
