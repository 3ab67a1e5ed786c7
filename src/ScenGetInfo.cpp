#include "BackupRestoreLaunchScenarioReal.h"
#include "BackupRestoreMain.h"

namespace NSWeatherService {

bool ScenGetInfo::RegisterCallbacks(const std::shared_ptr<BackupRestoreController>& backupRestoreControllerPtr)
{
    bool registered = false;
    do {
        BREAK_IF(velurio_cloud_backup_record_set_preparation_cb(GetInfoPrepareCb, (void*)this) != VELURIO_CLOUD_ERROR_NONE);
        BREAK_IF(velurio_cloud_backup_record_set_sending_keys_and_dates_cb(GetInfoGetKeysDatesCb, (void*)this) != VELURIO_CLOUD_ERROR_NONE);
        BREAK_IF(velurio_cloud_backup_record_set_completed_cb(GetInfoCompletedCb, (void*)backupRestoreControllerPtr.get()) != VELURIO_CLOUD_ERROR_NONE);
        registered = true;
    } while (0);
    return registered;
}

void ScenGetInfo::GetInfoPrepareCb()
{
    CLOUD_CALL(velurio_cloud_backup_record_send_preparation_completed_response, true);
}

void ScenGetInfo::GetInfoGetKeysDatesCb(void* user_data)
{
    ScenGetInfo* pThis = static_cast<ScenGetInfo*>(user_data);
    RETURN_IF(pThis == NULL);
    SendKeysAndDates();
}

void ScenGetInfo::GetInfoCompletedCb(int success, void* user_data)
{
    if (success)
        LOGE("GetInfoCompletedCb() SUCCEEDED\n");
    else
        LOGE("GetInfoCompletedCb() FAILED\n");

    BackupRestoreMain* backupRestoreMain = BackupRestoreMain::GetInstance();
    app_control_h appControl = GetCompletedAppControl(backupRestoreMain, user_data);
    EndRequest(backupRestoreMain, appControl);
}

} // namespace NSWeatherService
