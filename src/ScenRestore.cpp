#include <cstring>
#include <string>

#include "utils/AppLauncher.h"
#include "BackupRestoreLaunchScenarioReal.h"
#include "BackupRestoreMain.h"
#include "CloudOperation.h"
#include "typedef/DataManager.h"
#include "utils/FileHelper.h"
#include "parser/RestoreMessageParser.h"

namespace NSWeatherService {

bool ScenRestore::RegisterCallbacks(const std::shared_ptr<BackupRestoreController>& backupRestoreControllerPtr)
{
    bool registered = false;
    do {
        BREAK_IF(velurio_cloud_restore_record_set_preparation_cb(RestorePrepareCb, (void*)this) != VELURIO_CLOUD_ERROR_NONE);
        BREAK_IF(velurio_cloud_restore_record_set_sending_restoration_path_cb(RestoreGetRestorePathCb, (void*)this) != VELURIO_CLOUD_ERROR_NONE);
        BREAK_IF(velurio_cloud_restore_record_set_restoration_cb(RestoreRecordCb, (void*)this) != VELURIO_CLOUD_ERROR_NONE);
        BREAK_IF(velurio_cloud_restore_record_set_completed_cb(RestoreCompletedCb, (void*)backupRestoreControllerPtr.get()) != VELURIO_CLOUD_ERROR_NONE);
        registered = true;
    } while (0);
    return registered;
}

void ScenRestore::RestorePrepareCb()
{
    CLOUD_CALL(velurio_cloud_restore_record_send_preparation_completed_response, true);
}

void ScenRestore::RestoreGetRestorePathCb()
{
    std::string path = FileHelper::GetInstance()->GetSharedTrustedDirectoryPath() + "/restore.dat";
    CLOUD_CALL(velurio_cloud_restore_record_send_restoration_path, path.c_str(), true);
}

void ScenRestore::RestoreRecordCb(const char* path, void* user_data)
{
    ScenRestore* pThis = static_cast<ScenRestore*>(user_data);
    RETURN_IF(pThis == NULL);

    velurio_cloud_list_h list = nullptr;
    CLOUD_CALL(velurio_cloud_file_create_record_list, path, &list);

    int count = 0;
    if (CLOUD_CALL(velurio_cloud_list_get_record_count, list, &count) != VELURIO_CLOUD_ERROR_NONE)
        count = 0;
    if (count == 0) {
        CLOUD_CALL(velurio_cloud_restore_record_send_record_list, nullptr, false);
        // The library was handed nothing: an empty list read from the file is still ours.
        if (list != nullptr)
            velurio_cloud_list_destroy(list);
        return;
    }

    CLOUD_CALL(velurio_cloud_list_move_to_first, list);
    for (int i = 0; i < count; ++i) {
        velurio_cloud_record_h record = nullptr;
        CLOUD_CALL(velurio_cloud_list_get_current_record, list, &record);
        if (record != nullptr) {
            const char* value = nullptr;
            CLOUD_CALL(velurio_cloud_record_get_value, record, &value);
            if (value == nullptr) {
                LOGE("value is null");
                CLOUD_CALL(velurio_cloud_record_set_fail, record);
            } else {
                auto parserPtr = RestoreMessageParser::Make(value, static_cast<int>(strlen(value)));
                DataManager* dataManager = DataManager::GetInstance();
                if (parserPtr) {
                    dataManager->SetTemperatureUnit(parserPtr->GetTempUnit());
                    dataManager->SetAutoRefreshInterval(parserPtr->GetAutoRefreshTimeInterval());
                    dataManager->SetShowCurrentCityAgreement(parserPtr->GetUseCurrentLocationAgreed());
                    dataManager->SetNotificationOn(parserPtr->GetUseNotification());
                    dataManager->SetNotificationPopup(parserPtr->GetUseNotification());
                    LOGE("restore data, tempUnit:%d, autoRefreshTimeInterval:%d, useCurrentLocationAgreed:%d, "
                         "useNotification:%d",
                         parserPtr->GetTempUnit(), parserPtr->GetAutoRefreshTimeInterval(),
                         parserPtr->GetUseCurrentLocationAgreed(), parserPtr->GetUseNotification());
                }
                CLOUD_CALL(velurio_cloud_record_set_key, record, kBackupItemKey);
                CLOUD_CALL(velurio_cloud_record_set_date, record, nullptr);
            }
        }
        CLOUD_CALL(velurio_cloud_list_move_to_next, list);
    }

    // The library owns the list from here.
    CLOUD_CALL(velurio_cloud_restore_record_send_record_list, list, true);
}

void ScenRestore::RestoreCompletedCb(int success, void* user_data)
{
    if (success)
        LOGE("RestoreCompletedCb() SUCCEEDED\n");
    else
        LOGE("RestoreCompletedCb() FAILED\n");

    BackupRestoreMain* backupRestoreMain = BackupRestoreMain::GetInstance();
    app_control_h appControl = GetCompletedAppControl(backupRestoreMain, user_data);

    // The agent picks the restored settings up whatever the library reported.
    auto appLauncher = AppLauncher::Make();
    if (!appLauncher || appLauncher->RequestNotifyToAgent() != 0)
        LOGE("appLauncher->RequestNotifyToAgent() failed");

    EndRequest(backupRestoreMain, appControl);
}

} // namespace NSWeatherService
