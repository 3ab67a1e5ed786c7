#ifndef WEATHER_COMMON_DATA_MANAGER_H
#define WEATHER_COMMON_DATA_MANAGER_H

#include <cstdint>
#include <memory>
#include <string>

#include "typedef/City.h"
#include "typedef/LifeIndexData.h"
#include "utils/Pattern.h"
#include "typedef/SettingData.h"
#include "typedef/ShareTargetData.h"
#include "typedef/VersionData.h"
#include "typedef/WeatherData.h"

// Owner of the data layer's access objects. Prepares the database files at
// start, reloads the data on demand, and forwards the callers' reads and
// writes so that nobody else holds the access objects.
class DataManager {
public:
    DECLARE_SINGLETON(DataManager);

    virtual bool Init();
    virtual ~DataManager() = default;

    // Directory, creation of missing databases, schema upgrade.
    void InitializeDB();
    void MakeDBFileDirectory();
    // Cities, settings, share targets; then the provider type is decided
    // again and written back with the whole settings row.
    void LoadData();

    // Settings.
    int32_t GetTemperatureUnit() { return mSettingDataPtr->GetTemperatureUnit(); }
    int32_t GetAutoRefreshInterval() { return mSettingDataPtr->GetAutoRefreshInterval(); }
    bool GetShowCurrentCityAgreement() { return mSettingDataPtr->GetShowCurrentCityAgreement(); }
    bool GetNotificationOn() { return mSettingDataPtr->GetNotificationOn(); }
    std::string GetLocationIdOfDisplayCity() { return mSettingDataPtr->GetLocationIdOfDisplayCity(); }
    std::string GetCpType() { return mSettingDataPtr->GetCpType(); }
    std::string GetDaemonType() { return mSettingDataPtr->GetDaemonType(); }
    void SetTemperatureUnit(int32_t unit) { mSettingDataPtr->SetTemperatureUnit(unit); }
    void SetAutoRefreshInterval(int32_t interval) { mSettingDataPtr->SetAutoRefreshInterval(interval); }
    void SetShowCurrentCityAgreement(bool agreed) { mSettingDataPtr->SetShowCurrentCityAgreement(agreed); }
    void SetNotificationOn(bool on) { mSettingDataPtr->SetNotificationOn(on); }
    void SetNotificationPopup(bool on) { mSettingDataPtr->SetNotificationPopup(on); }
    void SetLocationIdOfDisplayCity(const std::string& id) { mSettingDataPtr->SetLocationIdOfDisplayCity(id); }
    void SetSetting(const std::shared_ptr<Setting>& settingPtr) { mSettingDataPtr->SetSetting(settingPtr); }

    // Weather.
    CityPtrVectorPtr GetCityPtrVector() { return mWeatherDataPtr->GetCityPtrVector(); }
    CityPtr GetCityPtr(int cityIndex) { return mWeatherDataPtr->GetCityPtr(cityIndex); }
    CityPtr GetCityPtr(const std::string& locationId) { return mWeatherDataPtr->GetCityPtr(locationId); }
    CityPtr GetCurrentCityPtr() { return mWeatherDataPtr->GetCurrentCityPtr(); }
    bool IsCurrentLocationExist() { return mWeatherDataPtr->IsCurrentLocationExist(); }
    bool GetIsCurrentCity(const CityPtr& cityPtr) { return mWeatherDataPtr->GetIsCurrentCity(cityPtr); }
    CityPtrVectorPtr SelectNeedToUpdateCity() { return mWeatherDataPtr->SelectNeedToUpdateCity(); }
    void InsertCity(const CityPtr& cityPtr) { mWeatherDataPtr->InsertCity(cityPtr); }
    void UpdateCity(const CityPtr& cityPtr) { mWeatherDataPtr->UpdateCity(cityPtr); }
    void SetCityPtrVector(const CityPtrVectorPtr& cities) { mWeatherDataPtr->SetCityPtrVector(cities); }
    void DeleteAllCity() { mWeatherDataPtr->DeleteAllCity(); }
    int GetWeatherNewsIcon(int iconNum, bool isDay) { return mWeatherDataPtr->GetWeatherNewsIcon(iconNum, isDay); }
    void UpdateMoonPhase(const CityPtr& cityPtr) { mWeatherDataPtr->UpdateMoonPhase(cityPtr); }
    void DeleteUselessMoonPhase() { mWeatherDataPtr->DeleteUselessMoonPhase(); }
    CurrentPtr GetCurrentPtr(const CityPtr& cityPtr) { return mWeatherDataPtr->GetCurrentPtr(cityPtr); }
    WeeklyPtrVectorPtr GetWeeklyPtrVector(const CityPtr& c) { return mWeatherDataPtr->GetWeeklyPtrVector(c); }
    HourlyPtrVectorPtr GetHourlyPtrVector(const CityPtr& c) { return mWeatherDataPtr->GetHourlyPtrVector(c); }
    HourlyPtrVectorPtr GetYesterdayHourPtrVector(const CityPtr& c) { return mWeatherDataPtr->GetYesterdayHourPtrVector(c); }
    WeeklyPtr GetWeeklyPtr(const CityPtr& c, int index) { return mWeatherDataPtr->GetWeeklyPtr(c, index); }
    HourlyPtr GetHourlyPtr(const CityPtr& c, int index) { return mWeatherDataPtr->GetHourlyPtr(c, index); }
    HourlyPtr GetYesterdayPtr(const CityPtr& c, int index) { return mWeatherDataPtr->GetYesterdayPtr(c, index); }

    // Life-index values of one city, by index or location id; 9999 when the
    // city has no life-index record.
    int32_t GetUVIndexLevel(int cityIndex);
    int32_t GetUVIndexLevel(const std::string& locationId);
    int32_t GetAQIValue(int cityIndex);
    int32_t GetAQIValue(const std::string& locationId);
    int32_t GetPM25Value(int cityIndex);
    int32_t GetPM25Value(const std::string& locationId);
    int32_t GetPM10Value(int cityIndex);
    int32_t GetPM10Value(const std::string& locationId);

    // Share targets.
    std::shared_ptr<ShareTargetPtrVector> GetShareTargetPtrVector() { return mShareTargetDataPtr->GetShareTargetPtrVector(); }
    void InsertShareTarget(const std::shared_ptr<ShareTarget>& t) { mShareTargetDataPtr->InsertShareTarget(t); }
    void UpdateShareTarget(const std::shared_ptr<ShareTarget>& t) { mShareTargetDataPtr->UpdateShareTarget(t); }

private:
    DataManager() = default;

    std::shared_ptr<WeatherData> mWeatherDataPtr;
    std::shared_ptr<LifeIndexData> mLifeIndexDataPtr;
    std::shared_ptr<SettingData> mSettingDataPtr;
    std::shared_ptr<ShareTargetData> mShareTargetDataPtr;
    std::shared_ptr<VersionData> mVersionDataPtr;
};

#endif
