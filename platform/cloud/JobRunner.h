#ifndef VELURIO_CLOUD_JOB_RUNNER_H
#define VELURIO_CLOUD_JOB_RUNNER_H

// Plays the client's side of each job on the GLib main loop: calls the
// callbacks registered for the job one at a time, each only after the
// previous one was answered, and runs queued jobs one after another.

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <glib.h>

#include <device/cloud.h>

#include "CloudStore.h"
#include "Faults.h"
#include "RecordsFile.h"

namespace cloud {

struct BackupCallbacks {
    velurio_cloud_backup_preparation_cb preparation = nullptr;
    void* preparationData = nullptr;
    velurio_cloud_backup_sending_keys_and_dates_cb keysAndDates = nullptr;
    void* keysAndDatesData = nullptr;
    velurio_cloud_backup_cb backup = nullptr;
    void* backupData = nullptr;
    velurio_cloud_backup_completed_cb completed = nullptr;
    void* completedData = nullptr;
};

struct RestoreCallbacks {
    velurio_cloud_restore_preparation_cb preparation = nullptr;
    void* preparationData = nullptr;
    velurio_cloud_restore_sending_restoration_path_cb restorationPath = nullptr;
    void* restorationPathData = nullptr;
    velurio_cloud_restoration_cb restoration = nullptr;
    void* restorationData = nullptr;
    velurio_cloud_restore_completed_cb completed = nullptr;
    void* completedData = nullptr;
};

enum class Step { Preparation, KeysAndDates, Backup, RestorationPath, Restoration, Completed };

struct Job {
    JobType type = JobType::Backup;
    std::string id;
    std::string requestedBackupId; // restore: from the starting request; empty = newest
    FaultSet faults = 0;
    BackupCallbacks backup;
    RestoreCallbacks restore;

    Step step = Step::Preparation;
    bool ok = true;
    std::string error;
    std::vector<std::string> calls; // callbacks made, in order
    std::vector<Record> told;       // keys and dates the service answered
    std::vector<Record> records;    // records of the file / list at the end
    std::string path;               // backup path answered / restore path used
    std::string backupId;           // backup stored / restored
    int64_t startedMs = 0;
};

// Records files velurio_cloud_file_create_file wrote since the running job
// started, each with the identity it had right after the write.
std::map<std::string, std::string>& WrittenFiles();
void NoteWrittenFile(const std::string& path);
// Device, inode, size and modification time of a regular file; "" otherwise.
std::string StampOf(const std::string& path);

class JobRunner {
public:
    JobRunner();
    // Drops the running and queued jobs without calling anything; each gets
    // a report with status "dropped".
    ~JobRunner();
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    // Takes the parameters of the request being dispatched and starts the job once the jobs before it
    // are done, from an idle source (never inside the caller's stack).
    void Enqueue(std::unique_ptr<Job> job);

    int AnswerPreparation(bool restoreSide, bool ok);
    int AnswerKeysAndDates(velurio_cloud_list_h list, bool ok);
    int AnswerBackupPath(const char* path, bool ok);
    int AnswerRestorationPath(const char* path, bool ok);
    int AnswerRecordList(velurio_cloud_list_h list, bool ok); // takes the list

private:
    static gboolean OnIdle(gpointer self);
    static gboolean OnAnswerTimeout(gpointer self);
    void Schedule();
    void Run();
    void Start();
    void CallStep();
    void Complete();
    void Finish(const char* status, bool reported, bool success);
    bool Awaiting(Step step) const;
    void Answered();
    void Fail(const std::string& error);
    void Next(Step step);
    void PrepareRestoreFile();
    std::vector<Record> OfferedBackupRecords() const;

    std::deque<std::unique_ptr<Job>> mQueue;
    std::unique_ptr<Job> mJob;
    bool mAwaiting = false;
    bool mInCallback = false;
    guint mIdleSource = 0;
    guint mTimeoutSource = 0;
    guint mAnswerTimeoutMs;
    std::shared_ptr<bool> mAlive;
};

} // namespace cloud

#endif
