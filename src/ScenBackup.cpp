#include <string>

#include "BackupRestoreLaunchScenarioReal.h"
#include "BackupRestoreMain.h"
#include "CloudOperation.h"
#include "utils/FileHelper.h"
#include "json/WeatherJsonBuilder.h"

namespace NSWeatherService {

bool ScenBackup::RegisterCallbacks(const std::shared_ptr<BackupRestoreController>& backupRestoreControllerPtr)
{
    bool registered = false;
    do {
        BREAK_IF(velurio_cloud_backup_record_set_preparation_cb(BackupPrepareCb, (void*)this) != VELURIO_CLOUD_ERROR_NONE);
        BREAK_IF(velurio_cloud_backup_record_set_sending_keys_and_dates_cb(BackupGetKeysDatesCb, (void*)this) != VELURIO_CLOUD_ERROR_NONE);
        BREAK_IF(velurio_cloud_backup_record_set_backup_cb(BackupRecordCb, (void*)this) != VELURIO_CLOUD_ERROR_NONE);
        BREAK_IF(velurio_cloud_backup_record_set_completed_cb(BackupCompletedCb, (void*)backupRestoreControllerPtr.get()) != VELURIO_CLOUD_ERROR_NONE);
        registered = true;
    } while (0);
    return registered;
}

void ScenBackup::BackupPrepareCb()
{
    CLOUD_CALL(velurio_cloud_backup_record_send_preparation_completed_response, true);
}

void ScenBackup::BackupGetKeysDatesCb(void* user_data)
{
    ScenBackup* pThis = static_cast<ScenBackup*>(user_data);
    RETURN_IF(pThis == NULL);
    SendKeysAndDates();
}

void ScenBackup::BackupRecordCb(velurio_cloud_list_h list, void* user_data)
{
    ScenBackup* pThis = static_cast<ScenBackup*>(user_data);
    RETURN_IF(pThis == NULL);

    if (list == nullptr) {
        CLOUD_CALL(velurio_cloud_backup_record_send_backup_path, nullptr, false);
        return;
    }

    int count = 0;
    if (CLOUD_CALL(velurio_cloud_list_get_record_count, list, &count) != VELURIO_CLOUD_ERROR_NONE)
        count = 0;
    if (count == 0) {
        CLOUD_CALL(velurio_cloud_backup_record_send_backup_path, nullptr, false);
        return;
    }

    if (CLOUD_CALL(velurio_cloud_list_move_to_first, list) == VELURIO_CLOUD_ERROR_NONE) {
        for (int i = 0; i < count; ++i) {
            velurio_cloud_record_h record = nullptr;
            CLOUD_CALL(velurio_cloud_list_get_current_record, list, &record);
            const char* key = nullptr;
            CLOUD_CALL(velurio_cloud_record_get_key, record, &key);
            // Every record that has a key gets the document, whatever the key says.
            if (key != nullptr) {
                auto builderPtr = BackupDataJsonBuilder::Make();
                std::string value = builderPtr ? builderPtr->BuildBackupData() : std::string();
                if (!value.empty())
                    CLOUD_CALL(velurio_cloud_record_set_value, record, value.c_str());
            }
            if (CLOUD_CALL(velurio_cloud_list_move_to_next, list) != VELURIO_CLOUD_ERROR_NONE)
                break;
        }
    }

    std::string path = FileHelper::GetInstance()->GetSharedTrustedDirectoryPath() + "/backup.dat";
    CLOUD_CALL(velurio_cloud_file_create_file, list, path.c_str());
    CLOUD_CALL(velurio_cloud_backup_record_send_backup_path, path.c_str(), true);
    CLOUD_CALL(velurio_cloud_list_destroy, list);
}

void ScenBackup::BackupCompletedCb(int success, void* user_data)
{
    if (success)
        LOGE("BackupCompletedCb() SUCCEEDED\n");
    else
        LOGE("BackupCompletedCb() FAILED\n");

    BackupRestoreMain* backupRestoreMain = BackupRestoreMain::GetInstance();
    app_control_h appControl = GetCompletedAppControl(backupRestoreMain, user_data);
    EndRequest(backupRestoreMain, appControl);
}

} // namespace NSWeatherService
