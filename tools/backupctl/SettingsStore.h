#ifndef BACKUPCTL_SETTINGS_STORE_H
#define BACKUPCTL_SETTINGS_STORE_H

// The backed-up settings (typedef/BackedUpSettings.h) as they sit in the
// weather settings database, read and written with plain SQL so that the tool
// shows the stored truth, not what some cache believes.

#include <string>
#include <vector>

#include "typedef/BackedUpSettings.h"

namespace backupctl {

// One backed-up setting as stored: its column and, when a restore sets a
// second column with it, that one too.
struct StoredSetting {
    const BackedUpSetting* setting;
    long long value;
    long long alsoValue;
};
using Settings = std::vector<StoredSetting>;

// <weather shared data dir>/db/.setting.db, or empty when the device does not
// know the weather package.
std::string SettingsDbPath();

bool ReadSettings(const std::string& path, Settings& settings, std::string& error);
// The document member names, joined by ", ".
std::string SettingKeys();
// `key` is a backed-up setting's document member name; booleans accept
// true/false/1/0. A setting a restore writes to two columns sets both, as a
// restore does. Only those columns change: the service's setters write the
// whole row, which would undo other processes' changes.
bool WriteSetting(const std::string& path, const std::string& key, const std::string& value, std::string& error);

} // namespace backupctl

#endif
