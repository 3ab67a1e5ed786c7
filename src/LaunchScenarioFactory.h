#ifndef WEATHER_SERVICE_LAUNCH_SCENARIO_FACTORY_H
#define WEATHER_SERVICE_LAUNCH_SCENARIO_FACTORY_H

#include <memory>
#include <string>

#include "LaunchScenario.h"
#include "utils/Ref.h"

class LaunchScenarioFactory : public Ref {
public:
    bool Init() override { return Ref::Init(); }
    ~LaunchScenarioFactory() override = default;
    virtual std::shared_ptr<LaunchScenario> MakeScenario(bool isVelurioAuthor, const std::string& operation) = 0;
};

#endif
