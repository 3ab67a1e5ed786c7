#include <gtest/gtest.h>

#include "json/WeatherJsonBuilder.h"

TEST(HostDeviceMessageTest, RequestText)
{
    auto pairs = WeatherJsonBuilder::Make();
    EXPECT_EQ(HostDeviceMessageBuilder::Make(pairs.get())->MakeWeatherRequestMessage(),
              "{WEATHER_REQUEST:{FETCH_REQ:1,SHOW_SETTING_ON_DEVICE:0,UPDATED_BY_TAVO:0,}}");
    EXPECT_EQ(HostDeviceMessageBuilder::Make()->MakeWeatherRequestMessage(), "");
    EXPECT_EQ(pairs->MakeFetchRequest(-5), "FETCH_REQ:-5,");
    EXPECT_EQ(pairs->MakeUpdatedByTavo(INT32_MIN), "UPDATED_BY_TAVO:-2147483648,");
}
