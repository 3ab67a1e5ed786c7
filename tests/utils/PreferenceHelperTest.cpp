#include <gtest/gtest.h>

#include <device/host.h>
#include <device/preference.h>

#include <ctime>

#include "LogLines.h"
#include "utils/PreferenceHelper.h"

using utils_test::HasLine;

namespace {

const char* const kFile = "PreferenceHelper.cpp";
const char* const kRefreshingKey = "file/private/com.velurio.weather/weather_information_refreshing";
const char* const kStartTimeKey = "file/private/com.velurio.weather/weather_info_refreshing_starttime";
const char* const kTimeOver = "now is refreshing. but time over.";

PreferenceHelper* Prefs()
{
    return PreferenceHelper::GetInstance();
}

int Now()
{
    return static_cast<int>(time(nullptr));
}

bool StoredFlag()
{
    bool value = false;
    EXPECT_EQ(PREFERENCE_ERROR_NONE, preference_get_boolean(kRefreshingKey, &value));
    return value;
}

int StoredStartTime()
{
    int value = 0;
    EXPECT_EQ(PREFERENCE_ERROR_NONE, preference_get_int(kStartTimeKey, &value));
    return value;
}

class PreferenceHelperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeviceFixture::Reset();
        ASSERT_EQ(PREFERENCE_ERROR_NONE, preference_remove_all());
    }
    void TearDown() override { DeviceFixture::Reset(); }
};

} // namespace

TEST_F(PreferenceHelperTest, RefreshFlagTimesOutAfterNinetySeconds)
{
    for (int age : {89, 91}) {
        ASSERT_EQ(PREFERENCE_ERROR_NONE, preference_set_boolean(kRefreshingKey, true));
        ASSERT_EQ(PREFERENCE_ERROR_NONE, preference_set_int(kStartTimeKey, Now() - age));
        LogCapture log;
        EXPECT_EQ(Prefs()->GetWeatherInfoRefreshing(), age < 90) << age;
        EXPECT_EQ(HasLine(log, kFile, "GetWeatherInfoRefreshing", kTimeOver), age > 90) << age;
        EXPECT_EQ(StoredFlag(), age < 90) << age;
    }

    // A missing start time is created a day in the past, so the flag reads over.
    ASSERT_EQ(PREFERENCE_ERROR_NONE, preference_remove(kStartTimeKey));
    ASSERT_EQ(PREFERENCE_ERROR_NONE, preference_set_boolean(kRefreshingKey, true));
    LogCapture log;
    const int before = Now();
    EXPECT_FALSE(Prefs()->GetWeatherInfoRefreshing());
    EXPECT_TRUE(HasLine(log, kFile, "GetWeatherInfoRefreshing", kTimeOver));
    EXPECT_FALSE(StoredFlag());
    EXPECT_GE(StoredStartTime(), before - 86400);
    EXPECT_LE(StoredStartTime(), Now() - 86400);
}

TEST_F(PreferenceHelperTest, SettingTrueStampsStartTimeUnlessAlreadySet)
{
    // The stored value: any write would fail and say so.
    ASSERT_EQ(PREFERENCE_ERROR_NONE, preference_set_boolean(kRefreshingKey, true));
    const int stamped = Now() - 30;
    ASSERT_EQ(PREFERENCE_ERROR_NONE, preference_set_int(kStartTimeKey, stamped));
    device::SetFault("preference_set_boolean", device::Fault::Error);
    device::SetFault("preference_set_int", device::Fault::Error);
    LogCapture log;
    Prefs()->SetWeatherInfoRefreshing(true);
    EXPECT_TRUE(
        HasLine(log, kFile, "SetWeatherInfoRefreshing",
                "[SetWeatherInfoRefreshing(): N] oldValue is same with value. so we don't need to set [return]"));
    EXPECT_EQ(1u, log.Lines().size());
    EXPECT_EQ(stamped, StoredStartTime());

    // A new value stamps the start time even when the flag write fails.
    device::ClearFaults();
    ASSERT_EQ(PREFERENCE_ERROR_NONE, preference_set_boolean(kRefreshingKey, false));
    device::SetFault("preference_set_boolean", device::Fault::Error);
    const int before = Now();
    Prefs()->SetWeatherInfoRefreshing(true);
    EXPECT_TRUE(HasLine(log, kFile, "SetWeatherInfoRefreshing",
                        std::string("preference_set_boolean failed(") + kRefreshingKey + ")"));
    EXPECT_FALSE(StoredFlag());
    EXPECT_GE(StoredStartTime(), before);
}

TEST_F(PreferenceHelperTest, MissingKeysReadAsDefaultsAndAreCreated)
{
    LogCapture log;
    // Created with true, but this first read still answers false.
    EXPECT_FALSE(Prefs()->GetIsWeatherIconConvertedToCommonResource());
    EXPECT_TRUE(
        HasLine(log, kFile, "GetIsWeatherIconConvertedToCommonResource",
                "Not found key [file/private/com.velurio.weather/is_weather_icon_converted_to_common_resource]"));
    EXPECT_TRUE(Prefs()->GetIsWeatherIconConvertedToCommonResource());

    EXPECT_EQ(PREFERENCE_ERROR_NONE, Prefs()->SetWeatherInfoRefreshingChangedCb([](const char*, void*) {}, nullptr));
    EXPECT_FALSE(StoredFlag());
    preference_unset_changed_cb(kRefreshingKey);
}

// The permission pop-up flag: on until turned off, missing reads as on and is
// stored so; failed store calls are logged and leave the answer at its default.
TEST_F(PreferenceHelperTest, PermissionPopUpFlagDefaultsToOn)
{
    const char* const key = "file/private/com.velurio.weather/show_china_perm_pop_on";
    preference_remove(key);
    EXPECT_TRUE(Prefs()->GetShowChinaPermPopOn());
    bool stored = false;
    EXPECT_EQ(preference_get_boolean(key, &stored), PREFERENCE_ERROR_NONE);
    EXPECT_TRUE(stored);
    Prefs()->SetShowChinaPermPopOn(false);
    EXPECT_FALSE(Prefs()->GetShowChinaPermPopOn());

    LogCapture log;
    const std::string failed = std::string("failed(") + key + ")";
    device::SetFault("preference_get_boolean", device::Fault::Error);
    EXPECT_TRUE(Prefs()->GetShowChinaPermPopOn());
    device::SetFault("preference_set_boolean", device::Fault::Error);
    Prefs()->SetShowChinaPermPopOn(true);
    Prefs()->SetIsWeatherIconConvertedToCommonResource(true);
    device::SetFault("preference_get_int", device::Fault::Error);
    EXPECT_EQ(Prefs()->GetWeatherInfoRefreshingStartTime(), -1);
    device::ClearFaults();
    EXPECT_TRUE(HasLine(log, kFile, "GetShowChinaPermPopOn", "preference_get_boolean " + failed));
    EXPECT_TRUE(HasLine(log, kFile, "SetShowChinaPermPopOn", "preference_set_boolean " + failed));
    EXPECT_TRUE(
        HasLine(log, kFile, "SetIsWeatherIconConvertedToCommonResource", "Failed to set preference [ret : -5]"));
    EXPECT_TRUE(HasLine(log, kFile, "GetWeatherInfoRefreshingStartTime",
                        std::string("preference_get_int failed(") + kStartTimeKey + ")"));
    EXPECT_FALSE(Prefs()->GetShowChinaPermPopOn());
}

// The store is the package's: the icon flag the service sets at its start is
// what the weather application and its agent read, and another package's
// applications do not see it.
TEST_F(PreferenceHelperTest, TheServicesIconFlagIsTheWeatherAppsFlag)
{
    const char* const kService = "com.velurio.weather-backuprestore";
    const struct {
        bool set;
    } cases[] = {{true}, {false}, {true}};
    for (const auto& c : cases) {
        DeviceFixture::SetAppId(kService);
        Prefs()->SetIsWeatherIconConvertedToCommonResource(c.set);
        for (const char* reader : {"com.velurio.weather", "com.velurio.weather-agent", kService}) {
            DeviceFixture::SetAppId(reader);
            EXPECT_EQ(Prefs()->GetIsWeatherIconConvertedToCommonResource(), c.set) << reader;
        }
    }
    EXPECT_EQ(device::PreferenceStorePath(kService), device::PreferenceStorePath("com.velurio.weather"));
    DeviceFixture::SetAppId("com.velurio.cloud-backup-client");
    bool value = false;
    EXPECT_EQ(
        preference_get_boolean("file/private/com.velurio.weather/is_weather_icon_converted_to_common_resource", &value),
        PREFERENCE_ERROR_NO_KEY);
    EXPECT_EQ(preference_remove_all(), PREFERENCE_ERROR_NONE);
    DeviceFixture::SetAppId("com.velurio.weather");
}
