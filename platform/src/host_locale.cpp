#include <device/host_locale.h>

#include <device/system_keys.h>
#include <device/vconf.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>

namespace device {

namespace {

// Regions that read another region's catalogue of their language rather
// than the language's first one: Hong Kong and Macau write traditional Chinese.
constexpr struct {
    const char* region;
    const char* catalogue;
} kNearestCatalogue[] = {
    {"zh_HK", "zh_TW"}, {"zh_MO", "zh_TW"}, {"zh_SG", "zh_CN"}, {"de_AT", "de_DE"}, {"de_CH", "de_DE"},
};

// The build's catalogues ("en_US:ko_KR:..."), the language's first one being
// its catalogue for every region without its own.
constexpr const char* kCatalogues = WEATHER_CATALOGUE_LANGUAGES;

std::vector<std::string> Catalogues()
{
    std::vector<std::string> names;
    for (const char* p = kCatalogues; *p;) {
        const char* end = std::strchr(p, ':');
        names.emplace_back(p, end ? end - p : std::strlen(p));
        p = end ? end + 1 : p + std::strlen(p);
    }
    return names;
}

} // namespace

std::string CatalogueList(const std::string& language)
{
    const std::string own = language.substr(0, language.find_first_of(".@"));
    std::vector<std::string> list{own};
    const std::vector<std::string> catalogues = Catalogues();
    if (std::find(catalogues.begin(), catalogues.end(), own) == catalogues.end()) {
        for (const auto& nearest : kNearestCatalogue) {
            if (own == nearest.region)
                list.push_back(nearest.catalogue);
        }
        const std::string prefix = own.substr(0, own.find('_')) + "_";
        for (const std::string& catalogue : catalogues) {
            if (list.size() == 1 && catalogue.rfind(prefix, 0) == 0)
                list.push_back(catalogue);
        }
    }
    // Never the message keys: English when nothing nearer exists.
    list.push_back("en_US");
    std::string text;
    std::vector<std::string> seen;
    for (const std::string& name : list) {
        if (name.empty() || std::find(seen.begin(), seen.end(), name) != seen.end())
            continue;
        seen.push_back(name);
        text += (text.empty() ? "" : ":") + name;
    }
    return text;
}

std::vector<std::pair<std::string, std::string>> DeviceLocaleEnvironment()
{
    char* language = vconf_get_str(SYSKEY_LANGUAGE);
    std::string value = language ? language : "";
    std::free(language);
    if (value.empty())
        return {};
    return {{"LC_TIME", value}, {"LC_MESSAGES", value}, {"LANGUAGE", CatalogueList(value)}};
}

void AdoptDeviceLocale()
{
    const auto environment = DeviceLocaleEnvironment();
    if (environment.empty()) {
        setlocale(LC_ALL, "");
        return;
    }
    // A shell's LC_ALL would outrank the device's language.
    unsetenv("LC_ALL");
    for (const auto& [name, value] : environment)
        setenv(name.c_str(), value.c_str(), 1);
    if (setlocale(LC_ALL, "") == nullptr) {
        // Some category names a locale this host has not generated: take each
        // category that it has.
        for (int category : {LC_CTYPE, LC_NUMERIC, LC_TIME, LC_COLLATE, LC_MONETARY, LC_MESSAGES})
            setlocale(category, "");
    }
    // gettext ignores LANGUAGE under the "C" messages locale.
    const char* messages = setlocale(LC_MESSAGES, nullptr);
    if (messages == nullptr || std::strcmp(messages, "C") == 0 || std::strcmp(messages, "POSIX") == 0) {
        if (setlocale(LC_MESSAGES, "C.UTF-8") == nullptr)
            setlocale(LC_MESSAGES, "en_US.UTF-8");
    }
}

} // namespace device
