#ifndef WEATHER_COMMON_DATA_MANAGER_H
#define WEATHER_COMMON_DATA_MANAGER_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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
//
// Ownership: the manager owns the access objects for the process's life. The
// records and lists it hands out are the loaded ones, shared, not copies: a
// caller may keep them, and they stay as they were until the next load
// replaces them. Failure: no operation throws or returns an error; each logs.
// A table that cannot be read leaves its records empty (readers then answer 0,
// false or ""); a write that cannot be stored leaves the in-memory record
// changed and the table as it was.
class DataManager {
public:
    DECLARE_SINGLETON(DataManager);

    virtual bool Init();
    virtual ~DataManager() = default;

    // Directory, creation of missing databases, schema upgrade. A step that
    // fails is logged and the next one still runs; a database file that is not
    // a regular file is never opened.
    void InitializeDB();
    void MakeDBFileDirectory();
    // Cities, settings, share targets; then the provider type is decided
    // again and written back with the whole settings row.
    void LoadData();
    // The same loading steps for a process that only reads: the provider is
    // decided again but the settings row is not written back, so a change
    // another process makes meanwhile is never undone.
    void LoadDataForReading();

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
    HourlyPtrVectorPtr GetYesterdayHourPtrVector(const CityPtr& c)
    {
        return mWeatherDataPtr->GetYesterdayHourPtrVector(c);
    }
    WeeklyPtr GetWeeklyPtr(const CityPtr& c, int index) { return mWeatherDataPtr->GetWeeklyPtr(c, index); }
    HourlyPtr GetHourlyPtr(const CityPtr& c, int index) { return mWeatherDataPtr->GetHourlyPtr(c, index); }
    HourlyPtr GetYesterdayPtr(const CityPtr& c, int index) { return mWeatherDataPtr->GetYesterdayPtr(c, index); }

    // The city whose location id the settings name as the one to display.
    CityPtr GetDisplayCityPtr() { return mWeatherDataPtr->GetCityPtr(GetLocationIdOfDisplayCity()); }

    // Weather texts and values, by city, list position or location id.
    // Temperatures come in the settings' unit: Celsius exactly when it is 1.
#define DATA_MANAGER_WEATHER(Ret, Name)                                                                                \
    template <typename Key, typename... Args> Ret Name(const Key& key, Args... args)                                   \
    {                                                                                                                  \
        return mWeatherDataPtr->Name(key, args...);                                                                    \
    }
#define DATA_MANAGER_TEMPERATURE(Ret, Name)                                                                            \
    template <typename Key, typename... Args> Ret Name(const Key& key, Args... args)                                   \
    {                                                                                                                  \
        return mWeatherDataPtr->Name(key, args..., IsCelsius());                                                       \
    }
    DATA_MANAGER_TEMPERATURE(double, GetCurrentTemperature)
    DATA_MANAGER_TEMPERATURE(double, GetLowTemperature)
    DATA_MANAGER_TEMPERATURE(double, GetHighTemperature)
    DATA_MANAGER_TEMPERATURE(std::string, GetCurrentTemperatureString)
    DATA_MANAGER_TEMPERATURE(std::string, GetLowTemperatureString)
    DATA_MANAGER_TEMPERATURE(std::string, GetHighTemperatureString)
    DATA_MANAGER_TEMPERATURE(double, GetWeeklyHighTemperature)
    DATA_MANAGER_TEMPERATURE(double, GetWeeklyLowTemperature)
    DATA_MANAGER_TEMPERATURE(std::string, GetWeeklyHighTemperatureString)
    DATA_MANAGER_TEMPERATURE(std::string, GetWeeklyLowTemperatureString)
    DATA_MANAGER_TEMPERATURE(double, GetHourlyCurrentTemperature)
    DATA_MANAGER_TEMPERATURE(double, GetHourlyLowTemperature)
    DATA_MANAGER_TEMPERATURE(double, GetHourlyHighTemperature)
    DATA_MANAGER_TEMPERATURE(std::string, GetHourlyCurrentTemperatureString)
    DATA_MANAGER_TEMPERATURE(std::string, GetHourlyLowTemperatureString)
    DATA_MANAGER_TEMPERATURE(std::string, GetHourlyHighTemperatureString)
    DATA_MANAGER_TEMPERATURE(double, GetYesterdayCurrentTemperature)
    DATA_MANAGER_TEMPERATURE(std::string, GetYesterdayCurrentTemperatureString)
    DATA_MANAGER_WEATHER(std::string, GetCityName)
    DATA_MANAGER_WEATHER(unsigned int, GetLocalTime)
    DATA_MANAGER_WEATHER(std::string, GetLocalTimeString)
    DATA_MANAGER_WEATHER(std::string, GetLocalTimeStringLong)
    DATA_MANAGER_WEATHER(std::string, GetCurrentWeatherIcon)
    DATA_MANAGER_WEATHER(std::string, GetWeeklyWeatherIcon)
    DATA_MANAGER_WEATHER(std::string, GetHourlyWeatherIcon)
    DATA_MANAGER_WEATHER(std::string, GetCurrentWeatherStatus)
    DATA_MANAGER_WEATHER(std::string, GetCurrentWeatherStatusSimple)
    DATA_MANAGER_WEATHER(std::string, GetWeeklyWeatherStatus)
    DATA_MANAGER_WEATHER(std::string, GetHourlyWeatherStatus)
    DATA_MANAGER_WEATHER(int, GetCurrentTimeHourlyIndex)
    DATA_MANAGER_WEATHER(double, GetRainProbability)
    DATA_MANAGER_WEATHER(std::string, GetRainProbabilityString)
#undef DATA_MANAGER_WEATHER
#undef DATA_MANAGER_TEMPERATURE
    std::string GetWeatherIcon(const WeatherPtr& weatherPtr, bool isDay, int width, int height)
    {
        return mWeatherDataPtr->GetWeatherIcon(weatherPtr, isDay, width, height);
    }
    double GetTemperature(const TemperaturePtr& temperaturePtr)
    {
        return mWeatherDataPtr->GetTemperature(temperaturePtr, IsCelsius());
    }
    std::string GetTemperatureString(const TemperaturePtr& temperaturePtr)
    {
        return mWeatherDataPtr->GetTemperatureString(temperaturePtr, IsCelsius());
    }
    // Against the settings' refresh interval (hours).
    bool GetIsWeatherInfoExpired()
    {
        return mWeatherDataPtr->GetIsWeatherInfoExpired(GetAutoRefreshInterval());
    }

    // Life-index texts and icons.
    std::string GetLifeIndexTitle(const CityPtr& cityPtr, int type)
    {
        return mLifeIndexDataPtr->GetLifeIndexTitle(cityPtr, type);
    }
    std::string GetLifeIndexIconName(const CityPtr& cityPtr, int type)
    {
        return mLifeIndexDataPtr->GetLifeIndexIconName(cityPtr, type);
    }
    // The value text of one kind ("9999" when not supplied); kind 8 is the
    // city's rain probability in whole percent.
    std::string GetLifeIndexValue(const CityPtr& cityPtr, int type);
    std::string GetLifeIndexValue(int cityIndex, int type)
    {
        return GetLifeIndexValue(GetCityPtr(cityIndex), type);
    }
    std::string GetLifeIndexValue(const std::string& locationId, int type)
    {
        return GetLifeIndexValue(GetCityPtr(locationId), type);
    }
    // The kinds a weather screen shows for the city: the provider's candidates
    // (by month for three providers) that have a value. Never null.
    std::shared_ptr<std::vector<int>> GetSupportingLifeIndex(const CityPtr& cityPtr);
    std::shared_ptr<std::vector<int>> GetSupportingLifeIndex(int cityIndex)
    {
        return GetSupportingLifeIndex(GetCityPtr(cityIndex));
    }
    std::shared_ptr<std::vector<int>> GetSupportingLifeIndex(const std::string& locationId)
    {
        return GetSupportingLifeIndex(GetCityPtr(locationId));
    }

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
    std::shared_ptr<ShareTargetPtrVector> GetShareTargetPtrVector()
    {
        return mShareTargetDataPtr->GetShareTargetPtrVector();
    }
    void InsertShareTarget(const std::shared_ptr<ShareTarget>& t)
    {
        mShareTargetDataPtr->InsertShareTarget(t);
    }
    void UpdateShareTarget(const std::shared_ptr<ShareTarget>& t)
    {
        mShareTargetDataPtr->UpdateShareTarget(t);
    }

private:
    DataManager() = default;

    // Loads cities, settings and share targets and decides the provider;
    // the provider's name, or "" when none was decided.
    std::string LoadSteps();

    bool IsCelsius()
    {
        return GetTemperatureUnit() == 1;
    }

    std::shared_ptr<WeatherData> mWeatherDataPtr;
    std::shared_ptr<LifeIndexData> mLifeIndexDataPtr;
    std::shared_ptr<SettingData> mSettingDataPtr;
    std::shared_ptr<ShareTargetData> mShareTargetDataPtr;
    std::shared_ptr<VersionData> mVersionDataPtr;
};

#endif
