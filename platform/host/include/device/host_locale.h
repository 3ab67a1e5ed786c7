#ifndef DEVICE_HOST_LOCALE_H
#define DEVICE_HOST_LOCALE_H

// Host-only: the locale environment that the device gives its processes.
// On the device the launcher sets it from the display language; here the
// layer's own launcher and the tools take it from the language system key.

#include <string>
#include <utility>
#include <vector>

namespace device {

// The catalogues gettext tries for a language ("zh_HK.UTF-8"), nearest
// first: its own, else the nearest region's (zh_HK and zh_MO: zh_TW; zh_SG:
// zh_CN; de_AT and de_CH: de_DE) or else the language's first catalogue of
// the build, then en_US ("zh_HK:zh_TW:en_US", "fr_CA:fr_FR:en_US").
std::string CatalogueList(const std::string& language);

// LC_TIME and LC_MESSAGES, each set to the language key's value
// ("ko_KR.UTF-8"), and LANGUAGE, its CatalogueList ("ko_KR:en_US"); empty
// when the key is unset or empty.
std::vector<std::pair<std::string, std::string>> DeviceLocaleEnvironment();

// Puts DeviceLocaleEnvironment() into this process's environment over the
// shell's (LC_ALL is dropped) and applies it with setlocale(LC_ALL, ""). A
// language whose system locale is not generated still chooses the catalogue.
// For tools, at the start of main.
void AdoptDeviceLocale();

} // namespace device

#endif
