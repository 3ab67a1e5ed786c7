#ifndef WEATHER_SERVICE_BACKUP_RESTORE_MAIN_H
#define WEATHER_SERVICE_BACKUP_RESTORE_MAIN_H

#include <memory>
#include <vector>

#include <glib.h>

#include <device/app_control.h>
#include <device/service_app.h>

#include "BackupRestoreController.h"
#include "utils/Pattern.h"

namespace NSWeatherService {

using BackupRestoreControllerPtrVector = std::vector<std::shared_ptr<BackupRestoreController>>;

// The service application: lifecycle callbacks, the list of running requests,
// the CPU lock and the two timers that end the process (1 s after the last
// request finished, or 142 s after the latest request at the latest).
class BackupRestoreMain {
public:
    DECLARE_SINGLETON(BackupRestoreMain);

    virtual bool Init();
    virtual ~BackupRestoreMain();

    static constexpr guint kSelfKillTimeoutSec = 142;
    static constexpr guint kServiceTerminateDelaySec = 1;
    static constexpr int kCpuLockTimeoutMs = 140000;

    // Process entry: registers the callbacks and runs the framework.
    static int Main(int argc, char** argv);

    // Lifecycle callbacks; data is the instance.
    static bool AppCreate(void* data);
    static void AppTerminate(void* data);
    static void AppControl(app_control_h app_control, void* data);
    static void AppLowMemoryCb(app_event_info_h event, void* data);
    static void AppLowBatteryCb(app_event_info_h event, void* data);

    std::shared_ptr<BackupRestoreController> FindBackupRestoreController(app_control_h appControl);
    bool IsListedController(const BackupRestoreController* controller) const;
    void StartServiceTerminateTimer(app_control_h appControl);
    void TerminateService();
    static void SetSelfKillTimer(void* data);
    void BindTextDomain();
    void PrintCurrentAppVersion();

    // Main-loop timer callbacks; both run once.
    static gboolean ServiceTerminateTimerCB(gpointer data);
    static gboolean BackupRestoreSelfKillTimeoutCb(gpointer data);

    // State, for the tests of the timers.
    guint GetServiceTerminateTimer() const { return mServiceTerminateTimer; }
    guint GetSelfKillTimer() const { return mSelfKillTimer; }
    const std::shared_ptr<BackupRestoreControllerPtrVector>& GetBackupRestoreControllerPtrVector() const
    {
        return mBackupRestoreControllerPtrVector;
    }

private:
    BackupRestoreMain() = default;

    guint mServiceTerminateTimer = 0;
    std::shared_ptr<BackupRestoreControllerPtrVector> mBackupRestoreControllerPtrVector;
    guint mSelfKillTimer = 0;
};

} // namespace NSWeatherService

#endif
