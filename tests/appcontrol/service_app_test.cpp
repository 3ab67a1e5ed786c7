// service_app_main run inside the test process: lifecycle order, exit at any
// point, events, and a request delivered to the running loop.

#include <device/app_control.h>
#include <device/host.h>
#include <device/service_app.h>

#include <glib.h>

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
