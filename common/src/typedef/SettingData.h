#ifndef WEATHER_COMMON_SETTING_DATA_H
#define WEATHER_COMMON_SETTING_DATA_H

#include <cstdint>
#include <memory>
#include <string>

#include "utils/Pattern.h"
#include "utils/Ref.h"
#include "typedef/Setting.h"

// The one access object of the settings row. Reads answer from the record
// loaded into memory; every write changes that record and stores the whole
// of it, so a column changed meanwhile by another process is overwritten.
class SettingData : public Ref {
public:
    DECLARE_MAKE(SettingData)

    bool Init() override;
    ~SettingData() override = default;

    void InitializeDB();
    void UpgradeDB(double version);
    void LoadData();

    int32_t GetTemperatureUnit();
    int32_t GetAutoRefreshInterval();
    bool GetShowCurrentCityAgreement();
    bool GetUseCurrentLocationOn();
    std::string GetLocationIdOfDisplayCity();
    int64_t GetLastRefreshedTime();
    bool GetIsFirstLaunch();
    bool GetNotificationOn();
    std::string GetCpType();
    std::string GetDaemonType();

    void SetTemperatureUnit(int32_t unit);
    void SetAutoRefreshInterval(int32_t interval);
    void SetShowCurrentCityAgreement(bool agreed);
    void SetUseCurrentLocationOn(bool on);
    void SetLocationIdOfDisplayCity(const std::string& locationId);
    void SetNotificationOn(bool on);
    void SetNotificationPopup(bool on);
    void SetNotificationTime(uint32_t time);
    void SetIsFirstLaunch(bool isFirstLaunch);
    void SetCpType(const std::string& cpType);
    void SetLastRefreshedTime(int64_t time);
    void SetSetting(const std::shared_ptr<Setting>& settingPtr);

private:
    SettingData() = default;
    void Store();

    std::shared_ptr<Setting> mSettingPtr;
};

#endif
