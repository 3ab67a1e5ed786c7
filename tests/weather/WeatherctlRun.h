#ifndef WEATHER_TEST_WEATHERCTL_RUN_H
#define WEATHER_TEST_WEATHERCTL_RUN_H

// Runs the weatherctl of this build on the test device, optionally under a
// fixed clock and in a given time zone.

#include <string>
#include <vector>

#include "TestProcess.h"

using WeatherctlRun = test_process::ToolRun;

// faketimeAt: "" for the real clock, else a libfaketime absolute time
// ("2026-03-15 12:00:00"), read in UTC.
WeatherctlRun Weatherctl(const std::vector<std::string>& args, const std::string& faketimeAt = "");

std::string SampleCitiesPath();
std::string WeatherDbPath();
std::string ReadFileText(const std::string& path);

#endif
