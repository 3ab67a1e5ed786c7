#ifndef WEATHERCTL_CITY_FILE_H
#define WEATHERCTL_CITY_FILE_H

// The weatherctl city file: cities with their current, daily, hourly,
// yesterday, life-index and moon-phase records as JSON (README, "weatherctl").
// Reading checks the whole text before it builds anything the caller could
// write, so a refused file writes nothing.

#include <string>

#include "typedef/City.h"

namespace weatherctl {

// On success fills `cities` (in file order) and returns true; otherwise
// `error` names the member and its position, e.g.
// "cities[1].hourly[3].hour: 4294967296 is outside 0..4294967295".
bool ReadCityFile(const std::string& text, CityPtrVector& cities, std::string& error);

// The same format, every member written, in a fixed order.
std::string WriteCityFile(const CityPtrVector& cities);

} // namespace weatherctl

#endif
