#include "BackupRestoreLaunchScenarioReal.h"

#include <cstring>
#include <string>

#include <device/service_app.h>

#include "BackupRestoreController.h"
#include "BackupRestoreMain.h"
#include "CloudOperation.h"
#include "json/WeatherJsonBuilder.h"
#include "parser/RestoreMessageParser.h"
#include "typedef/BackedUpSettings.h"
#include "typedef/DataManager.h"
#include "utils/AppLauncher.h"
#include "utils/FileHelper.h"
#include "utils/StringHelper.h"
#include "utils/TimeHelper.h"

namespace NSWeatherService {

bool ScenNone::Launch(app_control_h /*appControl*/)
{
    return false;
}

bool CloudLaunchScenario::Launch(app_control_h appControl)
{
    bool result = false;
    app_control_h reply = nullptr;
    do {
        BackupRestoreMain* backupRestoreMain = BackupRestoreMain::GetInstance();
        BREAK_IF(backupRestoreMain == NULL);
        auto backupRestoreControllerPtr = backupRestoreMain->FindBackupRestoreController(appControl);
        BREAK_IF(!backupRestoreControllerPtr);
        BREAK_IF(app_control_create(&reply) != APP_CONTROL_ERROR_NONE);

        if (!RegisterCallbacks(__func__, backupRestoreControllerPtr))
            break;

        BREAK_IF(app_control_reply_to_launch_request(reply, appControl, APP_CONTROL_RESULT_SUCCEEDED) !=
                 APP_CONTROL_ERROR_NONE);
        result = true;
    } while (0);

    if (reply != nullptr && app_control_destroy(reply) != APP_CONTROL_ERROR_NONE)
        LOGE("app_control_destroy() failed");
    return result;
}

void CloudLaunchScenario::SendKeysAndDates(const char* func)
{
    velurio_cloud_list_h list = nullptr;
    CLOUD_CALL_AT(func, velurio_cloud_list_create, &list);

    std::string date = StringHelper::GetInstance()->Int64ToString(TimeHelper::GetInstance()->GetCurrentTimeMSec());

    velurio_cloud_record_h record = nullptr;
    CLOUD_CALL_AT(func, velurio_cloud_record_create, &record);
    CLOUD_CALL_AT(func, velurio_cloud_record_set_key, record, kBackupItemKey);
    CLOUD_CALL_AT(func, velurio_cloud_record_set_date, record, date.c_str());
    // A record the list did not take is still ours to free.
    if (CLOUD_CALL_AT(func, velurio_cloud_list_add, list, record) != VELURIO_CLOUD_ERROR_NONE && record != nullptr)
        velurio_cloud_record_destroy(record);

    CLOUD_CALL_AT(func, velurio_cloud_backup_record_send_keys_and_dates, list, true);
    CLOUD_CALL_AT(func, velurio_cloud_list_destroy, list);
}

app_control_h CloudLaunchScenario::GetCompletedAppControl(const char* func, BackupRestoreMain* backupRestoreMain,
                                                          void* user_data)
{
    BackupRestoreController* controller = static_cast<BackupRestoreController*>(user_data);
    app_control_h appControl = nullptr;
    do {
        BREAK_IF_AT(func, controller == NULL);
        // A completion reported twice must not read a controller already dropped.
        if (backupRestoreMain != NULL && !backupRestoreMain->IsListedController(controller))
            break;
        appControl = controller->GetAppControl();
        BREAK_IF_AT(func, appControl == NULL);
    } while (0);
    return appControl;
}

void CloudLaunchScenario::EndRequest(BackupRestoreMain* backupRestoreMain, app_control_h appControl)
{
    if (backupRestoreMain == nullptr) {
        LOGE("backupRestoreMain is null. so service_app_exit");
        service_app_exit();
        return;
    }
    backupRestoreMain->StartServiceTerminateTimer(appControl);
}

bool ScenBackup::RegisterCallbacks(const char* func,
                                   const std::shared_ptr<BackupRestoreController>& backupRestoreControllerPtr)
{
    bool registered = false;
    do {
        // `this` dangles once the launch callback returns (the scenario lives
        // only that long): the callbacks test it for null and never follow it.
        BREAK_IF_AT(func, velurio_cloud_backup_record_set_preparation_cb(BackupPrepareCb, (void*)this) !=
                              VELURIO_CLOUD_ERROR_NONE);
        BREAK_IF_AT(func, velurio_cloud_backup_record_set_sending_keys_and_dates_cb(
                              BackupGetKeysDatesCb, (void*)this) != VELURIO_CLOUD_ERROR_NONE);
        BREAK_IF_AT(func,
                    velurio_cloud_backup_record_set_backup_cb(BackupRecordCb, (void*)this) != VELURIO_CLOUD_ERROR_NONE);
        BREAK_IF_AT(func, velurio_cloud_backup_record_set_completed_cb(
                              BackupCompletedCb, (void*)backupRestoreControllerPtr.get()) != VELURIO_CLOUD_ERROR_NONE);
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
    SendKeysAndDates(__func__);
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
    app_control_h appControl = GetCompletedAppControl(__func__, backupRestoreMain, user_data);
    EndRequest(backupRestoreMain, appControl);
}

bool ScenRestore::RegisterCallbacks(const char* func,
                                    const std::shared_ptr<BackupRestoreController>& backupRestoreControllerPtr)
{
    bool registered = false;
    do {
        BREAK_IF_AT(func, velurio_cloud_restore_record_set_preparation_cb(RestorePrepareCb, (void*)this) !=
                              VELURIO_CLOUD_ERROR_NONE);
        BREAK_IF_AT(func, velurio_cloud_restore_record_set_sending_restoration_path_cb(
                              RestoreGetRestorePathCb, (void*)this) != VELURIO_CLOUD_ERROR_NONE);
        BREAK_IF_AT(func, velurio_cloud_restore_record_set_restoration_cb(RestoreRecordCb, (void*)this) !=
                              VELURIO_CLOUD_ERROR_NONE);
        BREAK_IF_AT(func, velurio_cloud_restore_record_set_completed_cb(
                              RestoreCompletedCb, (void*)backupRestoreControllerPtr.get()) != VELURIO_CLOUD_ERROR_NONE);
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
                    // Each write reads its value from the record again.
                    std::string restored = "restore data";
                    for (const BackedUpSetting& setting : kBackedUpSettings) {
                        setting.restore(*dataManager, parserPtr->Read(setting));
                        if (setting.alsoRestore)
                            setting.alsoRestore(*dataManager, parserPtr->Read(setting));
                    }
                    for (const BackedUpSetting& setting : kBackedUpSettings)
                        restored += std::string(", ") + setting.key + ":" + std::to_string(parserPtr->Read(setting));
                    LOGE("%s", restored.c_str());
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
    app_control_h appControl = GetCompletedAppControl(__func__, backupRestoreMain, user_data);

    // The agent picks the restored settings up whatever the library reported.
    auto appLauncher = AppLauncher::Make();
    if (!appLauncher || appLauncher->RequestNotifyToAgent() != 0)
        LOGE("appLauncher->RequestNotifyToAgent() failed");

    EndRequest(backupRestoreMain, appControl);
}

bool ScenGetInfo::RegisterCallbacks(const char* func,
                                    const std::shared_ptr<BackupRestoreController>& backupRestoreControllerPtr)
{
    bool registered = false;
    do {
        BREAK_IF_AT(func, velurio_cloud_backup_record_set_preparation_cb(GetInfoPrepareCb, (void*)this) !=
                              VELURIO_CLOUD_ERROR_NONE);
        BREAK_IF_AT(func, velurio_cloud_backup_record_set_sending_keys_and_dates_cb(
                              GetInfoGetKeysDatesCb, (void*)this) != VELURIO_CLOUD_ERROR_NONE);
        BREAK_IF_AT(func, velurio_cloud_backup_record_set_completed_cb(
                              GetInfoCompletedCb, (void*)backupRestoreControllerPtr.get()) != VELURIO_CLOUD_ERROR_NONE);
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
    SendKeysAndDates(__func__);
}

void ScenGetInfo::GetInfoCompletedCb(int success, void* user_data)
{
    if (success)
        LOGE("GetInfoCompletedCb() SUCCEEDED\n");
    else
        LOGE("GetInfoCompletedCb() FAILED\n");

    BackupRestoreMain* backupRestoreMain = BackupRestoreMain::GetInstance();
    app_control_h appControl = GetCompletedAppControl(__func__, backupRestoreMain, user_data);
    EndRequest(backupRestoreMain, appControl);
}

} // namespace NSWeatherService
