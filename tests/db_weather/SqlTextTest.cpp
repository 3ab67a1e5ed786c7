#include <gtest/gtest.h>

#include <string>

#include "DeviceFixture.h"
#include "SqliteTestUtil.h"
#include "WeatherTestSupport.h"
#include "../utils/LogLines.h"
#include "db/DBConnector.h"
#include "db/HourlyWeatherDBController.h"
#include "db/LifeIndexWeatherDBController.h"
#include "db/MoonPhaseDBController.h"
#include "db/WeatherDBController.h"
#include "db/WeeklyWeatherDBController.h"
#include "db/YesterdayWeatherDBController.h"

using namespace weather_test;
using sqlite_test::ExecSql;

namespace {

const char* const kForeignKey = "FOREIGN KEY(FK_ID) REFERENCES CITY_TABLE(PK_ID) ON DELETE CASCADE ON UPDATE CASCADE);";

const char* const kLifeIndexColumns =
    "humidity,sunsetTime,sunriseTime,pm25,pm10,aqi,uvIndex,outdoorExcercise,comfort,clothing,skincare,carwash,"
    "foodPoison,heat,spoiledFood,discomfort,frozenPipes,frostbite,cold,pollen,airDust,drySkin,realfeel,precType,"
    "precProbability,precAmount,precProbabilityNight,precAmountNight,uvIndexText,pressure,windDirection,windSpeed,"
    "windSpeedUnit,windCardinal,rainProbability,rainProbabilityNight,snowProbability,snowProbabilityNight,"
    "iceProbability,iceProbabilityNight,precAmountSnow,precAmountSnowNight,precAmountIce,precAmountIceNight,"
    "allergy,airPolution,traffic,fishing,dryClothing,cosmetic,visibility,heatStroke,khai,windNightSpeed,"
    "windNightDirection,windNightCardinal";

std::string Placeholders(int count)
{
    std::string text;
    for (int i = 0; i < count; i++)
        text += i ? ", ?" : "?";
    return text;
}

} // namespace

// The texts the controllers make from their column tables, against the texts
// written out by hand.
TEST(SqlText, CreateTextsAreTheStoredSchemas)
{
    const struct {
        std::string made;
        std::string literal;
    } cases[] = {
        {LifeIndexWeatherDBController::GetCreateTableText(),
         std::string("CREATE TABLE IF NOT EXISTS %q (FK_ID INTEGER, humidity\tINTEGER, sunsetTime\tINT64, "
                     "sunriseTime\tINT64, pm25\tINTEGER, pm10\tINTEGER, aqi\tINTEGER, uvIndex\tINTEGER, "
                     "outdoorExcercise\tINTEGER, comfort\tINTEGER, clothing\tINTEGER, skincare\tINTEGER, "
                     "carwash\tINTEGER, foodPoison\tINTEGER, heat\tINTEGER, spoiledFood\tINTEGER, "
                     "discomfort\tINTEGER, frozenPipes\tINTEGER, frostbite\tINTEGER, cold\t\tINTEGER, "
                     "pollen\tINTEGER, airDust\tINTEGER, drySkin\tINTEGER, realfeel\tDOUBLE, precType\tINTEGER, "
                     "precProbability\tDOUBLE, precAmount\tDOUBLE, precProbabilityNight\tDOUBLE, "
                     "precAmountNight\tDOUBLE, uvIndexText\tTEXT, pressure\tDOUBLE, windDirection\tDOUBLE, "
                     "windSpeed\tDOUBLE, windSpeedUnit\tINTEGER, windCardinal\tTEXT, rainProbability\tDOUBLE, "
                     "rainProbabilityNight\tDOUBLE, snowProbability\tDOUBLE, snowProbabilityNight\tDOUBLE, "
                     "iceProbability\tDOUBLE, iceProbabilityNight\tDOUBLE, precAmountSnow\tDOUBLE, "
                     "precAmountSnowNight\tDOUBLE, precAmountIce\tDOUBLE, precAmountIceNight\tDOUBLE, "
                     "allergy\t\tINTEGER, airPolution\t\tINTEGER, traffic\t\tINTEGER, fishing\t\tINTEGER, "
                     "dryClothing\t\tINTEGER, cosmetic\t\tINTEGER, visibility\t\tDOUBLE, heatStroke\tINTEGER, "
                     "khai\t\tINTEGER, windNightSpeed\tDOUBLE, windNightDirection\tDOUBLE, windNightCardinal\tTEXT, ") +
             kForeignKey},
        {WeeklyWeatherDBController::GetCreateTableText(),
         std::string("CREATE TABLE IF NOT EXISTS %q (FK_ID\t\t\t\tINTEGER, weeklyIndex\t\t\tINTEGER, "
                     "weatherIcon\t\t\tINTEGER, weatherStatus\t\tTEXT, curTemperature\t\tDOUBLE, "
                     "lowTemperature\t\tDOUBLE, highTemperature\t\tDOUBLE, date\t\t\t\tINT64, websiteUrl \t\tTEXT, "
                     "serverWeatherIcon\tINTEGER, ") +
             kForeignKey},
        {HourlyWeatherDBController::GetCreateTableText(),
         std::string("CREATE TABLE IF NOT EXISTS %q (FK_ID\t\t\t\tINTEGER, hourlyIndex\t\t\tINTEGER, "
                     "hour\t\t\t\tINT64, weatherIcon\t\t\tINTEGER, weatherStatus\t\tTEXT, curTemperature\t\tDOUBLE, "
                     "lowTemperature\t\tDOUBLE, highTemperature\t\tDOUBLE, websiteUrl\t\t\tTEXT, "
                     "precProbability\t\tDOUBLE, serverWeatherIcon\tINTEGER, ") +
             kForeignKey},
        {YesterdayWeatherDBController::GetCreateTableText(),
         std::string("CREATE TABLE IF NOT EXISTS %q (FK_ID\t\t\t\tINTEGER, hourlyIndex\t\t\tINTEGER, "
                     "hour\t\t\t\tINT64, weatherIcon\t\t\tINTEGER, weatherStatus\t\tTEXT, curTemperature\t\tDOUBLE, "
                     "websiteUrl\t\t\tTEXT, serverWeatherIcon\tINTEGER, ") +
             kForeignKey},
        {MoonPhaseDBController::GetCreateTableText(),
         std::string("CREATE TABLE IF NOT EXISTS %q (FK_ID\t\t\t\tINTEGER, moonPhaseIndex\t\tINTEGER, "
                     "locationID\t\t\tTEXT, date\t\t\t\tINT64, moonRiseTime\t\tINT64, moonSetTime\t\t\tINT64, "
                     "phaseText\t\t\tTEXT, age\t\t\t\tINTEGER, ") +
             kForeignKey},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.made, c.literal);
}

// A failed prepare logs the statement's text. With the tables renamed away,
// every statement of a city's insert, update and read shows its text, once
// per record: a failed prepare is not kept, and an empty vector prepares nothing.
TEST(SqlText, StatementTextsArePreparedPerRecordAndNeverForAnEmptyVector)
{
    FreshDbDir();
    WeatherDBController* db = WeatherDBController::GetInstance();
    ASSERT_TRUE(db->Init());
    const std::string file = db->GetWeatherDBFilePath();
    CityPtr cityPtr = MakeFullCity(1, 3, 0, 2, 0);
    db->InsertCity(cityPtr);
    ASSERT_TRUE(ExecSql(file, "ALTER TABLE LIFE_INDEX_WEATHER_TABLE RENAME TO L; ALTER TABLE WEEKLY_WEATHER_TABLE "
                              "RENAME TO W; ALTER TABLE HOURLY_WEATHER_TABLE RENAME TO H; ALTER TABLE "
                              "YESTERDAY_WEATHER_TABLE RENAME TO Y;"));

    LogCapture capture;
    db->UpdateCity(cityPtr);
    std::string assignments;
    for (std::string rest = kLifeIndexColumns; !rest.empty();) {
        size_t comma = rest.find(',');
        assignments += (assignments.empty() ? "" : ",") + rest.substr(0, comma) + " = ?";
        rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
    }
    EXPECT_EQ(capture.Count("Query: UPDATE LIFE_INDEX_WEATHER_TABLE SET " + assignments + " WHERE FK_ID = ?"), 1u);
    EXPECT_EQ(capture.Count("Query: UPDATE WEEKLY_WEATHER_TABLE SET weatherIcon = ?,weatherStatus = ?,"
                            "curTemperature = ?,lowTemperature = ?,highTemperature = ?,date = ?,websiteUrl = ?,"
                            "serverWeatherIcon = ? WHERE FK_ID = ? AND weeklyIndex = ?;"),
              3u);
    EXPECT_EQ(capture.Count("Query: UPDATE YESTERDAY_WEATHER_TABLE SET hour = ?,weatherIcon = ?,weatherStatus = ?,"
                            "curTemperature = ?,websiteUrl = ?,serverWeatherIcon = ? WHERE FK_ID = ? AND "
                            "hourlyIndex = ?;"),
              2u);
    // The hourly rows are replaced: their delete runs, their empty insert does not.
    EXPECT_EQ(capture.Count("Query: DELETE FROM HOURLY_WEATHER_TABLE WHERE FK_ID=?;"), 1u);
    EXPECT_EQ(capture.Count("Query: INSERT INTO HOURLY_WEATHER_TABLE"), 0u);

    capture.Clear();
    ASSERT_TRUE(db->Init());
    ASSERT_TRUE(ExecSql(file, "ALTER TABLE LIFE_INDEX_WEATHER_TABLE RENAME TO L; ALTER TABLE WEEKLY_WEATHER_TABLE "
                              "RENAME TO W; ALTER TABLE HOURLY_WEATHER_TABLE RENAME TO H;"));
    db->InsertCity(MakeFullCity(2, 2, 3, 0, 0));
    EXPECT_EQ(capture.Count("Query: INSERT INTO LIFE_INDEX_WEATHER_TABLE (FK_ID," + std::string(kLifeIndexColumns) +
                            ") VALUES ( " + Placeholders(57) + ")"),
              1u);
    EXPECT_EQ(
        capture.Count("Query: INSERT INTO WEEKLY_WEATHER_TABLE (FK_ID,weeklyIndex,weatherIcon,weatherStatus,"
                      "curTemperature,lowTemperature,highTemperature,date,websiteUrl,serverWeatherIcon) VALUES ( " +
                      Placeholders(10) + ")"),
        2u);
    EXPECT_EQ(capture.Count("Query: INSERT INTO HOURLY_WEATHER_TABLE (FK_ID,hourlyIndex,hour,weatherIcon,"
                            "weatherStatus,curTemperature,lowTemperature,highTemperature,websiteUrl,precProbability,"
                            "serverWeatherIcon) VALUES ( " +
                            Placeholders(11) + ")"),
              3u);
    EXPECT_EQ(capture.Count("Query: INSERT INTO YESTERDAY_WEATHER_TABLE"), 0u);
}

// Each line names the operation that logs it and the file it lives in.
TEST(SqlText, LinesNameTheOperationAndItsFile)
{
    FreshDbDir();
    WeatherDBController* db = WeatherDBController::GetInstance();
    ASSERT_TRUE(db->Init());
    LogCapture capture;

    HourlyWeatherDBController::GetInstance()->Insert(nullptr, 1);
    YesterdayWeatherDBController::GetInstance()->Update(nullptr, 1);
    CityPtr cityPtr = MakeFullCity(3);
    cityPtr->SetIsCurrentLocation(false);
    db->InsertCity(cityPtr);
    // A device without cities has nothing to migrate and says nothing about it.
    FreshDbDir();
    ASSERT_TRUE(db->Init());
    db->UpgradeDB(1.9);
    DBConnector::GetInstance()->DBFinalize();

    EXPECT_TRUE(utils_test::HasGuard(capture, "HourlyWeatherDBController.cpp", "Insert", "!hourlyPtrVector"));
    EXPECT_TRUE(utils_test::HasGuard(capture, "YesterdayWeatherDBController.cpp", "Update", "!hourlyPtrVector"));
    EXPECT_TRUE(utils_test::HasLine(capture, "CityDBController.cpp", "Insert",
                                    "[Insert(): N] (cityPtr->GetIsCurrentLocation() == false) [break]"));
    EXPECT_TRUE(utils_test::HasLine(capture, "DBConnector.cpp", "DBEndTransaction", "sqlite3_exec fail"));
    EXPECT_EQ(capture.Count("cityPtrVector"), 0u);
    EXPECT_EQ(capture.Count("UpgradeDBTables < 2.0"), 1u);
}
