#ifndef WEATHER_COMMON_SETTING_H
#define WEATHER_COMMON_SETTING_H

#include <cstdint>
#include <string>

#include "utils/Pattern.h"
#include "utils/Ref.h"

// In-memory form of the one row of the settings table. Plain fields only;
// the defaults are those of a freshly created settings database.
class Setting : public Ref {
public:
    DECLARE_MAKE(Setting)

    bool Init() override;
    ~Setting() override = default;

    int32_t GetCurrentCityIndex() const { return mCurrentCityIndex; }
    void SetCurrentCityIndex(int32_t value) { mCurrentCityIndex = value; }
    int32_t GetTemperatureUnit() const { return mTemperatureUnit; }
    void SetTemperatureUnit(int32_t value) { mTemperatureUnit = value; }
    int64_t GetLastRefreshedTime() const { return mLastRefreshedTime; }
    void SetLastRefreshedTime(int64_t value) { mLastRefreshedTime = value; }
    int64_t GetCurrentLocationAreaRefreshedTime() const { return mCurrentLocationAreaRefreshedTime; }
    void SetCurrentLocationAreaRefreshedTime(int64_t value) { mCurrentLocationAreaRefreshedTime = value; }
    bool GetIsFirstLaunch() const { return mIsFirstLaunch; }
    void SetIsFirstLaunch(bool value) { mIsFirstLaunch = value; }
    bool GetAutoRefreshOn() const { return mAutoRefreshOn; }
    void SetAutoRefreshOn(bool value) { mAutoRefreshOn = value; }
    int32_t GetAutoRefreshInterval() const { return mAutoRefreshInterval; }
    void SetAutoRefreshInterval(int32_t value) { mAutoRefreshInterval = value; }
    bool GetShowCurrentCityAgreement() const { return mShowCurrentCityAgreement; }
    void SetShowCurrentCityAgreement(bool value) { mShowCurrentCityAgreement = value; }
    bool GetUseCurrentLocationOn() const { return mUseCurrentLocationOn; }
    void SetUseCurrentLocationOn(bool value) { mUseCurrentLocationOn = value; }
    bool GetRefreshOnOpeningOn() const { return mRefreshOnOpeningOn; }
    void SetRefreshOnOpeningOn(bool value) { mRefreshOnOpeningOn = value; }
    bool GetRefreshOnOpeningOnAgreement() const { return mRefreshOnOpeningOnAgreement; }
    void SetRefreshOnOpeningOnAgreement(bool value) { mRefreshOnOpeningOnAgreement = value; }
    bool GetNotificationOn() const { return mNotificationOn; }
    void SetNotificationOn(bool value) { mNotificationOn = value; }
    uint32_t GetNotificationTime() const { return mNotificationTime; }
    void SetNotificationTime(uint32_t value) { mNotificationTime = value; }
    bool GetNetworkPositionPopupAgreement() const { return mNetworkPositionPopupAgreement; }
    void SetNetworkPositionPopupAgreement(bool value) { mNetworkPositionPopupAgreement = value; }
    bool GetShowNetworkPopup() const { return mShowNetworkPopup; }
    void SetShowNetworkPopup(bool value) { mShowNetworkPopup = value; }
    bool GetChinaDataGPSPerformPopupOn() const { return mChinaDataGPSPerformPopupOn; }
    void SetChinaDataGPSPerformPopupOn(bool value) { mChinaDataGPSPerformPopupOn = value; }
    bool GetAutoScrollOn() const { return mAutoScrollOn; }
    void SetAutoScrollOn(bool value) { mAutoScrollOn = value; }
    int32_t GetAutoScrollInterval() const { return mAutoScrollInterval; }
    void SetAutoScrollInterval(int32_t value) { mAutoScrollInterval = value; }
    const std::string& GetLastUpdateLanguageCode() const { return mLastUpdateLanguageCode; }
    void SetLastUpdateLanguageCode(const std::string& value) { mLastUpdateLanguageCode = value; }
    const std::string& GetCpType() const { return mCpType; }
    void SetCpType(const std::string& value) { mCpType = value; }
    const std::string& GetDaemonType() const { return mDaemonType; }
    void SetDaemonType(const std::string& value) { mDaemonType = value; }
    const std::string& GetCurrentCityLocationId() const { return mCurrentCityLocationId; }
    void SetCurrentCityLocationId(const std::string& value) { mCurrentCityLocationId = value; }
    bool GetIsNowRefreshing() const { return mIsNowRefreshing; }
    void SetIsNowRefreshing(bool value) { mIsNowRefreshing = value; }
    bool GetIsSupportManualRefresh() const { return mIsSupportManualRefresh; }
    void SetIsSupportManualRefresh(bool value) { mIsSupportManualRefresh = value; }
    int64_t GetRefreshingStartTime() const { return mRefreshingStartTime; }
    void SetRefreshingStartTime(int64_t value) { mRefreshingStartTime = value; }
    bool GetNotificationPopup() const { return mNotificationPopup; }
    void SetNotificationPopup(bool value) { mNotificationPopup = value; }

private:
    Setting() = default;

    int32_t mCurrentCityIndex = 0;                 // index into the city list, 0-based
    int32_t mTemperatureUnit = 1;                  // unit code: 1 Celsius, 0 Fahrenheit (preselected on US devices)
    int64_t mLastRefreshedTime = 0;                // milliseconds since the epoch
    int64_t mCurrentLocationAreaRefreshedTime = 0; // time stamp, as the refreshing app stores it
    bool mIsFirstLaunch = true;
    bool mAutoRefreshOn = true;
    int32_t mAutoRefreshInterval = 6; // hours; an entry expires after this many times 3600 s
    bool mShowCurrentCityAgreement = false;
    bool mUseCurrentLocationOn = false;
    bool mRefreshOnOpeningOn = false;
    bool mRefreshOnOpeningOnAgreement = false;
    bool mNotificationOn = true;
    uint32_t mNotificationTime = 0; // as the weather app stores it; the column is 64-bit, zero-extended
    bool mNetworkPositionPopupAgreement = false;
    bool mShowNetworkPopup = false;
    bool mChinaDataGPSPerformPopupOn = false;
    bool mAutoScrollOn = false;
    int32_t mAutoScrollInterval = 0;            // as the weather app stores it
    std::string mLastUpdateLanguageCode = "en"; // language code
    std::string mCpType = "TWC";                // content provider type name
    std::string mDaemonType = "RI_DAEMON";      // refresh daemon type name
    std::string mCurrentCityLocationId;         // location id of the city on display
    bool mIsNowRefreshing = false;
    bool mIsSupportManualRefresh = false;
    int64_t mRefreshingStartTime = 0; // time stamp of the refresh in progress
    bool mNotificationPopup = true;
};

#endif
