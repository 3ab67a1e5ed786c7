// The service binary end to end on a temporary device root, driven as the
// cloud backup client through backupctl and the platform's app control.
// This process is a child subreaper: the service (started detached by the
// platform) becomes its child, so its exit time and peak memory are exact.

#include <gtest/gtest.h>

#include <glib.h>
#include <glib/gstdio.h>
#include <json-glib/json-glib.h>
#include <signal.h>
#include <sqlite3.h>
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

namespace {

constexpr const char* kService = "com.velurio.weather-backuprestore";
constexpr const char* kClient = "com.velurio.cloud-backup-client";
constexpr const char* kOpBase = "http://velurio.com/appcontrol/operation/velurio_cloud/";

struct ToolRun {
    int exit = -1;
    std::string out;
};

// Runs backupctl with its output in a file: the service it may start
// inherits the descriptors, and a pipe would stay open until the service ends.
ToolRun Backupctl(const std::vector<std::string>& args)
{
    std::vector<gchar*> argv{const_cast<gchar*>(WEATHER_BUILD_DIR "/tools/backupctl")};
    for (const auto& arg : args)
        argv.push_back(const_cast<gchar*>(arg.c_str()));
    argv.push_back(nullptr);
    ToolRun run;
    gchar* outPath = nullptr;
    int outFd = g_file_open_tmp("backupctl-XXXXXX", &outPath, nullptr);
    gint status = 0;
    GError* error = nullptr;
    gboolean spawned = g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_STDERR_TO_DEV_NULL,
                                    [](gpointer fd) { dup2(GPOINTER_TO_INT(fd), STDOUT_FILENO); },
                                    GINT_TO_POINTER(outFd), nullptr, nullptr, &status, &error);
    close(outFd);
    if (!spawned) {
        ADD_FAILURE() << error->message;
        g_error_free(error);
    } else {
        run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        gchar* out = nullptr;
        g_file_get_contents(outPath, &out, nullptr, nullptr);
        run.out = out ? out : "";
        g_free(out);
    }
    g_unlink(outPath);
    g_free(outPath);
    return run;
}

// A JSON object printed by backupctl --json; null node when it does not parse.
struct Json {
    explicit Json(const std::string& text) : parser(json_parser_new())
    {
        if (json_parser_load_from_data(parser, text.c_str(), -1, nullptr) && json_parser_get_root(parser) &&
            JSON_NODE_HOLDS_OBJECT(json_parser_get_root(parser)))
            object = json_node_get_object(json_parser_get_root(parser));
    }
    ~Json() { g_object_unref(parser); }
    std::string Text(const char* name) const
    {
        JsonNode* node = object ? json_object_get_member(object, name) : nullptr;
        if (!node || JSON_NODE_TYPE(node) != JSON_NODE_VALUE)
            return "(none)";
        if (json_node_get_value_type(node) == G_TYPE_STRING)
            return json_node_get_string(node);
        if (json_node_get_value_type(node) == G_TYPE_BOOLEAN)
            return json_node_get_boolean(node) ? "true" : "false";
        return std::to_string(json_node_get_int(node));
    }
    JsonArray* Array(const char* name) const
    {
        JsonNode* node = object ? json_object_get_member(object, name) : nullptr;
        return node && JSON_NODE_HOLDS_ARRAY(node) ? json_node_get_array(node) : nullptr;
    }
    JsonParser* parser;
    JsonObject* object = nullptr;
};

std::string Settings()
{
    return Backupctl({"settings", "--json"}).out;
}

void SetSettings(const char* unit, const char* interval, const char* agreed, const char* notification)
{
    ASSERT_EQ(Backupctl({"set", "tempUnit", unit}).exit, 0);
    ASSERT_EQ(Backupctl({"set", "autoRefreshTimeInterval", interval}).exit, 0);
    ASSERT_EQ(Backupctl({"set", "useCurrentLocationAgreed", agreed}).exit, 0);
    ASSERT_EQ(Backupctl({"set", "useNotification", notification}).exit, 0);
}

// The same change straight in the settings database, as another weather process would make it.
void WriteSettings(int unit, int interval, bool agreed, bool notification)
{
    sqlite3* db = nullptr;
    std::string path = device::PackageSharedDataDir("com.velurio.weather") + "db/.setting.db";
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    gchar* sql = g_strdup_printf("UPDATE SETTING_TABLE SET TemperatureUnit = %d, AutoRefreshInterval = %d, "
                                 "ShowCurrentCityAgreement = %d, NotificationOn = %d, NotificationPopup = %d",
                                 unit, interval, agreed, notification, notification);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    g_free(sql);
    sqlite3_close(db);
}

std::string ReadFile(const std::string& path)
{
    gchar* text = nullptr;
    g_file_get_contents(path.c_str(), &text, nullptr, nullptr);
    std::string result = text ? text : "";
    g_free(text);
    return result;
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
    return ReadFile(device::LogPath());
}

std::string TrustedFile(const char* name)
{
    return device::PackageSharedTrustedDir("com.velurio.weather") + name;
}

// Waits until every service started for this process has ended (the only
// children here); returns the wall-clock milliseconds at which the last one
// was seen ended, or -1 when none ended within `timeoutMs`.
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

// Sends a request to the service as `caller`; returns the platform's code.
int SendAs(const char* caller, const std::string& operation)
{
    DeviceFixture::SetAppId(caller);
    app_control_h request = nullptr;
    app_control_create(&request);
    app_control_set_app_id(request, kService);
    app_control_set_operation(request, operation.c_str());
    int ret = app_control_send_launch_request(request, nullptr, nullptr);
    app_control_destroy(request);
    DeviceFixture::Reset();
    return ret;
}

class ServiceE2ETest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        DeviceFixture::Ensure();
        prctl(PR_SET_CHILD_SUBREAPER, 1);
        // The first start creates the databases that backupctl edits.
        ASSERT_EQ(Backupctl({"info"}).exit, 0);
        ASSERT_GT(ReapService(), 0);
    }
    void SetUp() override
    {
        DeviceFixture::Reset();
        ASSERT_EQ(ServicePid(), 0) << "a service of an earlier test is still running";
    }
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
    SetSettings("0", "3", "true", "false");
    ToolRun backup = Backupctl({"--json", "backup"});
    ASSERT_EQ(backup.exit, 0) << backup.out;
    Json report(backup.out);
    ASSERT_NE(report.Array("records"), nullptr);
    JsonObject* record = json_array_get_object_element(report.Array("records"), 0);
    EXPECT_STREQ(json_object_get_string_member(record, "key"), "backup_item_tavo_weather");
    EXPECT_STREQ(json_object_get_string_member(record, "value"),
                 "{\"tempUnit\":0,\"autoRefreshTimeInterval\":3,\"useCurrentLocationAgreed\":true,"
                 "\"useNotification\":false}");

    const std::string backedUp = Settings();
    SetSettings("1", "12", "false", "true");
    const size_t notified = Count(ReadFile(device::InboxDir() + "com.velurio.weather-agent.jsonl"), "REQUEST_NOTIFY");
    ToolRun restore = Backupctl({"--json", "restore"});
    ASSERT_EQ(restore.exit, 0) << restore.out;
    int64_t restoreEnded = std::stoll(Json(restore.out).Text("ended_ms"));
    EXPECT_EQ(Settings(), backedUp);
    EXPECT_NE(backedUp.find("\"notificationPopup\":false"), std::string::npos) << backedUp;
    EXPECT_EQ(Count(ReadFile(device::InboxDir() + "com.velurio.weather-agent.jsonl"), "\"MESSAGE\":\"REQUEST_NOTIFY\""),
              notified + 1);

    int64_t exited = ReapService();
    ASSERT_GT(exited, 0);
    // One-second timers of the main loop are coalesced on whole seconds: the
    // wait ends within (0, 2] s of the completion.
    EXPECT_GT(exited, restoreEnded);
    EXPECT_LT(exited - restoreEnded, 2600);
    EXPECT_TRUE(device::ActivePowerLocks().empty());

    // Get info: the key and a 13-digit date, and no file.
    g_unlink(TrustedFile("backup.dat").c_str());
    ToolRun info = Backupctl({"--json", "info"});
    ASSERT_EQ(info.exit, 0) << info.out;
    Json infoReport(info.out);
    ASSERT_NE(infoReport.Array("keys"), nullptr) << info.out;
    JsonObject* key = json_array_get_object_element(infoReport.Array("keys"), 0);
    EXPECT_STREQ(json_object_get_string_member(key, "key"), "backup_item_tavo_weather");
    EXPECT_TRUE(g_regex_match_simple("^[0-9]{13}$", json_object_get_string_member(key, "date"), GRegexCompileFlags(0),
                                     GRegexMatchFlags(0)));
    EXPECT_FALSE(g_file_test(TrustedFile("backup.dat").c_str(), G_FILE_TEST_EXISTS));
    EXPECT_GT(ReapService(), 0);
}

TEST_F(ServiceE2ETest, OneProcessServesOverlappingAndLateRequests)
{
    const size_t started = Count(Log(), "AppCreate\033");
    // The start-up on a watch paired with a host of vendor "LO" switches to the common icons.
    const char* iconKey = "file/private/com.velurio.weather/is_weather_icon_converted_to_common_resource";
    preference_remove(iconKey);
    ASSERT_EQ(vconf_set_str("db/phonelink/host_vendor", "LO"), VCONF_OK);
    // Two requests in flight at once, then one during the 1-second wait.
    ASSERT_EQ(SendAs(kClient, std::string(kOpBase) + "get_backup_info"), APP_CONTROL_ERROR_NONE);
    ASSERT_EQ(SendAs(kClient, std::string(kOpBase) + "backup"), APP_CONTROL_ERROR_NONE);
    g_usleep(300 * 1000);
    ToolRun late = Backupctl({"--json", "info"});
    ASSERT_EQ(late.exit, 0) << late.out;
    int64_t lastEnded = std::stoll(Json(late.out).Text("ended_ms"));
    int64_t exited = ReapService();
    ASSERT_GT(exited, 0);
    EXPECT_GT(exited, lastEnded);
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
    ASSERT_TRUE(device::InstallApp({"org.stranger.app", "org.stranger", "other", ""}));
    g_unlink(TrustedFile("backup.dat").c_str());
    const std::string settings = Settings();
    const std::string reportsDir = device::Root() + "/cloud/reports";
    auto reports = [&] {
        size_t n = 0;
        if (GDir* dir = g_dir_open(reportsDir.c_str(), 0, nullptr)) {
            while (g_dir_read_name(dir))
                ++n;
            g_dir_close(dir);
        }
        return n;
    };
    const size_t reportsBefore = reports();

    struct Case {
        const char* caller;
        std::string operation;
        const char* deviceFaults;
        const char* expect;
    } cases[] = {
        {"org.stranger.app", std::string(kOpBase) + "backup", nullptr,
         "caller(org.stranger.app) is not same author with weather agent"},
        {kClient, std::string(kOpBase) + "delete_everything", nullptr, "message:VELURIO_CLOUD_OPERATION_NONE"},
        {kClient, std::string(kOpBase) + "restore", "app_control_get_operation=null",
         "message:VELURIO_CLOUD_OPERATION_NONE"},
        {kClient, std::string(kOpBase) + "restore", "app_control_get_caller=null", "(mAppId.length() < 1) [return]"},
    };
    for (const Case& c : cases) {
        const size_t failed = Count(Log(), "Launch failed");
        if (c.deviceFaults)
            g_setenv(device::kFaultsEnv, c.deviceFaults, TRUE);
        EXPECT_EQ(SendAs(c.caller, c.operation), APP_CONTROL_ERROR_NONE) << c.operation;
        g_unsetenv(device::kFaultsEnv);
        EXPECT_GT(ReapService(), 0) << c.operation;
        const std::string log = Log();
        EXPECT_NE(log.find(c.expect), std::string::npos) << c.expect;
        EXPECT_EQ(Count(log, "Launch failed"), failed + 1) << c.operation;
    }
    EXPECT_EQ(Settings(), settings);
    EXPECT_EQ(reports(), reportsBefore);
    EXPECT_FALSE(g_file_test(TrustedFile("backup.dat").c_str(), G_FILE_TEST_EXISTS));
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

    struct Case {
        std::vector<std::string> args;
        const char* logLine;
        const char* status;
        const char* reportPart; // in the job report, or nullptr
    } cases[] = {
        {{"backup", "--fault", "list_create"}, "velurio_cloud_list_create() failed, errorCode = [", nullptr, nullptr},
        {{"info", "--fault", "list_create"}, "velurio_cloud_list_create() failed, errorCode = [", nullptr, nullptr},
        {{"backup", "--fault", "move_first"}, "velurio_cloud_list_move_to_first() failed, errorCode = [", "succeeded",
         "\"value\":null"},
        {{"backup", "--fault", "no_key"}, "BackupCompletedCb() SUCCEEDED", "succeeded", "\"value\":null"},
        {{"backup", "--fault", "two_records", "--fault", "move_next"},
         "velurio_cloud_list_move_to_next() failed, errorCode = [", "succeeded", "\"value\":null"},
        {{"backup", "--fault", "get_current"}, "velurio_cloud_list_get_current_record() failed, errorCode = [",
         nullptr, nullptr},
        {{"restore", "--fault", "no_value"}, "value is null", nullptr, "\"failed\":true"},
        {{"restore", "--fault", "empty_file"}, "RestoreCompletedCb() FAILED", "failed", "record list answered as failed"},
        {{"backup", "--fault", "complete_failed"}, "BackupCompletedCb() FAILED", nullptr, nullptr},
        {{"restore", "--fault", "complete_failed"}, "RestoreCompletedCb() FAILED", nullptr, nullptr},
    };
    for (Case& c : cases) {
        const std::string what = c.args[0] + " " + c.args[2];
        const size_t seen = Count(Log(), c.logLine);
        c.args.insert(c.args.begin(), "--json");
        ToolRun run = Backupctl(c.args);
        ASSERT_NE(run.exit, -1) << what;
        EXPECT_GT(Count(Log(), c.logLine), seen) << what << ": " << c.logLine;
        Json report(run.out);
        if (c.status) {
            EXPECT_EQ(report.Text("status"), c.status) << what << run.out;
        }
        if (c.reportPart) {
            EXPECT_NE(run.out.find(c.reportPart), std::string::npos) << what << run.out;
        }
        // Restores that hand over no usable record keep the settings.
        if (c.args[1] == "restore" && c.args[3] != "complete_failed") {
            EXPECT_EQ(Settings(), newest) << what;
        }
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

    // Another weather process writes the same settings row all along.
    pid_t writer = fork();
    if (writer == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        sqlite3* db = nullptr;
        sqlite3_open((dbDir + ".setting.db").c_str(), &db);
        sqlite3_busy_timeout(db, 50);
        for (int i = 0;; i = (i + 1) % 24) {
            std::string sql = "UPDATE SETTING_TABLE SET AutoRefreshInterval = " + std::to_string(i + 1);
            sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
            g_usleep(50 * 1000);
        }
    }
    ASSERT_GT(writer, 0);

    for (int delayMs : {0, 15, 30, 45, 60, 80, 100, 130, 170}) {
        // A start slowed down by the busy database may be taken after the sender gave up waiting.
        int sent = SendAs(kClient, std::string(kOpBase) + "restore");
        ASSERT_TRUE(sent == APP_CONTROL_ERROR_NONE || sent == APP_CONTROL_ERROR_TIMED_OUT) << sent;
        g_usleep(delayMs * 1000);
        int status = 0;
        // The service is our child once the platform's spawner has exited.
        pid_t pid = 0;
        for (int i = 0; i < 100 && (pid = ServicePid()) == 0; ++i) {
            if (waitpid(-1, &status, WNOHANG) > 0)
                break; // already done
            g_usleep(1000);
        }
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
    }
    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }

    for (const char* name : {".setting.db", ".version.db", ".weather.db", ".share_target.db"}) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2((dbDir + name).c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK) << name;
        std::string result;
        sqlite3_exec(db, "PRAGMA integrity_check", [](void* out, int, char** values, char**) {
            *static_cast<std::string*>(out) += values[0] ? values[0] : "";
            return 0;
        }, &result, nullptr);
        sqlite3_close(db);
        EXPECT_EQ(result, "ok") << name;
    }
    // The next start works.
    WriteSettings(1, 6, false, true);
    EXPECT_EQ(Backupctl({"restore"}).exit, 0);
    EXPECT_GT(ReapService(), 0);
}
