#ifndef BACKUPCTL_SETTINGS_STORE_H
#define BACKUPCTL_SETTINGS_STORE_H

// The four backed-up settings as they sit in the weather settings database,
// read and written with plain SQL so that the tool shows the stored truth,
// not what some cache believes.

#include <string>

namespace backupctl {

struct Settings {
    long long tempUnit = 0;
    long long autoRefreshTimeInterval = 0;
    bool useCurrentLocationAgreed = false;
    bool useNotification = false;
    bool notificationPopup = false; // written together with useNotification by a restore
};

// <weather shared data dir>/db/.setting.db, or empty when the device does not
// know the weather package.
std::string SettingsDbPath();

bool ReadSettings(const std::string& path, Settings& settings, std::string& error);
// `key` is one of the four document member names; booleans accept
// true/false/1/0. useNotification also sets the notification pop-up, as a
// restore does.
bool WriteSetting(const std::string& path, const std::string& key, const std::string& value, std::string& error);

} // namespace backupctl

#endif
