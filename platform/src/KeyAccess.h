#ifndef DEVICE_KEY_ACCESS_H
#define DEVICE_KEY_ACCESS_H

// Steps shared by the typed C accessors of the system keys and the
// preferences; each caller keeps its own error codes and fault rules.

#include <type_traits>

#include "KeyStore.h"
#include "KeyWatch.h"

namespace device {
namespace internal {

// Applies change to store and, when it succeeds, tells the store's watchers.
template <typename Change> StoreResult ChangeAndNotify(KeyStore& store, Change&& change)
{
    StoreResult result = change(store);
    if (result == StoreResult::Ok)
        KeyWatch::For(store.Path()).Poke();
    return result;
}

// A stored value as the C type of its getter (bool keys read as int give 0/1).
template <typename T> T ValueAs(const KeyValue& value)
{
    if constexpr (std::is_same<T, double>::value)
        return value.doubleValue;
    else if constexpr (std::is_same<T, bool>::value)
        return value.intValue != 0;
    else
        return value.type == ValueType::Bool ? (value.intValue ? 1 : 0) : static_cast<T>(value.intValue);
}

// Typed getter: out checked first (invalid), read(type, &value) returns the
// caller's code, with ok meaning success; out is written only on success.
template <typename T, typename ReadFn> int GetTyped(T* out, ValueType type, int ok, int invalid, ReadFn&& read)
{
    if (!out)
        return invalid;
    KeyValue value;
    int rc = read(type, &value);
    if (rc == ok)
        *out = ValueAs<T>(value);
    return rc;
}

} // namespace internal
} // namespace device

#endif
