#ifndef DEVICE_KEY_WATCH_H
#define DEVICE_KEY_WATCH_H

// Change callbacks on a KeyStore file. Each callback runs on the GLib main
// context that was thread-default when it was registered. Changes by other
// processes arrive through inotify on the store's directory; changes by
// this process are announced by Poke(). Both end in the same comparison with
// the last value each callback saw, so a change is reported once.

#include <functional>
#include <memory>
#include <string>

#include "KeyStore.h"

namespace device {
namespace internal {

class KeyWatch {
public:
    // value is null when the key was removed.
    using Callback = std::function<void(const std::string& key, const KeyValue* value)>;

    // The watch of one store file, made on first use; lives for the process.
    static KeyWatch& For(const std::string& storePath);

    // `owner` identifies the registration for Remove (the C callback pointer).
    void Add(const std::string& key, const void* owner, Callback callback);
    // Removes the registrations of key (of owner, or all when owner is null);
    // returns how many were removed.
    int Remove(const std::string& key, const void* owner);
    // Schedules a check on every context that has registrations.
    void Poke();

    ~KeyWatch();

    struct Impl;

private:
    explicit KeyWatch(const std::string& storePath);
    std::unique_ptr<Impl> mImpl;
};

} // namespace internal
} // namespace device

#endif
