#include <gtest/gtest.h>

#include <device/host.h>
#include <device/preference.h>

#include <ctime>

#include "LogLines.h"
#include "PreferenceHelper.h"

using utils_test::HasLine;

namespace {

const char* const kFile = "PreferenceHelper.cpp";
const char* const kRefreshingKey = "file/private/com.velurio.weather/weather_information_refreshing";
const char* const kStartTimeKey = "file/private/com.velurio.weather/weather_info_refreshing_starttime";

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

    // A refresh that claims to have started `age` seconds ago.
    static void StartRefresh(int age)
    {
        ASSERT_EQ(PREFERENCE_ERROR_NONE, preference_set_boolean(kRefreshingKey, true));
        ASSERT_EQ(PREFERENCE_ERROR_NONE, preference_set_int(kStartTimeKey, Now() - age));
    }
};

} // namespace

TEST_F(PreferenceHelperTest, RefreshFlagTimesOutAfterNinetySeconds)
{
    StartRefresh(89);
    EXPECT_TRUE(Prefs()->GetWeatherInfoRefreshing());
    EXPECT_TRUE(StoredFlag());

    StartRefresh(91);
    LogCapture log;
    EXPECT_FALSE(Prefs()->GetWeatherInfoRefreshing());
    EXPECT_TRUE(HasLine(log, kFile, "GetWeatherInfoRefreshing", "now is refreshing. but time over."));
    EXPECT_FALSE(StoredFlag());
}

TEST_F(PreferenceHelperTest, RefreshFlagWithoutStartTimeReadsOver)
{
    ASSERT_EQ(PREFERENCE_ERROR_NONE, preference_set_boolean(kRefreshingKey, true));
    LogCapture log;
    int before = Now();
    EXPECT_FALSE(Prefs()->GetWeatherInfoRefreshing());
    EXPECT_TRUE(HasLine(log, kFile, "GetWeatherInfoRefreshing", "now is refreshing. but time over."));
    EXPECT_FALSE(StoredFlag());
    // The missing start time is created a day in the past.
    EXPECT_GE(StoredStartTime(), before - 86400);
    EXPECT_LE(StoredStartTime(), Now() - 86400);
}

TEST_F(PreferenceHelperTest, SettingTheStoredValueWritesNothing)
{
    StartRefresh(30);
    const int stamped = StoredStartTime();
    // Any write would fail and say so.
    device::SetFault("preference_set_boolean", device::Fault::Error);
    device::SetFault("preference_set_int", device::Fault::Error);
    LogCapture log;
    Prefs()->SetWeatherInfoRefreshing(true);
    EXPECT_TRUE(HasLine(log, kFile, "SetWeatherInfoRefreshing",
                        "[SetWeatherInfoRefreshing(): N] oldValue is same with value. so we don't need to set [return]"));
    EXPECT_EQ(1u, log.Lines().size());
    EXPECT_EQ(stamped, StoredStartTime());
}

TEST_F(PreferenceHelperTest, SettingTrueStampsStartTimeEvenWhenFlagWriteFails)
{
    ASSERT_EQ(PREFERENCE_ERROR_NONE, preference_set_boolean(kRefreshingKey, false));
    ASSERT_EQ(PREFERENCE_ERROR_NONE, preference_set_int(kStartTimeKey, 5));
    device::SetFault("preference_set_boolean", device::Fault::Error);
    LogCapture log;
    int before = Now();
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
    EXPECT_TRUE(HasLine(log, kFile, "GetIsWeatherIconConvertedToCommonResource",
                        "Not found key [file/private/com.velurio.weather/is_weather_icon_converted_to_common_resource]"));
    EXPECT_TRUE(Prefs()->GetIsWeatherIconConvertedToCommonResource());

    EXPECT_EQ(PREFERENCE_ERROR_NONE, Prefs()->SetWeatherInfoRefreshingChangedCb([](const char*, void*) {}, nullptr));
    EXPECT_FALSE(StoredFlag());
    preference_unset_changed_cb(kRefreshingKey);
}
