// Service-application framework of the host device.
//
// Transport of launch requests (launch_*.cpp):
// - A service listens on <root>/run/<app>.sock from before its create
//   callback until its main loop ends. A request is one connection carrying
//   one frame ("WDRQ", 32-bit big-endian length, GVariant "(a{ss}a(sbas))" of
//   header fields and extra data, at most 256 KiB); the service answers one
//   byte, 'A' when it hands the request to the app-control callback or 'R' for
//   a malformed one, and closes without answering when it is exiting.
// - A sender takes the flock <root>/run/<app>.lock, then either delivers to
//   the socket or, when there is none or it refuses connections (a killed
//   process), removes it, writes the request to <root>/run/req-*.gv and starts
//   the executable detached with "--device-request <file>", WEATHER_DEVICE_ROOT
//   and WEATHER_DEVICE_APP_ID set, and holds the lock until the new process
//   listens (it removes the file then), 5 s at most.
// - The caller is never read from the request: for a socket it is the peer
//   pid's identity (published by the sender's host layer under
//   <root>/run/ident/<pid>, else the WEATHER_DEVICE_APP_ID it was started
//   with); for a start request the spawner passes its own identity in
//   WEATHER_DEVICE_CALLER_ID.
// - A sender that wants a reply listens on <root>/run/reply-*.sock, named in
//   the request's "reply_to" field; the reply is one "WDRP" frame. Requests
//   still owed a reply when the service ends are answered "canceled".
// - Applications without an executable get each request appended as a JSON
//   line to <root>/inbox/<app>.jsonl.
// Signals: SIGUSR1 raises the low-memory event, SIGUSR2 low battery, SIGTERM
// ends the service like service_app_exit.

#include <device/host.h>
#include <device/service_app.h>

#include <glib-unix.h>
#include <glib.h>
#include <glib/gstdio.h>

#include <sys/stat.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <deque>
#include <list>
#include <memory>
#include <vector>

#include "DeviceInternal.h"
#include "app_control_handle.h"
#include "launch_common.h"
#include "launch_send.h"
#include "launch_transport.h"
#include "launch_wire.h"

struct app_event_handler {
    app_event_type_e type;
    app_event_cb callback;
    void* userData;
};

struct app_event_info {
    app_event_type_e type;
};

namespace device {
namespace launch {
namespace {

struct QueuedRequest {
    app_control_h handle;
    uint64_t ticket; // 0: the start request from argv
};

struct ServiceState {
    bool running = false;
    std::atomic<bool> exitRequested{false};
    GMainLoop* loop = nullptr;
    service_app_lifecycle_callback_s callbacks{};
    void* userData = nullptr;
    std::unique_ptr<FrameServer> server;
    std::deque<QueuedRequest> queue;
    guint dispatchId = 0;
    std::vector<guint> signalIds;
};

ServiceState& State()
{
    static ServiceState state;
    return state;
}

// Handlers outlive service_app_main: the process registers them once.
std::list<app_event_handler>& Handlers()
{
    static auto* handlers = new std::list<app_event_handler>();
    return *handlers;
}

gboolean DispatchOne(gpointer)
{
    ServiceState& state = State();
    if (state.exitRequested || state.queue.empty()) {
        state.dispatchId = 0;
        return G_SOURCE_REMOVE;
    }
    QueuedRequest next = state.queue.front();
    state.queue.pop_front();
    if (next.ticket)
        state.server->Answer(next.ticket, Verdict::Accept);
    ExpectReply(next.handle->replyTo);
    if (state.callbacks.app_control)
        state.callbacks.app_control(next.handle, state.userData);
    delete next.handle; // the application keeps a clone if it needs one
    if (!state.queue.empty() && !state.exitRequested)
        return G_SOURCE_CONTINUE;
    state.dispatchId = 0;
    return G_SOURCE_REMOVE;
}

void Enqueue(app_control_h handle, uint64_t ticket)
{
    ServiceState& state = State();
    state.queue.push_back({handle, ticket});
    if (!state.dispatchId)
        state.dispatchId = g_idle_add_full(G_PRIORITY_DEFAULT, DispatchOne, nullptr, nullptr);
}

Verdict OnRequest(const std::string& payload, pid_t peer, uint64_t ticket)
{
    if (State().exitRequested)
        return Verdict::Drop; // the sender starts a fresh instance
    app_control_s* handle = Parse(payload, nullptr);
    if (!handle)
        return Verdict::Reject;
    handle->caller = AppIdOfProcess(peer);
    Enqueue(handle, ticket);
    return Verdict::Defer;
}

// The start request named in argv; the file is consumed.
app_control_s* ReadStartRequest(int argc, char** argv, const std::string& caller)
{
    const char* path = nullptr;
    for (int i = 1; i + 1 < argc; ++i)
        if (argv[i] && std::strcmp(argv[i], kRequestArg) == 0)
            path = argv[i + 1];
    if (!path)
        return nullptr;
    if (!IsRequestFilePath(path)) {
        LAUNCH_LOG("rejected start request: [%s] is not a request file of this device", path);
        return nullptr;
    }
    struct stat info;
    gchar* content = nullptr;
    gsize length = 0;
    if (stat(path, &info) != 0 || !S_ISREG(info.st_mode) || static_cast<size_t>(info.st_size) > kMaxPayload) {
        LAUNCH_LOG("rejected start request: [%s] is missing, not a file or larger than %zu bytes", path, kMaxPayload);
    } else if (!g_file_get_contents(path, &content, &length, nullptr)) {
        LAUNCH_LOG("rejected start request: cannot read [%s]", path);
    }
    g_unlink(path);
    if (!content)
        return nullptr;
    app_control_s* handle = Parse(std::string(content, length), nullptr);
    g_free(content);
    if (handle)
        handle->caller = caller;
    return handle;
}

void RaiseEvent(app_event_type_e type)
{
    // Copy: a handler may remove itself.
    std::vector<app_event_handler> matching;
    for (const app_event_handler& handler : Handlers())
        if (handler.type == type)
            matching.push_back(handler);
    app_event_info info{type};
    for (const app_event_handler& handler : matching)
        handler.callback(&info, handler.userData);
}

gboolean OnLowMemory(gpointer)
{
    RaiseEvent(APP_EVENT_LOW_MEMORY);
    return G_SOURCE_CONTINUE;
}

gboolean OnLowBattery(gpointer)
{
    RaiseEvent(APP_EVENT_LOW_BATTERY);
    return G_SOURCE_CONTINUE;
}

gboolean OnTerminateSignal(gpointer)
{
    service_app_exit();
    return G_SOURCE_CONTINUE;
}

void Shutdown(ServiceState& state)
{
    if (state.dispatchId)
        g_source_remove(state.dispatchId);
    state.dispatchId = 0;
    // Senders of requests not yet handed over see no verdict and start anew.
    if (state.server)
        state.server->Stop();
    state.server.reset();
    for (const QueuedRequest& request : state.queue) {
        if (!request.ticket)
            LAUNCH_LOG("start request dropped: the service ended before its main loop ran");
        delete request.handle;
    }
    state.queue.clear();
    for (guint id : state.signalIds)
        g_source_remove(id);
    state.signalIds.clear();
}

} // namespace
} // namespace launch
} // namespace device

using namespace device::launch;

extern "C" int service_app_main(int argc, char** argv, service_app_lifecycle_callback_s* callback, void* user_data)
{
    if (!callback || argc < 1 || !argv)
        return APP_ERROR_INVALID_PARAMETER;
    ServiceState& state = State();
    if (state.running)
        return APP_ERROR_ALREADY_RUNNING;
    const std::string appId = device::OwnAppId();
    if (!IsValidAppId(appId)) {
        LAUNCH_LOG("service without a valid application id [%s]", appId.c_str());
        return APP_ERROR_INVALID_CONTEXT;
    }
    const char* callerEnv = g_getenv(kCallerEnv);
    const std::string caller = callerEnv ? callerEnv : "";
    g_unsetenv(kCallerEnv); // not for the processes this one starts

    state.running = true;
    state.callbacks = *callback;
    state.userData = user_data;
    state.server = std::make_unique<FrameServer>(kRequestMagic, OnRequest);
    const bool listening = device::internal::MakeDirs(RunDir()) && state.server->Listen(SocketPath(appId));
    // Consumed only now: the spawner takes the file's removal as the sign
    // that this process listens (or has given up), and stops waiting.
    app_control_s* startRequest = ReadStartRequest(argc, argv, caller);
    if (!listening) {
        const bool alreadyRunning = IsListening(SocketPath(appId));
        if (startRequest)
            LAUNCH_LOG("start request dropped: the service cannot listen");
        delete startRequest;
        state.server.reset();
        state.running = false;
        return alreadyRunning ? APP_ERROR_ALREADY_RUNNING : APP_ERROR_INVALID_CONTEXT;
    }
    state.signalIds.push_back(g_unix_signal_add(SIGUSR1, OnLowMemory, nullptr));
    state.signalIds.push_back(g_unix_signal_add(SIGUSR2, OnLowBattery, nullptr));
    state.signalIds.push_back(g_unix_signal_add(SIGTERM, OnTerminateSignal, nullptr));
    if (startRequest)
        Enqueue(startRequest, 0);

    int result = APP_ERROR_NONE;
    if (state.callbacks.create && !state.callbacks.create(user_data)) {
        LAUNCH_LOG("create callback of [%s] failed", appId.c_str());
        result = APP_ERROR_INVALID_CONTEXT;
    } else {
        if (!state.exitRequested) {
            state.loop = g_main_loop_new(nullptr, FALSE);
            g_main_loop_run(state.loop);
            g_main_loop_unref(state.loop);
            state.loop = nullptr;
        }
    }
    Shutdown(state);
    if (result == APP_ERROR_NONE && state.callbacks.terminate)
        state.callbacks.terminate(user_data);
    CancelUnansweredReplies();
    state.exitRequested = false;
    state.running = false;
    return result;
}

extern "C" void service_app_exit(void)
{
    ServiceState& state = State();
    state.exitRequested = true;
    if (state.loop)
        g_main_loop_quit(state.loop);
}

extern "C" int service_app_add_event_handler(app_event_handler_h* event_handler, app_event_type_e event_type,
                                             app_event_cb callback, void* user_data)
{
    if (!event_handler || !callback || event_type < APP_EVENT_LOW_MEMORY ||
        event_type > APP_EVENT_SUSPENDED_STATE_CHANGED)
        return APP_ERROR_INVALID_PARAMETER;
    // Events other than low memory and low battery are accepted but never raised on the host.
    Handlers().push_back({event_type, callback, user_data});
    *event_handler = &Handlers().back();
    return APP_ERROR_NONE;
}

extern "C" int service_app_remove_event_handler(app_event_handler_h event_handler)
{
    std::list<app_event_handler>& handlers = Handlers();
    for (auto it = handlers.begin(); it != handlers.end(); ++it) {
        if (&*it == event_handler) {
            handlers.erase(it);
            return APP_ERROR_NONE;
        }
    }
    return APP_ERROR_INVALID_PARAMETER;
}
