#include "WatchView.h"

#include <clocale>
#include <cstdio>

#include <json-glib/json-glib.h>

#include "CityView.h"
#include "ToolLocale.h"
#include "ToolText.h"
#include "typedef/CPType.h"
#include "typedef/DataManager.h"
#include "typedef/LifeIndexData.h"
#include "typedef/WeatherDataMarkers.h"
#include "utils/ICUHelper.h"
#include "utils/LanguageHelper.h"
#include "utils/VconfUtilFactory.h"

namespace weatherctl {

namespace {

// The image size of the watch the names are given for.
constexpr int kImageSize = 360;
// ICUHelper format numbers: "HHmm", "hhmm", "EEE".
constexpr int kFormatHHmm = 9;
constexpr int kFormathhmm = 10;
constexpr int kFormatWeekday = 11;
// A value the data layer did not have reads "--", as on the watch.
constexpr const char* kMissing = "--";

} // namespace

void PrepareLocale()
{
    tools::UseDeviceLocale(WEATHER_TOOL_DOMAIN);
    // Numbers the tool writes itself (city files, JSON) stay in C notation;
    // the watch's numbers come from ICU in the device's language.
    setlocale(LC_NUMERIC, "C");
}

DeviceView BuildDeviceView(DataManager* dataManager)
{
    DeviceView device;
    std::shared_ptr<VconfUtil> vconfUtil = VconfUtilFactory::Make();
    device.language = vconfUtil ? vconfUtil->GetLanguage() : std::string();
    device.is12Hour = vconfUtil && vconfUtil->GetTimeFormat() == 1;
    device.provider = CPType::GetInstance()->GetCPTypeString();
    device.isCelsius = dataManager->GetTemperatureUnit() == 1;
    device.isRightToLeft = LanguageHelper::GetInstance()->GetIsRTLLanguage();
    return device;
}

ViewLabels BuildLabels()
{
    ViewLabels labels;
    // TRANSLATORS: the day's highest and lowest temperature and the rain probability.
    labels.high = _("high");
    labels.low = _("low");
    labels.rain = _("rain");
    labels.hourly = _("hourly:");
    labels.daily = _("daily:");
    labels.lifeIndex = _("life index:");
    return labels;
}

bool SelectCities(DataManager* dataManager, const std::string& city, CityPtrVector& selected)
{
    selected.clear();
    if (city.empty()) {
        if (CityPtrVectorPtr all = dataManager->GetCityPtrVector())
            selected = *all;
        return true;
    }
    CityPtr found = dataManager->GetCityPtr(city);
    // A number that is no location id names a list position.
    if (!found && city.size() <= 9 && city.find_first_not_of("0123456789") == std::string::npos)
        found = dataManager->GetCityPtr(std::stoi(city));
    if (!found)
        return false;
    selected.push_back(found);
    return true;
}

CityView BuildCityView(DataManager* dm, const CityPtr& city, const DeviceView& device)
{
    ICUHelper* icu = ICUHelper::GetInstance();
    CityView view;
    view.locationId = city->GetLocationId();
    view.name = dm->GetCityName(city);
    view.localTime = dm->GetLocalTimeString(city);
    view.localTimeLong = dm->GetLocalTimeStringLong(city);
    view.condition = dm->GetCurrentWeatherStatus(city);
    view.icon = dm->GetCurrentWeatherIcon(city, kImageSize, kImageSize);
    view.current = dm->GetCurrentTemperatureString(city);
    view.high = dm->GetHighTemperatureString(city);
    view.low = dm->GetLowTemperatureString(city);
    view.rainProbability = dm->GetRainProbabilityString(city);

    HourlyPtrVectorPtr hourly = dm->GetHourlyPtrVector(city);
    const int hourCount = hourly ? static_cast<int>(hourly->size()) : 0;
    for (int i = dm->GetCurrentTimeHourlyIndex(city); i < hourCount; ++i) {
        HourlyPtr entry = dm->GetHourlyPtr(city, i);
        if (!entry)
            continue;
        HourView hour;
        hour.time = icu->ConvertEpochTimeToICUDate(entry->GetHour(), device.is12Hour ? kFormathhmm : kFormatHHmm);
        hour.icon = dm->GetHourlyWeatherIcon(city, i, kImageSize, kImageSize);
        hour.temperature = dm->GetHourlyCurrentTemperatureString(city, i);
        hour.condition = dm->GetHourlyWeatherStatus(city, i);
        view.hours.push_back(hour);
    }
    WeeklyPtrVectorPtr weekly = dm->GetWeeklyPtrVector(city);
    const int dayCount = weekly ? static_cast<int>(weekly->size()) : 0;
    for (int i = 0; i < dayCount; ++i) {
        WeeklyPtr entry = dm->GetWeeklyPtr(city, i);
        if (!entry)
            continue;
        DayView day;
        day.weekday = icu->ConvertEpochTimeToICUDate(entry->GetDate(), kFormatWeekday);
        day.icon = dm->GetWeeklyWeatherIcon(city, i, kImageSize, kImageSize);
        day.high = dm->GetWeeklyHighTemperatureString(city, i);
        day.low = dm->GetWeeklyLowTemperatureString(city, i);
        day.condition = dm->GetWeeklyWeatherStatus(city, i);
        view.days.push_back(day);
    }
    std::shared_ptr<std::vector<int>> lifeIndexTypes = dm->GetSupportingLifeIndex(city);
    for (int type : *lifeIndexTypes) {
        LifeIndexView index;
        index.type = type;
        index.title = dm->GetLifeIndexTitle(city, type);
        index.value = dm->GetLifeIndexValue(city, type);
        index.icon = dm->GetLifeIndexIconName(city, type);
        view.lifeIndices.push_back(index);
    }
    return view;
}

namespace {

void Member(JsonBuilder* b, const char* name, const std::string& value)
{
    json_builder_set_member_name(b, name);
    json_builder_add_string_value(b, value.c_str());
}

// A value the data layer may give as the not-supplied marker: null then.
void Supplied(JsonBuilder* b, const char* name, const std::string& value)
{
    if (value == UNSUPPORTED_TEXT || value == UNSUPPORTED_TEXT_NEGATIVE) {
        json_builder_set_member_name(b, name);
        json_builder_add_null_value(b);
    } else {
        Member(b, name, value);
    }
}

// A stored text as the terminal may show it: control characters (C0, DEL,
// C1) and bytes that are not UTF-8 come out as escapes, never raw.
std::string Printable(const std::string& text)
{
    std::string out;
    char escape[16];
    const char* p = text.c_str();
    const char* end = p + text.size();
    while (p < end) {
        const gunichar c = g_utf8_get_char_validated(p, end - p);
        if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) {
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(*p));
            out += escape;
            ++p;
            continue;
        }
        const char* next = g_utf8_next_char(p);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (g_unichar_iscntrl(c)) {
            std::snprintf(escape, sizeof escape, c < 0x100 ? "\\x%02x" : "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        } else {
            out.append(p, static_cast<size_t>(next - p));
        }
        p = next;
    }
    return out;
}

void AddDevice(JsonBuilder* b, const DeviceView& device)
{
    json_builder_set_member_name(b, "device");
    json_builder_begin_object(b);
    Member(b, "language", device.language);
    Member(b, "provider", device.provider);
    Member(b, "temperatureUnit", device.isCelsius ? "C" : "F");
    Member(b, "clock", device.is12Hour ? "12h" : "24h");
    json_builder_end_object(b);
}

void AddCity(JsonBuilder* b, const CityView& v)
{
    json_builder_begin_object(b);
    Member(b, "locationId", v.locationId);
    Member(b, "name", v.name);
    Member(b, "localTime", v.localTime);
    Member(b, "localTimeLong", v.localTimeLong);
    Supplied(b, "condition", v.condition);
    Supplied(b, "icon", v.icon);
    Supplied(b, "temperature", v.current);
    Supplied(b, "high", v.high);
    Supplied(b, "low", v.low);
    Supplied(b, "rainProbability", v.rainProbability);
    json_builder_set_member_name(b, "hourly");
    json_builder_begin_array(b);
    for (const HourView& h : v.hours) {
        json_builder_begin_object(b);
        Member(b, "time", h.time);
        Supplied(b, "icon", h.icon);
        Supplied(b, "temperature", h.temperature);
        Supplied(b, "condition", h.condition);
        json_builder_end_object(b);
    }
    json_builder_end_array(b);
    json_builder_set_member_name(b, "daily");
    json_builder_begin_array(b);
    for (const DayView& d : v.days) {
        json_builder_begin_object(b);
        Member(b, "weekday", d.weekday);
        Supplied(b, "icon", d.icon);
        Supplied(b, "high", d.high);
        Supplied(b, "low", d.low);
        Supplied(b, "condition", d.condition);
        json_builder_end_object(b);
    }
    json_builder_end_array(b);
    json_builder_set_member_name(b, "lifeIndex");
    json_builder_begin_array(b);
    for (const LifeIndexView& l : v.lifeIndices) {
        json_builder_begin_object(b);
        json_builder_set_member_name(b, "type");
        json_builder_add_int_value(b, l.type);
        Member(b, "title", l.title);
        Supplied(b, "value", l.value);
        Supplied(b, "icon", l.icon);
        json_builder_end_object(b);
    }
    json_builder_end_array(b);
    json_builder_end_object(b);
}

void PrintJson(JsonBuilder* builder)
{
    g_autoptr(JsonNode) root = json_builder_get_root(builder);
    g_autoptr(JsonGenerator) generator = json_generator_new();
    json_generator_set_root(generator, root);
    json_generator_set_pretty(generator, TRUE);
    json_generator_set_indent(generator, 2);
    g_autofree gchar* text = json_generator_to_data(generator, nullptr);
    std::printf("%s\n", text ? text : "");
}

// The text followed by blanks up to `columns` terminal cells: printf's %-Ns
// counts bytes, which misaligns every non-ASCII text (names in Chinese or
// Korean, ICU's narrow no-break space before AM/PM).
std::string Pad(const std::string& text, size_t columns)
{
    size_t width = 0;
    if (g_utf8_validate(text.c_str(), static_cast<gssize>(text.size()), nullptr)) {
        for (const gchar* p = text.c_str(); *p; p = g_utf8_next_char(p)) {
            const gunichar c = g_utf8_get_char(p);
            width += g_unichar_iszerowidth(c) ? 0 : g_unichar_iswide(c) ? 2 : 1;
        }
    } else {
        width = text.size();
    }
    return width >= columns ? text : text + std::string(columns - width, ' ');
}

void PrintCity(const CityView& v, const DeviceView& device, const ViewLabels& labels)
{
    auto text = [](const std::string& value) { return Printable(value); };
    std::printf("%s  (%s)\n", text(v.name).c_str(), text(v.locationId).c_str());
    std::printf("  %s  |  %s\n", text(v.localTime).c_str(), text(v.localTimeLong).c_str());
    std::printf("  %s  [%s]\n", text(v.condition).c_str(), text(v.icon).c_str());
    std::printf("  %s   %s %s  %s %s   %s %s\n", Degrees(v.current, device).c_str(), labels.high.c_str(),
                Degrees(v.high, device).c_str(), labels.low.c_str(), Degrees(v.low, device).c_str(),
                labels.rain.c_str(), Percent(v.rainProbability).c_str());
    if (!v.hours.empty())
        std::printf("  %s\n", labels.hourly.c_str());
    for (const HourView& h : v.hours)
        std::printf("    %s %s %s  [%s]\n", Pad(h.time, 10).c_str(), Pad(Degrees(h.temperature, device), 8).c_str(),
                    text(h.condition).c_str(), text(h.icon).c_str());
    if (!v.days.empty())
        std::printf("  %s\n", labels.daily.c_str());
    for (const DayView& d : v.days)
        std::printf("    %s %s / %s  %s  [%s]\n", Pad(d.weekday, 10).c_str(), Degrees(d.high, device).c_str(),
                    Degrees(d.low, device).c_str(), text(d.condition).c_str(), text(d.icon).c_str());
    if (!v.lifeIndices.empty())
        std::printf("  %s\n", labels.lifeIndex.c_str());
    for (const LifeIndexView& l : v.lifeIndices)
        std::printf("    %s %s [%s]\n", Pad(text(l.title), 28).c_str(), Pad(LifeIndexValue(l, device), 16).c_str(),
                    text(l.icon).c_str());
}

} // namespace

std::string PrintableText(const std::string& text)
{
    return Printable(text);
}

std::string Degrees(const std::string& value, const DeviceView& device)
{
    return value == UNSUPPORTED_TEXT || value.empty() ? kMissing : value + (device.isCelsius ? "°C" : "°F");
}

std::string Percent(const std::string& value)
{
    // TRANSLATORS: a rain probability; %s is the number.
    return value == UNSUPPORTED_TEXT || value.empty() ? kMissing : tools::Format(_("%s%%"), value.c_str());
}

// The felt temperature is a temperature: the unit's sign as for the others.
std::string LifeIndexValue(const LifeIndexView& index, const DeviceView& device)
{
    return index.type == LIFE_INDEX_REALFEEL ? Degrees(index.value, device) : Printable(index.value);
}

int List(DataManager* dataManager, bool json)
{
    CityPtrVectorPtr cities = dataManager->GetCityPtrVector();
    const DeviceView device = BuildDeviceView(dataManager);
    g_autoptr(JsonBuilder) builder = json_builder_new();
    JsonBuilder* b = builder;
    json_builder_begin_object(b);
    AddDevice(b, device);
    json_builder_set_member_name(b, "cities");
    json_builder_begin_array(b);
    int index = 0;
    for (const CityPtr& city : cities ? *cities : CityPtrVector()) {
        const std::string name = dataManager->GetCityName(city);
        const std::string time = dataManager->GetLocalTimeString(city);
        const std::string condition = dataManager->GetCurrentWeatherStatus(city);
        const std::string temperature = dataManager->GetCurrentTemperatureString(city);
        if (json) {
            json_builder_begin_object(b);
            json_builder_set_member_name(b, "index");
            json_builder_add_int_value(b, index);
            Member(b, "locationId", city->GetLocationId());
            Member(b, "name", name);
            Member(b, "localTime", time);
            Supplied(b, "condition", condition);
            Supplied(b, "temperature", temperature);
            json_builder_end_object(b);
        } else {
            std::printf("%2d  %s %s %s %s %s\n", index, Pad(Printable(city->GetLocationId()), 22).c_str(),
                        Pad(Printable(name), 20).c_str(), Pad(time, 10).c_str(),
                        Pad(Degrees(temperature, device), 8).c_str(), Printable(condition).c_str());
        }
        ++index;
    }
    json_builder_end_array(b);
    json_builder_end_object(b);
    if (json)
        PrintJson(b);
    else if (index == 0)
        std::printf("%s\n", _("no city"));
    return 0;
}

int Show(DataManager* dataManager, const std::string& city, bool json)
{
    CityPtrVector selected;
    if (!SelectCities(dataManager, city, selected))
        return kNoSuchCity;
    const DeviceView device = BuildDeviceView(dataManager);
    const ViewLabels labels = BuildLabels();
    g_autoptr(JsonBuilder) builder = json_builder_new();
    JsonBuilder* b = builder;
    json_builder_begin_object(b);
    AddDevice(b, device);
    json_builder_set_member_name(b, "cities");
    json_builder_begin_array(b);
    for (const CityPtr& entry : selected) {
        if (!entry)
            continue;
        CityView view = BuildCityView(dataManager, entry, device);
        if (json)
            AddCity(b, view);
        else
            PrintCity(view, device, labels);
    }
    json_builder_end_array(b);
    json_builder_end_object(b);
    if (json)
        PrintJson(b);
    return 0;
}

} // namespace weatherctl
