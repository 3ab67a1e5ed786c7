#include "typedef/Setting.h"

bool Setting::Init()
{
    Ref::Init();
    mCurrentCityIndex = 0;
    mTemperatureUnit = 1;
    mLastRefreshedTime = 0;
    mCurrentLocationAreaRefreshedTime = 0;
    mIsFirstLaunch = true;
    mAutoRefreshOn = true;
    mAutoRefreshInterval = 6;
    mShowCurrentCityAgreement = false;
    mUseCurrentLocationOn = false;
    mRefreshOnOpeningOn = false;
    mRefreshOnOpeningOnAgreement = false;
    mNotificationOn = true;
    mNotificationTime = 0;
    mNetworkPositionPopupAgreement = false;
    mShowNetworkPopup = false;
    mChinaDataGPSPerformPopupOn = false;
    mAutoScrollOn = false;
    mAutoScrollInterval = 0;
    mLastUpdateLanguageCode = "en";
    mCpType = "TWC";
    mDaemonType = "RI_DAEMON";
    mCurrentCityLocationId = "";
    mIsNowRefreshing = false;
    mIsSupportManualRefresh = false;
    mRefreshingStartTime = 0;
    mNotificationPopup = true;
    return true;
}
