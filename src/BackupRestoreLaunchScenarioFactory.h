#ifndef WEATHER_SERVICE_BACKUP_RESTORE_LAUNCH_SCENARIO_FACTORY_H
#define WEATHER_SERVICE_BACKUP_RESTORE_LAUNCH_SCENARIO_FACTORY_H

#include "LaunchScenarioFactory.h"
#include "utils/Pattern.h"

namespace NSWeatherService {

// Picks the scenario of an internal operation name. A caller that failed the
// certificate check gets the empty scenario whatever it asked for.
class BackupRestoreLaunchScenarioFactory : public LaunchScenarioFactory {
public:
    DECLARE_MAKE(BackupRestoreLaunchScenarioFactory)

    ~BackupRestoreLaunchScenarioFactory() override = default;
    std::shared_ptr<LaunchScenario> MakeScenario(bool isVelurioAuthor, const std::string& operation) override;
};

} // namespace NSWeatherService

#endif
