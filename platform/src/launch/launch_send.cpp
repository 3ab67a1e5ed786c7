// Sending launch requests and replies (protocol in launch_transport.h).

#include "launch_send.h"

#include <device/app_control.h>
#include <device/host.h>
#include <device/host_locale.h>
#include <device/no_destructor.h>

#include <glib-unix.h>
#include <glib.h>
#include <glib/gstdio.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <memory>

#include "../DeviceInternal.h"
#include "../app_control_handle.h"
#include "launch_common.h"
#include "launch_transport.h"
#include "launch_wire.h"

namespace device {
namespace launch {

namespace {

// A sent request whose reply comes back on its own connection, read on the
// default main context. Owned by the source that watches the connection.
struct PendingReply {
    UniqueFd fd;
    FrameReader reader{kReplyMagic, "reply"};
    app_control_s request; // copy of what was sent, handed to the callback
    app_control_reply_cb callback = nullptr;
    void* userData = nullptr;
    std::string replier; // the listening service, as the host layer knows it
};

// The reply in a complete frame, with the replier known as the host layer
// knows it; null (logged) when it is not a reply.
app_control_s* TakeReply(PendingReply* pending, app_control_result_e* result)
{
    std::string resultText;
    std::unique_ptr<app_control_s> reply(Parse(pending->reader.TakePayload(), &resultText));
    if (!reply)
        return nullptr;
    gint64 code = 0;
    if (!g_ascii_string_to_signed(resultText.c_str(), 10, APP_CONTROL_RESULT_CANCELED, APP_CONTROL_RESULT_APP_STARTED,
                                  &code, nullptr)) {
        LAUNCH_REFUSAL("rejected reply: result [%s]", resultText.c_str());
        return nullptr;
    }
    reply->caller = pending->replier;
    *result = static_cast<app_control_result_e>(code);
    return reply.release();
}

gboolean OnReplyReadable(gint fd, GIOCondition, gpointer data)
{
    auto* pending = static_cast<PendingReply*>(data);
    std::unique_ptr<app_control_s> reply;
    app_control_result_e result = APP_CONTROL_RESULT_CANCELED;
    switch (pending->reader.Read(fd)) {
    case FrameReader::Status::More:
        return G_SOURCE_CONTINUE;
    case FrameReader::Status::Complete:
        reply.reset(TakeReply(pending, &result));
        break;
    case FrameReader::Status::Empty:
    case FrameReader::Status::Refused:
        break;
    }
    // A service gone without replying (killed, or a reply that was not one)
    // leaves the request canceled, as one ending normally would.
    if (!reply) {
        LAUNCH_LOG("request to [%s] ends without a reply: canceled", pending->request.appId.value_or("").c_str());
        reply = std::make_unique<app_control_s>();
        reply->received = true;
        result = APP_CONTROL_RESULT_CANCELED;
    }
    pending->callback(&pending->request, reply.get(), result, pending->userData);
    return G_SOURCE_REMOVE;
}

void WaitForReply(UniqueFd connection, const app_control_s& request, app_control_reply_cb callback, void* userData)
{
    auto* pending = new PendingReply();
    pending->fd = std::move(connection);
    pending->request = request;
    pending->request.replyTicket = 0; // a copy never answers the request it was made from
    pending->callback = callback;
    pending->userData = userData;
    // Known while the service is surely alive: it has just taken the request.
    ucred server{};
    socklen_t length = sizeof server;
    if (getsockopt(pending->fd.Get(), SOL_SOCKET, SO_PEERCRED, &server, &length) == 0 && length == sizeof server)
        pending->replier = AppIdOfPeer(server.pid, server.uid, ExecutableOf(server.pid));
    g_autoptr(GSource) source =
        g_unix_fd_source_new(pending->fd.Get(), static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR));
    g_source_set_callback(source, G_SOURCE_FUNC(OnReplyReadable), pending,
                          [](gpointer data) { delete static_cast<PendingReply*>(data); });
    g_source_attach(source, nullptr);
}

int AppendToInbox(const app_control_s& request, const std::string& appId)
{
    const std::string dir = InboxDir();
    const std::string path = dir + appId + ".jsonl";
    // The caller as a receiver would know it: the application of this executable.
    const Executable self = ExecutableOf(getpid());
    const std::vector<std::string> ids =
        self.Known() ? AppIdsOfExecutable(self.dev, self.ino) : std::vector<std::string>();
    const std::string caller = ids.size() == 1 ? ids.front() : "";
    const std::string line = InboxLine(request, caller, static_cast<long long>(std::time(nullptr)));
    if (!internal::MakeDirs(dir)) {
        LAUNCH_LOG("cannot create [%s]", dir.c_str());
        return APP_CONTROL_ERROR_IO_ERROR;
    }
    // One write() with O_APPEND: lines of concurrent senders never mix.
    UniqueFd fd;
    if (OpenTrustedFile(path, O_WRONLY | O_APPEND | O_CREAT, &fd) != FileTrust::Ok) {
        LAUNCH_LOG("cannot open [%s]", path.c_str());
        return APP_CONTROL_ERROR_IO_ERROR;
    }
    ssize_t written;
    do {
        written = write(fd.Get(), line.data(), line.size());
    } while (written < 0 && errno == EINTR);
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

void DrainEvents(int fd)
{
    alignas(inotify_event) char events[4096];
    while (read(fd, events, sizeof events) > 0) {
    }
}

// The sender's watch on the folder where a started application's socket
// appears, -1 when there is none. One inotify instance per thread, kept for
// the thread's life: closing an instance waits for the kernel to retire its
// watch, 4 to 16 ms here, and every cold start paid that between its
// socket's arrival and the delivery of its request. A forked child makes its
// own: the inherited one is shared with the parent, which would take its events.
int ArrivalsWatch(const std::string& dir)
{
    struct Watch {
        UniqueFd fd;
        int wd = -1;
        pid_t owner = 0;
    };
    thread_local Watch watch;
    const pid_t self = getpid();
    if (watch.owner != self) {
        watch.fd.Reset(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
        watch.wd = -1;
        watch.owner = self;
    }
    if (!watch.fd.Valid())
        return -1;
    // The folder it watches already gives the same watch back; another one
    // (another root, or the folder made again) replaces it.
    const int wd = inotify_add_watch(watch.fd.Get(), dir.c_str(), IN_MOVED_TO | IN_CREATE);
    if (wd < 0)
        return -1;
    if (watch.wd >= 0 && watch.wd != wd)
        inotify_rm_watch(watch.fd.Get(), watch.wd);
    watch.wd = wd;
    // What arrived before this start says nothing about it.
    DrainEvents(watch.fd.Get());
    return watch.fd.Get();
}

// Starts the application detached and waits, bounded, until it listens; the
// caller then delivers the request over the socket like any other, so the new
// process learns who sent it the same way. Called with the application's lock held.
bool Start(const AppInfo& app)
{
    // Nothing another user could have written is run: the program and every
    // directory above it pass the seam's rules (links resolved one at a time).
    std::string program, refusal;
    if (!internal::ResolveTrusted(app.executable, &program, &refusal, false)) {
        LAUNCH_LOG("cannot start [%s]: its program [%s] is refused: %s", app.appId.c_str(), app.executable.c_str(),
                   refusal.c_str());
        return false;
    }
    if (CheckTrustedFile(program) != FileTrust::Ok) {
        LAUNCH_LOG("cannot start [%s]: its program [%s] is refused%s", app.appId.c_str(), app.executable.c_str(),
                   program == app.executable ? "" : (" (it leads to [" + program + "])").c_str());
        return false;
    }
    // Watched before the spawn, so that the socket's arrival (bound under a
    // temporary name, then renamed) wakes us at once instead of at the next poll.
    const int arrivals = ArrivalsWatch(RunDir());
    gchar* argv[] = {const_cast<gchar*>(program.c_str()), const_cast<gchar*>(kStartArg), nullptr};
    g_auto(GStrv) envp = g_get_environ();
    envp = g_environ_setenv(envp, kRootEnv, Root().c_str(), TRUE);
    envp = g_environ_setenv(envp, kAppIdEnv, app.appId.c_str(), TRUE);
    for (const auto& [name, value] : DeviceLocaleEnvironment())
        envp = g_environ_setenv(envp, name.c_str(), value.c_str(), TRUE);
    g_autoptr(GError) error = nullptr;
    // DO_NOT_REAP_CHILD is left out: the child is started through an
    // intermediate process, is nobody's child here and never our zombie.
    if (!g_spawn_async(nullptr, argv, envp, G_SPAWN_STDIN_FROM_DEV_NULL, DetachChild, nullptr, nullptr, &error)) {
        LAUNCH_LOG("cannot start [%s] (%s): %s", app.appId.c_str(), app.executable.c_str(), error->message);
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
        if (poll(&ready, 1, 20) > 0)
            DrainEvents(arrivals);
    }
    if (!listening)
        LAUNCH_LOG("[%s] started but does not listen after %d ms", app.appId.c_str(), kStartTimeoutMs);
    return listening;
}

// `keep`, when given, receives the accepted connection, on which the reply comes.
int DeliverOrStart(const AppInfo& app, const std::string& payload, UniqueFd* keep)
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
        switch (DeliverFrame(socketPath, frame, kAckTimeoutMs, keep)) {
        case Delivery::Accepted:
            return APP_CONTROL_ERROR_NONE;
        case Delivery::Rejected:
            LAUNCH_LOG("[%s] rejected the request", app.appId.c_str());
            return APP_CONTROL_ERROR_LAUNCH_REJECTED;
        case Delivery::TimedOut:
            LAUNCH_LOG("[%s] did not take the request within %d ms", app.appId.c_str(), kAckTimeoutMs);
            return APP_CONTROL_ERROR_TIMED_OUT;
        case Delivery::Refused: // logged with the reason
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

int SendReply(uint64_t ticket, const app_control_s& reply, app_control_result_e result)
{
    const std::string payload = Serialize(reply, false, std::to_string(static_cast<int>(result)));
    if (payload.size() > kMaxPayload) {
        LAUNCH_LOG("reply of %zu bytes is too large", payload.size());
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    switch (SendReplyFrame(ticket, Frame(kReplyMagic, payload))) {
    case Delivery::Accepted:
        return APP_CONTROL_ERROR_NONE;
    case Delivery::TimedOut:
        LAUNCH_LOG("the sender did not take the reply within %d ms", kAckTimeoutMs);
        return APP_CONTROL_ERROR_TIMED_OUT;
    default:
        LAUNCH_LOG("the sender no longer waits for the reply");
        return APP_CONTROL_ERROR_IO_ERROR;
    }
}

} // namespace

void CancelUnansweredReplies()
{
    const app_control_s empty;
    for (uint64_t ticket : KeptForReply())
        SendReply(ticket, empty, APP_CONTROL_RESULT_CANCELED);
}

} // namespace launch
} // namespace device

using namespace device::launch;
using device::UniqueFd;

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

    const std::string payload = Serialize(*app_control, callback != nullptr, "");
    if (payload.size() > kMaxPayload) {
        LAUNCH_LOG("request of %zu bytes is too large", payload.size());
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    }
    UniqueFd connection;
    const int result = DeliverOrStart(*app, payload, callback ? &connection : nullptr);
    if (result == APP_CONTROL_ERROR_NONE && callback)
        WaitForReply(std::move(connection), *app_control, callback, user_data);
    return result;
}

extern "C" int app_control_reply_to_launch_request(app_control_h reply, app_control_h request,
                                                   app_control_result_e result)
{
    if (!reply || !request || !request->received)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    if (device::ActiveFault("app_control_reply_to_launch_request") != device::Fault::None)
        return APP_CONTROL_ERROR_IO_ERROR;
    if (request->replyTicket == 0)
        return APP_CONTROL_ERROR_NONE; // the sender wants no reply
    return SendReply(request->replyTicket, *reply, result);
}
