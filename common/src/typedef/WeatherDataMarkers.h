#ifndef WEATHER_COMMON_WEATHER_DATA_MARKERS_H
#define WEATHER_COMMON_WEATHER_DATA_MARKERS_H

#include <cstdint>

// What the weather texts and values answer when a provider did not supply a
// value. The names are the ones the guard lines quote ("value ==
// UNSUPPORTED_VALUE"), so a guard written with them logs the expected text.
constexpr int32_t UNSUPPORTED_VALUE = 9999;
constexpr double FLOAT_UNSUPPORTED_VALUE = 9999.0;
constexpr const char* UNSUPPORTED_TEXT = "9999";
// Some providers send the marker negated; it means the same.
constexpr const char* UNSUPPORTED_TEXT_NEGATIVE = "-9999";

#endif
