#ifndef WEATHER_TEST_WEATHERCTL_RUN_H
#define WEATHER_TEST_WEATHERCTL_RUN_H

// Runs the weatherctl of this build on the test device in UTC, optionally
// under a clock fixed by libfaketime.

#include <string>
#include <vector>

#include "TestProcess.h"

// faketimeAt: "" for the real clock, else an absolute time ("2026-03-15 12:00:00").
test_process::ToolRun Weatherctl(const std::vector<std::string>& args, const std::string& faketimeAt = "");

std::string SampleCitiesPath();
std::string WeatherDbPath();

#endif
