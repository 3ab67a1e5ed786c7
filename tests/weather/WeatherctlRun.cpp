#include "WeatherctlRun.h"

#include <glib.h>
#include <sys/wait.h>

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
    std::vector<char*> argv;
    for (std::string& a : command) argv.push_back(a.data());
    argv.push_back(nullptr);

    gchar** env = g_get_environ();
    env = g_environ_setenv(env, "TZ", "UTC", TRUE);
    WeatherctlRun run;
    gchar* out = nullptr;
    gchar* err = nullptr;
    gint wait = 0;
    if (g_spawn_sync(nullptr, argv.data(), env, G_SPAWN_SEARCH_PATH, nullptr, nullptr, &out, &err, &wait, nullptr)) {
        run.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
        run.out = out ? out : "";
        run.err = err ? err : "";
    }
    g_free(out);
    g_free(err);
    g_strfreev(env);
    return run;
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
