// devicectl weather: the device settings that the weather texts, icons and
// city clock depend on, by name, and the city clock as a weather app shows it.

#include "Commands.h"

#include <device/host.h>
#include <device/system_keys.h>
#include <device/vconf.h>

#include <glib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ToolLocale.h"
#include "ToolText.h"
#include "db/IconMappingTable.h"
#include "db/SettingDBController.h"
#include "typedef/CPType.h"
#include "typedef/City.h"
#include "typedef/Current.h"
#include "typedef/WeatherStatus.h"
#include "utils/WeatherImageMapper.h"
#include "typedef/DataManager.h"
#include "typedef/SettingData.h"
#include "utils/PreferenceHelper.h"
#include "utils/TimeHelper.h"

namespace devicectl {

namespace {

// The weather application owns the settings database and, by default, the
// icon preference.
constexpr const char* kWeatherAppId = "com.velurio.weather";
constexpr const char* kIconPreferenceSuffix = "is_weather_icon_converted_to_common_resource";

const char* const kUsage = N_("usage: devicectl weather [--app APP]                 what the weather rules read\n"
                              "       devicectl weather set NAME VALUE [--app APP]\n"
                              "         language TEXT        e.g. ko_KR.UTF-8 (display locale of the apps and tools)\n"
                              "         time-format 12|24\n"
                              "         retail on|off        retail (demonstration) mode\n"
                              "         standalone on|off\n"
                              "         country CODE         e.g. KR, CN, JP, US\n"
                              "         vendor TEXT          host phone vendor (\"LO\" selects the common icons)\n"
                              "         provider NAME        settings' provider: Accuweather, cmaweather, Kweather,\n"
                              "                              weathernews_kr, WeatherNews, TWC, WCN\n"
                              "         common-icons on|off  preference of APP (default com.velurio.weather)\n"
                              "       devicectl weather clock GMT_OFFSET_HOURS [--summer-time]\n"
                              "                              a city's clock as a weather app shows it now\n"
                              "       devicectl weather status PROVIDER_CODE [--night] [--text STORED]\n"
                              "                              condition text and image of a provider's icon code\n");

std::string StringKey(const char* key)
{
    char* value = vconf_get_str(key);
    std::string text = value ? value : "(unset)";
    std::free(value);
    return text;
}

std::string IntKey(const char* key)
{
    int value = 0;
    return vconf_get_int(key, &value) == VCONF_OK ? std::to_string(value) : "(unset)";
}

bool ParseOnOff(const std::string& text, int& value)
{
    if (text == "on" || text == "1")
        value = 1;
    else if (text == "off" || text == "0")
        value = 0;
    else
        return false;
    return true;
}

// The data layer works for the application this process says it is.
void ActAs(const std::string& app)
{
    g_setenv(device::kAppIdEnv, app.c_str(), TRUE);
}

std::shared_ptr<SettingData> LoadSettings()
{
    DataManager::GetInstance()->InitializeDB();
    auto settingData = SettingData::Make();
    settingData->LoadData();
    return settingData;
}

// Read without the helper: an absent preference is reported, not created.
std::string IconPreference(const std::string& app)
{
    for (const auto& key : device::Preferences(app)) {
        const std::string& name = key.key;
        if (name.size() >= std::strlen(kIconPreferenceSuffix) &&
            name.compare(name.size() - std::strlen(kIconPreferenceSuffix), std::string::npos, kIconPreferenceSuffix) ==
                0)
            return key.value;
    }
    return "(unset)";
}

int Show(const std::string& app)
{
    std::printf("language      %s\n", StringKey(SYSKEY_LANGUAGE).c_str());
    std::printf("time-format   %s (1: 12-hour, absent: 12-hour, other: 24-hour)\n",
                IntKey(SYSKEY_TIME_FORMAT_1224).c_str());
    std::printf("retail        %s (1: on)\n", IntKey(SYSKEY_RETAIL_MODE_ENABLED).c_str());
    std::printf("standalone    %s\n", IntKey(SYSKEY_STANDALONE).c_str());
    std::printf("country       %s\n", StringKey(SYSKEY_COUNTRY_ISO).c_str());
    std::printf("vendor        %s\n", StringKey(SYSKEY_HOST_VENDOR).c_str());
    std::printf("provider      %s (settings)\n", LoadSettings()->GetCpType().c_str());
    std::printf("common-icons  %s (preference of %s)\n", IconPreference(app).c_str(), app.c_str());
    return 0;
}

bool ValidAppId(const std::string& app)
{
    if (app.empty())
        return false;
    for (char c : app)
        if (!g_ascii_isalnum(c) && c != '.' && c != '-' && c != '_')
            return false;
    return true;
}

int Fail(const char* text, const std::string& value)
{
    std::fprintf(stderr, "devicectl: %s %s\n", text, value.c_str());
    return 2;
}

int Set(const std::string& app, const std::string& name, const std::string& value)
{
    int flag = 0;
    int ret = VCONF_OK;
    if (name == "language") {
        if (value.empty())
            return Fail(_("empty language"), value);
        ret = vconf_set_str(SYSKEY_LANGUAGE, value.c_str());
    } else if (name == "time-format") {
        if (value != "12" && value != "24")
            return Fail(_("time-format is 12 or 24, not"), value);
        ret = vconf_set_int(SYSKEY_TIME_FORMAT_1224, value == "12" ? 1 : 0);
    } else if (name == "retail" || name == "standalone") {
        if (!ParseOnOff(value, flag))
            return Fail(_("expected on or off, not"), value);
        ret = vconf_set_int(name == "retail" ? SYSKEY_RETAIL_MODE_ENABLED : SYSKEY_STANDALONE, flag);
    } else if (name == "country") {
        ret = vconf_set_str(SYSKEY_COUNTRY_ISO, value.c_str());
    } else if (name == "vendor") {
        ret = vconf_set_str(SYSKEY_HOST_VENDOR, value.c_str());
    } else if (name == "provider") {
        auto names = CPType::GetInstance()->GetCPTypeList();
        bool known = value == "weathernews_kr";
        for (const auto& known_name : *names)
            known = known || known_name == value;
        if (!known)
            return Fail(_("unknown provider"), value);
        LoadSettings()->SetCpType(value);
        // The data layer only logs a failed write: the stored row tells.
        std::shared_ptr<Setting> stored = SettingDBController::GetInstance()->Select();
        if (!stored || stored->GetCpType() != value)
            ret = VCONF_ERROR;
    } else if (name == "common-icons") {
        if (!ParseOnOff(value, flag))
            return Fail(_("expected on or off, not"), value);
        PreferenceHelper::GetInstance()->SetIsWeatherIconConvertedToCommonResource(flag == 1);
        if (IconPreference(app) != (flag == 1 ? "true" : "false"))
            ret = VCONF_ERROR;
    } else {
        return Fail(_("unknown setting"), name);
    }
    if (ret != VCONF_OK) {
        std::fprintf(stderr, _("devicectl: cannot set %s (%d)\n"), name.c_str(), ret);
        return 1;
    }
    return 0;
}

// What a weather app does at start (load, which decides the provider), then
// the city clock of a city at that offset.
int Clock(const std::string& offsetText, bool summerTime)
{
    char* end = nullptr;
    double offset = std::strtod(offsetText.c_str(), &end);
    if (offsetText.empty() || *end != '\0' || offset < -24 || offset > 24)
        return Fail(_("GMT offset in hours between -24 and 24, not"), offsetText);
    DataManager* dataManager = DataManager::GetInstance();
    dataManager->InitializeDB();
    dataManager->LoadDataForReading();
    auto city = City::Make();
    city->SetGmtOffset(offset);
    city->SetIsSummerTime(summerTime);
    TimeHelper* timeHelper = TimeHelper::GetInstance();
    const char* lcTime = std::getenv("LC_TIME");
    std::printf("provider      %s (%d)\n", CPType::GetInstance()->GetCPTypeString().c_str(),
                CPType::GetInstance()->GetCPType());
    std::printf("LC_TIME       %s\n", lcTime ? lcTime : "(unset)");
    std::printf("short         %s\n", timeHelper->GetLocalTimeString(city).c_str());
    std::printf("long          %s\n", timeHelper->GetLocalTimeStringLong(city).c_str());
    return 0;
}

// The current weather of a city with that provider code (and stored text) as
// a weather app shows it: status texts, common icon number and image names.
int Status(const std::string& codeText, bool isDay, const std::string& stored)
{
    char* end = nullptr;
    long code = std::strtol(codeText.c_str(), &end, 10);
    if (codeText.empty() || *end != '\0' || code < INT32_MIN || code > INT32_MAX)
        return Fail(_("provider icon code expected, not"), codeText);
    tools::UseDeviceLocale();
    DataManager* dataManager = DataManager::GetInstance();
    dataManager->InitializeDB();
    dataManager->LoadDataForReading();
    auto city = City::Make();
    auto current = Current::Make();
    current->SetServerWeatherIcon(static_cast<int32_t>(code));
    current->SetWeatherStatus(stored);
    city->SetCurrent(current);
    auto status = WeatherStatus::Make();
    int32_t iconNum = IconMappingTable::Make()->GetMappingIconNum(static_cast<int32_t>(code), isDay);
    auto images = WeatherImageMapper::Make();
    std::printf("provider      %s (%d)\n", CPType::GetInstance()->GetCPTypeString().c_str(),
                CPType::GetInstance()->GetCPType());
    std::printf("status        %s\n", status->GetMappingString(city, isDay).c_str());
    std::printf("simple        %s\n", status->GetMappingSimpleString(city, isDay).c_str());
    std::printf("icon          %d\n", iconNum);
    std::printf("image         %s\n", images->GetImageName(iconNum, 360, 360).c_str());
    std::printf("simple-image  %s\n", images->GetSimpleImageName(iconNum, isDay).c_str());
    return 0;
}

} // namespace

int Weather(const Args& args)
{
    // The offset of "clock" may be negative: take it before the options.
    Args rest = args;
    std::string offset;
    if (rest.size() >= 2 && (rest[0] == "clock" || rest[0] == "status")) {
        offset = rest[1];
        rest.erase(rest.begin() + 1);
    }
    ParsedArgs parsed = ParseArgs(rest, {"--app", "--text"}, {"--summer-time", "--night"});
    const auto& pos = parsed.positional;
    const std::string app = parsed.Get("--app", kWeatherAppId);
    if (!parsed.error.empty() || !ValidAppId(app)) {
        std::fputs(_(kUsage), stderr);
        return 2;
    }
    ActAs(app);
    if (pos.empty())
        return Show(app);
    if (pos[0] == "set" && pos.size() == 3)
        return Set(app, pos[1], pos[2]);
    if (pos[0] == "clock" && pos.size() == 1 && !offset.empty())
        return Clock(offset, parsed.Has("--summer-time"));
    if (pos[0] == "status" && pos.size() == 1 && !offset.empty())
        return Status(offset, !parsed.Has("--night"), parsed.Get("--text"));
    std::fputs(_(kUsage), stderr);
    return 2;
}

} // namespace devicectl
