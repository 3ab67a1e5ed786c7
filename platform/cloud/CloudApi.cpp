// Library state, callback registration and answers of cloud.h.
//
// Registrations collect in a pending set per side; registering the completed
// callback closes the set into a job (snapshot of callbacks and user data)
// and clears it, so overlapping requests become separate queued jobs.

#include <memory>

#include <device/cloud.h>

#include "CloudHandles.h"
#include "JobRunner.h"

namespace {

struct Library {
    cloud::BackupCallbacks pendingBackup;
    cloud::RestoreCallbacks pendingRestore;
    cloud::JobRunner runner;
};

std::unique_ptr<Library> gLibrary;

template <typename Cb>
int Register(Cb cb, void* userData, Cb cloud::BackupCallbacks::*slot, void* cloud::BackupCallbacks::*data)
{
    if (!gLibrary)
        return VELURIO_CLOUD_ERROR_NOT_INITIALIZED;
    if (cb == nullptr)
        return VELURIO_CLOUD_ERROR_INVALID_PARAMETER;
    gLibrary->pendingBackup.*slot = cb;
    gLibrary->pendingBackup.*data = userData;
    return VELURIO_CLOUD_ERROR_NONE;
}

template <typename Cb>
int Register(Cb cb, void* userData, Cb cloud::RestoreCallbacks::*slot, void* cloud::RestoreCallbacks::*data)
{
    if (!gLibrary)
        return VELURIO_CLOUD_ERROR_NOT_INITIALIZED;
    if (cb == nullptr)
        return VELURIO_CLOUD_ERROR_INVALID_PARAMETER;
    gLibrary->pendingRestore.*slot = cb;
    gLibrary->pendingRestore.*data = userData;
    return VELURIO_CLOUD_ERROR_NONE;
}

} // namespace

extern "C" {

int velurio_cloud_initialize(void)
{
    if (!gLibrary)
        gLibrary = std::make_unique<Library>();
    return VELURIO_CLOUD_ERROR_NONE;
}

int velurio_cloud_deinitialize(void)
{
    if (!gLibrary)
        return VELURIO_CLOUD_ERROR_NOT_INITIALIZED;
    // Moved out first so that a call made while the jobs are dropped sees
    // the library as gone.
    std::unique_ptr<Library> library = std::move(gLibrary);
    library.reset();
    // What callers never released (a record that could not join a list
    // created by a failing list_create, for one) goes now.
    cloud::ReleaseAllHandles();
    return VELURIO_CLOUD_ERROR_NONE;
}

int velurio_cloud_backup_record_set_preparation_cb(velurio_cloud_backup_preparation_cb cb, void* user_data)
{
    return Register(cb, user_data, &cloud::BackupCallbacks::preparation, &cloud::BackupCallbacks::preparationData);
}

int velurio_cloud_backup_record_set_sending_keys_and_dates_cb(velurio_cloud_backup_sending_keys_and_dates_cb cb,
                                                              void* user_data)
{
    return Register(cb, user_data, &cloud::BackupCallbacks::keysAndDates, &cloud::BackupCallbacks::keysAndDatesData);
}

int velurio_cloud_backup_record_set_backup_cb(velurio_cloud_backup_cb cb, void* user_data)
{
    return Register(cb, user_data, &cloud::BackupCallbacks::backup, &cloud::BackupCallbacks::backupData);
}

int velurio_cloud_backup_record_set_completed_cb(velurio_cloud_backup_completed_cb cb, void* user_data)
{
    int ret = Register(cb, user_data, &cloud::BackupCallbacks::completed, &cloud::BackupCallbacks::completedData);
    if (ret != VELURIO_CLOUD_ERROR_NONE)
        return ret;
    auto job = std::make_unique<cloud::Job>();
    job->backup = gLibrary->pendingBackup;
    // Without a backup callback the client only asks what would be backed up.
    job->type = job->backup.backup ? cloud::JobType::Backup : cloud::JobType::GetInfo;
    gLibrary->pendingBackup = cloud::BackupCallbacks();
    gLibrary->runner.Enqueue(std::move(job));
    return VELURIO_CLOUD_ERROR_NONE;
}

int velurio_cloud_backup_record_send_preparation_completed_response(bool ok)
{
    if (!gLibrary)
        return VELURIO_CLOUD_ERROR_NOT_INITIALIZED;
    return gLibrary->runner.AnswerPreparation(false, ok);
}

int velurio_cloud_backup_record_send_keys_and_dates(velurio_cloud_list_h list, bool ok)
{
    if (!gLibrary)
        return VELURIO_CLOUD_ERROR_NOT_INITIALIZED;
    return gLibrary->runner.AnswerKeysAndDates(list, ok);
}

int velurio_cloud_backup_record_send_backup_path(const char* path, bool ok)
{
    if (!gLibrary)
        return VELURIO_CLOUD_ERROR_NOT_INITIALIZED;
    return gLibrary->runner.AnswerBackupPath(path, ok);
}

int velurio_cloud_restore_record_set_preparation_cb(velurio_cloud_restore_preparation_cb cb, void* user_data)
{
    return Register(cb, user_data, &cloud::RestoreCallbacks::preparation, &cloud::RestoreCallbacks::preparationData);
}

int velurio_cloud_restore_record_set_sending_restoration_path_cb(velurio_cloud_restore_sending_restoration_path_cb cb,
                                                                 void* user_data)
{
    return Register(cb, user_data, &cloud::RestoreCallbacks::restorationPath,
                    &cloud::RestoreCallbacks::restorationPathData);
}

int velurio_cloud_restore_record_set_restoration_cb(velurio_cloud_restoration_cb cb, void* user_data)
{
    return Register(cb, user_data, &cloud::RestoreCallbacks::restoration, &cloud::RestoreCallbacks::restorationData);
}

int velurio_cloud_restore_record_set_completed_cb(velurio_cloud_restore_completed_cb cb, void* user_data)
{
    int ret = Register(cb, user_data, &cloud::RestoreCallbacks::completed, &cloud::RestoreCallbacks::completedData);
    if (ret != VELURIO_CLOUD_ERROR_NONE)
        return ret;
    auto job = std::make_unique<cloud::Job>();
    job->type = cloud::JobType::Restore;
    job->restore = gLibrary->pendingRestore;
    gLibrary->pendingRestore = cloud::RestoreCallbacks();
    gLibrary->runner.Enqueue(std::move(job));
    return VELURIO_CLOUD_ERROR_NONE;
}

int velurio_cloud_restore_record_send_preparation_completed_response(bool ok)
{
    if (!gLibrary)
        return VELURIO_CLOUD_ERROR_NOT_INITIALIZED;
    return gLibrary->runner.AnswerPreparation(true, ok);
}

int velurio_cloud_restore_record_send_restoration_path(const char* path, bool ok)
{
    if (!gLibrary)
        return VELURIO_CLOUD_ERROR_NOT_INITIALIZED;
    return gLibrary->runner.AnswerRestorationPath(path, ok);
}

int velurio_cloud_restore_record_send_record_list(velurio_cloud_list_h list, bool ok)
{
    if (!gLibrary) {
        if (list)
            velurio_cloud_list_destroy(list);
        return VELURIO_CLOUD_ERROR_NOT_INITIALIZED;
    }
    return gLibrary->runner.AnswerRecordList(list, ok);
}

} // extern "C"
