#ifndef WEATHER_SERVICE_BACKUP_RESTORE_CONTROLLER_H
#define WEATHER_SERVICE_BACKUP_RESTORE_CONTROLLER_H

#include <device/app_control.h>

#include "utils/Pattern.h"
#include "utils/Ref.h"

namespace NSWeatherService {

// One accepted launch request. Holds the cloned request handle but does not
// own its destruction: BackupRestoreMain::StartServiceTerminateTimer destroys
// the handle when it drops the controller.
class BackupRestoreController : public Ref {
public:
    DECLARE_MAKE(BackupRestoreController)

    bool Init() override;
    ~BackupRestoreController() override = default;
    virtual bool Init(app_control_h appControl);

    app_control_h GetAppControl() const { return mAppControl; }
    void SetAppControl(app_control_h appControl) { mAppControl = appControl; }

private:
    app_control_h mAppControl = nullptr;
};

} // namespace NSWeatherService

#endif
