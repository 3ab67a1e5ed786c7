// AppLauncher against the host device: retry of the send, handle hygiene and
// the requests that reach applications recorded in their inbox.

#include <gtest/gtest.h>

#include <device/host.h>

#include <algorithm>
#include <functional>
#include <string>

#include "utils/AppLauncher.h"
#include "DeviceFixture.h"
#include "SqliteTestUtil.h"

namespace {

std::string Inbox(const std::string& appId)
{
    return ReadText(device::InboxDir() + appId + ".jsonl");
}

size_t NotifiesSent()
{
    const std::string inbox = Inbox("com.velurio.weather-agent"), what = "\"MESSAGE\":\"REQUEST_NOTIFY\"";
    size_t n = 0;
    for (size_t at = inbox.find(what); at != std::string::npos; at = inbox.find(what, at + 1))
        ++n;
    return n;
}

class AppLauncherTest : public ::testing::Test {
protected:
    void SetUp() override { DeviceFixture::Reset(); }
    void TearDown() override { device::ClearFaults(); }
};

} // namespace

TEST_F(AppLauncherTest, NotifySendIsRetriedOnceAndTheHandleNeverSurvives)
{
    auto launcher = AppLauncher::Make();
    const size_t sent = NotifiesSent();
    for (unsigned failures : {1u, 2u}) {
        LogCapture log;
        device::SetFault("app_control_send_launch_request", device::Fault::Error, failures);
        EXPECT_EQ(launcher->RequestNotifyToAgent(), failures == 1 ? 0 : -1);
        EXPECT_EQ(log.Count("[Fail] app_control_send_launch_request failed. try again: "), 1u);
        EXPECT_EQ(log.Count("[Fail] app_control_send_launch_request failed\033"), failures - 1);
        EXPECT_EQ(launcher->GetAppControl(), nullptr);
    }
    EXPECT_EQ(NotifiesSent(), sent + 1); // the retried send only

    // A failed create ends the request before any other step.
    LogCapture log;
    device::SetFault("app_control_create", device::Fault::Error);
    EXPECT_EQ(launcher->RequestRefreshToAgent(), -1);
    EXPECT_EQ(log.Count("[Fail] app_control_create : "), 1u);
    EXPECT_EQ(log.Count("(mAppControl == NULL) [return]"), 1u); // the destroy step only
}

TEST_F(AppLauncherTest, MessagesReachTheirApplications)
{
    for (const char* appId : {"com.velurio.weather-consumer", "com.velurio.permissionpopup"})
        ASSERT_TRUE(device::InstallApp({appId, "com.velurio.siblings", "platform", ""}));
    auto launcher = AppLauncher::Make();

    EXPECT_EQ(launcher->RequestRefreshToAgent(), 0);
    EXPECT_EQ(launcher->LaunchAgentToCancelAllRequest(), 0);
    EXPECT_EQ(launcher->RequestCurrentLocationWeatherInfoForSimpleAddProcessToAgent("port-7"), 0);
    EXPECT_EQ(launcher->RequestRefreshToConsumer(), 0);
    EXPECT_EQ(launcher->SendGPSErrorMessageViaConsumer(), 0);
    launcher->RequestShowOnDevice();
    launcher->RequestCTCPermissionPopup("location", 1);
    const std::pair<const char*, const char*> expected[] = {
        {"com.velurio.weather-agent", "\"MESSAGE\":\"REQUEST_ALL_WEATHER_INFO\""},
        {"com.velurio.weather-agent", "\"MESSAGE\":\"REQUEST_CANCEL_ALL_REQUEST\""},
        {"com.velurio.weather-agent", "\"PORT_ID\":\"port-7\""},
        {"com.velurio.weather-consumer", "UPDATE_BY_TAVO"},
        {"com.velurio.weather-consumer", "SEND_GPS_ERROR_STATE"},
        {"com.velurio.weather-consumer", "SHOW_ON_DEVICE"},
        {"com.velurio.permissionpopup", "\"http://velurio.com/appcontrol/data/privacy_list\":[\"location\"]"},
        {"com.velurio.permissionpopup", "\"http://velurio.com/appcontrol/data/data_notice\":\"Use data network\""},
        {"com.velurio.permissionpopup", "\"http://velurio.com/appcontrol/data/pkg_id\":\"com.velurio.weather\""},
        {"com.velurio.permissionpopup", "\"http://velurio.com/appcontrol/data/app_id\":\"com.velurio.weather\""},
    };
    for (const auto& [appId, text] : expected)
        EXPECT_NE(Inbox(appId).find(text), std::string::npos) << appId << ": " << text;

    // More than the one element handed over would read past the array: refused, nothing sent.
    const size_t before = Inbox("com.velurio.permissionpopup").size();
    launcher->RequestCTCPermissionPopup("location", 2);
    EXPECT_EQ(Inbox("com.velurio.permissionpopup").size(), before);
    // No operation: nothing is made or sent. Not installed: both sends fail.
    EXPECT_EQ(launcher->LaunchTavoSetting("com.velurio.weather-consumer", ""), -1);
    EXPECT_EQ(launcher->GetAppControl(), nullptr);
    EXPECT_EQ(launcher->LaunchLocationSetting(), -1);
    EXPECT_EQ(launcher->GetAppControl(), nullptr);
}

// Each request reaches its own application, once, with what identifies it;
// a step the platform refuses ends the request with -1 and sends nothing.
TEST_F(AppLauncherTest, EachRequestReachesItsApplicationOnce)
{
    const char* const kApps[] = {"com.velurio.weather-consumer", "com.velurio.zarrel-popup",
                                 "com.velurio.weather-widget-popup", "com.velurio.corvane-service",
                                 "com.velurio.setting-location"};
    for (const char* appId : kApps)
        ASSERT_TRUE(device::InstallApp({appId, "com.velurio.siblings", "platform", ""}));
    auto launcher = AppLauncher::Make();
    const struct {
        std::function<int(AppLauncher&)> send;
        const char* appId;
        const char* text;
    } cases[] = {
        {[](AppLauncher& l) { return l.RequestRefreshToAgent(); }, "com.velurio.weather-agent",
         "\"MESSAGE\":\"REQUEST_ALL_WEATHER_INFO\""},
        {[](AppLauncher& l) { return l.RequestCurrentLocationWeatherInfoToAgent(); }, "com.velurio.weather-agent",
         "\"MESSAGE\":\"REQUEST_CURRENT_LOCATION_WEATHER_INFO\""},
        {[](AppLauncher& l) { return l.LaunchAgentToRequestUpdateNecessaryWeatherInfo(); }, "com.velurio.weather-agent",
         "\"MESSAGE\":\"REQUEST_NEED_TO_UPDATE_WEATHER_INFO\""},
        {[](AppLauncher& l) { return l.SendCurrentLocationCityNameViaConsumer(); }, "com.velurio.weather-consumer",
         "\"MESSAGE\":\"SEND_CURRENT_CITY_NAME\""},
        {[](AppLauncher& l) { return l.SendNetworkErrorMessageViaConsumer(); }, "com.velurio.weather-consumer",
         "\"MESSAGE\":\"SEND_NETWORK_ERROR_STATE\""},
        {[](AppLauncher& l) {
             l.RequestAddCurrentCityOnHostDevice();
             return 0;
         },
         "com.velurio.weather-consumer", "\"MESSAGE\":\"ADD_CURRENT_CITY\""},
        {[](AppLauncher& l) {
             l.RequestBTConnectionQuestionPopup();
             return 0;
         },
         "com.velurio.zarrel-popup", "\"http://velurio.com/appcontrol/data/connection_type\":\"bt_connect\""},
        {[](AppLauncher& l) {
             l.RequestWidgetPopup();
             return 0;
         },
         "com.velurio.weather-widget-popup", "\"app_id\":\"com.velurio.weather-widget-popup\""},
        {[](AppLauncher& l) { return l.RequestGetDataNetworkStatusOfHostDevice(nullptr); },
         "com.velurio.corvane-service", "\"type\":\"host_datanetwork_req\""},
        {[](AppLauncher& l) { return l.LaunchWeatherApp(); }, "com.velurio.weather",
         "\"app_id\":\"com.velurio.weather\""},
        {[](AppLauncher& l) { return l.LaunchLocationSetting(); }, "com.velurio.setting-location",
         "\"operation\":\"http://velurio.com/appcontrol/operation/configure/location\""},
        {[](AppLauncher& l) { return l.LaunchTavoSetting("", "http://example.test/op"); }, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        const std::string before = c.appId ? Inbox(c.appId) : "";
        EXPECT_EQ(c.send(*launcher), c.appId ? 0 : -1) << (c.text ? c.text : "no target");
        EXPECT_EQ(launcher->GetAppControl(), nullptr);
        if (!c.appId)
            continue;
        const std::string added = Inbox(c.appId).substr(before.size());
        EXPECT_EQ(std::count(added.begin(), added.end(), '\n'), 1) << c.appId << ": " << added;
        EXPECT_NE(added.find(c.text), std::string::npos) << c.appId << ": " << added;
    }

    for (const char* step : {"app_control_set_app_id", "app_control_add_extra_data", "app_control_set_operation"}) {
        const std::string before = Inbox("com.velurio.weather-agent") + Inbox("com.velurio.setting-location");
        LogCapture log;
        device::SetFault(step, device::Fault::Error);
        const int result = std::string(step) == "app_control_set_operation" ? launcher->LaunchLocationSetting()
                                                                            : launcher->RequestRefreshToAgent();
        device::ClearFaults();
        EXPECT_EQ(result, -1) << step;
        EXPECT_TRUE(log.Contains(std::string("[Fail] ") + step)) << step;
        EXPECT_EQ(Inbox("com.velurio.weather-agent") + Inbox("com.velurio.setting-location"), before) << step;
        EXPECT_EQ(launcher->GetAppControl(), nullptr);
    }
}
