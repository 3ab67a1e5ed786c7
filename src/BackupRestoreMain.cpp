#include "BackupRestoreMain.h"

#include <clocale>
#include <glib.h>
#include <libintl.h>
#include <stdexcept>
#include <string>

#include <device/app_common.h>
#include <device/cloud.h>
#include <device/power.h>
#include <device/trusted_file.h>

#include "BackupRestoreLaunchScenarioProxy.h"
#include "typedef/DataManager.h"
#include "utils/FileHelper.h"
#include "utils/PreferenceHelper.h"
#include "utils/VconfUtilFactory.h"

namespace NSWeatherService {

namespace {
constexpr const char* kTextDomain = "weather";
constexpr const char* kLocaleSuffix = ".utf8";
constexpr const char* kCommonIconHostVendor = "LO";
} // namespace

DEFINE_SINGLETON(BackupRestoreMain)

bool BackupRestoreMain::Init()
{
    mServiceTerminateTimer = 0;
    mSelfKillTimer = 0;
    mBackupRestoreControllerPtrVector = std::make_shared<BackupRestoreControllerPtrVector>();
    return true;
}

BackupRestoreMain::~BackupRestoreMain() = default;

int BackupRestoreMain::Main(int argc, char** argv)
{
    BackupRestoreMain* pThis = GetInstance();

    service_app_lifecycle_callback_s eventCallback = {};
    eventCallback.create = AppCreate;
    eventCallback.terminate = AppTerminate;
    eventCallback.app_control = AppControl;

    app_event_handler_h lowMemoryHandler = nullptr;
    app_event_handler_h lowBatteryHandler = nullptr;
    service_app_add_event_handler(&lowMemoryHandler, APP_EVENT_LOW_MEMORY, AppLowMemoryCb, nullptr);
    service_app_add_event_handler(&lowBatteryHandler, APP_EVENT_LOW_BATTERY, AppLowBatteryCb, nullptr);

    int ret = -1;
    try {
        ret = service_app_main(argc, argv, &eventCallback, pThis);
    } catch (int) {
        LOGE("ui_app_main launch fail");
        ret = -1;
    }

    if (lowMemoryHandler != nullptr)
        service_app_remove_event_handler(lowMemoryHandler);
    if (lowBatteryHandler != nullptr)
        service_app_remove_event_handler(lowBatteryHandler);
    return ret;
}

bool BackupRestoreMain::AppCreate(void* data)
{
    LOGE("AppCreate");
    BackupRestoreMain* pThis = static_cast<BackupRestoreMain*>(data);
    RETURN_IF(pThis == NULL, false);

    DataManager::GetInstance()->InitializeDB();
    DataManager::GetInstance()->LoadData();

    auto vconfUtilPtr = VconfUtilFactory::Make();
    if (vconfUtilPtr) {
        bool isStandalone = vconfUtilPtr->GetIsStandalone();
        std::string hostVendor = vconfUtilPtr->GetHostVendor();
        if (isStandalone || hostVendor == kCommonIconHostVendor)
            PreferenceHelper::GetInstance()->SetIsWeatherIconConvertedToCommonResource(true);
    }

    pThis->BindTextDomain();
    pThis->PrintCurrentAppVersion();
    CLOUD_CALL(velurio_cloud_initialize);
    return true;
}

void BackupRestoreMain::BindTextDomain()
{
    std::string resDirPath = FileHelper::GetInstance()->GetResourceDirectoryPath();
    if (resDirPath.empty()) {
        LOGE("Failed FileHelper::GetInstance()->GetResourceDirectoryPath [resDirPath : %s]", resDirPath.c_str());
        return;
    }

    std::string language;
    auto vconfUtilPtr = VconfUtilFactory::Make();
    if (vconfUtilPtr)
        language = vconfUtilPtr->GetLanguage();
    // "en_US.UTF-8" -> "en_US.utf8"
    std::string locale = language.substr(0, language.find('.')) + kLocaleSuffix;
    setlocale(LC_ALL, locale.c_str());

    std::string localeDirPath = resDirPath + "/locale";
    // gettext opens the catalogues by path: a refused one (a FIFO, a link,
    // another user's file) leaves the domain unbound rather than read.
    const char* bindTextPath = device::KeepTrustedCatalogues(localeDirPath, kTextDomain)
                                   ? bindtextdomain(kTextDomain, localeDirPath.c_str())
                                   : nullptr;
    LOGE("[bindTextPath : %s], [resDirPath : %s] ", bindTextPath ? bindTextPath : "", resDirPath.c_str());
}

void BackupRestoreMain::PrintCurrentAppVersion()
{
    g_autofree char* version = nullptr;
    int ret = app_get_version(&version);
    if (ret != APP_ERROR_NONE)
        LOGE("Failed to get app version [ret : %d]", ret);
    else
        LOGE("[App version : %s]", version ? version : "");
}

void BackupRestoreMain::AppControl(app_control_h app_control, void* data)
{
    LOGE("AppControl");
    BackupRestoreMain* pThis = nullptr;
    std::shared_ptr<BackupRestoreController> backupRestoreControllerPtr;
    app_control_h appControl = nullptr;
    do {
        pThis = GetInstance();
        BREAK_IF(pThis == NULL);
        // Every request works on the settings as they are now on disk.
        DataManager::GetInstance()->LoadData();
        BREAK_IF(app_control == NULL);
        backupRestoreControllerPtr = BackupRestoreController::Make();
        BREAK_IF(!backupRestoreControllerPtr);
        BREAK_IF(app_control_clone(&appControl, app_control) != APP_CONTROL_ERROR_NONE);
        BREAK_IF(appControl == NULL);
        // The controller holds the clone from here until StartServiceTerminateTimer drops it.
        backupRestoreControllerPtr->SetAppControl(appControl);
        pThis->mBackupRestoreControllerPtrVector->push_back(backupRestoreControllerPtr);
    } while (0);

    if (pThis == NULL || !pThis->mBackupRestoreControllerPtrVector || !backupRestoreControllerPtr) {
        LOGE("pThis == NULL || !pThis->mBackupRestoreControllerPtrVector|| !backupRestoreControllerPtr. exit");
        service_app_exit();
        return;
    }

    if (device_power_request_lock(POWER_LOCK_CPU, kCpuLockTimeoutMs) == DEVICE_ERROR_NONE)
        LOGE("device_power_request_lock success");
    else
        LOGE("device_power_request_lock failed");

    SetSelfKillTimer(data);

    auto proxyPtr = BackupRestoreLaunchScenarioProxy::Make();
    if (!proxyPtr || !proxyPtr->Launch(appControl)) {
        LOGE("Launch failed");
        service_app_exit();
    }
}

void BackupRestoreMain::AppTerminate(void* /*data*/)
{
    LOGE("AppTerminate");
    if (device_power_release_lock(POWER_LOCK_CPU) == DEVICE_ERROR_NONE)
        LOGE("device_power_release_lock success");
    else
        LOGE("device_power_release_lock failed");
    CLOUD_CALL(velurio_cloud_deinitialize);
}

void BackupRestoreMain::AppLowMemoryCb(app_event_info_h /*event*/, void* /*data*/)
{
    LOGE("AppLowMemoryCb");
}

void BackupRestoreMain::AppLowBatteryCb(app_event_info_h /*event*/, void* /*data*/)
{
    LOGE("AppLowBatteryCb");
}

std::shared_ptr<BackupRestoreController> BackupRestoreMain::FindBackupRestoreController(app_control_h appControl)
{
    for (const auto& controllerPtr : *mBackupRestoreControllerPtrVector) {
        if (controllerPtr && controllerPtr->GetAppControl() == appControl)
            return controllerPtr;
    }
    return nullptr;
}

bool BackupRestoreMain::IsListedController(const BackupRestoreController* controller) const
{
    for (const auto& controllerPtr : *mBackupRestoreControllerPtrVector) {
        if (controllerPtr.get() == controller)
            return true;
    }
    return false;
}

// Besides arming the timer, this is where a finished request's controller is
// erased from the list and its cloned request destroyed.
void BackupRestoreMain::StartServiceTerminateTimer(app_control_h appControl)
{
    try {
        if (appControl != nullptr && !mBackupRestoreControllerPtrVector->empty()) {
            for (size_t i = 0; i < mBackupRestoreControllerPtrVector->size(); ++i) {
                const auto& controllerPtr = mBackupRestoreControllerPtrVector->at(i);
                if (!controllerPtr || controllerPtr->GetAppControl() != appControl)
                    continue;
                LOGE("there is same appControl. we should erase it from mBackupRestoreControllerPtrVector");
                mBackupRestoreControllerPtrVector->erase(mBackupRestoreControllerPtrVector->begin() + i);
                if (app_control_destroy(appControl) != APP_CONTROL_ERROR_NONE)
                    LOGE("app_control_destroy failed");
                break;
            }
        }
    } catch (const std::out_of_range&) {
        LOGE("exception caught: out of range");
    } catch (const std::exception& e) {
        LOGE("[%s]", e.what());
    }

    if (mServiceTerminateTimer == 0 && mBackupRestoreControllerPtrVector->empty()) {
        LOGE("Start ServiceTerminateTimer. Wait ...");
        mServiceTerminateTimer = g_timeout_add_seconds(kServiceTerminateDelaySec, ServiceTerminateTimerCB, nullptr);
    } else {
        LOGE("Fail to ServiceTerminateTimer, Alreay Timer Exist");
    }
}

void BackupRestoreMain::TerminateService()
{
    LOGE("TerminateService");
    service_app_exit();
}

void BackupRestoreMain::SetSelfKillTimer(void* data)
{
    BackupRestoreMain* pThis = static_cast<BackupRestoreMain*>(data);
    RETURN_IF(pThis == NULL);
    if (pThis->mSelfKillTimer != 0) {
        g_source_remove(pThis->mSelfKillTimer);
        pThis->mSelfKillTimer = 0;
    }
    pThis->mSelfKillTimer = g_timeout_add_seconds(kSelfKillTimeoutSec, BackupRestoreSelfKillTimeoutCb, data);
    LOGE("BackupRestoreMain::SetSelfKillTimer start");
}

gboolean BackupRestoreMain::ServiceTerminateTimerCB(gpointer /*data*/)
{
    BackupRestoreMain* pThis = GetInstance();
    RETURN_IF(pThis == NULL, FALSE);
    if (pThis->mServiceTerminateTimer != 0) {
        g_source_remove(pThis->mServiceTerminateTimer);
        pThis->mServiceTerminateTimer = 0;
    }
    if (pThis->mBackupRestoreControllerPtrVector->empty())
        pThis->TerminateService();
    return FALSE;
}

gboolean BackupRestoreMain::BackupRestoreSelfKillTimeoutCb(gpointer data)
{
    LOGE("BackupRestoreSelfKillTimeoutCb");
    // Returning false ends this source: forget its id so no later re-arm removes a dead id.
    BackupRestoreMain* pThis = static_cast<BackupRestoreMain*>(data);
    GSource* current = g_main_current_source();
    if (pThis != nullptr && current != nullptr && g_source_get_id(current) == pThis->mSelfKillTimer)
        pThis->mSelfKillTimer = 0;
    service_app_exit();
    return FALSE;
}

} // namespace NSWeatherService
