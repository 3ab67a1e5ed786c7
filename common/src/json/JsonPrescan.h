#ifndef WEATHER_COMMON_JSON_PRESCAN_H
#define WEATHER_COMMON_JSON_PRESCAN_H

#include <cstddef>
#include <string>

// One linear pass over a JSON text before JSON-GLib sees it. It refuses what
// that parser would mishandle instead of rejecting: nesting deeper than
// maxDepth (its recursion has no limit and would exhaust the stack) and
// integer literals that it reads wrongly (beyond 64 bits it wraps silently,
// a leading zero makes octal, "0x" makes hex). Strings and their escapes are
// skipped. Returns the reason for a refusal, or "" when the text may be parsed.
std::string JsonPrescan(const char* data, size_t length, int maxDepth);

#endif
