#include "WeatherctlRun.h"

#include "DeviceFixture.h"

test_process::ToolRun Weatherctl(const std::vector<std::string>& args, const std::string& faketimeAt)
{
    std::vector<std::string> argv;
    std::vector<std::string> env = {"TZ=UTC"};
    if (!faketimeAt.empty()) {
        argv = {"/usr/bin/faketime", "-f", "@" + faketimeAt};
        // libfaketime is preloaded before the sanitizer runtime of a sanitizer build.
        env.push_back("ASAN_OPTIONS=verify_asan_link_order=0");
    }
    argv.push_back(std::string(WEATHER_BUILD_DIR) + "/tools/weatherctl");
    argv.insert(argv.end(), args.begin(), args.end());
    return test_process::RunTool(argv, env);
}

std::string SampleCitiesPath()
{
    return std::string(WEATHER_SOURCE_DIR) + "/tools/weatherctl/samples/sample-cities.json";
}

std::string WeatherDbPath()
{
    return DeviceFixture::Root() + "/apps/com.velurio.weather/shared/data/db/.weather.db";
}
