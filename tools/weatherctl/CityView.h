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
    bool isRightToLeft = false; // as the language helper answers for the language
};

// The words a watch puts around the values, in the device's language.
struct ViewLabels {
    std::string high, low, rain, hourly, daily, lifeIndex;
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
ViewLabels BuildLabels();
CityView BuildCityView(DataManager* dataManager, const CityPtr& city, const DeviceView& device);

// The cities `city` names (location id or list position; every city when
// empty); false when it names none.
bool SelectCities(DataManager* dataManager, const std::string& city, CityPtrVector& selected);

// A temperature with its unit, "--" when not supplied; a percentage the
// same; a life index's value as shown (the felt temperature with its unit).
std::string Degrees(const std::string& value, const DeviceView& device);
std::string Percent(const std::string& value);
std::string LifeIndexValue(const LifeIndexView& index, const DeviceView& device);
// A stored text as a person may see it: control characters and bytes that
// are not UTF-8 as escapes (\x01, \u0085), never raw.
std::string PrintableText(const std::string& text);

} // namespace weatherctl

#endif
