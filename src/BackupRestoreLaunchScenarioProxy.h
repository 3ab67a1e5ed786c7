#ifndef WEATHER_SERVICE_BACKUP_RESTORE_LAUNCH_SCENARIO_PROXY_H
#define WEATHER_SERVICE_BACKUP_RESTORE_LAUNCH_SCENARIO_PROXY_H

#include <string>

#include "LaunchScenario.h"
#include "utils/Pattern.h"

namespace NSWeatherService {

// Lives for one AppControl call: reads the request's operation and caller,
// checks the caller's certificate and launches the scenario the factory picks.
class BackupRestoreLaunchScenarioProxy : public LaunchScenario {
public:
    DECLARE_MAKE(BackupRestoreLaunchScenarioProxy)

    bool Init() override;
    ~BackupRestoreLaunchScenarioProxy() override = default;
    bool Launch(app_control_h appControl) override;

    void PrepareLaunch(app_control_h appControl);
    bool CheckVelurioAuthor();

    const std::string& GetOperation() const { return mOperation; }
    const std::string& GetAppId() const { return mAppId; }

    // Internal operation name of a request operation; "NONE" for null or unknown.
    static std::string MapOperation(const char* operation);

private:
    app_control_h mAppControl = nullptr;
    std::string mAppId;
    std::string mOperation;
};

} // namespace NSWeatherService

#endif
