// The service binary end to end on a temporary device root, driven as the
// cloud backup client through backupctl and the platform's app control.
// This process is a child subreaper: the service (started detached by the
// platform) becomes its child, so its exit time is exact.

#include <gtest/gtest.h>

#include <glib.h>
#include <glib/gstdio.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <device/app_control.h>
#include <device/host.h>
#include <device/preference.h>
#include <device/vconf.h>

#include <string>
#include <vector>

#include "DeviceFixture.h"
#include "SqliteTestUtil.h"
#include "TestProcess.h"

namespace {

constexpr const char* kService = "com.velurio.weather-backuprestore";
constexpr const char* kClient = "com.test.platform-sender"; // signed like the cloud backup client
constexpr const char* kStranger = "org.stranger.app";
const std::string kOpBase = "http://velurio.com/appcontrol/operation/velurio_cloud/";

using test_process::JsonValue;
using test_process::ToolRun;

// backupctl's output goes to a file: the service it may start inherits the descriptors.
ToolRun Backupctl(std::vector<std::string> args)
{
    args.insert(args.begin(), WEATHER_BUILD_DIR "/tools/backupctl");
    return test_process::RunTool(args);
}

std::string Settings()
{
    return Backupctl({"settings", "--json"}).out;
}

// A change straight in the settings database, as another weather process would make it.
void WriteSettings(int unit, int interval, bool agreed, bool notification)
{
    gchar* sql = g_strdup_printf("UPDATE SETTING_TABLE SET TemperatureUnit = %d, AutoRefreshInterval = %d, "
                                 "ShowCurrentCityAgreement = %d, NotificationOn = %d, NotificationPopup = %d",
                                 unit, interval, agreed, notification, notification);
    EXPECT_TRUE(sqlite_test::ExecSql(device::PackageSharedDataDir("com.velurio.weather") + "db/.setting.db", sql));
    g_free(sql);
}

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

std::string Log()
{
    return ReadText(device::LogPath());
}

std::string BackupFile()
{
    return device::PackageSharedTrustedDir("com.velurio.weather") + "backup.dat";
}

// Waits until every service started for this process has ended (the only
// children here); the wall-clock milliseconds at which the last one was seen
// ended, or -1 when none ended within `timeoutMs`.
int64_t ReapService(int timeoutMs = 5000)
{
    const gint64 deadline = g_get_monotonic_time() + timeoutMs * 1000LL;
    int64_t lastEnded = -1;
    for (;;) {
        pid_t pid = waitpid(-1, nullptr, WNOHANG);
        if (pid > 0) {
            lastEnded = g_get_real_time() / 1000;
            continue;
        }
        if (pid < 0 || g_get_monotonic_time() > deadline)
            return pid < 0 ? lastEnded : -1;
        g_usleep(5000);
    }
}

// Pid of the running service among this process's children, or 0.
pid_t ServicePid()
{
    for (const auto& lock : device::ActivePowerLocks())
        if (lock.appId == kService && getpgid(lock.pid) >= 0)
            return lock.pid;
    return 0;
}

// Sends a request to the service from a process of its own, which the device
// knows as `caller` because it runs the executable installed for it (a copy
// of fixture_sender); returns the platform's code. The copy lies outside the
// build tree, so it is told where the build's service is.
int SendAs(const char* caller, const std::string& operation)
{
    const std::string program = device::Root() + "/" + caller;
    if (!g_file_test(program.c_str(), G_FILE_TEST_EXISTS)) {
        EXPECT_TRUE(test_process::CopyExecutable(WEATHER_FIXTURE_DIR "/fixture_sender", program));
    }
    const bool platformSigned = std::string(caller) != kStranger;
    EXPECT_TRUE(
        device::InstallApp({caller, "com.test.senders", platformSigned ? "velurio-platform" : "other", program}));
    const int exit =
        test_process::RunTool(
            {"env", std::string(device::kServiceBinaryEnv) + "=" WEATHER_BUILD_DIR "/src/weather-backup-restore",
             program, kService, "--op", operation})
            .exit;
    return exit < 0    ? -1
           : exit == 0 ? APP_CONTROL_ERROR_NONE
           : exit == 3 ? APP_CONTROL_ERROR_TIMED_OUT
                       : APP_CONTROL_ERROR_LAUNCH_FAILED;
}

class ServiceE2ETest : public ::testing::Test {
protected:
    // Only records the outcome: a failed assertion here would turn every test
    // of the suite into a skip. Each test checks it in SetUp.
    static void SetUpTestSuite()
    {
        DeviceFixture::Ensure();
        prctl(PR_SET_CHILD_SUBREAPER, 1);
        // The first start creates the databases edited here.
        sFirstInfoExit = Backupctl({"info"}).exit;
        sFirstEnded = ReapService();
    }
    void SetUp() override
    {
        DeviceFixture::Reset();
        ASSERT_EQ(sFirstInfoExit, 0) << "the first start of the service failed";
        ASSERT_GT(sFirstEnded, 0) << "the first service did not end after its get-info job";
        ASSERT_EQ(ServicePid(), 0) << "a service of an earlier test is still running";
    }
    static inline int sFirstInfoExit = -1;
    static inline int64_t sFirstEnded = -1;
    void TearDown() override
    {
        g_unsetenv(device::kFaultsEnv);
        if (pid_t pid = ServicePid())
            kill(pid, SIGKILL);
        while (waitpid(-1, nullptr, WNOHANG) > 0) {
        }
    }
};

} // namespace

TEST_F(ServiceE2ETest, BackupChangeRestoreAndGetInfo)
{
    WriteSettings(0, 3, true, false);
    ToolRun backup = Backupctl({"--json", "backup"});
    ASSERT_EQ(backup.exit, 0) << backup.out;
    EXPECT_EQ(JsonValue(backup.out, "$.records[0].key"), "backup_item_tavo_weather");
    EXPECT_EQ(JsonValue(backup.out, "$.records[0].value"),
              R"({"tempUnit":0,"autoRefreshTimeInterval":3,"useCurrentLocationAgreed":true,"useNotification":false})");

    const std::string backedUp = Settings();
    WriteSettings(1, 12, false, true);
    auto notifies = [] {
        return Count(ReadText(device::InboxDir() + "com.velurio.weather-agent.jsonl"),
                     "\"MESSAGE\":\"REQUEST_NOTIFY\"");
    };
    const size_t notified = notifies();
    ToolRun restore = Backupctl({"--json", "restore"});
    ASSERT_EQ(restore.exit, 0) << restore.out;
    EXPECT_EQ(Settings(), backedUp);
    EXPECT_NE(backedUp.find("\"notificationPopup\":false"), std::string::npos) << backedUp;
    EXPECT_EQ(notifies(), notified + 1);

    // One-second timers of the main loop are coalesced on whole seconds: the
    // wait ends within (0, 2] s of the completion.
    const int64_t restoreEnded = std::stoll(JsonValue(restore.out, "$.ended_ms"));
    const int64_t exited = ReapService();
    EXPECT_GT(exited, restoreEnded);
    EXPECT_LT(exited - restoreEnded, 2600);
    EXPECT_TRUE(device::ActivePowerLocks().empty());

    // Get info: the key and a 13-digit date, and no file.
    g_unlink(BackupFile().c_str());
    ToolRun info = Backupctl({"--json", "info"});
    ASSERT_EQ(info.exit, 0) << info.out;
    EXPECT_EQ(JsonValue(info.out, "$.keys[0].key"), "backup_item_tavo_weather") << info.out;
    EXPECT_TRUE(g_regex_match_simple("^[0-9]{13}$", JsonValue(info.out, "$.keys[0].date").c_str(),
                                     GRegexCompileFlags(0), GRegexMatchFlags(0)));
    EXPECT_FALSE(g_file_test(BackupFile().c_str(), G_FILE_TEST_EXISTS));
    EXPECT_GT(ReapService(), 0);
}

// Each kind of job ends the service about a second after its report.
TEST_F(ServiceE2ETest, TheServiceEndsAfterEachKindOfJob)
{
    ASSERT_EQ(Backupctl({"backup"}).exit, 0);
    ASSERT_GT(ReapService(), 0);
    for (const char* job : {"info", "backup", "restore"}) {
        ToolRun run = Backupctl({"--json", job});
        ASSERT_EQ(run.exit, 0) << job << run.out;
        const int64_t exited = ReapService();
        EXPECT_GT(exited, std::stoll(JsonValue(run.out, "$.ended_ms"))) << job;
        EXPECT_LT(exited - std::stoll(JsonValue(run.out, "$.ended_ms")), 2600) << job;
    }
}

TEST_F(ServiceE2ETest, OneProcessServesOverlappingAndLateRequests)
{
    const size_t started = Count(Log(), "AppCreate\033");
    // The start-up on a watch paired with a host of vendor "LO" switches to the common icons.
    const char* iconKey = "file/private/com.velurio.weather/is_weather_icon_converted_to_common_resource";
    preference_remove(iconKey);
    ASSERT_EQ(vconf_set_str("db/phonelink/host_vendor", "LO"), VCONF_OK);
    // Two requests in flight at once, then one during the 1-second wait.
    const int64_t sentMs = g_get_real_time() / 1000;
    ASSERT_EQ(SendAs(kClient, kOpBase + "get_backup_info"), APP_CONTROL_ERROR_NONE);
    ASSERT_EQ(SendAs(kClient, kOpBase + "backup"), APP_CONTROL_ERROR_NONE);
    // Each request keeps the CPU awake for 140 s from its arrival.
    const auto locks = device::ActivePowerLocks();
    ASSERT_EQ(locks.size(), 1u);
    EXPECT_NEAR(static_cast<double>(locks[0].expiresAtMs - sentMs), 140000.0, 3000.0);
    g_usleep(300 * 1000);
    ToolRun late = Backupctl({"--json", "info"});
    ASSERT_EQ(late.exit, 0) << late.out;
    EXPECT_GT(ReapService(), std::stoll(JsonValue(late.out, "$.ended_ms")));
    const std::string log = Log();
    EXPECT_EQ(Count(log, "AppCreate\033"), started + 1);
    EXPECT_GE(Count(log, "GetInfoCompletedCb() SUCCEEDED"), 2u);
    EXPECT_GE(Count(log, "BackupCompletedCb() SUCCEEDED"), 1u);
    bool converted = false;
    EXPECT_EQ(preference_get_boolean(iconKey, &converted), PREFERENCE_ERROR_NONE); // the service's own store
    EXPECT_TRUE(converted);
    vconf_set_str("db/phonelink/host_vendor", "");
}

TEST_F(ServiceE2ETest, RefusedRequestsGetNoReplyAndChangeNothing)
{
    g_unlink(BackupFile().c_str());
    const std::string settings = Settings();
    auto reports = [] {
        size_t n = 0;
        if (GDir* dir = g_dir_open((device::Root() + "/cloud/reports").c_str(), 0, nullptr)) {
            for (; g_dir_read_name(dir); ++n) {
            }
            g_dir_close(dir);
        }
        return n;
    };
    const size_t reportsBefore = reports();
    const struct {
        const char* caller;
        const char* operation;
        const char* deviceFaults;
        const char* expect;
    } cases[] = {
        {kStranger, "backup", "", "caller(org.stranger.app) is not same author with weather agent"},
        {kClient, "delete_everything", "", "message:VELURIO_CLOUD_OPERATION_NONE"},
        {kClient, "restore", "app_control_get_operation=null", "message:VELURIO_CLOUD_OPERATION_NONE"},
        {kClient, "restore", "app_control_get_caller=null", "(mAppId.length() < 1) [return]"},
    };
    for (const auto& c : cases) {
        const size_t failed = Count(Log(), "Launch failed");
        g_setenv(device::kFaultsEnv, c.deviceFaults, TRUE);
        EXPECT_EQ(SendAs(c.caller, kOpBase + c.operation), APP_CONTROL_ERROR_NONE) << c.expect;
        g_unsetenv(device::kFaultsEnv);
        EXPECT_GT(ReapService(), 0) << c.expect;
        const std::string log = Log();
        EXPECT_NE(log.find(c.expect), std::string::npos) << c.expect;
        EXPECT_EQ(Count(log, "Launch failed"), failed + 1) << c.expect;
    }
    EXPECT_EQ(Settings(), settings);
    EXPECT_EQ(reports(), reportsBefore);
    EXPECT_FALSE(g_file_test(BackupFile().c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(ServiceE2ETest, InjectedLibraryFailuresReachTheirPaths)
{
    WriteSettings(0, 1, false, true);
    ASSERT_EQ(Backupctl({"backup"}).exit, 0); // older backup: unit 0
    WriteSettings(1, 24, true, true);
    ASSERT_EQ(Backupctl({"backup"}).exit, 0); // newest backup: unit 1
    const std::string newest = Settings();

    // Two records: applied in list order, so the older backup's (second) wins.
    ASSERT_EQ(Backupctl({"restore", "--fault", "two_records"}).exit, 0);
    EXPECT_NE(Settings().find("\"tempUnit\":0,\"autoRefreshTimeInterval\":1"), std::string::npos) << Settings();
    WriteSettings(1, 24, true, true);

    const char* const kFail = "() failed, errorCode = [";
    const struct {
        std::vector<std::string> args;
        std::string logLine;
        const char* status; // in the job report, or nullptr
        const char* reportPart;
    } cases[] = {
        {{"backup", "list_create"}, std::string("velurio_cloud_list_create") + kFail, nullptr, nullptr},
        {{"info", "list_create"}, std::string("velurio_cloud_list_create") + kFail, nullptr, nullptr},
        {{"backup", "move_first"},
         std::string("velurio_cloud_list_move_to_first") + kFail,
         "succeeded",
         "\"value\":null"},
        {{"backup", "no_key"}, "BackupCompletedCb() SUCCEEDED", "succeeded", "\"value\":null"},
        {{"backup", "two_records", "move_next"},
         std::string("velurio_cloud_list_move_to_next") + kFail,
         "succeeded",
         "\"value\":null"},
        {{"backup", "get_current"}, std::string("velurio_cloud_list_get_current_record") + kFail, nullptr, nullptr},
        {{"restore", "no_value"}, "value is null", nullptr, "\"failed\":true"},
        {{"restore", "empty_file"}, "RestoreCompletedCb() FAILED", "failed", "record list answered as failed"},
        {{"backup", "complete_failed"}, "BackupCompletedCb() FAILED", nullptr, nullptr},
        {{"restore", "complete_failed"}, "RestoreCompletedCb() FAILED", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        const std::string what = c.args[0] + " " + c.args[1];
        std::vector<std::string> args{"--json", c.args[0]};
        for (size_t i = 1; i < c.args.size(); ++i)
            args.insert(args.end(), {"--fault", c.args[i]});
        const size_t seen = Count(Log(), c.logLine);
        ToolRun run = Backupctl(args);
        ASSERT_NE(run.exit, -1) << what;
        EXPECT_GT(Count(Log(), c.logLine), seen) << what << ": " << c.logLine;
        EXPECT_TRUE(!c.status || JsonValue(run.out, "$.status") == c.status) << what << run.out;
        EXPECT_TRUE(!c.reportPart || run.out.find(c.reportPart) != std::string::npos) << what << run.out;
        // Restores that hand over no usable record keep the settings.
        EXPECT_TRUE(c.args[0] != "restore" || c.args[1] == "complete_failed" || Settings() == newest) << what;
    }
    EXPECT_GT(ReapService(), 0);

    // The weather agent cannot be reached: logged, and the restore still ends the request.
    g_setenv(device::kFaultsEnv, "app_control_send_launch_request:com.velurio.weather-agent=error", TRUE);
    EXPECT_EQ(Backupctl({"restore"}).exit, 0);
    g_unsetenv(device::kFaultsEnv);
    EXPECT_GT(ReapService(), 0);
    const std::string log = Log();
    EXPECT_NE(log.find("[Fail] app_control_send_launch_request failed. try again"), std::string::npos);
    EXPECT_NE(log.find("appLauncher->RequestNotifyToAgent() failed"), std::string::npos);
}

TEST_F(ServiceE2ETest, KilledRestoresLeaveSoundDatabases)
{
    ASSERT_EQ(Backupctl({"backup"}).exit, 0);
    ASSERT_GT(ReapService(), 0);
    const std::string dbDir = device::PackageSharedDataDir("com.velurio.weather") + "db/";

    // Another weather process writes the same settings row all along, until
    // its stop pipe closes (never killed in a write: its own journal stays cold).
    int stop[2];
    ASSERT_EQ(pipe(stop), 0);
    test_process::Child writer([&] {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        close(stop[1]);
        struct pollfd closed = {stop[0], POLLIN, 0};
        for (int i = 1; poll(&closed, 1, 50) == 0; i = i % 24 + 1)
            sqlite_test::ExecSql(dbDir + ".setting.db",
                                 "UPDATE SETTING_TABLE SET AutoRefreshInterval = " + std::to_string(i));
        return 0;
    });
    close(stop[0]);
    ASSERT_GT(writer.Pid(), 0);

    for (int delayMs : {0, 15, 30, 45, 60, 80, 100, 130, 170}) {
        // A start slowed down by the busy database may be taken after the sender gave up waiting.
        int sent = SendAs(kClient, kOpBase + "restore");
        ASSERT_TRUE(sent == APP_CONTROL_ERROR_NONE || sent == APP_CONTROL_ERROR_TIMED_OUT) << sent;
        g_usleep(delayMs * 1000);
        // The service is our child once the platform's spawner has exited.
        pid_t pid = 0;
        for (int i = 0; i < 100 && (pid = ServicePid()) == 0 && waitpid(-1, nullptr, WNOHANG) <= 0; ++i)
            g_usleep(1000);
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    close(stop[1]);
    writer.Wait();
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }

    for (const char* name : {".setting.db", ".version.db", ".weather.db", ".share_target.db"})
        EXPECT_EQ(sqlite_test::IntegrityCheck(dbDir + name), "ok") << name;
    // The next start works.
    WriteSettings(1, 6, false, true);
    EXPECT_EQ(Backupctl({"restore"}).exit, 0);
    EXPECT_GT(ReapService(), 0);
}
