// Read-only views of the typed stores for tools.

#include <device/host.h>

#include <glib.h>

#include "DeviceInternal.h"
#include "KeyStore.h"

namespace device {

namespace {

std::vector<StoredKey> Dump(const std::string& path)
{
    std::map<std::string, internal::KeyValue> values;
    std::vector<StoredKey> keys;
    if (!internal::KeyStore(path).ReadAll(&values))
        return keys;
    for (const auto& entry : values) {
        std::string described = entry.second.Describe(); // "type:value"
        size_t colon = described.find(':');
        keys.push_back({entry.first, described.substr(0, colon), described.substr(colon + 1)});
    }
    return keys;
}

} // namespace

std::vector<StoredKey> SystemKeys()
{
    internal::EnsureDevice();
    return Dump(VconfStorePath());
}

std::vector<StoredKey> Preferences(const std::string& appId)
{
    internal::EnsureDevice();
    return Dump(PreferenceStorePath(appId));
}

std::vector<std::string> PreferenceOwners()
{
    internal::EnsureDevice();
    std::vector<std::string> owners;
    g_autoptr(GDir) dir = g_dir_open((Root() + "/preference").c_str(), 0, nullptr);
    if (!dir)
        return owners;
    while (const gchar* name = g_dir_read_name(dir)) {
        if (g_str_has_suffix(name, ".ini"))
            owners.emplace_back(name, strlen(name) - 4);
    }
    return owners;
}

} // namespace device
