// Sending launch requests and replies (transport described in service_app.cpp).

#include "launch_send.h"

#include <device/app_control.h>
#include <device/host.h>
#include <device/host_locale.h>
#include <device/no_destructor.h>

#include <glib.h>
#include <glib/gstdio.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <mutex>
#include <set>

#include "DeviceInternal.h"
#include "app_control_handle.h"
#include "launch_common.h"
#include "launch_transport.h"
#include "launch_wire.h"

namespace device {
namespace launch {

namespace {

// A sent request whose reply is awaited on its own socket.
struct PendingReply {
    PendingReply()
        : server(kReplyMagic,
                 [this](const std::string& payload, const Peer& peer, uint64_t) { return Take(payload, peer); })
    {
    }
    ~PendingReply()
    {
        if (idleId)
            g_source_remove(idleId);
        server.Stop();
        delete request;
        delete reply;
    }

    Verdict Take(const std::string& payload, const Peer& peer);

    FrameServer server;
    app_control_h request = nullptr; // copy of what was sent, handed to the callback
    app_control_reply_cb callback = nullptr;
    void* userData = nullptr;
    app_control_h reply = nullptr;
    app_control_result_e result = APP_CONTROL_RESULT_FAILED;
    guint idleId = 0;
};

// Senders may run on any thread; replies arrive on the default main context.
std::mutex gReplyMutex;

// Never freed: a reply may come at any time in the process's life.
std::set<PendingReply*>& PendingReplies()
{
    static NoDestructor<std::set<PendingReply*>> pending;
    return *pending;
}

std::set<std::string>& OwedReplies()
{
    static NoDestructor<std::set<std::string>> owed;
    return *owed;
}

gboolean DeliverReply(gpointer data)
{
    auto* pending = static_cast<PendingReply*>(data);
    pending->idleId = 0;
    {
        std::lock_guard<std::mutex> guard(gReplyMutex);
        PendingReplies().erase(pending);
    }
    pending->server.Stop();
    pending->callback(pending->request, pending->reply, pending->result, pending->userData);
    delete pending;
    return G_SOURCE_REMOVE;
}

Verdict PendingReply::Take(const std::string& payload, const Peer& peer)
{
    if (reply) {
        LAUNCH_LOG("rejected reply: the request was already answered");
        return Verdict::Reject;
    }
    std::string resultText;
    app_control_s* parsed = Parse(payload, &resultText);
    if (!parsed)
        return Verdict::Reject;
    gint64 code = 0;
    if (!g_ascii_string_to_signed(resultText.c_str(), 10, APP_CONTROL_RESULT_CANCELED, APP_CONTROL_RESULT_APP_STARTED,
                                  &code, nullptr)) {
        LAUNCH_LOG("rejected reply: result [%s]", resultText.c_str());
        delete parsed;
        return Verdict::Reject;
    }
    parsed->caller = AppIdOfPeer(peer.pid, peer.uid, peer.exe);
    parsed->replyTo.clear();
    reply = parsed;
    result = static_cast<app_control_result_e>(code);
    idleId = g_idle_add(DeliverReply, this);
    return Verdict::Accept;
}

int AppendToInbox(const app_control_s& request, const std::string& appId)
{
    const std::string dir = InboxDir();
    const std::string path = dir + appId + ".jsonl";
    // The caller as a receiver would know it: the application of this executable.
    std::vector<std::string> ids = AppIdsOfExecutable(ExecutableOf(getpid()));
    const std::string caller = ids.size() == 1 ? ids.front() : "";
    const std::string line = InboxLine(request, caller, static_cast<long long>(std::time(nullptr)));
    if (!internal::MakeDirs(dir)) {
        LAUNCH_LOG("cannot create [%s]", dir.c_str());
        return APP_CONTROL_ERROR_IO_ERROR;
    }
    // One write() with O_APPEND: lines of concurrent senders never mix.
    int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) {
        LAUNCH_LOG("cannot open [%s]: %s", path.c_str(), g_strerror(errno));
        return APP_CONTROL_ERROR_IO_ERROR;
    }
    ssize_t written;
    do {
        written = write(fd, line.data(), line.size());
    } while (written < 0 && errno == EINTR);
    close(fd);
    if (written != static_cast<ssize_t>(line.size())) {
        LAUNCH_LOG("cannot append to [%s]", path.c_str());
        return APP_CONTROL_ERROR_IO_ERROR;
    }
    return APP_CONTROL_ERROR_NONE;
}

void DetachChild(gpointer)
{
    setsid();
    // What an application creates under the root is its user's alone,
    // whatever umask its sender had (its databases included).
    umask(077);
}

bool IsSocket(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

// Starts the application detached and waits, bounded, until it listens; the
// caller then delivers the request over the socket like any other, so the new
// process learns who sent it the same way. Called with the application's lock held.
bool Start(const AppInfo& app)
{
    // Watched before the spawn, so that the socket's arrival (bound under a
    // temporary name, then renamed) wakes us at once instead of at the next poll.
    int arrivals = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (arrivals >= 0 && inotify_add_watch(arrivals, RunDir().c_str(), IN_MOVED_TO | IN_CREATE) < 0) {
        close(arrivals);
        arrivals = -1;
    }
    gchar* argv[] = {const_cast<gchar*>(app.executable.c_str()), const_cast<gchar*>(kStartArg), nullptr};
    gchar** envp = g_get_environ();
    envp = g_environ_setenv(envp, kRootEnv, Root().c_str(), TRUE);
    envp = g_environ_setenv(envp, kAppIdEnv, app.appId.c_str(), TRUE);
    for (const auto& [name, value] : DeviceLocaleEnvironment())
        envp = g_environ_setenv(envp, name.c_str(), value.c_str(), TRUE);
    GError* error = nullptr;
    // DO_NOT_REAP_CHILD is left out: the child is started through an
    // intermediate process, is nobody's child here and never our zombie.
    gboolean spawned =
        g_spawn_async(nullptr, argv, envp, G_SPAWN_STDIN_FROM_DEV_NULL, DetachChild, nullptr, nullptr, &error);
    g_strfreev(envp);
    if (!spawned) {
        LAUNCH_LOG("cannot start [%s] (%s): %s", app.appId.c_str(), app.executable.c_str(), error->message);
        g_error_free(error);
        if (arrivals >= 0)
            close(arrivals);
        return false;
    }
    const std::string socketPath = SocketPath(app.appId);
    const gint64 deadline = g_get_monotonic_time() + kStartTimeoutMs * G_GINT64_CONSTANT(1000);
    bool listening;
    while (!(listening = IsSocket(socketPath)) && g_get_monotonic_time() <= deadline) {
        if (arrivals < 0) {
            g_usleep(2000);
            continue;
        }
        // Any arrival in the folder means a look; the bound keeps a lost event harmless.
        pollfd ready = {arrivals, POLLIN, 0};
        if (poll(&ready, 1, 20) > 0) {
            alignas(inotify_event) char events[4096];
            while (read(arrivals, events, sizeof events) > 0) {
            }
        }
    }
    if (arrivals >= 0)
        close(arrivals);
    if (!listening)
        LAUNCH_LOG("[%s] started but does not listen after %d ms", app.appId.c_str(), kStartTimeoutMs);
    return listening;
}

int DeliverOrStart(const AppInfo& app, const std::string& payload)
{
    if (!internal::MakeDirs(RunDir()))
        return APP_CONTROL_ERROR_IO_ERROR;
    // One sender at a time per application decides between the running
    // process and a new one, so two senders never start two processes.
    internal::FileLock lock(LockPath(app.appId));
    if (!lock.Held()) {
        LAUNCH_LOG("cannot lock [%s]", LockPath(app.appId).c_str());
        return APP_CONTROL_ERROR_IO_ERROR;
    }
    const std::string socketPath = SocketPath(app.appId);
    const std::string frame = Frame(kRequestMagic, payload);
    const gint64 deadline = g_get_monotonic_time() + kStartTimeoutMs * G_GINT64_CONSTANT(1000);
    bool started = false;
    for (;;) {
        switch (DeliverFrame(socketPath, frame, kAckTimeoutMs)) {
        case Delivery::Accepted:
            return APP_CONTROL_ERROR_NONE;
        case Delivery::Rejected:
            LAUNCH_LOG("[%s] rejected the request", app.appId.c_str());
            return APP_CONTROL_ERROR_LAUNCH_REJECTED;
        case Delivery::TimedOut:
            LAUNCH_LOG("[%s] did not take the request within %d ms", app.appId.c_str(), kAckTimeoutMs);
            return APP_CONTROL_ERROR_TIMED_OUT;
        case Delivery::Failed:
            return APP_CONTROL_ERROR_LAUNCH_FAILED;
        case Delivery::NotRunning:
            if (started) {
                LAUNCH_LOG("[%s] ended before it took its start request", app.appId.c_str());
                return APP_CONTROL_ERROR_LAUNCH_FAILED;
            }
            // No socket, or the stale one of a process that died.
            g_unlink(socketPath.c_str());
            if (!Start(app))
                return APP_CONTROL_ERROR_LAUNCH_FAILED;
            started = true;
            break;
        case Delivery::Dropped:
            // The process is ending; once its socket is gone a new one starts.
            if (g_get_monotonic_time() > deadline) {
                LAUNCH_LOG("[%s] keeps dropping requests", app.appId.c_str());
                return APP_CONTROL_ERROR_LAUNCH_FAILED;
            }
            g_usleep(10000);
            break;
        }
    }
}

int SendReply(const std::string& replyTo, const app_control_s& reply, app_control_result_e result)
{
    const std::string payload = Serialize(reply, "", std::to_string(static_cast<int>(result)));
    if (payload.size() > kMaxPayload) {
        LAUNCH_LOG("reply of %zu bytes is too large", payload.size());
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    {
        std::lock_guard<std::mutex> guard(gReplyMutex);
        OwedReplies().erase(replyTo);
    }
    // Replies are not waited for: the sender reads them when its main loop runs.
    switch (DeliverFrame(replyTo, Frame(kReplyMagic, payload), kAckTimeoutMs, false)) {
    case Delivery::Accepted:
        return APP_CONTROL_ERROR_NONE;
    case Delivery::Rejected:
        LAUNCH_LOG("the sender refused the reply");
        return APP_CONTROL_ERROR_LAUNCH_REJECTED;
    case Delivery::TimedOut:
        return APP_CONTROL_ERROR_TIMED_OUT;
    case Delivery::NotRunning:
    case Delivery::Dropped:
        LAUNCH_LOG("the sender no longer waits for the reply");
        return APP_CONTROL_ERROR_IO_ERROR;
    default:
        return APP_CONTROL_ERROR_IO_ERROR;
    }
}

} // namespace

void ExpectReply(const std::string& replyTo)
{
    std::lock_guard<std::mutex> guard(gReplyMutex);
    if (!replyTo.empty())
        OwedReplies().insert(replyTo);
}

void CancelUnansweredReplies()
{
    std::set<std::string> owed;
    {
        std::lock_guard<std::mutex> guard(gReplyMutex);
        owed = OwedReplies();
    }
    const app_control_s empty;
    for (const std::string& replyTo : owed)
        SendReply(replyTo, empty, APP_CONTROL_RESULT_CANCELED);
}

} // namespace launch
} // namespace device

using namespace device::launch;

extern "C" int app_control_send_launch_request(app_control_h app_control, app_control_reply_cb callback,
                                               void* user_data)
{
    if (!app_control)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    const std::string appId = app_control->appId.value_or("");
    if (device::ActiveFault("app_control_send_launch_request", appId.c_str()) != device::Fault::None) {
        LAUNCH_LOG("injected failure sending to [%s]", appId.c_str());
        return APP_CONTROL_ERROR_LAUNCH_FAILED;
    }
    std::optional<device::AppInfo> app;
    if (IsValidAppId(appId))
        app = device::FindApp(appId);
    if (!app) {
        LAUNCH_LOG("no application [%s] is installed", appId.c_str());
        return APP_CONTROL_ERROR_APP_NOT_FOUND;
    }
    if (app->executable.empty())
        return AppendToInbox(*app_control, appId);

    PendingReply* pending = nullptr;
    std::string replyTo;
    if (callback) {
        if (!device::internal::MakeDirs(RunDir()))
            return APP_CONTROL_ERROR_IO_ERROR;
        pending = new PendingReply();
        replyTo = NewReplySocketPath();
        if (!pending->server.Listen(replyTo)) {
            delete pending;
            return APP_CONTROL_ERROR_IO_ERROR;
        }
        pending->request = new app_control_s(*app_control);
        pending->callback = callback;
        pending->userData = user_data;
        std::lock_guard<std::mutex> guard(gReplyMutex);
        PendingReplies().insert(pending);
    }
    const std::string payload = Serialize(*app_control, replyTo, "");
    int result = APP_CONTROL_ERROR_INVALID_PARAMETER;
    if (payload.size() > kMaxPayload)
        LAUNCH_LOG("request of %zu bytes is too large", payload.size());
    else
        result = DeliverOrStart(*app, payload);
    if (pending && result != APP_CONTROL_ERROR_NONE) {
        {
            std::lock_guard<std::mutex> guard(gReplyMutex);
            PendingReplies().erase(pending);
        }
        delete pending;
    }
    return result;
}

extern "C" int app_control_reply_to_launch_request(app_control_h reply, app_control_h request,
                                                   app_control_result_e result)
{
    if (!reply || !request || !request->received)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    if (device::ActiveFault("app_control_reply_to_launch_request") != device::Fault::None)
        return APP_CONTROL_ERROR_IO_ERROR;
    if (request->replyTo.empty())
        return APP_CONTROL_ERROR_NONE; // the sender wants no reply
    return SendReply(request->replyTo, *reply, result);
}
