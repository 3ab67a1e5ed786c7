// AppLauncher against the host device: retry of the send, handle hygiene and
// the requests that reach applications recorded in their inbox.

#include <gtest/gtest.h>

#include <glib.h>

#include <device/host.h>
#include <device/log.h>

#include <string>
#include <vector>

#include "AppLauncher.h"
#include "DeviceFixture.h"

namespace {

// Log observer that lifts the send fault once the launcher says it will try again.
struct RetryWatch {
    std::vector<std::string> lines;
    bool healOnRetry = false;
};

void RetryHook(log_priority, const char*, const char* message, void* data)
{
    auto* watch = static_cast<RetryWatch*>(data);
    watch->lines.push_back(message);
    if (watch->healOnRetry && strstr(message, "failed. try again"))
        device::ClearFault("app_control_send_launch_request");
}

size_t CountLines(const RetryWatch& watch, const char* text)
{
    size_t n = 0;
    for (const auto& line : watch.lines)
        n += line.find(text) != std::string::npos;
    return n;
}

std::string Inbox(const std::string& appId)
{
    gchar* text = nullptr;
    g_file_get_contents((device::InboxDir() + appId + ".jsonl").c_str(), &text, nullptr, nullptr);
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

class AppLauncherTest : public ::testing::Test {
protected:
    void SetUp() override { DeviceFixture::Reset(); }
    void TearDown() override
    {
        dlog_set_capture_hook(nullptr, nullptr);
        device::ClearFaults();
    }
};

} // namespace

TEST_F(AppLauncherTest, NotifySendIsRetriedOnceAndTheHandleNeverSurvives)
{
    RetryWatch watch;
    dlog_set_capture_hook(RetryHook, &watch);
    auto launcher = AppLauncher::Make();

    watch.healOnRetry = true;
    device::SetFault("app_control_send_launch_request", device::Fault::Error);
    EXPECT_EQ(launcher->RequestNotifyToAgent(), 0);
    EXPECT_EQ(CountLines(watch, "[Fail] app_control_send_launch_request failed. try again: "), 1u);
    EXPECT_EQ(CountLines(watch, "[Fail] app_control_send_launch_request failed\033"), 0u);
    EXPECT_EQ(launcher->GetAppControl(), nullptr);
    std::string inbox = Inbox("com.velurio.weather-agent");
    EXPECT_NE(inbox.find("\"MESSAGE\":\"REQUEST_NOTIFY\""), std::string::npos) << inbox;

    watch.lines.clear();
    watch.healOnRetry = false;
    device::SetFault("app_control_send_launch_request", device::Fault::Error);
    EXPECT_EQ(launcher->RequestNotifyToAgent(), -1);
    EXPECT_EQ(CountLines(watch, "failed. try again: "), 1u);
    EXPECT_EQ(CountLines(watch, "[Fail] app_control_send_launch_request failed\033"), 1u);
    EXPECT_EQ(launcher->GetAppControl(), nullptr);

    // A failed create ends the request before any other step.
    watch.lines.clear();
    device::SetFault("app_control_create", device::Fault::Error);
    EXPECT_EQ(launcher->RequestRefreshToAgent(), -1);
    EXPECT_EQ(CountLines(watch, "[Fail] app_control_create : "), 1u);
    EXPECT_EQ(CountLines(watch, "(mAppControl == NULL) [return]"), 1u); // the destroy step only
}

TEST_F(AppLauncherTest, MessagesReachTheirApplications)
{
    for (const char* appId : {"com.velurio.weather-consumer", "com.velurio.permissionpopup"})
        ASSERT_TRUE(device::InstallApp({appId, "com.velurio.siblings", "platform", ""}));
    auto launcher = AppLauncher::Make();

    EXPECT_EQ(launcher->RequestRefreshToAgent(), 0);
    EXPECT_EQ(launcher->LaunchAgentToCancelAllRequest(), 0);
    EXPECT_EQ(launcher->RequestCurrentLocationWeatherInfoForSimpleAddProcessToAgent("port-7"), 0);
    std::string agent = Inbox("com.velurio.weather-agent");
    for (const char* text : {"\"MESSAGE\":\"REQUEST_ALL_WEATHER_INFO\"", "\"MESSAGE\":\"REQUEST_CANCEL_ALL_REQUEST\"",
                             "\"PORT_ID\":\"port-7\""})
        EXPECT_NE(agent.find(text), std::string::npos) << text;

    EXPECT_EQ(launcher->RequestRefreshToConsumer(), 0);
    EXPECT_EQ(launcher->SendGPSErrorMessageViaConsumer(), 0);
    launcher->RequestShowOnDevice();
    std::string consumer = Inbox("com.velurio.weather-consumer");
    for (const char* text : {"UPDATE_BY_TAVO", "SEND_GPS_ERROR_STATE", "SHOW_ON_DEVICE"})
        EXPECT_NE(consumer.find(text), std::string::npos) << text;

    launcher->RequestCTCPermissionPopup("location", 1);
    std::string popup = Inbox("com.velurio.permissionpopup");
    EXPECT_NE(popup.find("\"http://velurio.com/appcontrol/data/privacy_list\":[\"location\"]"), std::string::npos)
        << popup;
    EXPECT_NE(popup.find("\"http://velurio.com/appcontrol/data/data_notice\":\"Use data network\""),
              std::string::npos);
    // More than the one element handed over would read past the array: refused, nothing sent.
    size_t before = Inbox("com.velurio.permissionpopup").size();
    launcher->RequestCTCPermissionPopup("location", 2);
    EXPECT_EQ(Inbox("com.velurio.permissionpopup").size(), before);

    // No operation: nothing is made or sent.
    EXPECT_EQ(launcher->LaunchTavoSetting("com.velurio.weather-consumer", ""), -1);
    EXPECT_EQ(launcher->GetAppControl(), nullptr);
    // Not installed: both sends fail.
    EXPECT_EQ(launcher->LaunchLocationSetting(), -1);
    EXPECT_EQ(launcher->GetAppControl(), nullptr);
}
