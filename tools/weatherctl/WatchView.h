#ifndef WEATHERCTL_WATCH_VIEW_H
#define WEATHERCTL_WATCH_VIEW_H

// What a watch shows for the device's cities, read through the data
// manager's queries in the device's language, provider, unit and 12/24-hour
// setting.

#include <string>

class DataManager;

namespace weatherctl {

// Makes this process speak the device's language: locale environment from
// the language key, and the "weather" catalogue of the weather package.
void PrepareLocale();

// One line (or JSON object) per city. Returns the exit status.
int List(DataManager* dataManager, bool json);

// Every text of one city (location id or list position), or of every city
// when city is empty. Returns kNoSuchCity when the city is not on the device.
constexpr int kNoSuchCity = -1;
int Show(DataManager* dataManager, const std::string& city, bool json);

} // namespace weatherctl

#endif
