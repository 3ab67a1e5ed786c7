// Jobs driven on a GLib main loop against a fake client that answers the way
// the service's scenarios do.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include <glib.h>
#include <glib/gstdio.h>
#include <json-glib/json-glib.h>

#include <device/cloud.h>

#include "cloud/CloudStore.h"
#include "DeviceFixture.h"

namespace {

constexpr const char* kKey = "backup_item_tavo_weather";

// What the fake client saw, step by step.
struct FakeClient {
    std::string dir;
    std::string value = "{\"tempUnit\":1}";
    bool answerLater = false;          // answer from a main-loop timeout
    bool answerPreparation = true;     // false: never answer the preparation
    bool preparationOk = true;
    bool deinitInPreparation = false;

    std::vector<std::string> events;
    std::vector<void*> completedData;
    int listCreateRc = 0;
    int count = -1;
    int moveFirstRc = 0;
    std::vector<int> getCurrentRcs;
    std::vector<int> moveNextRcs;
    std::vector<std::optional<std::string>> keysSeen;
    std::vector<std::optional<std::string>> valuesSeen;
    int readRc = 0;
    int dateCounter = 0;
    int lateAnswerRc = 0;
};

FakeClient* gClient = nullptr;

void Later(std::function<void()> answer)
{
    if (!gClient->answerLater) {
        answer();
        return;
    }
    auto* held = new std::function<void()>(std::move(answer));
    g_timeout_add_full(G_PRIORITY_DEFAULT, 10,
                       [](gpointer data) -> gboolean {
                           (*static_cast<std::function<void()>*>(data))();
                           return G_SOURCE_REMOVE;
                       },
                       held, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

// Walks a list as the scenarios do, setting values on keyed records.
void WalkBackupList(velurio_cloud_list_h list)
{
    int count = 0;
    velurio_cloud_list_get_record_count(list, &count);
    gClient->count = count;
    gClient->moveFirstRc = velurio_cloud_list_move_to_first(list);
    if (gClient->moveFirstRc != 0) return;
    for (int i = 0; i < count; ++i) {
        velurio_cloud_record_h record = nullptr;
        gClient->getCurrentRcs.push_back(velurio_cloud_list_get_current_record(list, &record));
        const char* key = nullptr;
        velurio_cloud_record_get_key(record, &key);
        gClient->keysSeen.push_back(key ? std::optional<std::string>(key) : std::nullopt);
        if (key) velurio_cloud_record_set_value(record, gClient->value.c_str());
        gClient->moveNextRcs.push_back(velurio_cloud_list_move_to_next(list));
        if (gClient->moveNextRcs.back() != 0) break;
    }
}

void Preparation(bool restoreSide)
{
    gClient->events.push_back("preparation");
    if (gClient->deinitInPreparation) {
        velurio_cloud_deinitialize();
        return;
    }
    if (!gClient->answerPreparation) return;
    bool ok = gClient->preparationOk;
    Later([restoreSide, ok]() {
        if (restoreSide)
            velurio_cloud_restore_record_send_preparation_completed_response(ok);
        else
            velurio_cloud_backup_record_send_preparation_completed_response(ok);
    });
}

void BackupPreparationCb() { Preparation(false); }
void RestorePreparationCb() { Preparation(true); }

void KeysAndDatesCb(void*)
{
    gClient->events.push_back("keys_and_dates");
    velurio_cloud_list_h list = nullptr;
    gClient->listCreateRc = velurio_cloud_list_create(&list);
    velurio_cloud_record_h record = nullptr;
    velurio_cloud_record_create(&record);
    velurio_cloud_record_set_key(record, kKey);
    velurio_cloud_record_set_date(record, std::to_string(++gClient->dateCounter).c_str());
    if (velurio_cloud_list_add(list, record) != 0) velurio_cloud_record_destroy(record);
    Later([list]() {
        velurio_cloud_backup_record_send_keys_and_dates(list, true);
        if (list) velurio_cloud_list_destroy(list);
    });
}

void BackupCb(velurio_cloud_list_h list, void*)
{
    gClient->events.push_back("backup");
    WalkBackupList(list);
    std::string path = gClient->dir + "/backup.dat";
    bool written = gClient->count > 0 && velurio_cloud_file_create_file(list, path.c_str()) == 0;
    velurio_cloud_list_destroy(list);
    Later([path, written]() { velurio_cloud_backup_record_send_backup_path(written ? path.c_str() : nullptr, written); });
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
    gClient->readRc = velurio_cloud_file_create_record_list(path, &list);
    int count = 0;
    velurio_cloud_list_get_record_count(list, &count);
    gClient->count = count;
    if (count == 0) {
        Later([]() { velurio_cloud_restore_record_send_record_list(nullptr, false); });
        return;
    }
    gClient->moveFirstRc = velurio_cloud_list_move_to_first(list);
    for (int i = 0; i < count; ++i) {
        velurio_cloud_record_h record = nullptr;
        gClient->getCurrentRcs.push_back(velurio_cloud_list_get_current_record(list, &record));
        if (record) {
            const char* value = nullptr;
            velurio_cloud_record_get_value(record, &value);
            gClient->valuesSeen.push_back(value ? std::optional<std::string>(value) : std::nullopt);
            if (!value) velurio_cloud_record_set_fail(record);
        }
        gClient->moveNextRcs.push_back(velurio_cloud_list_move_to_next(list));
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

struct ReportView {
    std::string id, type, status, error, backupId;
    bool reported = false;
    int64_t started = 0;
    std::vector<std::string> calls;
    std::vector<std::optional<std::string>> keys, values;
    std::vector<bool> failed;
};

std::optional<std::string> OptMember(JsonObject* object, const char* name)
{
    JsonNode* node = json_object_get_member(object, name);
    if (!node || JSON_NODE_HOLDS_NULL(node)) return std::nullopt;
    return std::string(json_node_get_string(node));
}

// Every report, in the order the jobs ran.
std::vector<ReportView> Reports()
{
    std::vector<ReportView> reports;
    GDir* dir = g_dir_open(cloud::ReportsDir().c_str(), 0, nullptr);
    if (!dir) return reports;
    while (const gchar* name = g_dir_read_name(dir)) {
        JsonParser* parser = json_parser_new();
        std::string path = cloud::ReportsDir() + "/" + name;
        EXPECT_TRUE(json_parser_load_from_file(parser, path.c_str(), nullptr)) << path;
        JsonObject* o = json_node_get_object(json_parser_get_root(parser));
        ReportView r;
        r.id = json_object_get_string_member(o, "id");
        r.type = json_object_get_string_member(o, "type");
        r.status = json_object_get_string_member(o, "status");
        r.error = json_object_get_string_member(o, "error");
        r.backupId = json_object_get_string_member(o, "backup_id");
        r.reported = json_object_get_boolean_member(o, "completion_reported");
        r.started = json_object_get_int_member(o, "started_ms");
        JsonArray* calls = json_object_get_array_member(o, "calls");
        for (guint i = 0; i < json_array_get_length(calls); ++i) r.calls.push_back(json_array_get_string_element(calls, i));
        JsonArray* records = json_object_get_array_member(o, "records");
        for (guint i = 0; i < json_array_get_length(records); ++i) {
            JsonObject* rec = json_array_get_object_element(records, i);
            r.keys.push_back(OptMember(rec, "key"));
            r.values.push_back(OptMember(rec, "value"));
            r.failed.push_back(json_object_get_boolean_member(rec, "failed"));
        }
        g_object_unref(parser);
        reports.push_back(r);
    }
    g_dir_close(dir);
    std::sort(reports.begin(), reports.end(),
              [](const ReportView& a, const ReportView& b) { return std::tie(a.started, a.id) < std::tie(b.started, b.id); });
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
        g_unsetenv("WEATHER_CLOUD_FAULTS");
        g_unsetenv("WEATHER_CLOUD_ANSWER_TIMEOUT_MS");
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        gClient = nullptr;
    }

    void Fresh()
    {
        std::string dir = mClient.dir;
        mClient = FakeClient();
        mClient.dir = dir;
    }

    // Runs the main loop until `count` completions were seen (or reports, for
    // jobs that never complete), at most a few seconds.
    void RunJobs(size_t count)
    {
        bool timedOut = false;
        guint timer = g_timeout_add(5000, [](gpointer flag) -> gboolean {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        }, &timedOut);
        while (!timedOut && Reports().size() < count) g_main_context_iteration(nullptr, TRUE);
        if (!timedOut) g_source_remove(timer);
        ASSERT_FALSE(timedOut) << "jobs did not end";
    }

    // A stored backup holding `value`, made through a backup job.
    std::string StoreBackup(const std::string& value)
    {
        FakeClient saved = mClient;
        mClient.value = value;
        RegisterBackup(this);
        RunJobs(Reports().size() + 1);
        std::string id = Reports().back().backupId;
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
    ReportView backup = Reports()[0];
    EXPECT_EQ(backup.type, "backup");
    EXPECT_EQ(backup.status, "succeeded");
    EXPECT_EQ(backup.backupId, stored[0].id);
    EXPECT_EQ(backup.calls, (Events{"preparation", "keys_and_dates", "backup", "completed"}));

    mClient.events.clear();
    RegisterRestore(&token);
    RunJobs(2);
    EXPECT_EQ(mClient.events, (Events{"preparation", "restoration_path", "restoration", "completed:1"}));
    EXPECT_EQ(mClient.valuesSeen, (std::vector<std::optional<std::string>>{mClient.value}));
    ReportView restore = Reports()[1];
    EXPECT_EQ(restore.status, "succeeded");
    EXPECT_EQ(restore.backupId, stored[0].id);
    EXPECT_EQ(restore.values, (std::vector<std::optional<std::string>>{mClient.value}));
}

TEST_F(CloudJobTest, GetInfoAsksForKeysOnlyAndStoresNothing)
{
    RegisterBackup(this, false);
    RunJobs(1);
    EXPECT_EQ(mClient.events, (Events{"preparation", "keys_and_dates", "completed:1"}));
    EXPECT_EQ(Reports()[0].type, "get_info");
    EXPECT_EQ(Reports()[0].status, "succeeded");
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
    EXPECT_EQ(mClient.events, (Events{"preparation", "keys_and_dates", "backup", "completed:1",  //
                                      "preparation", "keys_and_dates", "completed:1",            //
                                      "preparation", "restoration_path", "restoration", "completed:1"}));
    EXPECT_EQ(mClient.completedData, (std::vector<void*>{&a, &b, &c}));
    std::vector<ReportView> reports = Reports();
    EXPECT_EQ(reports[0].type, "backup");
    EXPECT_EQ(reports[1].type, "get_info");
    EXPECT_EQ(reports[2].type, "restore");
}

TEST_F(CloudJobTest, RefusedOrMissingAnswersEndTheJobAsFailed)
{
    // No job waits: answers are out of turn.
    EXPECT_EQ(velurio_cloud_backup_record_send_preparation_completed_response(true),
              VELURIO_CLOUD_ERROR_INVALID_STATE);
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
    EXPECT_NE(Reports()[1].error.find("no stored backup"), std::string::npos);

    // A preparation never answered times out.
    velurio_cloud_deinitialize();
    g_setenv("WEATHER_CLOUD_ANSWER_TIMEOUT_MS", "100", TRUE);
    velurio_cloud_initialize();
    Fresh();
    mClient.answerPreparation = false;
    RegisterBackup(this);
    RunJobs(3);
    EXPECT_EQ(mClient.events, (Events{"preparation", "completed:0"}));
    EXPECT_NE(Reports()[2].error.find("no answer"), std::string::npos);
    EXPECT_EQ(velurio_cloud_backup_record_send_preparation_completed_response(true),
              VELURIO_CLOUD_ERROR_INVALID_STATE);
}

TEST_F(CloudJobTest, BackupSideFaultsChangeWhatTheClientSees)
{
    // From the environment.
    g_setenv("WEATHER_CLOUD_FAULTS", "list_create", TRUE);
    RegisterBackup(this);
    RunJobs(1);
    EXPECT_NE(mClient.listCreateRc, 0);
    EXPECT_EQ(mClient.events, (Events{"preparation", "keys_and_dates", "completed:0"}));
    g_unsetenv("WEATHER_CLOUD_FAULTS");

    // From the control file.
    auto run = [&](const char* faults) {
        Fresh();
        ASSERT_TRUE(g_file_set_contents(cloud::FaultsFilePath().c_str(), faults, -1, nullptr));
        RegisterBackup(this);
        RunJobs(Reports().size() + 1);
    };
    run("move_first");
    EXPECT_NE(mClient.moveFirstRc, 0);
    EXPECT_TRUE(mClient.keysSeen.empty());
    EXPECT_EQ(Reports().back().values, (std::vector<std::optional<std::string>>{std::nullopt}));
    EXPECT_EQ(mClient.events.back(), "completed:1");

    run("two_records\nmove_next # only the first record is reached");
    EXPECT_EQ(mClient.count, 2);
    EXPECT_EQ(mClient.keysSeen.size(), 1u);
    EXPECT_EQ(Reports().back().values, (std::vector<std::optional<std::string>>{mClient.value, std::nullopt}));

    run("two_records");
    EXPECT_EQ(mClient.keysSeen, (std::vector<std::optional<std::string>>{kKey, kKey}));
    EXPECT_EQ(Reports().back().values, (std::vector<std::optional<std::string>>{mClient.value, mClient.value}));

    run("get_current");
    ASSERT_FALSE(mClient.getCurrentRcs.empty());
    EXPECT_NE(mClient.getCurrentRcs[0], 0);
    EXPECT_EQ(Reports().back().values, (std::vector<std::optional<std::string>>{std::nullopt}));

    run("no_key");
    EXPECT_EQ(mClient.keysSeen, (std::vector<std::optional<std::string>>{std::nullopt}));
    EXPECT_EQ(Reports().back().keys, (std::vector<std::optional<std::string>>{std::nullopt}));

    run("empty_file");
    EXPECT_EQ(mClient.count, 0);
    EXPECT_EQ(mClient.events.back(), "completed:0");

    run("complete_failed");
    EXPECT_EQ(mClient.events.back(), "completed:0");
    EXPECT_EQ(Reports().back().status, "failed");
    EXPECT_EQ(cloud::ListBackups().size(), 6u) << "the backups before were stored";

    // Completion never reported: the next queued job still runs.
    Fresh();
    ASSERT_TRUE(g_file_set_contents(cloud::FaultsFilePath().c_str(), "complete_never", -1, nullptr));
    RegisterBackup(this);
    RunJobs(Reports().size() + 1);
    g_unlink(cloud::FaultsFilePath().c_str());
    RegisterBackup(this, false);
    RunJobs(Reports().size() + 1);
    EXPECT_EQ(mClient.events, (Events{"preparation", "keys_and_dates", "backup",  //
                                      "preparation", "keys_and_dates", "completed:1"}));
    std::vector<ReportView> reports = Reports();
    EXPECT_EQ(reports[reports.size() - 2].status, "no_completion");
    EXPECT_FALSE(reports[reports.size() - 2].reported);
}

TEST_F(CloudJobTest, RestoreSideFaultsAndTicketsChooseWhatIsHandedOver)
{
    const std::string older = StoreBackup("{\"old\":1}");
    const std::string newer = StoreBackup("{\"new\":2}");
    ASSERT_NE(older, newer);

    auto run = [&](cloud::FaultSet faults, const std::string& backupId) {
        Fresh();
        cloud::Ticket ticket{cloud::NewTicketId(), cloud::JobType::Restore, backupId, faults};
        ASSERT_TRUE(cloud::WriteTicket(ticket));
        RegisterRestore(this);
        RunJobs(Reports().size() + 1);
        ASSERT_EQ(Reports().back().id, ticket.id);
    };
    using Values = std::vector<std::optional<std::string>>;
    run(0, older);
    EXPECT_EQ(mClient.valuesSeen, (Values{"{\"old\":1}"}));
    EXPECT_EQ(Reports().back().backupId, older);

    run(cloud::kFaultTwoRecords, "");
    EXPECT_EQ(mClient.valuesSeen, (Values{"{\"new\":2}", "{\"old\":1}"}));

    run(cloud::kFaultNoValue, "");
    EXPECT_EQ(mClient.valuesSeen, (Values{std::nullopt}));
    EXPECT_EQ(Reports().back().failed, std::vector<bool>{true});
    EXPECT_EQ(mClient.events.back(), "completed:1");

    run(cloud::kFaultEmptyFile, "");
    EXPECT_EQ(mClient.readRc, VELURIO_CLOUD_ERROR_NO_DATA);
    EXPECT_EQ(mClient.events, (Events{"preparation", "restoration_path", "restoration", "completed:0"}));

    run(cloud::kFaultMoveFirst | cloud::kFaultMoveNext, "");
    EXPECT_NE(mClient.moveFirstRc, 0);
    EXPECT_EQ(mClient.valuesSeen, (Values{"{\"new\":2}"})) << "the cursor starts on the first record";

    run(0, "no-such-backup");
    EXPECT_EQ(mClient.events.back(), "completed:0");
}

TEST_F(CloudJobTest, DeinitializeDropsPendingJobsWithoutCallingThem)
{
    RegisterBackup(this);
    RegisterRestore(this);
    ASSERT_EQ(velurio_cloud_deinitialize(), 0);
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    EXPECT_TRUE(mClient.events.empty());
    std::vector<ReportView> reports = Reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].status, "dropped");
    EXPECT_EQ(velurio_cloud_backup_record_set_completed_cb(CompletedCb, this), VELURIO_CLOUD_ERROR_NOT_INITIALIZED);

    // Deinitialised from inside a callback: nothing runs after it.
    ASSERT_EQ(velurio_cloud_initialize(), 0);
    mClient.deinitInPreparation = true;
    RegisterBackup(this);
    RegisterBackup(this);
    RunJobs(4);
    EXPECT_EQ(mClient.events, (Events{"preparation"}));
}
