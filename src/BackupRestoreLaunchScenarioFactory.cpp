#include "BackupRestoreLaunchScenarioFactory.h"

#include "BackupRestoreLaunchScenarioReal.h"
#include "CloudOperation.h"

namespace NSWeatherService {

std::shared_ptr<LaunchScenario> BackupRestoreLaunchScenarioFactory::MakeScenario(bool isVelurioAuthor,
                                                                                 const std::string& operation)
{
    if (operation.empty())
        return ScenNone::Make();
    // Only the weather agent's signer may drive the jobs: anyone else gets no reply.
    RETURN_IF(!isVelurioAuthor, ScenNone::Make());

    if (operation == kOperationBackup)
        return ScenBackup::Make();
    if (operation == kOperationRestore)
        return ScenRestore::Make();
    if (operation == kOperationGetInfo)
        return ScenGetInfo::Make();
    return ScenNone::Make();
}

} // namespace NSWeatherService
