#include <string>

#include <device/service_app.h>

#include "BackupRestoreController.h"
#include "BackupRestoreLaunchScenarioReal.h"
#include "BackupRestoreMain.h"
#include "CloudOperation.h"
#include "utils/StringHelper.h"
#include "utils/TimeHelper.h"

namespace NSWeatherService {

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

        if (!RegisterCallbacks(backupRestoreControllerPtr))
            break;

        BREAK_IF(app_control_reply_to_launch_request(reply, appControl, APP_CONTROL_RESULT_SUCCEEDED) != APP_CONTROL_ERROR_NONE);
        result = true;
    } while (0);

    if (reply != nullptr && app_control_destroy(reply) != APP_CONTROL_ERROR_NONE)
        LOGE("app_control_destroy() failed");
    return result;
}

void CloudLaunchScenario::SendKeysAndDates()
{
    velurio_cloud_list_h list = nullptr;
    CLOUD_CALL(velurio_cloud_list_create, &list);

    std::string date = StringHelper::GetInstance()->Int64ToString(TimeHelper::GetInstance()->GetCurrentTimeMSec());

    velurio_cloud_record_h record = nullptr;
    CLOUD_CALL(velurio_cloud_record_create, &record);
    CLOUD_CALL(velurio_cloud_record_set_key, record, kBackupItemKey);
    CLOUD_CALL(velurio_cloud_record_set_date, record, date.c_str());
    // A record the list did not take is still ours to free.
    if (CLOUD_CALL(velurio_cloud_list_add, list, record) != VELURIO_CLOUD_ERROR_NONE && record != nullptr)
        velurio_cloud_record_destroy(record);

    CLOUD_CALL(velurio_cloud_backup_record_send_keys_and_dates, list, true);
    CLOUD_CALL(velurio_cloud_list_destroy, list);
}

app_control_h CloudLaunchScenario::GetCompletedAppControl(BackupRestoreMain* backupRestoreMain, void* user_data)
{
    BackupRestoreController* controller = static_cast<BackupRestoreController*>(user_data);
    app_control_h appControl = nullptr;
    do {
        BREAK_IF(controller == NULL);
        // A completion reported twice must not touch a controller already dropped.
        BREAK_IF(backupRestoreMain != NULL && !backupRestoreMain->IsListedController(controller));
        appControl = controller->GetAppControl();
        BREAK_IF(appControl == NULL);
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

} // namespace NSWeatherService
