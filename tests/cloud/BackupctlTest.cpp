// backupctl against the real service: settings out through a backup, back in
// through a restore, and the exit codes a script relies on.

#include <gtest/gtest.h>

#include <glib.h>
#include <glib/gstdio.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include <device/host.h>

#include "DeviceFixture.h"
#include "SqliteTestUtil.h"
#include "TestProcess.h"
#include "cloud/CloudStore.h"

namespace {

using test_process::JsonValue;
using test_process::ToolRun;

ToolRun Backupctl(std::vector<std::string> args, const std::vector<std::string>& env = {})
{
    args.insert(args.begin(), std::string(WEATHER_BUILD_DIR) + "/tools/backupctl");
    return test_process::RunTool(args, env);
}

} // namespace

TEST(BackupctlTest, SettingsSurviveABackupAndRestoreRoundTrip)
{
    DeviceFixture::Ensure();

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

    // A record stored under another key goes back under the service's, without a date.
    const std::string older = cloud::StoreBackup(
        {cloud::Record{std::string("an_older_key"), std::string("5"), std::string("{\"tempUnit\":1}"), false}},
        cloud::NowMs());
    ASSERT_FALSE(older.empty());
    ToolRun restored = Backupctl({"--json", "restore", older});
    ASSERT_EQ(restored.exit, 0) << restored.out;
    EXPECT_EQ(JsonValue(restored.out, "$.records[0].key"), "backup_item_tavo_weather") << restored.out;
    EXPECT_EQ(JsonValue(restored.out, "$.records[0].date"), "null") << restored.out;
}

// The job's report decides the exit code; one without a status, or that is no
// report at all, is a report error. A stand-in service writes each report;
// one still at work when the wait ends is a time-out.
TEST(BackupctlTest, TheReportDecidesTheExitCode)
{
    DeviceFixture::Ensure();
    const struct {
        const char* report;
        int exit;
        const char* shown; // in the human form, or nullptr
    } cases[] = {
        {R"({"id":"@ID@","type":"backup","calls":["prepare"]})", 7, "backup @ID@: \n  calls: prepare\n"},
        {R"({"id":"@ID@","type":"backup","status":null})", 7, nullptr},
        {R"({"id":"@ID@","type":"backup","status":7})", 7, nullptr},
        {R"(["status","succeeded"])", 7, nullptr},
        {"{\"status\":", 7, nullptr},
        {"", 7, nullptr},
        {R"({"id":"@ID@","type":"restore","status":"failed","error":"no stored backup"})", 1,
         "restore @ID@: failed - no stored backup\n  calls:\n"},
        {R"({"status":"no_completion"})", 1, "(none) (none): no_completion\n  calls:\n"},
        {R"({"id":"@ID@","type":"backup","status":"succeeded","backup_id":"b1","calls":["prepare","backup"],)"
         R"("records":[{"key":"k","date":"5","value":"v","failed":true},{"value":null},7]})",
         0,
         "backup @ID@: succeeded\n  backup: b1\n  calls: prepare backup\n"
         "  records: key=k date=5 value=v [failed]\n  records: key=(none) date=(none) value=(none)\n"},
        {R"({"type":"get_info","status":"succeeded","calls":[1],"keys":[{"key":"k","date":"9"}]})", 0,
         "get_info (none): succeeded\n  calls:\n  keys: key=k date=9\n"},
    };
    const std::string stand_in = std::string("WEATHER_SERVICE_BINARY=") + WEATHER_FIXTURE_DIR "/fixture_reporter";
    for (const auto& c : cases) {
        for (bool json : {false, true}) {
            std::vector<std::string> args{"backup"};
            if (json)
                args.insert(args.begin(), "--json");
            ToolRun run = Backupctl(args, {stand_in, std::string("REPORTER_REPORT=") + c.report});
            EXPECT_EQ(run.exit, c.exit) << c.report << run.err;
            if (!c.shown)
                continue;
            // The job id is the one the report was written for.
            std::string shown = c.shown;
            const size_t id = run.out.find(' ') + 1;
            const std::string jobId = run.out.substr(id, run.out.find(':') - id);
            for (size_t at; (at = shown.find("@ID@")) != std::string::npos;)
                shown.replace(at, 4, jobId);
            if (json)
                EXPECT_EQ(JsonValue(run.out, "$.status"), JsonValue(c.report, "$.status")) << run.out;
            else
                EXPECT_EQ(run.out, shown) << c.report;
        }
    }
    ToolRun late = Backupctl({"--timeout", "1", "backup"}, {stand_in, "REPORTER_STAY_MS=2500"});
    EXPECT_EQ(late.exit, 4) << late.err;
    EXPECT_NE(late.err.find("the service is still running"), std::string::npos) << late.err;
}

// Stored backups as the client lists them, and command lines it refuses.
TEST(BackupctlTest, ListingAndCommandLines)
{
    DeviceFixture::Ensure();
    const std::vector<std::string> utc{"TZ=UTC0"};
    EXPECT_EQ(Backupctl({"list"}).out, "no stored backup\n");
    EXPECT_EQ(Backupctl({"--json", "list"}).out, "[]\n");
    cloud::Record full{std::string("k"), std::string("5"), std::string("v")};
    const std::string id = cloud::StoreBackup({full, cloud::Record{}}, 1700000000000);
    ASSERT_FALSE(id.empty());

    const std::string listed = Backupctl({"list"}, utc).out;
    EXPECT_EQ(listed.rfind(id + "  2023-11-14 22:13:20  ", 0), 0u) << listed;
    EXPECT_NE(listed.find(" bytes  2 record(s)\n  key=k date=5 value=v\n  key=(none) date=(none) value=(none)\n"),
              std::string::npos)
        << listed;
    const std::string json = Backupctl({"--json", "list"}).out;
    EXPECT_EQ(JsonValue(json, "$[0].id"), id);
    EXPECT_EQ(JsonValue(json, "$[0].created_ms"), "1700000000000");
    EXPECT_EQ(JsonValue(json, "$[0].records[0].value"), "v");
    EXPECT_EQ(JsonValue(json, "$[0].records[1].key"), "null");
    EXPECT_GT(std::stoll(JsonValue(json, "$[0].file_size")), 0);

    const struct {
        std::vector<std::string> args;
        int exit;
        const char* err;
    } lines[] = {
        {{}, 2, "usage: backupctl"},
        {{"--bogus", "list"}, 2, "unknown option --bogus"},
        {{"--timeout", "0", "info"}, 2, "invalid timeout 0"},
        {{"--timeout", "3601", "info"}, 2, "invalid timeout 3601"},
        {{"info", "--fault", "nope"}, 2, "unknown fault nope"},
        {{"frobnicate"}, 2, "usage: backupctl"},
        {{"list", "extra"}, 2, "usage: backupctl"},
        {{"restore", "a", "b"}, 2, "usage: backupctl"},
        {{"restore", "no-such-backup"}, 2, "no stored backup no-such-backup"},
        {{"set", "tempUnit"}, 2, "usage: backupctl"},
        {{"settings"}, 2, ""}, // the service never ran: no settings database yet
        {{"--help"}, 0, ""},
    };
    for (const auto& line : lines) {
        ToolRun run = Backupctl(line.args);
        const std::string what = line.args.empty() ? "(none)" : line.args[0];
        EXPECT_EQ(run.exit, line.exit) << what;
        EXPECT_NE(run.err.find(line.err), std::string::npos) << what << ": " << run.err;
    }
    EXPECT_EQ(Backupctl({"--help"}).out.rfind("usage: backupctl [--json] COMMAND", 0), 0u);

    // No report could be written: refused before any request is sent.
    DeviceFixture::RemoveTree(cloud::ReportsDir());
    ASSERT_TRUE(g_file_set_contents(cloud::ReportsDir().c_str(), "", 0, nullptr));
    ToolRun blocked = Backupctl({"info"});
    EXPECT_EQ(blocked.exit, 7);
    EXPECT_NE(blocked.err.find("no job report could be written"), std::string::npos) << blocked.err;
    g_remove(cloud::ReportsDir().c_str());
}

// set takes each setting's own range; what it refuses changes nothing.
TEST(BackupctlTest, SetChecksEachValueAgainstItsSetting)
{
    DeviceFixture::Ensure();
    ASSERT_EQ(Backupctl({"info"}).exit, 0); // the service's first start creates the settings database
    const struct {
        const char* key;
        const char* value;
        int exit;
        const char* err;
    } cases[] = {
        {"bogus", "1", 2, "unknown setting bogus"},
        {"tempUnit", "", 2, "invalid value  for tempUnit (a 32-bit integer)"},
        {"tempUnit", "2147483648", 2, "invalid value 2147483648"},
        {"tempUnit", "1x", 2, "invalid value 1x"},
        {"tempUnit", "-2147483648", 0, ""},
        {"autoRefreshTimeInterval", "2147483647", 0, ""},
        {"useNotification", "2", 2, "invalid value 2 for useNotification (true/false)"},
        {"useNotification", "0", 0, ""},
        {"useCurrentLocationAgreed", "true", 0, ""},
    };
    for (const auto& c : cases) {
        ToolRun run = Backupctl({"set", c.key, c.value});
        EXPECT_EQ(run.exit, c.exit) << c.key << "=" << c.value;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    }
    EXPECT_EQ(Backupctl({"settings"}).out, "tempUnit                  -2147483648\n"
                                           "autoRefreshTimeInterval   2147483647\n"
                                           "useCurrentLocationAgreed  true\n"
                                           "useNotification           false (pop-up off)\n");

    const std::string db = device::PackageSharedDataDir("com.velurio.weather") + "db/.setting.db";
    ASSERT_TRUE(sqlite_test::ExecSql(db, "DELETE FROM SETTING_TABLE;"));
    for (std::vector<std::string> args : {std::vector<std::string>{"settings"}, {"set", "tempUnit", "1"}}) {
        ToolRun run = Backupctl(args);
        EXPECT_EQ(run.exit, 2) << args[0];
        EXPECT_NE(run.err.find("the settings table has no row"), std::string::npos) << run.err;
    }
}

// SQLite opens a journal beside the database by path (a hot one is rolled
// in): one planted there, a FIFO or another user's, is refused by name and
// never waited on or used, and the settings stay as they were.
TEST(BackupctlTest, APlantedJournalIsRefusedByName)
{
    DeviceFixture::Ensure();
    ASSERT_EQ(Backupctl({"info"}).exit, 0); // the service creates the databases
    ASSERT_EQ(Backupctl({"set", "autoRefreshTimeInterval", "6"}).exit, 0);
    const std::string journal = DeviceFixture::Root() + "/apps/com.velurio.weather/shared/data/db/.setting.db-journal";
    struct Case {
        const char* what;
        bool needsRoot;
        std::function<bool()> plant;
    };
    const Case cases[] = {
        {"a FIFO", false, [&] { return mkfifo(journal.c_str(), 0600) == 0; }},
        {"another user's file", true,
         [&] {
             return g_file_set_contents(journal.c_str(), "THEIR-JOURNAL", -1, nullptr) &&
                    chown(journal.c_str(), 65534, 65534) == 0;
         }},
    };
    for (const Case& c : cases) {
        if (c.needsRoot && geteuid() != 0) {
            std::printf("[  SKIPPED ] %s: another user's file needs root\n", c.what);
            continue;
        }
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.plant());
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"settings"}, std::vector<std::string>{"set", "autoRefreshTimeInterval", "12"}}) {
            std::vector<std::string> run = {"timeout", "-s", "KILL", "10",
                                            std::string(WEATHER_BUILD_DIR) + "/tools/backupctl"};
            run.insert(run.end(), args.begin(), args.end());
            const ToolRun result = test_process::RunTool(run, {});
            EXPECT_NE(result.exit, 0) << args[0];
            EXPECT_NE(result.exit, -1) << args[0] << ": hung and was killed";
            EXPECT_NE(result.err.find("refused file [" + journal + "]"), std::string::npos) << result.err;
        }
        unlink(journal.c_str());
        EXPECT_EQ(JsonValue(Backupctl({"--json", "settings"}).out, "$.autoRefreshTimeInterval"), "6");
    }
}
