#ifndef WEATHER_SERVICE_LAUNCH_SCENARIO_H
#define WEATHER_SERVICE_LAUNCH_SCENARIO_H

#include <device/app_control.h>

#include "utils/Ref.h"

// What one launch request does. Launch answers true when the scenario has
// registered its callbacks with the cloud library and replied to the request.
class LaunchScenario : public Ref {
public:
    bool Init() override { return Ref::Init(); }
    ~LaunchScenario() override = default;
    virtual bool Launch(app_control_h appControl) = 0;
};

#endif
