#ifndef WEATHER_SERVICE_BACKUP_RESTORE_LAUNCH_SCENARIO_REAL_H
#define WEATHER_SERVICE_BACKUP_RESTORE_LAUNCH_SCENARIO_REAL_H

#include <memory>

#include <device/cloud.h>

#include "LaunchScenario.h"
#include "utils/Pattern.h"

namespace NSWeatherService {

// Serves no operation: the request gets no reply and the service ends.
class ScenNone : public LaunchScenario {
public:
    DECLARE_MAKE(ScenNone)
    ~ScenNone() override = default;
    bool Launch(app_control_h appControl) override;
};

class BackupRestoreController;
class BackupRestoreMain;

// The callbacks below are driven by the cloud library on the main loop. The
// preparation/keys/path/record ones get the scenario as user data (tested for
// null only: the scenario is gone by then); the completed ones get the
// request's BackupRestoreController.

// What the backup, restore and get-info scenarios share: the launch sequence
// and the bodies of their common callbacks.
class CloudLaunchScenario : public LaunchScenario {
public:
    ~CloudLaunchScenario() override = default;
    // Finds the request's controller, creates the reply, registers the
    // scenario's callbacks, replies success; the reply is destroyed whatever
    // happened.
    bool Launch(app_control_h appControl) override;

protected:
    // Registers the scenario's callbacks in its order; the completed one gets
    // the request's controller as user data.
    // Its guards are logged in the name of func, the launching operation.
    virtual bool RegisterCallbacks(const char* func,
                                   const std::shared_ptr<BackupRestoreController>& backupRestoreControllerPtr) = 0;

    // Offers the one backup record, dated now, to the library; failures are
    // logged in the name of func, the keys callback.
    static void SendKeysAndDates(const char* func);
    // The handle of the request a completed callback reports (its user data
    // is the controller); null when the controller is missing or already
    // dropped. Its guards are logged in the name of func, the completed callback.
    static app_control_h GetCompletedAppControl(const char* func, BackupRestoreMain* backupRestoreMain,
                                                void* user_data);
    // Erases the request and lets the service end; without a service
    // instance the service exits at once.
    static void EndRequest(BackupRestoreMain* backupRestoreMain, app_control_h appControl);
};

class ScenBackup : public CloudLaunchScenario {
public:
    DECLARE_MAKE(ScenBackup)
    ~ScenBackup() override = default;

    static void BackupPrepareCb();
    static void BackupGetKeysDatesCb(void* user_data);
    static void BackupRecordCb(velurio_cloud_list_h list, void* user_data);
    static void BackupCompletedCb(int success, void* user_data);

protected:
    bool RegisterCallbacks(const char* func,
                           const std::shared_ptr<BackupRestoreController>& backupRestoreControllerPtr) override;
};

class ScenRestore : public CloudLaunchScenario {
public:
    DECLARE_MAKE(ScenRestore)
    ~ScenRestore() override = default;

    static void RestorePrepareCb();
    static void RestoreGetRestorePathCb();
    static void RestoreRecordCb(const char* path, void* user_data);
    static void RestoreCompletedCb(int success, void* user_data);

protected:
    bool RegisterCallbacks(const char* func,
                           const std::shared_ptr<BackupRestoreController>& backupRestoreControllerPtr) override;
};

class ScenGetInfo : public CloudLaunchScenario {
public:
    DECLARE_MAKE(ScenGetInfo)
    ~ScenGetInfo() override = default;

    static void GetInfoPrepareCb();
    static void GetInfoGetKeysDatesCb(void* user_data);
    static void GetInfoCompletedCb(int success, void* user_data);

protected:
    bool RegisterCallbacks(const char* func,
                           const std::shared_ptr<BackupRestoreController>& backupRestoreControllerPtr) override;
};

} // namespace NSWeatherService

#endif
