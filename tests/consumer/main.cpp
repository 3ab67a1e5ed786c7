// Prints the four backed-up weather settings as the data layer loads them
// from the device root ($WEATHER_DEVICE_ROOT), in the backup record's keys.
// Runs as an application of the weather package (WEATHER_DEVICE_APP_ID).

#include <cstdio>

#include "typedef/DataManager.h"

int main()
{
    DataManager* manager = DataManager::GetInstance();
    manager->InitializeDB();
    manager->LoadData();
    std::printf("{\"tempUnit\":%d,\"autoRefreshTimeInterval\":%d,\"useCurrentLocationAgreed\":%s,"
                "\"useNotification\":%s}\n",
                manager->GetTemperatureUnit(), manager->GetAutoRefreshInterval(),
                manager->GetShowCurrentCityAgreement() ? "true" : "false",
                manager->GetNotificationOn() ? "true" : "false");
    return 0;
}
