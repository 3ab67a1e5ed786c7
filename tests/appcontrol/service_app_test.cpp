// service_app_main run inside the test process: lifecycle order, exit at any
// point, events, and a request delivered to the running loop.

#include <device/app_control.h>
#include <device/host.h>
#include <device/service_app.h>

#include <glib.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "DeviceFixture.h"
#include "TestProcess.h"

namespace {

constexpr const char* kApp = "com.test.inproc";

struct ServiceRun {
    std::vector<std::string> steps;
    bool createResult = true;
    bool exitInCreate = false;
    bool socketDuringCreate = false;
    std::string caller;
    std::string message;
};

std::string SocketPath()
{
    return DeviceFixture::Root() + "/run/" + kApp + ".sock";
}

bool Create(void* data)
{
    auto* run = static_cast<ServiceRun*>(data);
    run->steps.push_back("create");
    run->socketDuringCreate = g_file_test(SocketPath().c_str(), G_FILE_TEST_EXISTS);
    if (run->exitInCreate)
        service_app_exit();
    return run->createResult;
}

void Terminate(void* data)
{
    static_cast<ServiceRun*>(data)->steps.push_back("terminate");
}

void Control(app_control_h request, void* data)
{
    auto* run = static_cast<ServiceRun*>(data);
    run->steps.push_back("request");
    char* text = nullptr;
    if (app_control_get_caller(request, &text) == APP_CONTROL_ERROR_NONE && text)
        run->caller = text;
    std::free(text);
    text = nullptr;
    if (app_control_get_extra_data(request, "MESSAGE", &text) == APP_CONTROL_ERROR_NONE)
        run->message = text;
    std::free(text);
    service_app_exit();
}

int Main(ServiceRun* run)
{
    service_app_lifecycle_callback_s callbacks = {Create, Terminate, Control};
    char name[] = "service";
    char* argv[] = {name, nullptr};
    return service_app_main(1, argv, &callbacks, run);
}

class ServiceAppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeviceFixture::Reset();
        DeviceFixture::SetAppId(kApp);
        device::AppInfo app{kApp, "com.test.fixtures", "", "/bin/false"};
        ASSERT_TRUE(device::InstallApp(app));
        device::AllowServiceWithoutStartRequest(true); // nobody starts this process for a request
    }
    void TearDown() override
    {
        device::AllowServiceWithoutStartRequest(false);
        DeviceFixture::Reset();
    }
};

TEST_F(ServiceAppTest, FailedCreateReturnsAnErrorWithoutLoopOrTerminate)
{
    ServiceRun run;
    run.createResult = false;
    EXPECT_NE(APP_ERROR_NONE, Main(&run));
    EXPECT_EQ(std::vector<std::string>{"create"}, run.steps);
    EXPECT_TRUE(run.socketDuringCreate);
    EXPECT_FALSE(g_file_test(SocketPath().c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(ServiceAppTest, ExitDuringCreateSkipsTheLoopButTerminates)
{
    ServiceRun run;
    run.exitInCreate = true;
    EXPECT_EQ(APP_ERROR_NONE, Main(&run));
    EXPECT_EQ((std::vector<std::string>{"create", "terminate"}), run.steps);
    EXPECT_FALSE(g_file_test(SocketPath().c_str(), G_FILE_TEST_EXISTS));
    // The exit request does not stick to the next run.
    ServiceRun again;
    again.exitInCreate = true;
    EXPECT_EQ(APP_ERROR_NONE, Main(&again));
}

// The callback exits without replying: the service answers "canceled" itself
// once its main loop ended, although this process goes on.
TEST_F(ServiceAppTest, RequestSentToTheRunningServiceReachesItsCallbackAndIsAnsweredAtTheEnd)
{
    ServiceRun run;
    struct Reply {
        int calls = 0;
        app_control_result_e result = APP_CONTROL_RESULT_SUCCEEDED;
    } reply;
    std::thread sender([&reply] {
        // Waits for the socket, then sends like any other application would.
        for (int i = 0; i < 500 && !g_file_test(SocketPath().c_str(), G_FILE_TEST_EXISTS); ++i)
            g_usleep(2000);
        app_control_h request = nullptr;
        app_control_create(&request);
        app_control_set_app_id(request, kApp);
        app_control_add_extra_data(request, "MESSAGE", "hello");
        auto onReply = [](app_control_h, app_control_h, app_control_result_e result, void* data) {
            auto* seen = static_cast<Reply*>(data);
            ++seen->calls;
            seen->result = result;
        };
        EXPECT_EQ(APP_CONTROL_ERROR_NONE, app_control_send_launch_request(request, onReply, &reply));
        app_control_destroy(request);
    });
    EXPECT_EQ(APP_ERROR_NONE, Main(&run));
    sender.join();
    EXPECT_EQ((std::vector<std::string>{"create", "request", "terminate"}), run.steps);
    EXPECT_EQ("hello", run.message);
    EXPECT_EQ(kApp, run.caller);
    EXPECT_TRUE(test_process::PumpUntil([&reply] { return reply.calls > 0; }));
    EXPECT_EQ(1, reply.calls);
    EXPECT_EQ(APP_CONTROL_RESULT_CANCELED, reply.result);
}

TEST_F(ServiceAppTest, LowMemoryEventRunsTheHandlerOnTheLoop)
{
    struct Seen {
        int memory = 0;
        int battery = 0;
    } seen;
    app_event_handler_h memory = nullptr;
    app_event_handler_h battery = nullptr;
    ASSERT_EQ(APP_ERROR_NONE, service_app_add_event_handler(
                                  &memory, APP_EVENT_LOW_MEMORY,
                                  [](app_event_info_h, void* data) {
                                      ++static_cast<Seen*>(data)->memory;
                                      service_app_exit();
                                  },
                                  &seen));
    ASSERT_EQ(APP_ERROR_NONE, service_app_add_event_handler(
                                  &battery, APP_EVENT_LOW_BATTERY,
                                  [](app_event_info_h, void* data) { ++static_cast<Seen*>(data)->battery; }, &seen));
    ServiceRun run;
    g_timeout_add(
        10,
        [](gpointer) -> gboolean {
            raise(SIGUSR1);
            return G_SOURCE_REMOVE;
        },
        nullptr);
    EXPECT_EQ(APP_ERROR_NONE, Main(&run));
    EXPECT_EQ(1, seen.memory);
    EXPECT_EQ(0, seen.battery);
    EXPECT_EQ(APP_ERROR_NONE, service_app_remove_event_handler(memory));
    EXPECT_EQ(APP_ERROR_NONE, service_app_remove_event_handler(battery));
    EXPECT_EQ(APP_ERROR_INVALID_PARAMETER, service_app_remove_event_handler(memory));
}

TEST_F(ServiceAppTest, WithoutAValidAppIdTheServiceDoesNotStart)
{
    for (const char* appId : {"", ".hidden", "a/b"}) {
        DeviceFixture::SetAppId(appId);
        ServiceRun run;
        run.exitInCreate = true; // started anyway, it ends at once
        EXPECT_EQ(APP_ERROR_INVALID_CONTEXT, Main(&run)) << appId;
        EXPECT_TRUE(run.steps.empty()) << appId;
    }
}

} // namespace

namespace {

// Waits up to `seconds` for the child; its wait status, or -1 if it still runs.
int WaitFor(pid_t child, double seconds)
{
    const gint64 until = g_get_monotonic_time() + static_cast<gint64>(seconds * G_USEC_PER_SEC);
    int status = 0;
    while (g_get_monotonic_time() < until) {
        if (waitpid(child, &status, WNOHANG) == child)
            return status;
        g_usleep(10000);
    }
    return -1;
}

std::string DeviceLog()
{
    gchar* data = nullptr;
    std::string text;
    if (g_file_get_contents(device::LogPath().c_str(), &data, nullptr, nullptr))
        text = data;
    g_free(data);
    return text;
}

} // namespace

// A service whose main loop is blocked in the kernel still ends, a bounded
// time after the last request it accepted: one log line, no terminate
// callback (the lock and the cloud library are left as a crash leaves them).
// Each accepted request starts that time again.
TEST_F(ServiceAppTest, ABlockedServiceEndsAfterItsLastAcceptedRequest)
{
    const std::string fifo = DeviceFixture::Root() + "/blocking-fifo", terminated = fifo + ".terminated";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        const char* what;
        bool blockInCreate; // else block in the request after `requests` requests
        int requests;       // sent 150 ms apart
        int alarmMs;
    };
    const Case cases[] = {
        {"blocked while created", true, 0, 400},
        {"blocked by its fifth request", false, 5, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        unlink(terminated.c_str());
        static int sBlockAfter = 0;
        static const char* sFifo = nullptr;
        static const char* sTerminated = nullptr;
        sBlockAfter = c.blockInCreate ? 0 : c.requests;
        sFifo = fifo.c_str();
        sTerminated = terminated.c_str();
        const pid_t child = fork();
        if (child == 0) {
            device::SetLastResortAlarmMs(c.alarmMs);
            service_app_lifecycle_callback_s callbacks = {
                [](void*) {
                    if (sBlockAfter == 0)
                        (void)!open(sFifo, O_RDONLY); // no writer ever comes
                    return true;
                },
                [](void*) { (void)!g_file_set_contents(sTerminated, "", 0, nullptr); },
                [](app_control_h, void*) {
                    static int seen = 0;
                    if (++seen == sBlockAfter)
                        (void)!open(sFifo, O_RDONLY);
                }};
            char name[] = "service";
            char* argv[] = {name, nullptr};
            _exit(service_app_main(1, argv, &callbacks, nullptr) == APP_ERROR_NONE ? 0 : 3);
        }
        ASSERT_GT(child, 0);
        const gint64 start = g_get_monotonic_time();
        gint64 lastAccepted = start;
        for (int i = 0; i < c.requests; ++i) {
            g_usleep(150000);
            for (int n = 0; n < 500 && !g_file_test(SocketPath().c_str(), G_FILE_TEST_EXISTS); ++n)
                g_usleep(2000);
            app_control_h request = nullptr;
            app_control_create(&request);
            app_control_set_app_id(request, kApp);
            EXPECT_EQ(APP_CONTROL_ERROR_NONE, app_control_send_launch_request(request, nullptr, nullptr)) << i;
            app_control_destroy(request);
            lastAccepted = g_get_monotonic_time();
        }
        const int status = WaitFor(child, 10);
        const double afterLast = static_cast<double>(g_get_monotonic_time() - lastAccepted) / G_USEC_PER_SEC;
        if (status == -1) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
        ASSERT_NE(status, -1) << "still running 10 s after its last request";
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == EXIT_FAILURE) << status;
        EXPECT_GE(afterLast, c.alarmMs / 1000.0 - 0.05) << "ended before its time";
        EXPECT_FALSE(g_file_test(terminated.c_str(), G_FILE_TEST_EXISTS)) << "the terminate callback ran";
        const std::string line = "service [" + std::string(kApp) + "] still runs " + std::to_string(c.alarmMs) +
                                 " ms after its last accepted request: ended without its terminate callback";
        EXPECT_NE(DeviceLog().find(line), std::string::npos) << line;
    }
    unlink(fifo.c_str());
}
