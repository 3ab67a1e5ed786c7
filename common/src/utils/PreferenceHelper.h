#ifndef WEATHER_COMMON_PREFERENCE_HELPER_H
#define WEATHER_COMMON_PREFERENCE_HELPER_H

#include <device/preference.h>

#include "utils/Pattern.h"

// The flags the weather applications share through the preference store.
// A missing key reads as its default and is created on the way.
class PreferenceHelper {
public:
    DECLARE_SINGLETON(PreferenceHelper);

    virtual bool Init();
    virtual ~PreferenceHelper() = default;

    void SetIsWeatherIconConvertedToCommonResource(bool value);
    bool GetIsWeatherIconConvertedToCommonResource();

    // A refresh claimed to run for more than 90 seconds reads as over.
    void SetWeatherInfoRefreshing(bool value);
    bool GetWeatherInfoRefreshing();
    void SetWeatherInfoRefreshingStartTime(unsigned int startTime);
    // -1 when the key is missing.
    int GetWeatherInfoRefreshingStartTime();
    // The store's error code, 0 on success.
    int SetWeatherInfoRefreshingChangedCb(preference_changed_cb callback, void* userData);

    void SetShowChinaPermPopOn(bool value);
    bool GetShowChinaPermPopOn();

private:
    PreferenceHelper() = default;
};

#endif
