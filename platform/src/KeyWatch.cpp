#include "KeyWatch.h"

#include <gio/gio.h>

#include <map>
#include <mutex>
#include <vector>

#include "DeviceInternal.h"

namespace device {
namespace internal {

namespace {
constexpr const char* kRemoved = "<removed>";
}

struct KeyWatch::Impl {
    struct Registration {
        unsigned id;
        std::string key;
        const void* owner;
        Callback callback;
        GMainContext* context;
        std::string lastSeen;
    };
    struct Monitor {
        GFileMonitor* monitor = nullptr;
        int users = 0;
    };
    struct CheckRequest {
        Impl* impl;
        GMainContext* context;
    };

    explicit Impl(const std::string& path) : store(path) {}

    KeyStore store;
    std::mutex mutex;
    unsigned nextId = 1;
    std::vector<Registration> registrations;
    std::map<GMainContext*, Monitor> monitors;

    std::string Describe(const std::map<std::string, KeyValue>& values, const std::string& key)
    {
        auto it = values.find(key);
        return it == values.end() ? kRemoved : it->second.Describe();
    }

    // Runs on `context`: reports every key whose value differs from what its
    // callback last saw.
    void Check(GMainContext* context)
    {
        std::map<std::string, KeyValue> values;
        if (!store.ReadAll(&values))
            return;
        std::vector<unsigned> due;
        {
            std::lock_guard<std::mutex> guard(mutex);
            for (Registration& reg : registrations) {
                if (reg.context != context)
                    continue;
                std::string now = Describe(values, reg.key);
                if (now != reg.lastSeen) {
                    reg.lastSeen = now;
                    due.push_back(reg.id);
                }
            }
        }
        for (unsigned id : due) {
            Callback callback;
            std::string key;
            {
                // A callback may have removed a later registration.
                std::lock_guard<std::mutex> guard(mutex);
                for (const Registration& reg : registrations) {
                    if (reg.id == id) {
                        callback = reg.callback;
                        key = reg.key;
                    }
                }
            }
            if (!callback)
                continue;
            auto it = values.find(key);
            callback(key, it == values.end() ? nullptr : &it->second);
        }
    }

    static void OnFileChanged(GFileMonitor*, GFile*, GFile*, GFileMonitorEvent, gpointer data)
    {
        auto* request = static_cast<CheckRequest*>(data);
        request->impl->Check(request->context);
    }

    static gboolean OnIdle(gpointer data)
    {
        auto* request = static_cast<CheckRequest*>(data);
        request->impl->Check(request->context);
        return G_SOURCE_REMOVE;
    }

    static void FreeRequest(gpointer data, GClosure* = nullptr)
    {
        auto* request = static_cast<CheckRequest*>(data);
        g_main_context_unref(request->context);
        delete request;
    }

    static void FreeRequestData(gpointer data) { FreeRequest(data); }

    // Called with the mutex held, on the registering thread.
    void Attach(GMainContext* context)
    {
        Monitor& entry = monitors[context];
        if (entry.users++ > 0)
            return;
        gchar* dir = g_path_get_dirname(store.Path().c_str());
        MakeDir(dir);
        GFile* file = g_file_new_for_path(dir);
        g_free(dir);
        // The monitor reports on the thread-default context, which is `context`.
        entry.monitor = g_file_monitor_directory(file, G_FILE_MONITOR_NONE, nullptr, nullptr);
        g_object_unref(file);
        if (entry.monitor) {
            g_file_monitor_set_rate_limit(entry.monitor, 50);
            g_signal_connect_data(entry.monitor, "changed", G_CALLBACK(OnFileChanged),
                                  new CheckRequest{this, g_main_context_ref(context)}, FreeRequest,
                                  GConnectFlags(0));
        }
    }

    void Detach(GMainContext* context)
    {
        auto it = monitors.find(context);
        if (it == monitors.end() || --it->second.users > 0)
            return;
        if (it->second.monitor) {
            g_file_monitor_cancel(it->second.monitor);
            g_object_unref(it->second.monitor);
        }
        monitors.erase(it);
    }
};

KeyWatch& KeyWatch::For(const std::string& storePath)
{
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<KeyWatch>> watches;
    std::lock_guard<std::mutex> guard(mutex);
    auto& slot = watches[storePath];
    if (!slot)
        slot.reset(new KeyWatch(storePath));
    return *slot;
}

KeyWatch::KeyWatch(const std::string& storePath) : mImpl(new Impl(storePath)) {}

KeyWatch::~KeyWatch()
{
    for (auto& entry : mImpl->monitors) {
        if (entry.second.monitor) {
            g_file_monitor_cancel(entry.second.monitor);
            g_object_unref(entry.second.monitor);
        }
    }
}

void KeyWatch::Add(const std::string& key, const void* owner, Callback callback)
{
    KeyValue value;
    std::string seen = mImpl->store.Get(key, &value) == StoreResult::Ok ? value.Describe() : kRemoved;
    GMainContext* context = g_main_context_ref_thread_default();
    std::lock_guard<std::mutex> guard(mImpl->mutex);
    mImpl->registrations.push_back({mImpl->nextId++, key, owner, std::move(callback), context, seen});
    mImpl->Attach(context);
}

int KeyWatch::Remove(const std::string& key, const void* owner)
{
    std::vector<GMainContext*> released;
    {
        std::lock_guard<std::mutex> guard(mImpl->mutex);
        auto& regs = mImpl->registrations;
        for (auto it = regs.begin(); it != regs.end();) {
            if (it->key == key && (!owner || it->owner == owner)) {
                mImpl->Detach(it->context);
                released.push_back(it->context);
                it = regs.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (GMainContext* context : released)
        g_main_context_unref(context);
    return static_cast<int>(released.size());
}

void KeyWatch::Poke()
{
    std::lock_guard<std::mutex> guard(mImpl->mutex);
    for (auto& entry : mImpl->monitors) {
        GSource* source = g_idle_source_new();
        g_source_set_callback(source, Impl::OnIdle, new Impl::CheckRequest{mImpl.get(), g_main_context_ref(entry.first)},
                              Impl::FreeRequestData);
        g_source_attach(source, entry.first);
        g_source_unref(source);
    }
}

} // namespace internal
} // namespace device
