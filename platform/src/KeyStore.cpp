#include "KeyStore.h"

#include <device/no_destructor.h>

#include <glib.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "DeviceInternal.h"

namespace device {
namespace internal {

namespace {

// Loads the store; a missing file is an empty store, an unreadable,
// unparsable or foreign one is an error (null, and never overwritten).
GKeyFile* Load(const std::string& path)
{
    std::string data;
    const ReadStatus status = ReadRegularFile(path, kMaxStoreFileSize, &data);
    if (status == ReadStatus::Missing)
        DeviceMayBeGone();
    if (status != ReadStatus::Ok && status != ReadStatus::Missing)
        return nullptr;
    g_autoptr(GKeyFile) file = g_key_file_new();
    if (!data.empty() && !g_key_file_load_from_data(file, data.data(), data.size(), G_KEY_FILE_NONE, nullptr))
        return nullptr;
    return static_cast<GKeyFile*>(g_steal_pointer(&file));
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
    g_autofree gchar* typeText = g_key_file_get_string(file, group, "type", nullptr);
    ValueType type;
    if (!ParseType(typeText, &type))
        return false;
    g_autoptr(GError) error = nullptr;
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
        g_autofree gchar* text = g_key_file_get_string(file, group, "value", &error);
        value->stringValue = text ? text : "";
        break;
    }
    }
    return error == nullptr;
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

// The parsed version of each store that readers last saw. It saves a third
// of `weatherctl show`'s time (about 200 key reads for 10 cities), the only
// command where the reads add up. A version is kept while the file keeps its
// stamp and was settled when it was read (see FileStamp).
struct Snapshot {
    std::optional<FileStamp> stamp; // set when this version may be kept
    bool ok = false;
    std::map<std::string, std::optional<KeyValue>> values; // nullopt: a value that does not parse
};

std::shared_ptr<const Snapshot> Current(const std::string& path)
{
    static NoDestructor<std::map<std::string, std::shared_ptr<const Snapshot>>> snapshots;
    static std::mutex mutex;
    std::lock_guard<std::mutex> guard(mutex);
    std::shared_ptr<const Snapshot>& cached = (*snapshots)[path];
    // Taken before the read: if the file changes meanwhile, the next look
    // sees another stamp and reads again.
    const std::optional<FileStamp> stamp = StampOf(path);
    if (cached && cached->stamp && stamp && *cached->stamp == *stamp)
        return cached;
    auto fresh = std::make_shared<Snapshot>();
    g_autoptr(GKeyFile) file = Load(path);
    fresh->ok = file != nullptr;
    g_auto(GStrv) groups = file ? g_key_file_get_groups(file, nullptr) : nullptr;
    for (gchar** group = groups; group && *group; ++group) {
        KeyValue value;
        fresh->values[*group] = ReadValue(file, *group, &value) ? std::optional<KeyValue>(value) : std::nullopt;
    }
    if (fresh->ok && stamp && Settled(*stamp))
        fresh->stamp = stamp;
    cached = fresh;
    return cached;
}
} // namespace

std::optional<FileStamp> StampOf(const std::string& path)
{
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return FileStamp{info.st_dev, info.st_ino, info.st_size, info.st_ctim, info.st_mtim};
}

bool FileStamp::operator==(const FileStamp& o) const
{
    return dev == o.dev && ino == o.ino && size == o.size && ctime.tv_sec == o.ctime.tv_sec &&
           ctime.tv_nsec == o.ctime.tv_nsec && mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec;
}

bool Settled(const FileStamp& stamp)
{
    // Longer than the coarsest file system clock (one second) with a margin.
    constexpr time_t kSettledSeconds = 2;
    return time(nullptr) - std::max(stamp.mtime.tv_sec, stamp.ctime.tv_sec) >= kSettledSeconds;
}

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

namespace {

// Bytes no key holds: control characters, DEL and the group brackets.
constexpr std::array<bool, 256> kForbiddenInKey = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 0x20; ++c)
        table[c] = true;
    table['['] = table[']'] = table[0x7f] = true;
    return table;
}();

} // namespace

bool KeyStore::IsValidKey(const std::string& key)
{
    if (key.empty() || key.front() == ' ' || key.back() == ' ')
        return false;
    unsigned char seen = 0;
    for (unsigned char c : key) {
        if (kForbiddenInKey[c])
            return false;
        seen |= c;
    }
    // Checked on every read: plain ASCII names need no UTF-8 scan.
    return seen < 0x80 || g_utf8_validate(key.c_str(), static_cast<gssize>(key.size()), nullptr);
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
    g_autofree gchar* dir = g_path_get_dirname(mPath.c_str());
    if (!MakeDir(dir))
        return StoreResult::IoError;
    FileLock lock(mPath + ".lock");
    if (!lock.Held())
        return StoreResult::IoError;
    g_autoptr(GKeyFile) file = Load(mPath);
    if (!file)
        return StoreResult::IoError;
    bool changed = false;
    StoreResult result = mutate(file, &changed);
    if (result != StoreResult::Ok || !changed)
        return result;
    gsize length = 0;
    g_autofree gchar* data = g_key_file_to_data(file, &length, nullptr);
    return WriteFileAtomic(mPath, std::string(data, length)) ? StoreResult::Ok : StoreResult::IoError;
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
        g_auto(GStrv) groups = g_key_file_get_groups(file, nullptr);
        for (gchar** group = groups; group && *group; ++group) {
            g_key_file_remove_group(file, *group, nullptr);
            *changed = true;
        }
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
