#include "KeyWatch.h"

#include <glib-unix.h>
#include <glib.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>

#include <map>
#include <mutex>
#include <utility>
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
    // One inotify descriptor per context, watching the store's directory:
    // the stores are replaced by rename, which a watch on the file would miss.
    struct Monitor {
        GSource* source = nullptr;
        int users = 0;
    };
    struct CheckRequest {
        Impl* impl;
        GMainContext* context;
        UniqueFd fd; // closed with the request
    };

    explicit Impl(const std::string& path) : store(path)
    {
        g_autofree gchar* base = g_path_get_basename(path.c_str());
        name = base;
    }

    KeyStore store;
    std::string name; // the store's file name in its directory
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

    // Drains the queued events; checks once if any of them concerns the store
    // (written in place, renamed over, renamed away or deleted).
    static gboolean OnReadable(gint fd, GIOCondition, gpointer data)
    {
        auto* request = static_cast<CheckRequest*>(data);
        const std::string name = request->impl->name;
        bool relevant = false;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            ssize_t n = read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if ((event->mask & IN_Q_OVERFLOW) || (event->len > 0 && name == event->name))
                    relevant = true;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        if (relevant)
            request->impl->Check(request->context);
        return G_SOURCE_CONTINUE;
    }

    static gboolean OnIdle(gpointer data)
    {
        auto* request = static_cast<CheckRequest*>(data);
        request->impl->Check(request->context);
        return G_SOURCE_REMOVE;
    }

    static void FreeRequest(gpointer data)
    {
        auto* request = static_cast<CheckRequest*>(data);
        g_main_context_unref(request->context);
        delete request;
    }

    // Called with the mutex held, on the registering thread.
    void Attach(GMainContext* context)
    {
        Monitor& entry = monitors[context];
        if (entry.users++ > 0)
            return;
        g_autofree gchar* dir = g_path_get_dirname(store.Path().c_str());
        MakeDir(dir);
        UniqueFd fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
        if (fd && inotify_add_watch(fd.Get(), dir, IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE) < 0)
            fd.Reset();
        if (!fd)
            return; // local changes are still reported through Poke()
        entry.source = g_unix_fd_source_new(fd.Get(), G_IO_IN);
        g_source_set_callback(entry.source, G_SOURCE_FUNC(OnReadable),
                              new CheckRequest{this, g_main_context_ref(context), std::move(fd)}, FreeRequest);
        g_source_attach(entry.source, context);
    }

    // The descriptor is closed when GLib lets go of the request, after a
    // dispatch that may be running this very removal.
    static void Cancel(Monitor& entry)
    {
        if (!entry.source)
            return;
        g_source_destroy(entry.source);
        g_source_unref(entry.source);
        entry.source = nullptr;
    }

    void Detach(GMainContext* context)
    {
        auto it = monitors.find(context);
        if (it == monitors.end() || --it->second.users > 0)
            return;
        Cancel(it->second);
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
    for (auto& entry : mImpl->monitors)
        Impl::Cancel(entry.second);
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
        g_source_set_callback(source, Impl::OnIdle,
                              new Impl::CheckRequest{mImpl.get(), g_main_context_ref(entry.first), UniqueFd()},
                              Impl::FreeRequest);
        g_source_attach(source, entry.first);
        g_source_unref(source);
    }
}

} // namespace internal
} // namespace device
