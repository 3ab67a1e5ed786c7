// The library's job machinery on a GLib main loop, against a minimal client:
// order of the steps, queueing, answers refused or missing, tickets and
// deinitialisation. The faults' effects are checked end to end (tests/e2e).

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <tuple>

#include <glib.h>
#include <glib/gstdio.h>

#include <device/cloud.h>
#include <device/host.h>

#include "cloud/CloudStore.h"
#include "cloud/Faults.h"
#include "DeviceFixture.h"
#include "SqliteTestUtil.h"
#include "TestProcess.h"

namespace {

using test_process::JsonValue;
using test_process::JsonValues;

constexpr const char* kKey = "backup_item_tavo_weather";

// What the fake client saw, step by step.
struct FakeClient {
    std::string dir;
    std::string value = "{\"tempUnit\":1}";
    bool answerLater = false;      // answer from a main-loop timeout
    bool answerPreparation = true; // false: never answer the preparation
    bool preparationOk = true;
    bool deinitInPreparation = false;

    std::vector<std::string> events;
    std::vector<void*> completedData;
    std::vector<std::string> valuesSeen;
    int dateCounter = 0;
    // What happens to backup.dat between writing and answering its path.
    enum class Write { Normal, FailsButPathAnswered, ReplacedAfterWrite, AnsweredAsFailed } write = Write::Normal;
};

FakeClient* gClient = nullptr;

void Later(std::function<void()> answer)
{
    if (!gClient->answerLater) {
        answer();
        return;
    }
    auto* held = new std::function<void()>(std::move(answer));
    g_timeout_add_full(
        G_PRIORITY_DEFAULT, 10,
        [](gpointer data) -> gboolean {
            (*static_cast<std::function<void()>*>(data))();
            return G_SOURCE_REMOVE;
        },
        held, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

void Preparation(bool restoreSide)
{
    gClient->events.push_back("preparation");
    if (gClient->deinitInPreparation) {
        velurio_cloud_deinitialize();
        return;
    }
    if (!gClient->answerPreparation)
        return;
    bool ok = gClient->preparationOk;
    Later([restoreSide, ok]() {
        if (restoreSide)
            velurio_cloud_restore_record_send_preparation_completed_response(ok);
        else
            velurio_cloud_backup_record_send_preparation_completed_response(ok);
    });
}

void BackupPreparationCb()
{
    Preparation(false);
}
void RestorePreparationCb()
{
    Preparation(true);
}

void KeysAndDatesCb(void*)
{
    gClient->events.push_back("keys_and_dates");
    velurio_cloud_list_h list = nullptr;
    velurio_cloud_list_create(&list);
    velurio_cloud_record_h record = nullptr;
    velurio_cloud_record_create(&record);
    velurio_cloud_record_set_key(record, kKey);
    velurio_cloud_record_set_date(record, std::to_string(++gClient->dateCounter).c_str());
    if (velurio_cloud_list_add(list, record) != 0)
        velurio_cloud_record_destroy(record);
    Later([list]() {
        velurio_cloud_backup_record_send_keys_and_dates(list, true);
        if (list)
            velurio_cloud_list_destroy(list);
    });
}

// The one offered record gets the client's value.
void BackupCb(velurio_cloud_list_h list, void*)
{
    gClient->events.push_back("backup");
    velurio_cloud_record_h record = nullptr;
    bool written = velurio_cloud_list_move_to_first(list) == 0 &&
                   velurio_cloud_list_get_current_record(list, &record) == 0 &&
                   velurio_cloud_record_set_value(record, gClient->value.c_str()) == 0;
    std::string path = gClient->dir + "/backup.dat";
    using Write = FakeClient::Write;
    // A failed write answered with the path anyway, as the service does.
    const std::string target = gClient->write == Write::FailsButPathAnswered ? gClient->dir + "/gone/backup.dat" : path;
    written = written && velurio_cloud_file_create_file(list, target.c_str()) == 0;
    if (gClient->write == Write::FailsButPathAnswered)
        written = !written;
    if (gClient->write == Write::ReplacedAfterWrite)
        cloud::WriteRecordsFile(path,
                                {cloud::Record{std::string(kKey), std::string("1"), std::string("planted"), false}});
    velurio_cloud_list_destroy(list);
    const bool ok = written && gClient->write != Write::AnsweredAsFailed;
    Later(
        [path, written, ok]() { velurio_cloud_backup_record_send_backup_path(written ? path.c_str() : nullptr, ok); });
}

void RestorationPathCb()
{
    gClient->events.push_back("restoration_path");
    std::string path = gClient->dir + "/restore.dat";
    Later([path]() { velurio_cloud_restore_record_send_restoration_path(path.c_str(), true); });
}

void RestorationCb(const char* path, void*)
{
    gClient->events.push_back("restoration");
    velurio_cloud_list_h list = nullptr;
    velurio_cloud_file_create_record_list(path, &list);
    int count = 0;
    velurio_cloud_list_get_record_count(list, &count);
    velurio_cloud_list_move_to_first(list);
    for (int i = 0; i < count; ++i) {
        velurio_cloud_record_h record = nullptr;
        const char* value = nullptr;
        velurio_cloud_list_get_current_record(list, &record);
        velurio_cloud_record_get_value(record, &value);
        gClient->valuesSeen.push_back(value ? value : "(null)");
        velurio_cloud_list_move_to_next(list);
    }
    Later([list]() { velurio_cloud_restore_record_send_record_list(list, true); });
}

void CompletedCb(int success, void* data)
{
    gClient->events.push_back(std::string("completed:") + (success ? "1" : "0"));
    gClient->completedData.push_back(data);
}

void RegisterBackup(void* token, bool withBackup = true)
{
    ASSERT_EQ(velurio_cloud_backup_record_set_preparation_cb(BackupPreparationCb, token), 0);
    ASSERT_EQ(velurio_cloud_backup_record_set_sending_keys_and_dates_cb(KeysAndDatesCb, token), 0);
    if (withBackup) {
        ASSERT_EQ(velurio_cloud_backup_record_set_backup_cb(BackupCb, token), 0);
    }
    ASSERT_EQ(velurio_cloud_backup_record_set_completed_cb(CompletedCb, token), 0);
}

void RegisterRestore(void* token)
{
    ASSERT_EQ(velurio_cloud_restore_record_set_preparation_cb(RestorePreparationCb, token), 0);
    ASSERT_EQ(velurio_cloud_restore_record_set_sending_restoration_path_cb(RestorationPathCb, token), 0);
    ASSERT_EQ(velurio_cloud_restore_record_set_restoration_cb(RestorationCb, token), 0);
    ASSERT_EQ(velurio_cloud_restore_record_set_completed_cb(CompletedCb, token), 0);
}

// Job reports (JSON files), in the order the jobs started. Jobs run one at a
// time, so two started in the same millisecond are told apart by when their
// reports were written.
std::vector<std::string> Reports()
{
    struct Report {
        long long startedMs;
        long long writtenNs;
        std::string text;
    };
    std::vector<Report> started;
    if (GDir* dir = g_dir_open(cloud::ReportsDir().c_str(), 0, nullptr)) {
        while (const gchar* name = g_dir_read_name(dir)) {
            if (!g_str_has_suffix(name, ".json"))
                continue; // still being written under its temporary name
            const std::string path = cloud::ReportsDir() + "/" + name;
            struct stat info = {};
            stat(path.c_str(), &info);
            std::string text = ReadText(path);
            const long long startedMs = std::stoll(JsonValue(text, "$.started_ms"));
            started.push_back({startedMs, info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec, text});
        }
        g_dir_close(dir);
    }
    std::sort(started.begin(), started.end(), [](const Report& a, const Report& b) {
        return std::tie(a.startedMs, a.writtenNs) < std::tie(b.startedMs, b.writtenNs);
    });
    std::vector<std::string> reports;
    for (Report& report : started)
        reports.push_back(std::move(report.text));
    return reports;
}

void RemoveTree(const std::string& path)
{
    GDir* dir = g_dir_open(path.c_str(), 0, nullptr);
    if (dir) {
        while (const gchar* name = g_dir_read_name(dir)) {
            std::string child = path + "/" + name;
            if (g_file_test(child.c_str(), G_FILE_TEST_IS_DIR))
                RemoveTree(child);
            else
                g_unlink(child.c_str());
        }
        g_dir_close(dir);
    }
    g_rmdir(path.c_str());
}

class CloudJobTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeviceFixture::Ensure();
        RemoveTree(cloud::CloudDir());
        g_unsetenv("WEATHER_CLOUD_FAULTS");
        mClient.dir = DeviceFixture::Root() + "/client";
        RemoveTree(mClient.dir);
        g_mkdir_with_parents(mClient.dir.c_str(), 0755);
        gClient = &mClient;
        ASSERT_EQ(velurio_cloud_initialize(), 0);
    }
    void TearDown() override
    {
        velurio_cloud_deinitialize();
        g_unsetenv("WEATHER_CLOUD_ANSWER_TIMEOUT_MS");
        test_process::PumpUntil([] { return !g_main_context_pending(nullptr); });
        gClient = nullptr;
    }

    void Fresh()
    {
        std::string dir = mClient.dir;
        mClient = FakeClient();
        mClient.dir = dir;
    }

    // Runs the main loop until there are `count` job reports.
    void RunJobs(size_t count)
    {
        ASSERT_TRUE(test_process::PumpUntil([count] { return Reports().size() >= count; })) << "jobs did not end";
    }

    // A stored backup holding `value`, made through a backup job.
    std::string StoreBackup(const std::string& value)
    {
        FakeClient saved = mClient;
        mClient.value = value;
        RegisterBackup(this);
        RunJobs(Reports().size() + 1);
        std::string id = JsonValue(Reports().back(), "$.backup_id");
        mClient = saved;
        return id;
    }

    FakeClient mClient;
};

using Events = std::vector<std::string>;

} // namespace

TEST_F(CloudJobTest, BackupThenRestoreRunTheirStepsInOrderAndCarryTheValue)
{
    int token = 0;
    RegisterBackup(&token);
    EXPECT_TRUE(mClient.events.empty()) << "a job starts only after the registering callback returned";
    RunJobs(1);
    EXPECT_EQ(mClient.events, (Events{"preparation", "keys_and_dates", "backup", "completed:1"}));
    EXPECT_EQ(mClient.completedData, std::vector<void*>{&token});
    std::vector<cloud::StoredBackup> stored = cloud::ListBackups();
    ASSERT_EQ(stored.size(), 1u);
    ASSERT_EQ(stored[0].records.size(), 1u);
    EXPECT_EQ(stored[0].records[0].key, std::optional<std::string>(kKey));
    EXPECT_EQ(stored[0].records[0].date, std::optional<std::string>("1"));
    EXPECT_EQ(stored[0].records[0].value, std::optional<std::string>(mClient.value));
    const std::string backup = Reports()[0];
    EXPECT_EQ(JsonValue(backup, "$.type"), "backup");
    EXPECT_EQ(JsonValue(backup, "$.status"), "succeeded");
    EXPECT_EQ(JsonValue(backup, "$.backup_id"), stored[0].id);
    EXPECT_EQ(JsonValues(backup, "$.calls[*]"), (Events{"preparation", "keys_and_dates", "backup", "completed"}));

    mClient.events.clear();
    RegisterRestore(&token);
    RunJobs(2);
    EXPECT_EQ(mClient.events, (Events{"preparation", "restoration_path", "restoration", "completed:1"}));
    EXPECT_EQ(mClient.valuesSeen, (Events{mClient.value}));
    const std::string restore = Reports()[1];
    EXPECT_EQ(JsonValue(restore, "$.status"), "succeeded");
    EXPECT_EQ(JsonValue(restore, "$.backup_id"), stored[0].id);
    EXPECT_EQ(JsonValues(restore, "$.records[*].value"), (Events{mClient.value}));
}

TEST_F(CloudJobTest, GetInfoAsksForKeysOnlyAndStoresNothing)
{
    RegisterBackup(this, false);
    RunJobs(1);
    EXPECT_EQ(mClient.events, (Events{"preparation", "keys_and_dates", "completed:1"}));
    EXPECT_EQ(JsonValue(Reports()[0], "$.type"), "get_info");
    EXPECT_EQ(JsonValue(Reports()[0], "$.status"), "succeeded");
    EXPECT_TRUE(cloud::ListBackups().empty());
    EXPECT_FALSE(g_file_test((mClient.dir + "/backup.dat").c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(CloudJobTest, OverlappingRequestsBecomeQueuedJobsWithTheirOwnUserData)
{
    int a = 0, b = 0, c = 0;
    mClient.answerLater = true;
    RegisterBackup(&a);
    RegisterBackup(&b, false);
    RegisterRestore(&c);
    RunJobs(3);
    EXPECT_EQ(mClient.events, (Events{"preparation", "keys_and_dates", "backup", "completed:1", //
                                      "preparation", "keys_and_dates", "completed:1",           //
                                      "preparation", "restoration_path", "restoration", "completed:1"}));
    EXPECT_EQ(mClient.completedData, (std::vector<void*>{&a, &b, &c}));
    std::vector<std::string> reports = Reports();
    EXPECT_EQ(JsonValue(reports[0], "$.type"), "backup");
    EXPECT_EQ(JsonValue(reports[1], "$.type"), "get_info");
    EXPECT_EQ(JsonValue(reports[2], "$.type"), "restore");
}

TEST_F(CloudJobTest, RefusedOrMissingAnswersEndTheJobAsFailed)
{
    // No job waits: answers are out of turn.
    EXPECT_EQ(velurio_cloud_backup_record_send_preparation_completed_response(true), VELURIO_CLOUD_ERROR_INVALID_STATE);
    EXPECT_EQ(velurio_cloud_restore_record_send_restoration_path("/x", true), VELURIO_CLOUD_ERROR_INVALID_STATE);

    mClient.preparationOk = false;
    RegisterBackup(this);
    RunJobs(1);
    EXPECT_EQ(mClient.events, (Events{"preparation", "completed:0"}));

    // Restore with nothing stored: the client is never handed a file.
    Fresh();
    RegisterRestore(this);
    RunJobs(2);
    EXPECT_EQ(mClient.events, (Events{"preparation", "restoration_path", "completed:0"}));
    EXPECT_NE(JsonValue(Reports()[1], "$.error").find("no stored backup"), std::string::npos);

    // A preparation never answered times out.
    velurio_cloud_deinitialize();
    g_setenv("WEATHER_CLOUD_ANSWER_TIMEOUT_MS", "100", TRUE);
    velurio_cloud_initialize();
    Fresh();
    mClient.answerPreparation = false;
    RegisterBackup(this);
    RunJobs(3);
    EXPECT_EQ(mClient.events, (Events{"preparation", "completed:0"}));
    EXPECT_NE(JsonValue(Reports()[2], "$.error").find("no answer"), std::string::npos);
    EXPECT_GE(std::stoll(JsonValue(Reports()[2], "$.ended_ms")) - std::stoll(JsonValue(Reports()[2], "$.started_ms")),
              100);
    EXPECT_EQ(velurio_cloud_backup_record_send_preparation_completed_response(true), VELURIO_CLOUD_ERROR_INVALID_STATE);

    // Completion never reported: the next queued job still runs.
    Fresh();
    ASSERT_TRUE(g_file_set_contents(cloud::FaultsFilePath().c_str(), "complete_never", -1, nullptr));
    RegisterBackup(this);
    RunJobs(4);
    g_unlink(cloud::FaultsFilePath().c_str());
    RegisterBackup(this, false);
    RunJobs(5);
    EXPECT_EQ(mClient.events, (Events{"preparation", "keys_and_dates", "backup", //
                                      "preparation", "keys_and_dates", "completed:1"}));
    EXPECT_EQ(JsonValue(Reports()[3], "$.status"), "no_completion");
    EXPECT_EQ(JsonValue(Reports()[3], "$.completion_reported"), "false");
}

// What the library's faults do to a job is checked end to end against the
// service; here only the choice of the backup a restore hands over, which the
// starting request names.
TEST_F(CloudJobTest, TheRequestChoosesTheBackupARestoreHandsOver)
{
    const std::string older = StoreBackup("{\"old\":1}");
    const std::string newer = StoreBackup("{\"new\":2}");
    ASSERT_NE(older, newer);

    auto run = [&](const std::string& backupId) {
        Fresh();
        const cloud::JobParameters parameters{cloud::NewJobId(), backupId, 0};
        app_control_h request = nullptr;
        app_control_create(&request);
        cloud::AddJobParameters(request, parameters);
        device::SetDispatchingRequest(request); // the job is registered inside the request's callback
        RegisterRestore(this);
        device::SetDispatchingRequest(nullptr);
        app_control_destroy(request);
        RunJobs(Reports().size() + 1);
        ASSERT_EQ(JsonValue(Reports().back(), "$.id"), parameters.id);
    };
    run(older);
    EXPECT_EQ(mClient.valuesSeen, (Events{"{\"old\":1}"}));
    EXPECT_EQ(JsonValue(Reports().back(), "$.backup_id"), older);

    run("");
    EXPECT_EQ(mClient.valuesSeen, (Events{"{\"new\":2}"})) << "the newest by default";

    run("no-such-backup");
    EXPECT_EQ(mClient.events.back(), "completed:0");
}

TEST_F(CloudJobTest, DeinitializeDropsPendingJobsWithoutCallingThem)
{
    RegisterBackup(this);
    RegisterRestore(this);
    ASSERT_EQ(velurio_cloud_deinitialize(), 0);
    test_process::PumpUntil([] { return !g_main_context_pending(nullptr); });
    EXPECT_TRUE(mClient.events.empty());
    std::vector<std::string> reports = Reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(JsonValue(reports[0], "$.status"), "dropped");
    EXPECT_EQ(velurio_cloud_backup_record_set_completed_cb(CompletedCb, this), VELURIO_CLOUD_ERROR_NOT_INITIALIZED);

    // Deinitialised from inside a callback: nothing runs after it.
    ASSERT_EQ(velurio_cloud_initialize(), 0);
    mClient.deinitInPreparation = true;
    RegisterBackup(this);
    RegisterBackup(this);
    RunJobs(4);
    EXPECT_EQ(mClient.events, (Events{"preparation"}));
}

TEST_F(CloudJobTest, OnlyABackupFileWrittenInTheSameJobIsStored)
{
    // An older backup.dat lies where the service answers its path.
    ASSERT_EQ(cloud::WriteRecordsFile(mClient.dir + "/backup.dat",
                                      {cloud::Record{std::string(kKey), std::string("1"), std::string("old"), false}}),
              0);
    using Write = FakeClient::Write;
    const struct {
        Write write;
        const char* status;
        size_t stored; // backups stored by this job
    } cases[] = {
        {Write::FailsButPathAnswered, "failed", 0},
        {Write::ReplacedAfterWrite, "failed", 0},
        {Write::AnsweredAsFailed, "failed", 0},
        {Write::Normal, "succeeded", 1},
    };
    for (const auto& c : cases) {
        Fresh();
        mClient.write = c.write;
        const size_t before = cloud::ListBackups().size();
        RegisterBackup(this);
        RunJobs(Reports().size() + 1);
        EXPECT_EQ(JsonValue(Reports().back(), "$.status"), c.status) << JsonValue(Reports().back(), "$.error");
        EXPECT_EQ(cloud::ListBackups().size(), before + c.stored) << c.status;
    }
}

TEST_F(CloudJobTest, FilesLeftInTheCloudDirectoryNeverSteerAJob)
{
    const std::string older = StoreBackup("{\"old\":1}");
    const std::string newer = StoreBackup("{\"new\":2}");
    // A ticket as earlier versions took them, naming the older backup, and a
    // fault control file that is a FIFO with no writer.
    const std::string tickets = cloud::CloudDir() + "/tickets";
    g_mkdir_with_parents(tickets.c_str(), 0700);
    ASSERT_TRUE(g_file_set_contents((tickets + "/0-planted.ticket").c_str(),
                                    ("[ticket]\ntype=restore\nbackup_id=" + older + "\n").c_str(), -1, nullptr));
    ASSERT_EQ(mkfifo(cloud::FaultsFilePath().c_str(), 0600), 0);
    LogCapture log;
    Fresh();
    RegisterRestore(this);
    RunJobs(Reports().size() + 1);
    EXPECT_EQ(JsonValue(Reports().back(), "$.status"), "succeeded");
    EXPECT_EQ(JsonValue(Reports().back(), "$.backup_id"), newer);
    EXPECT_EQ(mClient.valuesSeen, (Events{"{\"new\":2}"}));
    EXPECT_TRUE(log.Contains("refused file [" + cloud::FaultsFilePath() + "]: not a regular file"));
    g_unlink(cloud::FaultsFilePath().c_str());
}

TEST(CloudFaults, ControlTextNamesFaultsBetweenSeparatorsAndComments)
{
    const struct {
        const char* text;
        cloud::FaultSet faults;
        std::vector<std::string> unknown;
    } cases[] = {
        {"two_records\nmove_next # only the first record is reached",
         cloud::kFaultTwoRecords | cloud::kFaultMoveNext,
         {}},
        {"# all commented out: move_first\n", 0, {}},
        {"no_key,no_value;empty_file\tcomplete_never\r\n",
         cloud::kFaultNoKey | cloud::kFaultNoValue | cloud::kFaultEmptyFile | cloud::kFaultCompleteNever,
         {}},
        {"list_create bogus#x\nget_current", cloud::kFaultListCreate | cloud::kFaultGetCurrent, {"bogus"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> unknown;
        EXPECT_EQ(cloud::ParseFaults(c.text, &unknown), c.faults) << c.text;
        EXPECT_EQ(unknown, c.unknown) << c.text;
    }
}
