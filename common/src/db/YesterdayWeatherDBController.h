#ifndef WEATHER_COMMON_YESTERDAY_WEATHER_DB_CONTROLLER_H
#define WEATHER_COMMON_YESTERDAY_WEATHER_DB_CONTROLLER_H

#include "db/HourlyRowsDBController.h"
#include "utils/Pattern.h"

// YESTERDAY_WEATHER_TABLE of the weather database: a city's hours of yesterday.
class YesterdayWeatherDBController : public HourlyRowsDBController {
public:
    DECLARE_SINGLETON(YesterdayWeatherDBController);
    ~YesterdayWeatherDBController() override = default;

private:
    YesterdayWeatherDBController();
};

#endif
