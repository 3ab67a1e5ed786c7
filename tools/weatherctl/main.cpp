// weatherctl: loads weather cities into the device from a JSON file, writes
// them back out, and shows what a watch would show for them. Everything goes
// through the data layer, as the weather applications' own code does.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <glib.h>
#include <json-glib/json-glib.h>

#include <device/host.h>
#include <device/unique_fd.h>

#include "CityFile.h"
#include "Render.h"
#include "ToolText.h"
#include "WatchView.h"
#include "db/DBConnector.h"
#include "db/SqliteProcess.h"
#include "db/WeatherDBController.h"
#include "typedef/DataManager.h"
#include "utils/PreferenceHelper.h"

namespace {

// The weather application owns the weather database; the tool acts as it.
constexpr const char* kWeatherAppId = "com.velurio.weather";

enum Exit { kExitOk = 0, kExitRefused = 1, kExitUsage = 2, kExitNoCity = 3, kExitDatabase = 4, kExitBusy = 5 };

// Far above any real city file; a larger file is refused before it is read.
constexpr size_t kMaxFileBytes = 64u << 20;

void Usage(FILE* out)
{
    std::fputs(_("usage: weatherctl [--json] COMMAND [ARGS]\n"), out);
    std::fputs(_("  import FILE     replace the device's cities with those of a city file\n"
                 "  export          write the device's cities as a city file\n"
                 "  list            the cities: position, id, name, local time, temperature, condition\n"
                 "  show [CITY]     everything a watch shows for a city (location id or list\n"
                 "                  position; default: every city)\n"
                 "Texts follow the device's language, provider, temperature unit and 12/24-hour key.\n"
                 "FILE is a regular file of at most 64 MiB, or - for standard input.\n"
                 "Exit: 0 done, 1 city file refused, 2 usage or local error, 3 no such city,\n"
                 "4 the weather database refused the write; after 1, 2 and 4 nothing was changed.\n"
                 "The device root is $WEATHER_DEVICE_ROOT, else $HOME/.weather-device.\n"),
               out);
    std::fputs(_("  render [--lang LANG[,LANG...]] [-o FILE] [CITY]\n"
                 "                  the watch screens of a city (default: every city) as one HTML\n"
                 "                  page (default weather-faces.html), in each language side by side\n"
                 "                  (ko_KR or ko_KR.UTF-8; default: the device's); the device's\n"
                 "                  language stays as it is; exit codes as show's\n"
                 "  render --section [CITY]\n"
                 "                  only the page's part in the device's language, as render draws\n"
                 "                  each language\n"),
               out);
    std::fputs(_("Exit 5: the weather databases stayed locked by another process past the wait;\n"
                 "nothing was read.\n"),
               out);
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

const char* KindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return _("a directory");
    if (S_ISFIFO(mode))
        return _("a FIFO");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return _("a device");
    if (S_ISSOCK(mode))
        return _("a socket");
    return _("not a regular file");
}

// A regular file, or standard input for "-". The open never waits for a
// FIFO's writer, and no more than the limit is ever read.
bool ReadInput(const std::string& path, std::string& text, std::string& error)
{
    const bool standardInput = path == "-";
    device::UniqueFd owned(standardInput ? -1 : open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    const int fd = standardInput ? STDIN_FILENO : owned.Get();
    const std::string name = standardInput ? _("standard input") : path;
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0) {
        error = tools::Format(_("cannot read %s: %s"), name.c_str(), std::strerror(errno));
        return false;
    }
    if (!standardInput && !S_ISREG(info.st_mode)) {
        error = tools::Format(_("cannot read %s: %s, not a regular file"), name.c_str(), KindOf(info.st_mode));
        return false;
    }
    if (S_ISREG(info.st_mode) && static_cast<unsigned long long>(info.st_size) > kMaxFileBytes) {
        error = tools::Format(_("cannot read %s: larger than 64 MiB"), name.c_str());
        return false;
    }
    if (!standardInput)
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    text.clear();
    char buffer[65536];
    while (true) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = tools::Format(_("cannot read %s: %s"), name.c_str(), std::strerror(errno));
            return false;
        }
        if (got == 0)
            return true;
        if (text.size() + static_cast<size_t>(got) > kMaxFileBytes) {
            error = tools::Format(_("cannot read %s: larger than 64 MiB"), name.c_str());
            return false;
        }
        text.append(buffer, static_cast<size_t>(got));
    }
}

// The tools' reads load through the read path: the settings row is never
// written back, so a change another process makes meanwhile stays. Null
// when a read gave up on a database another process kept locked: the data
// layer answers such a read like an empty one.
DataManager* OpenData()
{
    const unsigned busyBefore = DBConnector::DBBusyGiveUps();
    DataManager* dataManager = DataManager::GetInstance();
    dataManager->InitializeDB();
    // An import killed mid-write leaves a hot journal that the read-only
    // openings of a read cannot roll back: the tool does it once, here.
    WeatherDBController::GetInstance()->RollBackInterruptedWrite();
    dataManager->LoadDataForReading();
    return DBConnector::DBBusyGiveUps() == busyBefore ? dataManager : nullptr;
}

int Busy(bool json)
{
    PrintError(json, _("the weather databases stayed locked by another process (an import?) past the wait; "
                       "nothing was read, try again"));
    return kExitBusy;
}

bool SameCities(const CityPtrVector& expected, const CityPtrVectorPtr& stored)
{
    return weatherctl::SameCities(expected, stored ? *stored : CityPtrVector());
}

int Import(const std::string& path, bool json)
{
    std::string text;
    std::string error;
    if (!ReadInput(path, text, error)) {
        PrintError(json, error);
        return kExitUsage;
    }
    CityPtrVector cities;
    // The whole file is checked before the database is even opened.
    if (!weatherctl::ReadCityFile(text, cities, error)) {
        PrintError(json, (path == "-" ? std::string(_("standard input")) : path) + ": " + error);
        return kExitRefused;
    }
    std::string().swap(text); // the cities hold all of it now
    DataManager::GetInstance()->InitializeDB();
    // The file's icons are common icon numbers, as the weather agent stores
    // them once it has converted; the first show then draws what later ones do.
    PreferenceHelper::GetInstance()->SetIsWeatherIconConvertedToCommonResource(true);

    WeatherDBController* weatherDB = WeatherDBController::GetInstance();
    std::string why;
    if (!weatherDB->ReplaceAllCity(
            cities, [&cities](const CityPtrVectorPtr& stored) { return SameCities(cities, stored); }, why)) {
        PrintError(json,
                   tools::Format(_("the weather database refused the write (%s); nothing was changed"), why.c_str()));
        return kExitDatabase;
    }
    // The set was read back whole before the commit, and a refused commit
    // rolls back and says so; a count tells that nothing was lost after it.
    if (weatherDB->GetNumberOfCities() != static_cast<int>(cities.size())) {
        PrintError(json, _("the weather database refused to commit the cities (see the device log); nothing was "
                           "changed"));
        return kExitDatabase;
    }
    const size_t count = cities.size();
    if (json)
        std::printf("{\"imported\":%zu}\n", count);
    else
        std::printf(P_("imported %zu city\n", "imported %zu cities\n", count), count);
    return kExitOk;
}

int Export(bool json)
{
    DataManager* dataManager = OpenData();
    if (!dataManager)
        return Busy(json);
    CityPtrVectorPtr cities = dataManager->GetCityPtrVector();
    std::fputs(weatherctl::WriteCityFile(cities ? *cities : CityPtrVector()).c_str(), stdout);
    return kExitOk;
}

} // namespace

int main(int argc, char** argv)
{
    // A write past a file size limit fails with EFBIG, which an import rolls
    // back, rather than killing the tool in the middle.
    std::signal(SIGXFSZ, SIG_IGN);
    ConfigureSqliteForOneThreadPerConnection();
    g_setenv(device::kAppIdEnv, kWeatherAppId, TRUE);
    // Every word in the device's language, once there is a device: --help
    // and a refused command line never create one.
    if (g_file_test(device::Root().c_str(), G_FILE_TEST_IS_DIR))
        weatherctl::PrepareLocale();

    bool json = false;
    // render's options.
    bool section = false;
    bool pageOption = false;
    std::string output = "weather-faces.html";
    std::vector<std::string> languages;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--json") {
            json = true;
        } else if (arg == "--section") {
            section = true;
        } else if (arg == "-o" || arg == "--lang" || arg.rfind("--lang=", 0) == 0) {
            std::string value;
            if (arg.rfind("--lang=", 0) == 0) {
                value = arg.substr(7);
            } else if (i + 1 < argc) {
                value = argv[++i];
            } else {
                std::fprintf(stderr, "weatherctl: %s\n", tools::Format(_("%s needs a value"), arg.c_str()).c_str());
                return kExitUsage;
            }
            pageOption = true;
            if (arg == "-o") {
                output = value;
                if (output.empty()) {
                    std::fprintf(stderr, "weatherctl: %s\n", _("-o needs a file name"));
                    return kExitUsage;
                }
                continue;
            }
            gchar** names = g_strsplit(value.c_str(), ",", -1);
            for (gchar** name = names; *name; ++name) {
                std::string language;
                if (!weatherctl::NormaliseLanguage(*name, language)) {
                    std::fprintf(stderr, "weatherctl: %s\n",
                                 tools::Format(_("%s is no language name (e.g. ko_KR or ko_KR.UTF-8)"), *name).c_str());
                    g_strfreev(names);
                    return kExitUsage;
                }
                bool seen = false;
                for (const std::string& earlier : languages)
                    seen = seen || earlier == language;
                if (!seen)
                    languages.push_back(language);
            }
            g_strfreev(names);
        } else if (arg == "-h" || arg == "--help") {
            Usage(stdout);
            return kExitOk;
        } else if (arg.rfind("--", 0) == 0) {
            std::fprintf(stderr, "weatherctl: %s\n", tools::Format(_("unknown option %s"), arg.c_str()).c_str());
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
                       (command == "list" && extra == 0) || (command == "show" && extra <= 1) ||
                       (command == "render" && extra <= 1 && !json && !(section && pageOption));
    if (!known || ((section || pageOption) && command != "render")) {
        Usage(stderr);
        return kExitUsage;
    }
    const bool deviceWasThere = g_file_test(device::Root().c_str(), G_FILE_TEST_IS_DIR);
    if (!device::EnsureDefaultDevice()) {
        PrintError(json, tools::Format(_("cannot set up the device under %s"), device::Root().c_str()));
        return kExitUsage;
    }
    if (!deviceWasThere)
        weatherctl::PrepareLocale();
    if (command == "import")
        return Import(args[1], json);
    if (command == "export")
        return Export(json);
    const std::string city = extra == 1 ? args[1] : std::string();
    if (command == "render" && !section) {
        switch (weatherctl::RenderPage(languages, city, output)) {
        case weatherctl::RenderResult::kWritten:
            return kExitOk;
        case weatherctl::RenderResult::kNoSuchCity:
            return kExitNoCity;
        case weatherctl::RenderResult::kLocalError:
            break;
        }
        return kExitUsage;
    }

    DataManager* dataManager = OpenData();
    if (!dataManager)
        return Busy(json);
    if (command == "list")
        return weatherctl::List(dataManager, json);
    const int shown =
        command == "render" ? weatherctl::RenderSection(dataManager, city) : weatherctl::Show(dataManager, city, json);
    if (shown == weatherctl::kNoSuchCity) {
        PrintError(json, tools::Format(_("no city %s on the device"), city.c_str()));
        return kExitNoCity;
    }
    return kExitOk;
}
