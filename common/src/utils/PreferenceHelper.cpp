#include "utils/PreferenceHelper.h"

#include "utils/TimeHelper.h"

namespace {

const char* const kIconConvertedKey = "file/private/com.velurio.weather/is_weather_icon_converted_to_common_resource";
const char* const kRefreshingKey = "file/private/com.velurio.weather/weather_information_refreshing";
const char* const kRefreshingStartTimeKey = "file/private/com.velurio.weather/weather_info_refreshing_starttime";
const char* const kShowChinaPermPopKey = "file/private/com.velurio.weather/show_china_perm_pop_on";

constexpr unsigned int kRefreshTimeoutSec = 90;
constexpr unsigned int kOneDaySec = 86400;

} // namespace

DEFINE_SINGLETON(PreferenceHelper)

bool PreferenceHelper::Init()
{
    return true;
}

void PreferenceHelper::SetIsWeatherIconConvertedToCommonResource(bool value)
{
    LOGE("[Value : %d]", value ? 1 : 0);
    int ret = preference_set_boolean(kIconConvertedKey, value);
    if (ret != PREFERENCE_ERROR_NONE)
        LOGE("Failed to set preference [ret : %d]", ret);
}

bool PreferenceHelper::GetIsWeatherIconConvertedToCommonResource()
{
    bool value = false;
    int ret = preference_get_boolean(kIconConvertedKey, &value);
    if (ret == PREFERENCE_ERROR_NO_KEY) {
        LOGE("Not found key [%s]", kIconConvertedKey);
        SetIsWeatherIconConvertedToCommonResource(true);
    } else if (ret != PREFERENCE_ERROR_NONE) {
        LOGE("Failed to get preference [ret : %d]", ret);
    }
    return value;
}

void PreferenceHelper::SetWeatherInfoRefreshing(bool value)
{
    bool oldValue = false;
    RETURN_IF_NOTE(preference_get_boolean(kRefreshingKey, &oldValue) == PREFERENCE_ERROR_NONE && oldValue == value,
                   "oldValue is same with value. so we don't need to set");

    if (preference_set_boolean(kRefreshingKey, value) != PREFERENCE_ERROR_NONE)
        LOGE("preference_set_boolean failed(%s)", kRefreshingKey);

    // Stamped even when the flag could not be written: readers time out on it.
    if (value)
        SetWeatherInfoRefreshingStartTime(TimeHelper::GetInstance()->GetCurrentTime());
}

bool PreferenceHelper::GetWeatherInfoRefreshing()
{
    bool value = false;
    int ret = preference_get_boolean(kRefreshingKey, &value);
    if (ret == PREFERENCE_ERROR_NO_KEY)
        SetWeatherInfoRefreshing(false);
    else if (ret != PREFERENCE_ERROR_NONE)
        LOGE("preference_get_boolean failed(%s)", kRefreshingKey);

    unsigned int startTime = static_cast<unsigned int>(GetWeatherInfoRefreshingStartTime());
    if (!value)
        return false;

    // Unsigned on purpose: a missing start time (-1) wraps and reads as over.
    unsigned int now = TimeHelper::GetInstance()->GetCurrentTime();
    if (startTime + kRefreshTimeoutSec >= now)
        return true;

    LOGE("now is refreshing. but time over.");
    SetWeatherInfoRefreshing(false);
    return false;
}

void PreferenceHelper::SetWeatherInfoRefreshingStartTime(unsigned int startTime)
{
    if (preference_set_int(kRefreshingStartTimeKey, static_cast<int>(startTime)) != PREFERENCE_ERROR_NONE)
        LOGE("preference_set_int failed(%s)", kRefreshingStartTimeKey);
}

int PreferenceHelper::GetWeatherInfoRefreshingStartTime()
{
    int value = -1;
    int ret = preference_get_int(kRefreshingStartTimeKey, &value);
    if (ret == PREFERENCE_ERROR_NO_KEY) {
        SetWeatherInfoRefreshingStartTime(TimeHelper::GetInstance()->GetCurrentTime() - kOneDaySec);
        return -1;
    }
    if (ret != PREFERENCE_ERROR_NONE) {
        LOGE("preference_get_int failed(%s)", kRefreshingStartTimeKey);
        return -1;
    }
    return value;
}

int PreferenceHelper::SetWeatherInfoRefreshingChangedCb(preference_changed_cb callback, void* userData)
{
    int ret = preference_set_changed_cb(kRefreshingKey, callback, userData);
    if (ret == PREFERENCE_ERROR_NO_KEY) {
        // The store only watches existing keys.
        SetWeatherInfoRefreshing(false);
        ret = preference_set_changed_cb(kRefreshingKey, callback, userData);
        if (ret != PREFERENCE_ERROR_NONE)
            LOGE("preference_set_changed_cb failed(%s)", kRefreshingKey);
    } else if (ret != PREFERENCE_ERROR_NONE) {
        LOGE("preference_set_changed_cb failed(%s)", kRefreshingKey);
    }
    return ret;
}

void PreferenceHelper::SetShowChinaPermPopOn(bool value)
{
    if (preference_set_boolean(kShowChinaPermPopKey, value) != PREFERENCE_ERROR_NONE)
        LOGE("preference_set_boolean failed(%s)", kShowChinaPermPopKey);
}

bool PreferenceHelper::GetShowChinaPermPopOn()
{
    bool value = true;
    int ret = preference_get_boolean(kShowChinaPermPopKey, &value);
    if (ret == PREFERENCE_ERROR_NO_KEY)
        SetShowChinaPermPopOn(true);
    else if (ret != PREFERENCE_ERROR_NONE)
        LOGE("preference_get_boolean failed(%s)", kShowChinaPermPopKey);
    return value;
}
