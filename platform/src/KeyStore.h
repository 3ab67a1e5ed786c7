#ifndef DEVICE_KEY_STORE_H
#define DEVICE_KEY_STORE_H

// Typed key-value file shared by processes: the system keys and the
// per-application preferences. One GKeyFile group per key ("type", "value").
// Writers take an flock on "<file>.lock", read, modify and replace the file
// atomically, so concurrent writers lose no update and a writer killed at any
// moment leaves either the old or the new file. Readers need no lock.

#include <map>
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
