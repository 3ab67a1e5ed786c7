#ifndef WEATHERCTL_CITY_FILE_H
#define WEATHERCTL_CITY_FILE_H

// The weatherctl city file: cities with their current, daily, hourly,
// yesterday, life-index and moon-phase records as JSON (README, "weatherctl").
// Reading checks the whole text before it builds anything the caller could
// write, so a refused file writes nothing.

#include <string>

#include "typedef/City.h"

namespace weatherctl {

// A watch keeps a short list: a file of more cities is refused before any
// city is built, so an import never holds the weather database for long.
constexpr size_t kMaxCities = 1000;

// On success fills `cities` (in file order) and returns true; otherwise
// `error` names the member and its position, e.g.
// "cities[1].hourly[3].hour: 4294967296 is outside 0..4294967295".
bool ReadCityFile(const std::string& text, CityPtrVector& cities, std::string& error);

// The same format, every member written, in a fixed order.
std::string WriteCityFile(const CityPtrVector& cities);

// Whether the two lists would be written as the same city file, compared
// value by value without writing either.
bool SameCities(const CityPtrVector& expected, const CityPtrVector& stored);

} // namespace weatherctl

#endif
