// backupctl against the real service: settings out through a backup, back in
// through a restore, and the exit codes a script relies on.

#include <gtest/gtest.h>

#include <glib.h>
#include <json-glib/json-glib.h>

#include <sys/wait.h>

#include <string>
#include <vector>

#include "DeviceFixture.h"

namespace {

struct ToolRun {
    int status = -1;
    std::string out;
};

ToolRun Backupctl(std::vector<std::string> args)
{
    args.insert(args.begin(), std::string(WEATHER_BUILD_DIR) + "/tools/backupctl");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ToolRun run;
    gchar* out = nullptr;
    gint wait = 0;
    GError* error = nullptr;
    if (g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_STDERR_TO_DEV_NULL, nullptr, nullptr, &out, nullptr,
                     &wait, &error)) {
        run.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
        run.out = out ? out : "";
    }
    g_clear_error(&error);
    g_free(out);
    return run;
}

// A member of the JSON object printed by a --json command, as text.
std::string Member(const std::string& json, const char* name)
{
    JsonParser* parser = json_parser_new();
    std::string text;
    if (json_parser_load_from_data(parser, json.c_str(), -1, nullptr)) {
        JsonNode* node = json_object_get_member(json_node_get_object(json_parser_get_root(parser)), name);
        if (node) {
            gchar* dumped = json_to_string(node, FALSE);
            text = dumped;
            g_free(dumped);
        }
    }
    g_object_unref(parser);
    return text;
}

} // namespace

TEST(BackupctlTest, SettingsSurviveABackupAndRestoreRoundTrip)
{
    DeviceFixture::Ensure();
    if (!g_file_test((std::string(WEATHER_BUILD_DIR) + "/tools/backupctl").c_str(), G_FILE_TEST_IS_EXECUTABLE))
        GTEST_SKIP() << "backupctl not built";

    EXPECT_EQ(Backupctl({"info"}).status, 0); // also starts the service, which creates the databases
    ASSERT_EQ(Backupctl({"set", "tempUnit", "0"}).status, 0);
    ASSERT_EQ(Backupctl({"set", "autoRefreshTimeInterval", "24"}).status, 0);
    ToolRun backup = Backupctl({"--json", "backup"});
    ASSERT_EQ(backup.status, 0) << backup.out;
    EXPECT_NE(Member(backup.out, "records").find("\\\"autoRefreshTimeInterval\\\":24"), std::string::npos)
        << backup.out;

    ASSERT_EQ(Backupctl({"set", "autoRefreshTimeInterval", "3"}).status, 0);
    ASSERT_EQ(Backupctl({"set", "useNotification", "false"}).status, 0);
    EXPECT_EQ(Member(Backupctl({"--json", "settings"}).out, "autoRefreshTimeInterval"), "3");
    ASSERT_EQ(Backupctl({"restore"}).status, 0);
    ToolRun settings = Backupctl({"--json", "settings"});
    EXPECT_EQ(Member(settings.out, "tempUnit"), "0");
    EXPECT_EQ(Member(settings.out, "autoRefreshTimeInterval"), "24");
    EXPECT_EQ(Member(settings.out, "useNotification"), "true");

    EXPECT_EQ(Backupctl({"backup", "--fault", "empty_file"}).status, 1);
    EXPECT_EQ(Backupctl({"restore", "no-such-backup"}).status, 2);
    EXPECT_EQ(Backupctl({"set", "tempUnit", "x"}).status, 2);
    EXPECT_EQ(Backupctl({"backup", "--fault", "bogus"}).status, 2);
}
