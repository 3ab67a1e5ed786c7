#ifndef DEVICE_KEY_STORE_H
#define DEVICE_KEY_STORE_H

// Typed key-value file shared by processes: the system keys and the
// per-application preferences. One GKeyFile group per key ("type", "value").
// Writers take an flock on "<file>.lock", read, modify and replace the file
// atomically, so concurrent writers lose no update and a writer killed at any
// moment leaves either the old or the new file. Readers need no lock.

#include <sys/types.h>

#include <ctime>
#include <map>
#include <optional>
#include <string>

namespace device {
namespace internal {

enum class ValueType { Int, Bool, Double, String };

struct KeyValue {
    ValueType type = ValueType::Int;
    long long intValue = 0; // Int and Bool
    double doubleValue = 0.0;
    std::string stringValue;

    static KeyValue Int(long long v);
    static KeyValue Bool(bool v);
    static KeyValue Double(double v);
    static KeyValue String(const std::string& v);

    // Stable text of type and value, used to detect changes.
    std::string Describe() const;
    static const char* TypeName(ValueType type);
};

// One version of a file as lstat sees it. A rename over the file, a write in
// place, a chmod or a chown changes one of these fields; a same-size rewrite
// within one tick of the file system's clock changes none, so only a version
// that was already settled when it was read may be kept by its stamp.
struct FileStamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    struct timespec ctime {};
    struct timespec mtime {};
    bool operator==(const FileStamp& o) const;
};
// The stamp of the regular file at path (a link or anything else has none).
std::optional<FileStamp> StampOf(const std::string& path);
// True when the file was last changed long enough ago that a rewrite now
// would show in its times.
bool Settled(const FileStamp& stamp);

enum class StoreResult { Ok, NoKey, InvalidKey, IoError };

class KeyStore {
public:
    explicit KeyStore(std::string path);

    const std::string& Path() const { return mPath; }

    StoreResult Get(const std::string& key, KeyValue* value) const;
    // All keys; false when the file exists but cannot be read or parsed.
    bool ReadAll(std::map<std::string, KeyValue>* values) const;

    StoreResult Set(const std::string& key, const KeyValue& value);
    StoreResult Remove(const std::string& key); // NoKey when absent
    StoreResult Clear();
    // Writes the keys that are not in the store yet.
    StoreResult SetMissing(const std::map<std::string, KeyValue>& values);

    static bool IsValidKey(const std::string& key);

private:
    template <typename Fn> StoreResult Update(Fn&& mutate);
    template <typename Fn> StoreResult UpdateOnce(Fn&& mutate);

    std::string mPath;
};

} // namespace internal
} // namespace device

#endif
