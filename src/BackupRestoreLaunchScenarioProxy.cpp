#include "BackupRestoreLaunchScenarioProxy.h"

#include <glib.h>

#include <cstring>

#include <device/package_manager.h>
#include <device/service_app.h>

#include "BackupRestoreLaunchScenarioFactory.h"
#include "BackupRestoreMain.h"
#include "CloudOperation.h"

namespace NSWeatherService {

bool BackupRestoreLaunchScenarioProxy::Init()
{
    LaunchScenario::Init();
    mAppControl = nullptr;
    mAppId.clear();
    mOperation.clear();
    return true;
}

std::string BackupRestoreLaunchScenarioProxy::MapOperation(const char* operation)
{
    if (operation == nullptr)
        return kOperationNone;
    // A longer operation that starts with a known URI counts as that URI.
    static const struct {
        const char* uri;
        const char* name;
    } table[] = {
        {kOperationBackupUri, kOperationBackup},
        {kOperationRestoreUri, kOperationRestore},
        {kOperationGetInfoUri, kOperationGetInfo},
    };
    for (const auto& entry : table) {
        if (strncmp(operation, entry.uri, strlen(entry.uri)) == 0)
            return entry.name;
    }
    return kOperationNone;
}

void BackupRestoreLaunchScenarioProxy::PrepareLaunch(app_control_h appControl)
{
    RETURN_IF(appControl == NULL);
    mAppControl = appControl;

    g_autofree char* operation = nullptr;
    if (app_control_get_operation(mAppControl, &operation) != APP_CONTROL_ERROR_NONE)
        LOGE("app_control_get_operation failed");
    mOperation = MapOperation(operation);

    g_autofree char* callerId = nullptr;
    if (app_control_get_caller(mAppControl, &callerId) != APP_CONTROL_ERROR_NONE)
        LOGE("app_control_get_caller failed");
    if (callerId != nullptr)
        mAppId = callerId;

    LOGE("appId:%s, message:%s", callerId ? callerId : "(null)", mOperation.c_str());
}

bool BackupRestoreLaunchScenarioProxy::CheckVelurioAuthor()
{
    RETURN_IF(mAppId.length() < 1, false);

    package_manager_compare_result_type_e compareResult = PACKAGE_MANAGER_COMPARE_MISMATCH;
    int ret = package_manager_compare_app_cert_info(mAppId.c_str(), kWeatherAgentAppId, &compareResult);
    if (ret != PACKAGE_MANAGER_ERROR_NONE) {
        LOGE("package_manager_compare_app_cert_info failed(%s)", mAppId.c_str());
        return false;
    }
    if (compareResult == PACKAGE_MANAGER_COMPARE_MATCH) {
        LOGE("caller(%s) is same author with weather agent", mAppId.c_str());
        return true;
    }
    LOGE("caller(%s) is not same author with weather agent", mAppId.c_str());
    return false;
}

bool BackupRestoreLaunchScenarioProxy::Launch(app_control_h appControl)
{
    PrepareLaunch(appControl);
    bool isVelurioAuthor = CheckVelurioAuthor();

    bool launched = false;
    auto factoryPtr = BackupRestoreLaunchScenarioFactory::Make();
    if (factoryPtr) {
        auto scenarioPtr = factoryPtr->MakeScenario(isVelurioAuthor, mOperation);
        if (scenarioPtr)
            launched = scenarioPtr->Launch(mAppControl);
    }

    if (!launched) {
        BackupRestoreMain* backupRestoreMain = BackupRestoreMain::GetInstance();
        if (backupRestoreMain == nullptr) {
            LOGE("BackupRestoreMain is null");
            service_app_exit();
        } else {
            backupRestoreMain->StartServiceTerminateTimer(appControl);
        }
    }
    return launched;
}

} // namespace NSWeatherService
