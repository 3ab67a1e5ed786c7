#ifndef WEATHER_COMMON_BACKED_UP_SETTINGS_H
#define WEATHER_COMMON_BACKED_UP_SETTINGS_H

// The settings the cloud backup carries, each stated once: the backup
// record's JSON member, its JSON type, the settings column that stores it,
// how a backup reads it and how a restore writes it back, all through the
// data manager. The record builder, the restore parser, the restore scenario
// and backupctl all walk this table; a setting added here is backed up,
// restored and shown.

#include <cstdint>

#include "typedef/DataManager.h"

enum class BackupValueType { Integer, Boolean };

struct BackedUpSetting {
    const char* key; // member of the backup record's JSON object
    BackupValueType type;
    const char* column; // of SETTING_TABLE
    int32_t (*read)(DataManager& dataManager);
    void (*restore)(DataManager& dataManager, int32_t value);
    // A second column a restore sets to the same value, and how; or nulls.
    const char* alsoColumn;
    void (*alsoRestore)(DataManager& dataManager, int32_t value);
    const char* alsoLabel; // what backupctl calls the second column
};

// In the record's order, which is also the order of a restore's writes. The
// setters write the whole settings row (see SettingData), so a restore stores
// each of them in turn.
inline constexpr BackedUpSetting kBackedUpSettings[] = {
    {"tempUnit", BackupValueType::Integer, "TemperatureUnit",
     [](DataManager& d) -> int32_t { return d.GetTemperatureUnit(); },
     [](DataManager& d, int32_t v) { d.SetTemperatureUnit(v); }, nullptr, nullptr, nullptr},
    {"autoRefreshTimeInterval", BackupValueType::Integer, "AutoRefreshInterval",
     [](DataManager& d) -> int32_t { return d.GetAutoRefreshInterval(); },
     [](DataManager& d, int32_t v) { d.SetAutoRefreshInterval(v); }, nullptr, nullptr, nullptr},
    // The agreement to show the current city, not UseCurrentLocationOn.
    {"useCurrentLocationAgreed", BackupValueType::Boolean, "ShowCurrentCityAgreement",
     [](DataManager& d) -> int32_t { return d.GetShowCurrentCityAgreement(); },
     [](DataManager& d, int32_t v) { d.SetShowCurrentCityAgreement(v != 0); }, nullptr, nullptr, nullptr},
    {"useNotification", BackupValueType::Boolean, "NotificationOn",
     [](DataManager& d) -> int32_t { return d.GetNotificationOn(); },
     [](DataManager& d, int32_t v) { d.SetNotificationOn(v != 0); }, "NotificationPopup",
     [](DataManager& d, int32_t v) { d.SetNotificationPopup(v != 0); }, "pop-up"},
};

// The rows the restore parser names in its getters.
inline constexpr const BackedUpSetting& kTempUnitSetting = kBackedUpSettings[0];
inline constexpr const BackedUpSetting& kAutoRefreshSetting = kBackedUpSettings[1];
inline constexpr const BackedUpSetting& kCurrentLocationAgreedSetting = kBackedUpSettings[2];
inline constexpr const BackedUpSetting& kNotificationSetting = kBackedUpSettings[3];

#endif
