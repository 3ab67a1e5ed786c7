// Service-application framework of the host device.
//
// Requests arrive through the launch transport (launch/launch_transport.h
// describes it); a request that wants a reply keeps its connection until the
// application replies or the service ends.
// Signals: SIGUSR1 raises the low-memory event, SIGUSR2 low battery, SIGTERM
// ends the service like service_app_exit.

#include <device/host.h>
#include <device/service_app.h>
#include <device/no_destructor.h>

#include <glib-unix.h>
#include <glib.h>
#include <glib/gstdio.h>

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <deque>
#include <list>
#include <memory>
#include <vector>

#include "DeviceInternal.h"
#include "app_control_handle.h"
#include "launch/launch_common.h"
#include "launch/launch_send.h"
#include "launch/launch_transport.h"
#include "launch/launch_wire.h"

struct app_event_handler {
    app_event_type_e type;
    app_event_cb callback;
    void* userData;
};

struct app_event_info {
    app_event_type_e type;
};

namespace device {
namespace {
bool gAllowWithoutStartRequest = false;
} // namespace
namespace launch {
namespace {

struct QueuedRequest {
    app_control_h handle;
    uint64_t ticket; // connection waiting for the verdict
    bool wantsReply; // the connection is kept for the reply
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
    bool holdDispatch = false; // until the create callback has run
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
    static NoDestructor<std::list<app_event_handler>> handlers;
    return *handlers;
}

// Last resort: a call blocked in the kernel (a file swapped between its check
// and its open) would keep a service alive for good, and every later request
// would fail. A timer of its own thread ends the process a while after the
// last accepted request, past the backup service's 142 s self-kill and the
// 5.5 s a busy database may add; only accepted requests re-arm it. It writes
// one line and ends the process as a crash would: no terminate callback.
std::atomic<int> gLastResortMs{150 * 1000};
std::string gLastResortAppId;

struct LastResort {
    timer_t timer{};
    bool armed = false;
};

LastResort& Alarm()
{
    static LastResort alarm;
    return alarm;
}

void OnLastResort(union sigval)
{
    LAUNCH_LOG("service [%s] still runs %d ms after its last accepted request: ended without its terminate callback",
               gLastResortAppId.c_str(), gLastResortMs.load());
    _exit(EXIT_FAILURE);
}

void ArmLastResort()
{
    LastResort& alarm = Alarm();
    if (!alarm.armed) {
        struct sigevent event {};
        event.sigev_notify = SIGEV_THREAD;
        event.sigev_notify_function = OnLastResort;
        if (timer_create(CLOCK_MONOTONIC, &event, &alarm.timer) != 0) {
            LAUNCH_LOG("cannot create the last-resort timer: %s", g_strerror(errno));
            return;
        }
        alarm.armed = true;
    }
    const int ms = gLastResortMs;
    struct itimerspec when {};
    when.it_value.tv_sec = ms / 1000;
    when.it_value.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    timer_settime(alarm.timer, 0, &when, nullptr);
}

void DisarmLastResort()
{
    LastResort& alarm = Alarm();
    if (alarm.armed)
        timer_delete(alarm.timer);
    alarm.armed = false;
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
        state.server->Answer(next.ticket, Verdict::Accept, next.wantsReply);
    ArmLastResort();
    if (next.wantsReply)
        next.handle->replyTicket = next.ticket;
    device::SetDispatchingRequest(next.handle);
    if (state.callbacks.app_control)
        state.callbacks.app_control(next.handle, state.userData);
    device::SetDispatchingRequest(nullptr);
    delete next.handle; // the application keeps a clone if it needs one
    if (!state.queue.empty() && !state.exitRequested)
        return G_SOURCE_CONTINUE;
    state.dispatchId = 0;
    return G_SOURCE_REMOVE;
}

void Enqueue(app_control_h handle, uint64_t ticket, bool wantsReply)
{
    ServiceState& state = State();
    state.queue.push_back({handle, ticket, wantsReply});
    if (!state.dispatchId && !state.holdDispatch)
        state.dispatchId = g_idle_add_full(G_PRIORITY_DEFAULT, DispatchOne, nullptr, nullptr);
}

Verdict OnRequest(const std::string& payload, const Peer& peer, uint64_t ticket)
{
    if (State().exitRequested)
        return Verdict::Drop; // the sender starts a fresh instance
    bool wantsReply = false;
    app_control_s* handle = Parse(payload, nullptr, &wantsReply);
    if (!handle)
        return Verdict::Reject;
    handle->caller = AppIdOfPeer(peer.pid, peer.uid, peer.exe);
    Enqueue(handle, ticket, wantsReply);
    return Verdict::Defer;
}

bool StartedForRequest(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (argv[i] && std::strcmp(argv[i], kStartArg) == 0)
            return true;
    return false;
}

// Runs the default main context until the start request is queued, an exit
// is requested or the time is up.
bool WaitForStartRequest(ServiceState& state)
{
    const gint64 deadline = g_get_monotonic_time() + kStartTimeoutMs * G_GINT64_CONSTANT(1000);
    while (state.queue.empty() && !state.exitRequested && g_get_monotonic_time() < deadline) {
        bool fired = false;
        const guint wake = g_timeout_add(
            static_cast<guint>(std::max<gint64>(1, (deadline - g_get_monotonic_time()) / 1000)),
            [](gpointer flag) -> gboolean {
                *static_cast<bool*>(flag) = true;
                return G_SOURCE_REMOVE;
            },
            &fired);
        g_main_context_iteration(nullptr, TRUE);
        if (!fired)
            g_source_remove(wake);
    }
    return !state.queue.empty() && !state.exitRequested;
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
    for (const QueuedRequest& request : state.queue)
        delete request.handle;
    state.queue.clear();
    for (guint id : state.signalIds)
        g_source_remove(id);
    state.signalIds.clear();
}

} // namespace
} // namespace launch

namespace {
app_control_h gDispatching = nullptr;
} // namespace

void AllowServiceWithoutStartRequest(bool allow)
{
    gAllowWithoutStartRequest = allow;
}

void SetLastResortAlarmMs(int ms)
{
    launch::gLastResortMs = ms;
}

app_control_h DispatchingRequest()
{
    return gDispatching;
}

void SetDispatchingRequest(app_control_h request)
{
    gDispatching = request;
}

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
    // A service exists to serve requests: started any other way it ends at once.
    const bool startedForRequest = StartedForRequest(argc, argv);
    if (!startedForRequest && !device::gAllowWithoutStartRequest) {
        LAUNCH_LOG("service [%s] started without a request: it is started by the device to serve one", appId.c_str());
        return APP_ERROR_INVALID_CONTEXT;
    }

    if (startedForRequest)
        device::internal::AdoptSendersDevice();
    state.running = true;
    state.callbacks = *callback;
    state.userData = user_data;
    state.server = std::make_unique<FrameServer>(kRequestMagic, OnRequest);
    const bool listening = device::internal::MakeDirs(RunDir()) && state.server->Listen(SocketPath(appId));
    if (!listening) {
        const bool alreadyRunning = IsListening(SocketPath(appId));
        LAUNCH_LOG("start request dropped: the service cannot listen");
        state.server.reset();
        state.running = false;
        return alreadyRunning ? APP_ERROR_ALREADY_RUNNING : APP_ERROR_INVALID_CONTEXT;
    }
    state.signalIds.push_back(g_unix_signal_add(SIGUSR1, OnLowMemory, nullptr));
    state.signalIds.push_back(g_unix_signal_add(SIGUSR2, OnLowBattery, nullptr));
    state.signalIds.push_back(g_unix_signal_add(SIGTERM, OnTerminateSignal, nullptr));

    int result = APP_ERROR_NONE;
    state.holdDispatch = true;
    const bool haveRequest = !startedForRequest || WaitForStartRequest(state);
    state.holdDispatch = false;
    // The start request is accepted: from here the process ends in bounded time.
    gLastResortAppId = appId;
    if (haveRequest)
        ArmLastResort();
    if (!haveRequest) {
        LAUNCH_LOG("service [%s] ends before it starts: %s", appId.c_str(),
                   state.exitRequested ? "asked to exit" : "no valid start request within the start time");
        result = APP_ERROR_INVALID_CONTEXT;
    } else if (state.callbacks.create && !state.callbacks.create(user_data)) {
        LAUNCH_LOG("create callback of [%s] failed", appId.c_str());
        result = APP_ERROR_INVALID_CONTEXT;
    } else {
        if (!state.exitRequested) {
            state.dispatchId = g_idle_add_full(G_PRIORITY_DEFAULT, DispatchOne, nullptr, nullptr);
            g_autoptr(GMainLoop) loop = g_main_loop_new(nullptr, FALSE);
            state.loop = loop;
            g_main_loop_run(loop);
            state.loop = nullptr;
        }
    }
    Shutdown(state);
    DisarmLastResort();
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
