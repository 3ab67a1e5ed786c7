#ifndef WEATHER_COMMON_UNSUPPORTED_H
#define WEATHER_COMMON_UNSUPPORTED_H

#include <cstdint>

// Markers of a value that the content provider does not supply, in memory and
// in the weather database. Texts are left empty, except the wind cardinal
// directions, which carry the marker as text.
constexpr int32_t UNSUPPORTED_VALUE = 9999;
constexpr double UNSUPPORTED_DOUBLE_VALUE = 9999.0;
constexpr const char* UNSUPPORTED_TEXT_VALUE = "9999";

#endif
