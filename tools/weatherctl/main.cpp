// weatherctl: loads weather cities into the device from a JSON file, writes
// them back out, and shows what a watch would show for them. Everything goes
// through the data layer, as the weather applications' own code does.

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <glib.h>
#include <json-glib/json-glib.h>

#include <device/host.h>

#include "CityFile.h"
#include "WatchView.h"
#include "typedef/DataManager.h"

namespace {

// The weather application owns the weather database; the tool acts as it.
constexpr const char* kWeatherAppId = "com.velurio.weather";

enum Exit { kExitOk = 0, kExitRefused = 1, kExitUsage = 2, kExitNoCity = 3 };

void Usage(FILE* out)
{
    std::fprintf(out, "usage: weatherctl [--json] COMMAND [ARGS]\n"
                      "  import FILE     replace the device's cities with those of a city file\n"
                      "  export          write the device's cities as a city file\n"
                      "  list            the cities: position, id, name, local time, temperature, condition\n"
                      "  show [CITY]     everything a watch shows for a city (location id or list\n"
                      "                  position; default: every city)\n"
                      "Texts follow the device's language, provider, temperature unit and 12/24-hour key.\n"
                      "Exit: 0 done, 1 city file refused (nothing written), 2 usage or local error,\n"
                      "3 no such city.\n"
                      "The device root is $WEATHER_DEVICE_ROOT, else $HOME/.weather-device.\n");
}

void PrintError(bool json, const std::string& message)
{
    if (json) {
        g_autoptr(JsonBuilder) builder = json_builder_new();
        json_builder_begin_object(builder);
        json_builder_set_member_name(builder, "error");
        json_builder_add_string_value(builder, message.c_str());
        json_builder_end_object(builder);
        g_autoptr(JsonNode) root = json_builder_get_root(builder);
        g_autofree gchar* text = json_to_string(root, FALSE);
        std::printf("%s\n", text);
    }
    std::fprintf(stderr, "weatherctl: %s\n", message.c_str());
}

bool ReadWholeFile(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return !in.bad();
}

DataManager* OpenData()
{
    DataManager* dataManager = DataManager::GetInstance();
    dataManager->InitializeDB();
    dataManager->LoadData();
    return dataManager;
}

int Import(const std::string& path, bool json)
{
    std::string text;
    if (!ReadWholeFile(path, text)) {
        PrintError(json, "cannot read " + path);
        return kExitUsage;
    }
    CityPtrVector cities;
    std::string error;
    // The whole file is checked before the database is even opened.
    if (!weatherctl::ReadCityFile(text, cities, error)) {
        PrintError(json, path + ": " + error);
        return kExitRefused;
    }
    DataManager* dataManager = OpenData();
    dataManager->SetCityPtrVector(std::make_shared<CityPtrVector>(cities));
    // Moon phases are not part of a city's insert: drop the rows of cities
    // that are gone, then write each city's own.
    dataManager->DeleteUselessMoonPhase();
    for (const CityPtr& city : cities)
        dataManager->UpdateMoonPhase(city);
    dataManager->LoadData();
    const size_t stored = dataManager->GetCityPtrVector() ? dataManager->GetCityPtrVector()->size() : 0;
    if (stored != cities.size()) {
        PrintError(json, "the weather database kept " + std::to_string(stored) + " of " +
                             std::to_string(cities.size()) + " cities (see the device log)");
        return kExitUsage;
    }
    if (json)
        std::printf("{\"imported\":%zu}\n", stored);
    else
        std::printf("imported %zu cit%s\n", stored, stored == 1 ? "y" : "ies");
    return kExitOk;
}

int Export()
{
    DataManager* dataManager = OpenData();
    CityPtrVectorPtr cities = dataManager->GetCityPtrVector();
    std::fputs(weatherctl::WriteCityFile(cities ? *cities : CityPtrVector()).c_str(), stdout);
    return kExitOk;
}

} // namespace

int main(int argc, char** argv)
{
    g_setenv(device::kAppIdEnv, kWeatherAppId, TRUE);

    bool json = false;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--json") {
            json = true;
        } else if (arg == "-h" || arg == "--help") {
            Usage(stdout);
            return kExitOk;
        } else if (arg.rfind("--", 0) == 0) {
            std::fprintf(stderr, "weatherctl: unknown option %s\n", arg.c_str());
            Usage(stderr);
            return kExitUsage;
        } else {
            args.push_back(arg);
        }
    }
    if (args.empty()) {
        Usage(stderr);
        return kExitUsage;
    }
    const std::string& command = args[0];
    const size_t extra = args.size() - 1;
    const bool known = (command == "import" && extra == 1) || (command == "export" && extra == 0) ||
                       (command == "list" && extra == 0) || (command == "show" && extra <= 1);
    if (!known) {
        Usage(stderr);
        return kExitUsage;
    }
    if (!device::EnsureDefaultDevice()) {
        PrintError(json, "cannot set up the device under " + device::Root());
        return kExitUsage;
    }
    if (command == "import")
        return Import(args[1], json);
    if (command == "export")
        return Export();

    weatherctl::PrepareLocale();
    DataManager* dataManager = OpenData();
    if (command == "list")
        return weatherctl::List(dataManager, json);
    const std::string city = extra == 1 ? args[1] : std::string();
    if (weatherctl::Show(dataManager, city, json) == weatherctl::kNoSuchCity) {
        PrintError(json, "no city " + city + " on the device");
        return kExitNoCity;
    }
    return kExitOk;
}
