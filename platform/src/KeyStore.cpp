#include "KeyStore.h"

#include <glib.h>

#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "DeviceInternal.h"

namespace device {
namespace internal {

namespace {

struct KeyFileDeleter {
    void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
using KeyFilePtr = std::unique_ptr<GKeyFile, KeyFileDeleter>;

// Loads the store; a missing file is an empty store, an unreadable or
// unparsable one is an error (and is never overwritten).
KeyFilePtr Parse(const std::string& data, bool* ok)
{
    KeyFilePtr file(g_key_file_new());
    *ok = data.empty() || g_key_file_load_from_data(file.get(), data.data(), data.size(), G_KEY_FILE_NONE, nullptr);
    return file;
}

KeyFilePtr Load(const std::string& path, bool* ok)
{
    std::string data;
    const ReadStatus status = ReadRegularFile(path, kMaxStoreFileSize, &data);
    if (status != ReadStatus::Ok) {
        *ok = status == ReadStatus::Missing;
        return KeyFilePtr(g_key_file_new());
    }
    return Parse(data, ok);
}

bool ParseType(const char* text, ValueType* type)
{
    for (ValueType t : {ValueType::Int, ValueType::Bool, ValueType::Double, ValueType::String}) {
        if (g_strcmp0(text, KeyValue::TypeName(t)) == 0) {
            *type = t;
            return true;
        }
    }
    return false;
}

bool ReadValue(GKeyFile* file, const char* group, KeyValue* value)
{
    gchar* typeText = g_key_file_get_string(file, group, "type", nullptr);
    ValueType type;
    bool known = ParseType(typeText, &type);
    g_free(typeText);
    if (!known)
        return false;
    GError* error = nullptr;
    value->type = type;
    switch (type) {
    case ValueType::Int:
        value->intValue = g_key_file_get_int64(file, group, "value", &error);
        break;
    case ValueType::Bool:
        value->intValue = g_key_file_get_boolean(file, group, "value", &error) ? 1 : 0;
        break;
    case ValueType::Double:
        value->doubleValue = g_key_file_get_double(file, group, "value", &error);
        break;
    case ValueType::String: {
        gchar* text = g_key_file_get_string(file, group, "value", &error);
        value->stringValue = text ? text : "";
        g_free(text);
        break;
    }
    }
    if (error) {
        g_error_free(error);
        return false;
    }
    return true;
}

void WriteValue(GKeyFile* file, const std::string& key, const KeyValue& value)
{
    const char* group = key.c_str();
    g_key_file_remove_group(file, group, nullptr);
    g_key_file_set_string(file, group, "type", KeyValue::TypeName(value.type));
    switch (value.type) {
    case ValueType::Int:
        g_key_file_set_int64(file, group, "value", value.intValue);
        break;
    case ValueType::Bool:
        g_key_file_set_boolean(file, group, "value", value.intValue != 0);
        break;
    case ValueType::Double:
        g_key_file_set_double(file, group, "value", value.doubleValue);
        break;
    case ValueType::String:
        g_key_file_set_string(file, group, "value", value.stringValue.c_str());
        break;
    }
}

// Readers ask for one key at a time, many times per second: each version of
// a store is parsed once. A key present with an unreadable value maps to nullopt.
struct Snapshot {
    FileStamp stamp;
    bool ok = false;
    std::map<std::string, std::optional<KeyValue>> values;
};

std::mutex gSnapshotMutex;

std::shared_ptr<const Snapshot> Current(const std::string& path)
{
    static auto* snapshots = new std::map<std::string, std::shared_ptr<const Snapshot>>();
    std::lock_guard<std::mutex> guard(gSnapshotMutex);
    std::shared_ptr<const Snapshot>& cached = (*snapshots)[path];
    FileStamp stamp = cached ? cached->stamp : FileStamp{};
    std::string data;
    bool unchanged = false;
    const ReadStatus status = ReadRegularFileIfChanged(path, kMaxStoreFileSize, &data, &stamp, &unchanged);
    if (status == ReadStatus::Ok && unchanged && cached)
        return cached;
    if (status == ReadStatus::Missing)
        DeviceMayBeGone();
    auto fresh = std::make_shared<Snapshot>();
    fresh->stamp = stamp;
    fresh->ok = status == ReadStatus::Missing;
    if (status == ReadStatus::Ok) {
        KeyFilePtr file = Parse(data, &fresh->ok);
        gchar** groups = g_key_file_get_groups(file.get(), nullptr);
        for (gchar** group = groups; fresh->ok && group && *group; ++group) {
            KeyValue value;
            if (ReadValue(file.get(), *group, &value))
                fresh->values[*group] = value;
            else
                fresh->values[*group] = std::nullopt;
        }
        g_strfreev(groups);
    }
    cached = fresh;
    return cached;
}

} // namespace

KeyValue KeyValue::Int(long long v)
{
    KeyValue value;
    value.type = ValueType::Int;
    value.intValue = v;
    return value;
}

KeyValue KeyValue::Bool(bool v)
{
    KeyValue value;
    value.type = ValueType::Bool;
    value.intValue = v ? 1 : 0;
    return value;
}

KeyValue KeyValue::Double(double v)
{
    KeyValue value;
    value.type = ValueType::Double;
    value.doubleValue = v;
    return value;
}

KeyValue KeyValue::String(const std::string& v)
{
    KeyValue value;
    value.type = ValueType::String;
    value.stringValue = v;
    return value;
}

const char* KeyValue::TypeName(ValueType type)
{
    switch (type) {
    case ValueType::Int:
        return "int";
    case ValueType::Bool:
        return "bool";
    case ValueType::Double:
        return "double";
    case ValueType::String:
        return "string";
    }
    return "?";
}

std::string KeyValue::Describe() const
{
    std::string text = TypeName(type);
    text += ':';
    switch (type) {
    case ValueType::Int:
        text += std::to_string(intValue);
        break;
    case ValueType::Bool:
        text += intValue ? "true" : "false";
        break;
    case ValueType::Double: {
        char buffer[G_ASCII_DTOSTR_BUF_SIZE];
        text += g_ascii_dtostr(buffer, sizeof buffer, doubleValue);
        break;
    }
    case ValueType::String:
        text += stringValue;
        break;
    }
    return text;
}

KeyStore::KeyStore(std::string path) : mPath(std::move(path)) {}

bool KeyStore::IsValidKey(const std::string& key)
{
    if (key.empty() || key.front() == ' ' || key.back() == ' ')
        return false;
    bool ascii = true;
    for (unsigned char c : key) {
        if (c < 0x20 || c == '[' || c == ']' || c == 0x7f)
            return false;
        ascii = ascii && c < 0x80;
    }
    // Checked on every read: plain ASCII names need no UTF-8 scan.
    return ascii || g_utf8_validate(key.c_str(), static_cast<gssize>(key.size()), nullptr);
}

StoreResult KeyStore::Get(const std::string& key, KeyValue* value) const
{
    if (!IsValidKey(key))
        return StoreResult::InvalidKey;
    std::shared_ptr<const Snapshot> snapshot = Current(mPath);
    if (!snapshot->ok)
        return StoreResult::IoError;
    auto found = snapshot->values.find(key);
    if (found == snapshot->values.end())
        return StoreResult::NoKey;
    if (!found->second)
        return StoreResult::IoError;
    *value = *found->second;
    return StoreResult::Ok;
}

bool KeyStore::ReadAll(std::map<std::string, KeyValue>* values) const
{
    values->clear();
    std::shared_ptr<const Snapshot> snapshot = Current(mPath);
    if (!snapshot->ok)
        return false;
    for (const auto& [key, value] : snapshot->values)
        if (value)
            (*values)[key] = *value;
    return true;
}

template <typename Fn> StoreResult KeyStore::Update(Fn&& mutate)
{
    StoreResult result = UpdateOnce(std::forward<Fn>(mutate));
    if (result == StoreResult::IoError)
        DeviceMayBeGone();
    return result;
}

template <typename Fn> StoreResult KeyStore::UpdateOnce(Fn&& mutate)
{
    gchar* dir = g_path_get_dirname(mPath.c_str());
    bool dirOk = MakeDir(dir);
    g_free(dir);
    if (!dirOk)
        return StoreResult::IoError;
    FileLock lock(mPath + ".lock");
    if (!lock.Held())
        return StoreResult::IoError;
    bool ok = false;
    KeyFilePtr file = Load(mPath, &ok);
    if (!ok)
        return StoreResult::IoError;
    bool changed = false;
    StoreResult result = mutate(file.get(), &changed);
    if (result != StoreResult::Ok || !changed)
        return result;
    gsize length = 0;
    gchar* data = g_key_file_to_data(file.get(), &length, nullptr);
    bool written = WriteFileAtomic(mPath, std::string(data, length));
    g_free(data);
    return written ? StoreResult::Ok : StoreResult::IoError;
}

StoreResult KeyStore::Set(const std::string& key, const KeyValue& value)
{
    if (!IsValidKey(key))
        return StoreResult::InvalidKey;
    return Update([&](GKeyFile* file, bool* changed) {
        WriteValue(file, key, value);
        *changed = true;
        return StoreResult::Ok;
    });
}

StoreResult KeyStore::Remove(const std::string& key)
{
    if (!IsValidKey(key))
        return StoreResult::InvalidKey;
    return Update([&](GKeyFile* file, bool* changed) {
        if (!g_key_file_has_group(file, key.c_str()))
            return StoreResult::NoKey;
        g_key_file_remove_group(file, key.c_str(), nullptr);
        *changed = true;
        return StoreResult::Ok;
    });
}

StoreResult KeyStore::Clear()
{
    return Update([&](GKeyFile* file, bool* changed) {
        gchar** groups = g_key_file_get_groups(file, nullptr);
        for (gchar** group = groups; group && *group; ++group) {
            g_key_file_remove_group(file, *group, nullptr);
            *changed = true;
        }
        g_strfreev(groups);
        return StoreResult::Ok;
    });
}

StoreResult KeyStore::SetMissing(const std::map<std::string, KeyValue>& values)
{
    for (const auto& entry : values) {
        if (!IsValidKey(entry.first))
            return StoreResult::InvalidKey;
    }
    return Update([&](GKeyFile* file, bool* changed) {
        for (const auto& entry : values) {
            if (!g_key_file_has_group(file, entry.first.c_str())) {
                WriteValue(file, entry.first, entry.second);
                *changed = true;
            }
        }
        return StoreResult::Ok;
    });
}

} // namespace internal
} // namespace device
