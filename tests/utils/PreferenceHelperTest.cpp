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
