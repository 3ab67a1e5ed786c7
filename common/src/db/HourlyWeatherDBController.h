#ifndef WEATHER_COMMON_HOURLY_WEATHER_DB_CONTROLLER_H
#define WEATHER_COMMON_HOURLY_WEATHER_DB_CONTROLLER_H

#include "db/HourlyRowsDBController.h"
#include "utils/Pattern.h"

// HOURLY_WEATHER_TABLE of the weather database: a city's hourly forecast.
class HourlyWeatherDBController : public HourlyRowsDBController {
public:
    DECLARE_SINGLETON(HourlyWeatherDBController);
    ~HourlyWeatherDBController() override = default;

private:
    HourlyWeatherDBController();
};

#endif
