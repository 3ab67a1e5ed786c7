#include <gtest/gtest.h>

#include "typedef/City.h"
#include "typedef/Temperature.h"
#include "typedef/Wind.h"

TEST(WeatherRecords, TemperatureIsCutTowardZeroInBothScales)
{
    TemperaturePtr t = Temperature::Make();
    struct Case {
        double celsius, expectedC, expectedF;
    } cases[] = {
        {21.37, 21.3, 70.4}, // 70.466 F
        {-3.35, -3.3, 25.9}, // cut toward zero, not down
        {21.3, 21.3, 70.3},  // 70.34 F
        {-3.7, -3.7, 25.3},  // 25.34 F
        {-16.0, -16.0, 3.1}, // 3.2 F is 3.1999... in binary: the cut keeps 3.1
        {-17.8, -17.8, 0.0}, // -0.04 F cuts to zero
        {0.0, 0.0, 32.0},
    };
    for (const Case& c : cases) {
        t->SetTemperature(c.celsius);
        EXPECT_DOUBLE_EQ(t->GetCelsius(), c.expectedC) << c.celsius;
        EXPECT_DOUBLE_EQ(t->GetFahrenheit(), c.expectedF) << c.celsius;
    }
    t->SetTemperature(9999.0); // the unsupported marker is kept, not converted
    EXPECT_EQ(t->GetCelsius(), 9999.0);
    EXPECT_EQ(t->GetFahrenheit(), 9999.0);
}

TEST(WeatherRecords, FreshRecordsHoldTheUnsupportedDefaults)
{
    CityPtr city = City::Make();
    ASSERT_TRUE(city);
    EXPECT_TRUE(city->GetIsDayTime());
    EXPECT_TRUE(city->GetNeedToUpdate());
    EXPECT_EQ(city->GetPageIndex(), -1);
    ASSERT_TRUE(city->GetCurrent() && city->GetLifeIndex() && city->GetWeeklyPtrVector() &&
                city->GetHourlyPtrVector() && city->GetYesterdayHourPtrVector() && city->GetMoonPhasePtrVector());
    EXPECT_TRUE(city->GetWeeklyPtrVector()->empty());
    EXPECT_EQ(city->GetCurrent()->GetWeatherIcon(), 9999);
    EXPECT_EQ(city->GetCurrent()->GetCurTemperature()->GetCelsius(), 9999.0);
    EXPECT_EQ(city->GetCurrent()->GetDate(), 0u);

    WindPtr wind = city->GetLifeIndex()->GetWind();
    ASSERT_TRUE(wind);
    EXPECT_EQ(wind->GetWindCardinal(), "9999");
    EXPECT_EQ(wind->GetWindNightCardinal(), "9999");
    EXPECT_EQ(wind->GetWindSpeedUnit(), 0);
    EXPECT_EQ(city->GetLifeIndex()->GetPrecipitation()->GetPrecType(), 9999);
    EXPECT_EQ(city->GetLifeIndex()->GetRealfeel()->GetFahrenheit(), 9999.0);

    HourlyPtr hourly = Hourly::Make();
    EXPECT_EQ(hourly->GetHour(), 9999u);
    EXPECT_EQ(hourly->GetPrecProbability(), 0.0);

    // Init resets the forecast but keeps the names that are set once.
    city->SetCountryNameEng("Korea");
    city->SetCityName("Seoul");
    city->SetPageIndex(3);
    HourlyPtr kept = Hourly::Make();
    city->GetHourlyPtrVector()->push_back(kept);
    ASSERT_TRUE(city->Init());
    EXPECT_EQ(city->GetCountryNameEng(), "Korea");
    EXPECT_EQ(city->GetCityName(), "");
    EXPECT_EQ(city->GetPageIndex(), -1);
    EXPECT_TRUE(city->GetHourlyPtrVector()->empty());
    EXPECT_EQ(kept.use_count(), 1); // a caller's hour outlives the city's old vector
}
