#include "BackupRestoreLaunchScenarioReal.h"

namespace NSWeatherService {

bool ScenNone::Launch(app_control_h /*appControl*/)
{
    return false;
}

} // namespace NSWeatherService
