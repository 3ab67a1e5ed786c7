// devicectl against the test device: what it prints and what it changes.

#include <gtest/gtest.h>

#include <device/host.h>
#include <device/log.h>
#include <device/preference.h>
#include <device/vconf.h>

#include <glib.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "DeviceFixture.h"
#include "TestProcess.h"

using test_process::ToolRun;

namespace {

class DevicectlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeviceFixture::Reset();
        mTool = std::string(WEATHER_BUILD_DIR) + "/tools/devicectl";
        ASSERT_TRUE(g_file_test(mTool.c_str(), G_FILE_TEST_IS_EXECUTABLE)) << "devicectl not built";
    }
    void TearDown() override { DeviceFixture::Reset(); }

    ToolRun Devicectl(std::vector<std::string> args)
    {
        args.insert(args.begin(), mTool);
        return test_process::RunTool(args);
    }

    std::string mTool;
};

} // namespace

TEST_F(DevicectlTest, ShowListsAppsAndKeys)
{
    ASSERT_TRUE(device::InstallApp({"org.shown.app", "org.shown", "", "", "3.0"}));
    ToolRun run = Devicectl({"show"});
    ASSERT_EQ(run.exit, 0) << run.err;
    EXPECT_NE(run.out.find("Device root: " + DeviceFixture::Root()), std::string::npos);
    EXPECT_NE(run.out.find("com.velurio.weather-backuprestore"), std::string::npos);
    EXPECT_NE(run.out.find("org.shown.app"), std::string::npos);
    EXPECT_NE(run.out.find("(unsigned)"), std::string::npos);
    EXPECT_NE(run.out.find("\"en_US.UTF-8\""), std::string::npos);
}

TEST_F(DevicectlTest, KeysAndPreferencesKeepTheirTypes)
{
    ASSERT_EQ(vconf_set_bool("tool/flag", 0), VCONF_OK);
    ToolRun set = Devicectl({"key", "set", "tool/flag", "true"});
    ASSERT_EQ(set.exit, 0) << set.err;
    int flag = 0;
    EXPECT_EQ(vconf_get_bool("tool/flag", &flag), VCONF_OK) << "the key keeps its type";
    EXPECT_EQ(flag, 1);

    EXPECT_EQ(Devicectl({"key", "set", "tool/flag", "maybe"}).exit, 2);
    EXPECT_EQ(Devicectl({"key", "get", "tool/none"}).exit, 1);
    EXPECT_EQ(Devicectl({"key", "set", "tool/n", "12", "--type", "int"}).exit, 0);
    int n = 0;
    EXPECT_EQ(vconf_get_int("tool/n", &n), VCONF_OK);
    EXPECT_EQ(n, 12);

    ToolRun pref = Devicectl({"pref", "set", "--app", DeviceFixture::kDefaultAppId, "tool/pref", "5", "--type", "int"});
    ASSERT_EQ(pref.exit, 0) << pref.err;
    int value = 0;
    EXPECT_EQ(preference_get_int("tool/pref", &value), PREFERENCE_ERROR_NONE);
    EXPECT_EQ(value, 5);
    ToolRun get = Devicectl({"pref", "get", "--app", DeviceFixture::kDefaultAppId, "tool/pref"});
    EXPECT_EQ(get.out, "tool/pref (int) = 5\n");
    EXPECT_EQ(Devicectl({"pref", "get", "--app", "../escape", "k"}).exit, 2);
    EXPECT_EQ(Devicectl({"frobnicate"}).exit, 2);
}

TEST_F(DevicectlTest, LaunchToAnAppWithoutExecutableLandsInItsInbox)
{
    ToolRun launch =
        Devicectl({"launch", "com.velurio.weather-agent", "--op", "http://example.test/op/ping", "--extra", "k=v"});
    ASSERT_EQ(launch.exit, 0) << launch.err;
    ToolRun inbox = Devicectl({"inbox", "com.velurio.weather-agent"});
    EXPECT_NE(inbox.out.find("http://example.test/op/ping"), std::string::npos) << inbox.out;
    // devicectl is no installed application, whatever its environment says.
    EXPECT_NE(inbox.out.find("\"caller\":null"), std::string::npos) << inbox.out;
    EXPECT_EQ(Devicectl({"launch", "com.velurio.weather-agent", "--as", "com.velurio.weather"}).exit, 2);
    EXPECT_EQ(Devicectl({"launch", "com.velurio.weather-agent", "--extra", "novalue"}).exit, 2);
}

// A running application's answer is printed with its extra data and decides the exit code.
TEST_F(DevicectlTest, LaunchWaitsForTheAnswerOfARunningApp)
{
    const std::string app = "com.test.devicectl-target";
    ASSERT_TRUE(device::InstallApp({app, "com.test.fixtures", "", WEATHER_FIXTURE_DIR "/fixture_recorder"}));
    const struct {
        std::vector<std::string> args;
        int exit;
        const char* out;
    } cases[] = {
        {{"--extra", "MESSAGE=hi", "--op", "http://example.test/op/echo"},
         0,
         "sent to com.test.devicectl-target\nreply: succeeded\n  echo = hi\n  pids (array)\n"},
        {{"--extra", "noreply=1", "--wait", "1"}, 1, "sent to com.test.devicectl-target\nno reply within 1 s\n"},
        {{"--extra", "noreply=1", "--wait", "0"}, 0, "sent to com.test.devicectl-target\n"},
        {{"--wait", "soon"}, 2, ""},
        {{"--extra", "=v"}, 2, ""},
        {{"--uri", "x", "--extra", "exit=1"}, 0, nullptr},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"launch", app};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ToolRun run = Devicectl(args);
        EXPECT_EQ(run.exit, c.exit) << c.args[0] << " " << c.args[1] << run.err;
        if (c.out) {
            EXPECT_EQ(run.out, c.out) << c.args[1];
        }
    }
    ToolRun missing = Devicectl({"launch", "com.test.not-installed", "--wait", "1"});
    EXPECT_EQ(missing.exit, 1);
    EXPECT_NE(missing.err.find("launch of com.test.not-installed failed"), std::string::npos) << missing.err;
    // The recorder ends after the request that asked it to.
    for (int i = 0; i < 100 && device::IsAppRunning(app); ++i)
        g_usleep(50 * 1000);
    EXPECT_FALSE(device::IsAppRunning(app));
}

// Each command in turn, as a script would use them: exit code and what is printed.
TEST_F(DevicectlTest, CommandsInSequence)
{
    const std::string self = DeviceFixture::kDefaultAppId;
    const struct {
        std::vector<std::string> args;
        int exit;
        const char* out; // the whole output, or nullptr
    } steps[] = {
        {{"install", "org.tool.app", "--pkg", "org.tool", "--cert", "c1", "--version", "2.5"},
         0,
         "installed org.tool.app in package org.tool (c1)\n"},
        {{"install", "org.tool.two", "--pkg", "org.tool"},
         0,
         "installed org.tool.two in package org.tool (unsigned)\n"},
        {{"install", "org.tool.three"}, 2, ""},
        {{"uninstall", "org.tool.two"}, 0, "uninstalled org.tool.two\n"},
        {{"uninstall", "org.tool.two"}, 1, ""},
        {{"uninstall"}, 2, ""},
        {{"key", "set", "tool/k", "v"}, 0, nullptr},
        {{"key", "get", "tool/k"}, 0, "tool/k (string) = v\n"},
        {{"key", "set", "tool/k", "1.5", "--type", "double"}, 0, nullptr},
        {{"key", "get", "tool/k"}, 0, "tool/k (double) = 1.5\n"},
        {{"key", "set", "tool/k", "x", "--type", "blob"}, 2, ""},
        {{"key", "unset", "tool/k"}, 0, "unset tool/k\n"},
        {{"key", "unset", "tool/k"}, 1, ""},
        {{"key", "frob", "tool/k"}, 2, ""},
        {{"key"}, 2, ""},
        {{"pref", "set", "--app", self, "tool/p", "true", "--type", "bool"}, 0, nullptr},
        {{"pref", "get", "--app", self, "tool/p"}, 0, "tool/p (bool) = true\n"},
        {{"pref", "get", "--app", self, "tool/none"}, 1, ""},
        {{"pref", "set", "--app", self, "tool/p", "x", "--type", "blob"}, 2, ""},
        {{"pref", "get", "tool/p"}, 2, ""},
        {{"inbox", "org.nobody"}, 0, "no requests recorded for org.nobody\n"},
        {{"inbox", "../x"}, 2, ""},
        {{"inbox", ".."}, 2, ""},
        {{"log", "extra"}, 2, ""},
        {{"help"}, 0, nullptr},
    };
    for (const auto& step : steps) {
        ToolRun run = Devicectl(step.args);
        std::string what;
        for (const std::string& arg : step.args)
            what += arg + " ";
        EXPECT_EQ(run.exit, step.exit) << what << run.err;
        if (step.out) {
            EXPECT_EQ(run.out, step.out) << what;
        }
    }
    const std::string apps = Devicectl({"apps"}).out;
    EXPECT_NE(apps.find("org.tool.app"), std::string::npos) << apps;
    EXPECT_EQ(apps.find("org.tool.two"), std::string::npos) << apps;
    dlog_print(DLOG_INFO, "devicectl-test", "marker %d", 7);
    EXPECT_NE(Devicectl({"log"}).out.find("I/devicectl-test"), std::string::npos);
}
