#ifndef WEATHER_SERVICE_BACKUP_RESTORE_LAUNCH_SCENARIO_REAL_H
#define WEATHER_SERVICE_BACKUP_RESTORE_LAUNCH_SCENARIO_REAL_H

#include <device/cloud.h>

#include "LaunchScenario.h"
#include "Pattern.h"

namespace NSWeatherService {

// Serves no operation: the request gets no reply and the service ends.
class ScenNone : public LaunchScenario {
public:
    DECLARE_MAKE(ScenNone)
    ~ScenNone() override = default;
    bool Launch(app_control_h appControl) override;
};

// The callbacks below are driven by the cloud library on the main loop. The
// preparation/keys/path/record ones get the scenario as user data (tested for
// null only: the scenario is gone by then); the completed ones get the
// request's BackupRestoreController.

class ScenBackup : public LaunchScenario {
public:
    DECLARE_MAKE(ScenBackup)
    ~ScenBackup() override = default;
    bool Launch(app_control_h appControl) override;

    static void BackupPrepareCb();
    static void BackupGetKeysDatesCb(void* user_data);
    static void BackupRecordCb(velurio_cloud_list_h list, void* user_data);
    static void BackupCompletedCb(int success, void* user_data);
};

class ScenRestore : public LaunchScenario {
public:
    DECLARE_MAKE(ScenRestore)
    ~ScenRestore() override = default;
    bool Launch(app_control_h appControl) override;

    static void RestorePrepareCb();
    static void RestoreGetRestorePathCb();
    static void RestoreRecordCb(const char* path, void* user_data);
    static void RestoreCompletedCb(int success, void* user_data);
};

class ScenGetInfo : public LaunchScenario {
public:
    DECLARE_MAKE(ScenGetInfo)
    ~ScenGetInfo() override = default;
    bool Launch(app_control_h appControl) override;

    static void GetInfoPrepareCb();
    static void GetInfoGetKeysDatesCb(void* user_data);
    static void GetInfoCompletedCb(int success, void* user_data);
};

} // namespace NSWeatherService

#endif
