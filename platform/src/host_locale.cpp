#include <device/host_locale.h>

#include <device/system_keys.h>
#include <device/vconf.h>

#include <clocale>
#include <cstdlib>

namespace device {

std::vector<std::pair<std::string, std::string>> DeviceLocaleEnvironment()
{
    char* language = vconf_get_str(SYSKEY_LANGUAGE);
    std::string value = language ? language : "";
    std::free(language);
    if (value.empty())
        return {};
    return {{"LC_TIME", value}, {"LC_MESSAGES", value}};
}

void AdoptDeviceLocale()
{
    for (const auto& [name, value] : DeviceLocaleEnvironment())
        setenv(name.c_str(), value.c_str(), 1);
    setlocale(LC_ALL, "");
}

} // namespace device
