#ifndef WEATHER_COMMON_JSON_PRESCAN_H
#define WEATHER_COMMON_JSON_PRESCAN_H

#include <cstddef>
#include <string>

// One linear pass over a JSON text that measures its nesting as JSON-GLib's
// scanner reads it: brackets inside strings (double-quoted with escapes,
// single-quoted without) and /* */ comments do not count. Returns the reason
// for a refusal (nesting deeper than maxDepth), or "" when the text may be
// handed to the parser.
std::string JsonPrescan(const char* data, size_t length, int maxDepth);

#endif
