#include "JobRunner.h"

#include <sys/stat.h>

#include <cstdlib>

#include <glib/gstdio.h>
#include <json-glib/json-glib.h>

#include <device/host.h>
#include <device/log.h>
#include <device/no_destructor.h>

#include "CloudHandles.h"

namespace cloud {
namespace {

constexpr const char* kTag = "velurio-cloud";
constexpr const char* kAnswerTimeoutEnv = "WEATHER_CLOUD_ANSWER_TIMEOUT_MS";
constexpr guint kDefaultAnswerTimeoutMs = 60000;

const char* StepName(Step step)
{
    switch (step) {
    case Step::Preparation:
        return "preparation";
    case Step::KeysAndDates:
        return "keys_and_dates";
    case Step::Backup:
        return "backup";
    case Step::RestorationPath:
        return "restoration_path";
    case Step::Restoration:
        return "restoration";
    case Step::Completed:
        return "completed";
    }
    return "unknown";
}

guint AnswerTimeoutMs()
{
    const char* env = getenv(kAnswerTimeoutEnv);
    if (env == nullptr)
        return kDefaultAnswerTimeoutMs;
    char* end = nullptr;
    unsigned long ms = strtoul(env, &end, 10);
    return (end != env && *end == '\0' && ms > 0 && ms <= 3600000) ? static_cast<guint>(ms) : kDefaultAnswerTimeoutMs;
}

std::string IsoTime(int64_t ms)
{
    g_autoptr(GDateTime) time = g_date_time_new_from_unix_utc(ms / 1000);
    if (time == nullptr)
        return "";
    g_autofree gchar* text = g_date_time_format_iso8601(time);
    return text ? text : "";
}

// Record texts are arbitrary bytes: invalid UTF-8 becomes U+FFFD so the
// report always parses.
void AddString(JsonBuilder* json, const char* member, const std::string& text)
{
    g_autofree gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    json_builder_set_member_name(json, member);
    json_builder_add_string_value(json, valid);
}

void AddOptString(JsonBuilder* json, const char* member, const std::optional<std::string>& text)
{
    if (text) {
        AddString(json, member, *text);
    } else {
        json_builder_set_member_name(json, member);
        json_builder_add_null_value(json);
    }
}

void AddInt(JsonBuilder* json, const char* member, int64_t value)
{
    json_builder_set_member_name(json, member);
    json_builder_add_int_value(json, value);
}

void AddBool(JsonBuilder* json, const char* member, bool value)
{
    json_builder_set_member_name(json, member);
    json_builder_add_boolean_value(json, value);
}

void AddStringArray(JsonBuilder* json, const char* member, const std::vector<std::string>& texts)
{
    json_builder_set_member_name(json, member);
    json_builder_begin_array(json);
    for (const std::string& text : texts) {
        g_autofree gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
        json_builder_add_string_value(json, valid);
    }
    json_builder_end_array(json);
}

void AddRecords(JsonBuilder* json, const char* member, const std::vector<Record>& records, bool withValues)
{
    json_builder_set_member_name(json, member);
    json_builder_begin_array(json);
    for (const Record& r : records) {
        json_builder_begin_object(json);
        AddOptString(json, "key", r.key);
        AddOptString(json, "date", r.date);
        if (withValues) {
            AddOptString(json, "value", r.value);
            AddBool(json, "failed", r.failed);
        }
        json_builder_end_object(json);
    }
    json_builder_end_array(json);
}

std::string ReportJson(const Job& job, const char* status, bool reported, bool success, int64_t endedMs)
{
    g_autoptr(JsonBuilder) json = json_builder_new();
    json_builder_begin_object(json);
    AddString(json, "id", job.id);
    AddString(json, "type", JobTypeName(job.type));
    AddString(json, "status", status);
    AddBool(json, "completion_reported", reported);
    if (reported) {
        AddBool(json, "success", success);
    } else {
        json_builder_set_member_name(json, "success");
        json_builder_add_null_value(json);
    }
    AddString(json, "error", job.error);
    AddStringArray(json, "faults", FaultNames(job.faults));
    AddInt(json, "started_ms", job.startedMs);
    AddInt(json, "ended_ms", endedMs);
    AddString(json, "started", IsoTime(job.startedMs));
    AddString(json, "ended", IsoTime(endedMs));
    AddStringArray(json, "calls", job.calls);
    AddRecords(json, "keys", job.told, false);
    AddRecords(json, "records", job.records, true);
    AddString(json, "path", job.path);
    AddString(json, "backup_id", job.backupId);
    json_builder_end_object(json);

    g_autoptr(JsonNode) root = json_builder_get_root(json);
    g_autoptr(JsonGenerator) generator = json_generator_new();
    json_generator_set_root(generator, root);
    g_autofree gchar* text = json_generator_to_data(generator, nullptr);
    return std::string(text) + "\n";
}

} // namespace

std::map<std::string, std::string>& WrittenFiles()
{
    static NoDestructor<std::map<std::string, std::string>> files;
    return *files;
}

void NoteWrittenFile(const std::string& path)
{
    WrittenFiles()[path] = StampOf(path);
}

std::string StampOf(const std::string& path)
{
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return "";
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + ":" + std::to_string(info.st_size) + ":" +
           std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
}

JobRunner::JobRunner() : mAnswerTimeoutMs(AnswerTimeoutMs()), mAlive(std::make_shared<bool>(true)) {}

JobRunner::~JobRunner()
{
    *mAlive = false;
    if (mIdleSource)
        g_source_remove(mIdleSource);
    if (mTimeoutSource)
        g_source_remove(mTimeoutSource);
    const int64_t now = NowMs();
    if (mJob) {
        mJob->error = "dropped: library deinitialized";
        WriteReport(mJob->id, ReportJson(*mJob, "dropped", false, false, now));
    }
    for (const auto& job : mQueue) {
        job->error = "dropped: library deinitialized";
        WriteReport(job->id, ReportJson(*job, "dropped", false, false, now));
    }
    SetActiveFaults(0);
}

void JobRunner::Enqueue(std::unique_ptr<Job> job)
{
    // Parameters come only from the request whose callback registered the job.
    const JobParameters parameters = JobParametersOf(device::DispatchingRequest());
    job->requestedBackupId = parameters.backupId;
    job->faults |= parameters.faults;
    if (!parameters.id.empty() && !g_file_test(ReportPath(parameters.id).c_str(), G_FILE_TEST_EXISTS)) {
        job->id = parameters.id;
    } else {
        static unsigned sequence = 0;
        char suffix[16];
        g_snprintf(suffix, sizeof(suffix), "-%06u", sequence++ % 1000000);
        job->id = "job-" + std::to_string(NowMs()) + suffix;
    }
    dlog_print(DLOG_INFO, kTag, "job %s (%s) queued", job->id.c_str(), JobTypeName(job->type));
    mQueue.push_back(std::move(job));
    Schedule();
}

void JobRunner::Schedule()
{
    if (mIdleSource == 0)
        mIdleSource = g_idle_add(OnIdle, this);
}

gboolean JobRunner::OnIdle(gpointer self)
{
    auto* runner = static_cast<JobRunner*>(self);
    runner->mIdleSource = 0;
    runner->Run();
    return G_SOURCE_REMOVE;
}

gboolean JobRunner::OnAnswerTimeout(gpointer self)
{
    auto* runner = static_cast<JobRunner*>(self);
    runner->mTimeoutSource = 0;
    if (runner->mJob && runner->mAwaiting) {
        runner->mAwaiting = false;
        runner->Fail(std::string("no answer to the ") + StepName(runner->mJob->step) + " callback");
        runner->Schedule();
    }
    return G_SOURCE_REMOVE;
}

void JobRunner::Run()
{
    if (mAwaiting)
        return;
    if (!mJob) {
        if (mQueue.empty())
            return;
        mJob = std::move(mQueue.front());
        mQueue.pop_front();
        Start();
    }
    CallStep();
}

void JobRunner::Start()
{
    WrittenFiles().clear();
    mJob->faults |= ConfiguredFaults();
    mJob->startedMs = NowMs();
    mJob->step = Step::Preparation;
    SetActiveFaults(mJob->faults);
    dlog_print(DLOG_INFO, kTag, "job %s (%s) started", mJob->id.c_str(), JobTypeName(mJob->type));
}

void JobRunner::Fail(const std::string& error)
{
    dlog_print(DLOG_ERROR, kTag, "job %s: %s", mJob->id.c_str(), error.c_str());
    if (mJob->ok)
        mJob->error = error;
    mJob->ok = false;
    mJob->step = Step::Completed;
}

void JobRunner::Next(Step step)
{
    mJob->step = step;
}

bool JobRunner::Awaiting(Step step) const
{
    return mJob && mAwaiting && mJob->step == step;
}

void JobRunner::Answered()
{
    mAwaiting = false;
    if (mTimeoutSource) {
        g_source_remove(mTimeoutSource);
        mTimeoutSource = 0;
    }
    // Inside the callback the runner goes on once the callback returned.
    if (!mInCallback)
        Schedule();
}

std::vector<Record> JobRunner::OfferedBackupRecords() const
{
    std::vector<Record> offered;
    if (mJob->faults & kFaultEmptyFile)
        return offered;
    for (const Record& told : mJob->told) {
        Record r;
        r.key = told.key;
        r.date = told.date;
        offered.push_back(r);
    }
    if (!offered.empty() && (mJob->faults & kFaultTwoRecords))
        offered.push_back(offered.front());
    if (!offered.empty() && (mJob->faults & kFaultNoKey))
        offered.front().key.reset();
    return offered;
}

void JobRunner::CallStep()
{
    Job& job = *mJob;
    if (job.step == Step::Completed) {
        Complete();
        return;
    }
    job.calls.emplace_back(StepName(job.step));
    std::shared_ptr<bool> alive = mAlive;
    mAwaiting = true;
    mInCallback = true;
    bool called = true;
    switch (job.step) {
    case Step::Preparation:
        if (job.type == JobType::Restore && job.restore.preparation)
            job.restore.preparation();
        else if (job.type != JobType::Restore && job.backup.preparation)
            job.backup.preparation();
        else
            called = false;
        break;
    case Step::KeysAndDates:
        if ((called = job.backup.keysAndDates != nullptr))
            job.backup.keysAndDates(job.backup.keysAndDatesData);
        break;
    case Step::Backup:
        if ((called = job.backup.backup != nullptr)) {
            // The service owns the offered list from here on (it destroys it).
            velurio_cloud_list_h list = NewList(OfferedBackupRecords());
            job.backup.backup(list, job.backup.backupData);
        }
        break;
    case Step::RestorationPath:
        if ((called = job.restore.restorationPath != nullptr))
            job.restore.restorationPath();
        break;
    case Step::Restoration:
        if ((called = job.restore.restoration != nullptr))
            job.restore.restoration(job.path.c_str(), job.restore.restorationData);
        break;
    case Step::Completed:
        break;
    }
    if (!*alive)
        return; // deinitialized from inside the callback
    mInCallback = false;
    if (!called) {
        mAwaiting = false;
        Fail(std::string("no ") + StepName(job.step) + " callback registered");
        Schedule();
    } else if (!mAwaiting) {
        Schedule(); // answered inside the callback
    } else if (mTimeoutSource == 0) {
        mTimeoutSource = g_timeout_add(mAnswerTimeoutMs, OnAnswerTimeout, this);
    }
}

void JobRunner::Complete()
{
    Job& job = *mJob;
    const bool success = job.ok && !(job.faults & kFaultCompleteFailed);
    if (job.ok && !success)
        job.error = "completion reported as failed (fault complete_failed)";
    if (job.faults & kFaultCompleteNever) {
        if (job.error.empty())
            job.error = "completion never reported (fault complete_never)";
        Finish("no_completion", false, success);
        return;
    }
    job.calls.emplace_back(StepName(Step::Completed));
    // Faults concern the job's own steps; the completion handler runs clean.
    SetActiveFaults(0);
    std::shared_ptr<bool> alive = mAlive;
    mInCallback = true;
    if (job.type == JobType::Restore)
        job.restore.completed(success ? 1 : 0, job.restore.completedData);
    else
        job.backup.completed(success ? 1 : 0, job.backup.completedData);
    if (!*alive)
        return;
    mInCallback = false;
    Finish(success ? "succeeded" : "failed", true, success);
}

void JobRunner::Finish(const char* status, bool reported, bool success)
{
    SetActiveFaults(0);
    if (!WriteReport(mJob->id, ReportJson(*mJob, status, reported, success, NowMs())))
        dlog_print(DLOG_ERROR, kTag, "job %s: cannot write its report", mJob->id.c_str());
    dlog_print(DLOG_INFO, kTag, "job %s (%s) ended: %s", mJob->id.c_str(), JobTypeName(mJob->type), status);
    mJob.reset();
    if (!mQueue.empty())
        Schedule();
}

int JobRunner::AnswerPreparation(bool restoreSide, bool ok)
{
    if (!Awaiting(Step::Preparation) || (mJob->type == JobType::Restore) != restoreSide)
        return VELURIO_CLOUD_ERROR_INVALID_STATE;
    if (!ok)
        Fail("preparation answered as failed");
    else
        Next(mJob->type == JobType::Restore ? Step::RestorationPath : Step::KeysAndDates);
    Answered();
    return VELURIO_CLOUD_ERROR_NONE;
}

int JobRunner::AnswerKeysAndDates(velurio_cloud_list_h list, bool ok)
{
    if (!Awaiting(Step::KeysAndDates))
        return VELURIO_CLOUD_ERROR_INVALID_STATE;
    // The caller keeps its list: copy what it says.
    mJob->told = ListRecords(list);
    if (!ok)
        Fail("keys and dates answered as failed");
    else if (list == nullptr || mJob->told.empty())
        Fail("no keys and dates offered");
    else
        Next(mJob->type == JobType::Backup ? Step::Backup : Step::Completed);
    Answered();
    return VELURIO_CLOUD_ERROR_NONE;
}

int JobRunner::AnswerBackupPath(const char* path, bool ok)
{
    if (!Awaiting(Step::Backup))
        return VELURIO_CLOUD_ERROR_INVALID_STATE;
    do {
        if (!ok || path == nullptr || *path == '\0') {
            Fail("backup path answered as failed");
            break;
        }
        mJob->path = path;
        // Only the file this job wrote, as it wrote it: a failed write must
        // not pass off an older file at that path as the new backup.
        auto written = WrittenFiles().find(mJob->path);
        if (written == WrittenFiles().end() || !(StampOf(mJob->path) == written->second)) {
            Fail("backup file " + mJob->path + " was not written by this job");
            break;
        }
        std::vector<Record> records;
        int ret = ReadRecordsFile(path, records);
        if (ret == VELURIO_CLOUD_ERROR_NONE && !(StampOf(mJob->path) == written->second))
            ret = VELURIO_CLOUD_ERROR_IO_ERROR; // replaced while read
        if (ret != VELURIO_CLOUD_ERROR_NONE) {
            Fail("backup file " + mJob->path + " unreadable, error " + std::to_string(ret));
            break;
        }
        mJob->records = records;
        std::string error;
        mJob->backupId = StoreBackup(records, NowMs(), &error);
        if (mJob->backupId.empty()) {
            Fail("backup not stored: " + error);
            break;
        }
        Next(Step::Completed);
    } while (false);
    Answered();
    return VELURIO_CLOUD_ERROR_NONE;
}

void JobRunner::PrepareRestoreFile()
{
    Job& job = *mJob;
    std::optional<StoredBackup> chosen;
    std::vector<StoredBackup> all = ListBackups();
    size_t index = all.size();
    for (size_t i = 0; i < all.size(); ++i)
        if (job.requestedBackupId.empty() ? i + 1 == all.size() : all[i].id == job.requestedBackupId)
            index = i;
    if (index == all.size()) {
        Fail(job.requestedBackupId.empty() ? "no stored backup" : "no stored backup " + job.requestedBackupId);
        return;
    }
    job.backupId = all[index].id;
    std::vector<Record> records = all[index].records;
    if (job.faults & kFaultTwoRecords) {
        // The second record comes from the next older backup when there is one,
        // so that which record wins can be told apart.
        const std::vector<Record>& extra = index > 0 ? all[index - 1].records : all[index].records;
        if (!extra.empty())
            records.push_back(extra.front());
    }
    if (job.faults & kFaultEmptyFile)
        records.clear();
    if (!records.empty() && (job.faults & kFaultNoKey))
        records.front().key.reset();
    if (!records.empty() && (job.faults & kFaultNoValue))
        records.front().value.reset();

    g_autofree gchar* dir = g_path_get_dirname(job.path.c_str());
    device::MakePrivateDirs(dir);
    int ret = WriteRecordsFile(job.path, records);
    if (ret != VELURIO_CLOUD_ERROR_NONE) {
        Fail("cannot write " + job.path + ", error " + std::to_string(ret));
        return;
    }
    Next(Step::Restoration);
}

int JobRunner::AnswerRestorationPath(const char* path, bool ok)
{
    if (!Awaiting(Step::RestorationPath))
        return VELURIO_CLOUD_ERROR_INVALID_STATE;
    if (!ok || path == nullptr || *path == '\0') {
        Fail("restoration path answered as failed");
    } else {
        mJob->path = path;
        PrepareRestoreFile();
    }
    Answered();
    return VELURIO_CLOUD_ERROR_NONE;
}

int JobRunner::AnswerRecordList(velurio_cloud_list_h list, bool ok)
{
    if (!Awaiting(Step::Restoration)) {
        if (list)
            velurio_cloud_list_destroy(list);
        return VELURIO_CLOUD_ERROR_INVALID_STATE;
    }
    mJob->records = ListRecords(list);
    if (list)
        velurio_cloud_list_destroy(list);
    if (!ok || list == nullptr)
        Fail("record list answered as failed");
    else
        Next(Step::Completed);
    Answered();
    return VELURIO_CLOUD_ERROR_NONE;
}

} // namespace cloud
