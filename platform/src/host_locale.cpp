#include <device/host_locale.h>

#include <device/system_keys.h>
#include <device/vconf.h>

#include <clocale>
#include <cstdlib>
#include <cstring>

namespace device {

std::vector<std::pair<std::string, std::string>> DeviceLocaleEnvironment()
{
    char* language = vconf_get_str(SYSKEY_LANGUAGE);
    std::string value = language ? language : "";
    std::free(language);
    if (value.empty())
        return {};
    // gettext's own fallback: the language's catalogue, else the English one,
    // never the message keys.
    const std::string catalogue = value.substr(0, value.find('.'));
    return {{"LC_TIME", value}, {"LC_MESSAGES", value}, {"LANGUAGE", catalogue + ":en_US"}};
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
