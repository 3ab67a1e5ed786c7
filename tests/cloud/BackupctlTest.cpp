// backupctl against the real service: settings out through a backup, back in
// through a restore, and the exit codes a script relies on.

#include <gtest/gtest.h>

#include <glib.h>

#include <string>
#include <vector>

#include "DeviceFixture.h"
#include "TestProcess.h"

namespace {

using test_process::JsonValue;
using test_process::ToolRun;

ToolRun Backupctl(std::vector<std::string> args)
{
    args.insert(args.begin(), std::string(WEATHER_BUILD_DIR) + "/tools/backupctl");
    return test_process::RunTool(args);
}

} // namespace

TEST(BackupctlTest, SettingsSurviveABackupAndRestoreRoundTrip)
{
    DeviceFixture::Ensure();
    if (!g_file_test((std::string(WEATHER_BUILD_DIR) + "/tools/backupctl").c_str(), G_FILE_TEST_IS_EXECUTABLE))
        GTEST_SKIP() << "backupctl not built";

    EXPECT_EQ(Backupctl({"info"}).exit, 0); // also starts the service, which creates the databases
    ASSERT_EQ(Backupctl({"set", "tempUnit", "0"}).exit, 0);
    ASSERT_EQ(Backupctl({"set", "autoRefreshTimeInterval", "24"}).exit, 0);
    ToolRun backup = Backupctl({"--json", "backup"});
    ASSERT_EQ(backup.exit, 0) << backup.out;
    EXPECT_NE(JsonValue(backup.out, "$.records[0].value").find("\"autoRefreshTimeInterval\":24"), std::string::npos)
        << backup.out;

    ASSERT_EQ(Backupctl({"set", "autoRefreshTimeInterval", "3"}).exit, 0);
    ASSERT_EQ(Backupctl({"set", "useNotification", "false"}).exit, 0);
    EXPECT_EQ(JsonValue(Backupctl({"--json", "settings"}).out, "$.autoRefreshTimeInterval"), "3");
    ASSERT_EQ(Backupctl({"restore"}).exit, 0);
    ToolRun settings = Backupctl({"--json", "settings"});
    EXPECT_EQ(JsonValue(settings.out, "$.tempUnit"), "0");
    EXPECT_EQ(JsonValue(settings.out, "$.autoRefreshTimeInterval"), "24");
    EXPECT_EQ(JsonValue(settings.out, "$.useNotification"), "true");

    EXPECT_EQ(Backupctl({"backup", "--fault", "empty_file"}).exit, 1);
    EXPECT_EQ(Backupctl({"restore", "no-such-backup"}).exit, 2);
    EXPECT_EQ(Backupctl({"set", "tempUnit", "x"}).exit, 2);
    EXPECT_EQ(Backupctl({"backup", "--fault", "bogus"}).exit, 2);
}
