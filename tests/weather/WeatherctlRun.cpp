#include "WeatherctlRun.h"

#include <fstream>
#include <sstream>

#include "DeviceFixture.h"

WeatherctlRun Weatherctl(const std::vector<std::string>& args, const std::string& faketimeAt)
{
    std::vector<std::string> command;
    if (!faketimeAt.empty()) {
        command = {"faketime", "-f", "@" + faketimeAt};
    }
    command.push_back(std::string(WEATHER_BUILD_DIR) + "/tools/weatherctl");
    command.insert(command.end(), args.begin(), args.end());
    return test_process::RunTool(command, {"TZ=UTC"});
}

std::string SampleCitiesPath()
{
    return std::string(WEATHER_SOURCE_DIR) + "/tools/weatherctl/samples/sample-cities.json";
}

std::string WeatherDbPath()
{
    return DeviceFixture::Root() + "/apps/com.velurio.weather/shared/data/db/.weather.db";
}

std::string ReadFileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
