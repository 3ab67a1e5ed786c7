#ifndef WEATHERCTL_CITY_VIEW_H
#define WEATHERCTL_CITY_VIEW_H

// Every text a watch shows for one city, gathered through the data manager.
// Kept apart from the printing so the benchmark can build the same texts.

#include <string>
#include <vector>

#include "typedef/City.h"

class DataManager;

namespace weatherctl {

struct DeviceView {
    std::string language;
    std::string provider;
    bool isCelsius = true;
    bool is12Hour = false;
};

struct HourView {
    std::string time, icon, temperature, condition;
};

struct DayView {
    std::string weekday, icon, high, low, condition;
};

struct LifeIndexView {
    int type = 0;
    std::string title, value, icon;
};

struct CityView {
    std::string locationId, name, localTime, localTimeLong, condition, icon;
    std::string current, high, low, rainProbability;
    std::vector<HourView> hours; // from the entry that covers the city's time now
    std::vector<DayView> days;
    std::vector<LifeIndexView> lifeIndices; // as GetSupportingLifeIndex selects them
};

DeviceView BuildDeviceView(DataManager* dataManager);
CityView BuildCityView(DataManager* dataManager, const CityPtr& city, const DeviceView& device);

} // namespace weatherctl

#endif
