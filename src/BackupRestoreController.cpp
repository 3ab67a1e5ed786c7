#include "BackupRestoreController.h"

namespace NSWeatherService {

bool BackupRestoreController::Init()
{
    return Init(nullptr);
}

bool BackupRestoreController::Init(app_control_h appControl)
{
    Ref::Init();
    mAppControl = appControl;
    return true;
}

} // namespace NSWeatherService
