#include "typedef/SettingData.h"

#include "utils/Log.h"
#include "db/SettingDBController.h"
#include "utils/TimeHelper.h"

bool SettingData::Init()
{
    return Ref::Init();
}

void SettingData::InitializeDB()
{
    // The controller creates the settings database on its first use.
    SettingDBController::GetInstance();
}

void SettingData::UpgradeDB(double version)
{
    SettingDBController::GetInstance()->UpgradeDB(version);
}

void SettingData::LoadData()
{
    mSettingPtr = SettingDBController::GetInstance()->Select();
}

// Whole-row write of the in-memory record.
void SettingData::Store()
{
    SettingDBController::GetInstance()->Update(mSettingPtr);
}

int32_t SettingData::GetTemperatureUnit()
{
    RETURN_IF(!mSettingPtr, 0);
    return mSettingPtr->GetTemperatureUnit();
}

int32_t SettingData::GetAutoRefreshInterval()
{
    RETURN_IF(!mSettingPtr, 0);
    return mSettingPtr->GetAutoRefreshInterval();
}

bool SettingData::GetShowCurrentCityAgreement()
{
    RETURN_IF(!mSettingPtr, false);
    return mSettingPtr->GetShowCurrentCityAgreement();
}

bool SettingData::GetUseCurrentLocationOn()
{
    RETURN_IF(!mSettingPtr, false);
    return mSettingPtr->GetUseCurrentLocationOn();
}

std::string SettingData::GetLocationIdOfDisplayCity()
{
    RETURN_IF(!mSettingPtr, "");
    return mSettingPtr->GetCurrentCityLocationId();
}

int64_t SettingData::GetLastRefreshedTime()
{
    RETURN_IF(!mSettingPtr, 0);
    return mSettingPtr->GetLastRefreshedTime();
}

bool SettingData::GetIsFirstLaunch()
{
    RETURN_IF(!mSettingPtr, false);
    return mSettingPtr->GetIsFirstLaunch();
}

bool SettingData::GetNotificationOn()
{
    return mSettingPtr ? mSettingPtr->GetNotificationOn() : false;
}

std::string SettingData::GetCpType()
{
    return mSettingPtr ? mSettingPtr->GetCpType() : "";
}

std::string SettingData::GetDaemonType()
{
    return mSettingPtr ? mSettingPtr->GetDaemonType() : "";
}

void SettingData::SetTemperatureUnit(int32_t unit)
{
    if (!mSettingPtr)
        return;
    RETURN_IF_NOTE(mSettingPtr->GetTemperatureUnit() == unit, "same temp unit type. so we don't need to set to DB");
    mSettingPtr->SetTemperatureUnit(unit);
    Store();
}

void SettingData::SetAutoRefreshInterval(int32_t interval)
{
    RETURN_IF(!mSettingPtr);
    mSettingPtr->SetAutoRefreshInterval(interval);
    Store();
}

void SettingData::SetShowCurrentCityAgreement(bool agreed)
{
    RETURN_IF(!mSettingPtr);
    if (mSettingPtr->GetShowCurrentCityAgreement() == agreed)
        return;
    mSettingPtr->SetLastRefreshedTime(TimeHelper::GetInstance()->GetCurrentTimeMSec());
    mSettingPtr->SetShowCurrentCityAgreement(agreed);
    Store();
}

void SettingData::SetUseCurrentLocationOn(bool on)
{
    RETURN_IF(!mSettingPtr);
    if (mSettingPtr->GetUseCurrentLocationOn() == on)
        return;
    mSettingPtr->SetLastRefreshedTime(TimeHelper::GetInstance()->GetCurrentTimeMSec());
    mSettingPtr->SetUseCurrentLocationOn(on);
    Store();
}

void SettingData::SetLocationIdOfDisplayCity(const std::string& locationId)
{
    RETURN_IF(!mSettingPtr);
    mSettingPtr->SetCurrentCityLocationId(locationId);
    Store();
}

void SettingData::SetNotificationOn(bool on)
{
    if (!mSettingPtr)
        return;
    mSettingPtr->SetNotificationOn(on);
    Store();
}

void SettingData::SetNotificationPopup(bool on)
{
    if (!mSettingPtr)
        return;
    mSettingPtr->SetNotificationPopup(on);
    Store();
}

void SettingData::SetNotificationTime(uint32_t time)
{
    if (!mSettingPtr)
        return;
    mSettingPtr->SetNotificationTime(time);
    Store();
}

void SettingData::SetIsFirstLaunch(bool isFirstLaunch)
{
    if (!mSettingPtr)
        return;
    mSettingPtr->SetIsFirstLaunch(isFirstLaunch);
    Store();
}

void SettingData::SetCpType(const std::string& cpType)
{
    if (!mSettingPtr)
        return;
    mSettingPtr->SetCpType(cpType);
    Store();
}

void SettingData::SetLastRefreshedTime(int64_t time)
{
    if (!mSettingPtr)
        return;
    mSettingPtr->SetLastRefreshedTime(time);
    // The controller re-reads the row, sets the time, clears the refreshing flag.
    SettingDBController::GetInstance()->UpdateLastRefreshedTime(time);
}

void SettingData::SetSetting(const std::shared_ptr<Setting>& settingPtr)
{
    mSettingPtr = settingPtr;
    Store();
}
