#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "SqliteTestUtil.h"
#include "db/DBConnector.h"
#include "db/WeatherDBController.h"
#include "WeatherTestSupport.h"

using namespace weather_test;
using sqlite_test::QueryRows;
using sqlite_test::Rows;

namespace {

WeatherDBController* Db()
{
    return WeatherDBController::GetInstance();
}

// A clean weather file with all tables, as at first start.
std::string FreshWeatherFile()
{
    FreshDbDir();
    EXPECT_TRUE(Db()->Init());
    return Db()->GetWeatherDBFilePath();
}

std::vector<int> PageIndexesInKeyOrder(const std::string& file)
{
    std::vector<int> pages;
    for (const auto& row : QueryRows(file, "SELECT pageIndex FROM CITY_TABLE ORDER BY PK_ID"))
        pages.push_back(std::stoi(row[0]));
    return pages;
}

} // namespace

TEST(WeatherStorage, EveryFieldOfEveryTableSurvivesAWriteAndARead)
{
    std::string file = FreshWeatherFile();
    CityPtr first = MakeFullCity(1), second = MakeFullCity(2, 8, 24, 24, 3);
    Db()->InsertCity(first);
    Db()->InsertCity(second);
    Db()->UpdateMoonPhase(first);
    Db()->UpdateMoonPhase(second);
    // New cities go to the end of the list.
    EXPECT_EQ(first->GetPageIndex(), 0);
    EXPECT_EQ(second->GetPageIndex(), 1);

    CityPtrVectorPtr all = Db()->SelectAllCity();
    ASSERT_TRUE(all);
    ASSERT_EQ(all->size(), 2u);
    ExpectCityEq(all->at(0), first);
    ExpectCityEq(all->at(1), second);
    ExpectCityEq(Db()->SelectCity(std::string("loc-2")), second);
    ExpectCityEq(Db()->SelectCity(0), first);
    EXPECT_EQ(QueryRows(file, "SELECT weeklyIndex FROM WEEKLY_WEATHER_TABLE WHERE FK_ID = 1"),
              (Rows{{"0"}, {"1"}, {"2"}, {"3"}, {"4"}, {"5"}, {"6"}, {"7"}}));

    // Temperatures are written half up to one decimal and read back cut in both scales;
    // the realfeel follows the same rule, other doubles keep all their decimals.
    CityPtr city = MakeFullCity(3, 1, 1, 1, 0);
    city->GetCurrent()->GetCurTemperature()->SetCelsius(21.25);
    city->GetCurrent()->GetLowTemperature()->SetCelsius(-0.04);
    city->GetCurrent()->GetHighTemperature()->SetCelsius(-3.66);
    city->GetLifeIndex()->GetRealfeel()->SetCelsius(30.46);
    city->GetLifeIndex()->SetPressure(1013.123456789);
    Db()->InsertCity(city);
    CityPtr stored = Db()->SelectCity(std::string("loc-3"));
    ASSERT_TRUE(stored);
    EXPECT_DOUBLE_EQ(stored->GetCurrent()->GetCurTemperature()->GetCelsius(), 21.3);
    EXPECT_DOUBLE_EQ(stored->GetCurrent()->GetCurTemperature()->GetFahrenheit(), 70.3);
    EXPECT_DOUBLE_EQ(stored->GetCurrent()->GetLowTemperature()->GetCelsius(), 0.0);
    EXPECT_DOUBLE_EQ(stored->GetCurrent()->GetHighTemperature()->GetFahrenheit(), 25.3);
    EXPECT_DOUBLE_EQ(stored->GetLifeIndex()->GetRealfeel()->GetCelsius(), 30.5);
    EXPECT_DOUBLE_EQ(stored->GetLifeIndex()->GetPressure(), 1013.123456789);
    EXPECT_EQ(QueryRows(file, "SELECT realfeel FROM LIFE_INDEX_WEATHER_TABLE WHERE FK_ID = 3"), (Rows{{"30.5"}}));
}

// The one-pass read of a whole set gives, city by city, what the read per
// city gives: records in stored order, the first row of a one-row table, and
// no record or list where a table has no row of the city.
TEST(WeatherStorage, ReadingEachTableOnceGivesWhatReadingPerCityGives)
{
    std::string file = FreshWeatherFile();
    auto cities = std::make_shared<CityPtrVector>();
    cities->push_back(MakeFullCity(1, 8, 24, 24, 3));
    cities->push_back(MakeFullCity(2, 0, 5, 0, 0));
    cities->push_back(MakeFullCity(3, 2, 0, 1, 2));
    Db()->DeleteAndInsertCity(cities);
    for (const CityPtr& city : *cities)
        Db()->UpdateMoonPhase(city);
    ASSERT_TRUE(sqlite_test::ExecSql(file,
                                     "DELETE FROM CURRENT_WEATHER_TABLE WHERE FK_ID = 2;"
                                     "DELETE FROM LIFE_INDEX_WEATHER_TABLE WHERE FK_ID = 3;"
                                     "INSERT INTO CURRENT_WEATHER_TABLE (FK_ID, weatherIcon) VALUES (1, 77);"
                                     "INSERT INTO HOURLY_WEATHER_TABLE (FK_ID, hourlyIndex, hour) VALUES (9, 0, 5);"
                                     "UPDATE CITY_TABLE SET pageIndex = 2 - pageIndex;"));

    DBConnector* connector = DBConnector::GetInstance();
    ASSERT_TRUE(connector->DBInitialize(file, true));
    CityPtrVectorPtr perCity = Db()->DoSelectAllCity();
    CityPtrVectorPtr onePass = Db()->DoSelectAllCityInOnePass();
    connector->DBFinalize();
    ASSERT_TRUE(perCity && onePass);
    ASSERT_EQ(onePass->size(), 3u);
    ASSERT_EQ(perCity->size(), 3u);
    for (size_t i = 0; i < 3; i++)
        ExpectCityEq(onePass->at(i), perCity->at(i));
    EXPECT_EQ(onePass->at(0)->GetLocationId(), "loc-3");
    EXPECT_FALSE(onePass->at(0)->GetLifeIndex());
    EXPECT_FALSE(onePass->at(1)->GetCurrent());
    EXPECT_FALSE(onePass->at(1)->GetWeeklyPtrVector());
    EXPECT_NE(onePass->at(2)->GetCurrent()->GetWeatherIcon(), 77);

    FreshWeatherFile();
    ASSERT_TRUE(connector->DBInitialize(file, true));
    EXPECT_FALSE(Db()->DoSelectAllCityInOnePass());
    connector->DBFinalize();
}

TEST(WeatherStorage, UpdateReplacesHoursAndUpdatesOnlyTheStoredDays)
{
    std::string file = FreshWeatherFile();
    Db()->InsertCity(MakeFullCity(1));
    CityPtr changed = MakeFullCity(5, 3, 10, 24, 0);
    changed->SetLocationId("loc-1");
    changed->SetPageIndex(-1); // found again by its location ID
    Db()->UpdateCity(changed);
    EXPECT_EQ(changed->GetPageIndex(), 0);

    CityPtr stored = Db()->SelectCity(0);
    ASSERT_TRUE(stored);
    // Days 0-2 take the new values, days 3-7 stay; hours are replaced as a whole.
    CityPtr expected = MakeFullCity(5, 3, 10, 24, 0);
    expected->SetLocationId("loc-1");
    expected->SetPageIndex(0);
    expected->SetWidgetReferenceCount(MakeFullCity(1)->GetWidgetReferenceCount()); // not part of an update
    WeeklyPtrVectorPtr original = MakeFullCity(1)->GetWeeklyPtrVector();
    for (size_t i = 3; i < original->size(); i++)
        expected->GetWeeklyPtrVector()->push_back(original->at(i));
    ExpectCityEq(stored, expected, false);
    EXPECT_EQ(QueryRows(file, "SELECT COUNT(*) FROM HOURLY_WEATHER_TABLE"), (Rows{{"10"}}));

    // A city that is gone from the list is not written again.
    LogCapture capture;
    CityPtr removed = MakeFullCity(9);
    Db()->UpdateCity(removed);
    EXPECT_TRUE(
        capture.Contains("it means that the city has been removed from mobile. so we don't need update [return]"));
    EXPECT_EQ(Db()->GetNumberOfCities(), 1);
    EXPECT_EQ(QueryRows(file, "SELECT cityNameEng FROM CITY_TABLE"), (Rows{{"City 5"}}));
}

TEST(WeatherStorage, PageIndexesAfterDeleteAndReorder)
{
    std::string file = FreshWeatherFile();
    for (int i = 0; i < 3; i++)
        Db()->InsertCity(MakeFullCity(i));

    // Reorder passes the cities in their new order, each with its old page.
    auto reorder = std::make_shared<CityPtrVector>();
    for (int oldPage : {2, 0, 1}) {
        CityPtr cityPtr = City::Make();
        cityPtr->SetPageIndex(oldPage);
        reorder->push_back(cityPtr);
    }
    Db()->ReorderCity(reorder);
    EXPECT_EQ(PageIndexesInKeyOrder(file), (std::vector<int>{1, 2, 0}));
    auto ids = Db()->SelectAllLocationID();
    ASSERT_TRUE(ids);
    EXPECT_EQ(*ids, (std::vector<std::string>{"loc-2", "loc-0", "loc-1"}));

    // Deleting renumbers the survivors in key (insertion) order, not list order.
    Db()->DeleteCity(0); // loc-2
    EXPECT_EQ(QueryRows(file, "SELECT locationId, pageIndex FROM CITY_TABLE ORDER BY PK_ID"),
              (Rows{{"loc-0", "0"}, {"loc-1", "1"}}));
    for (const char* table : {"CURRENT_WEATHER_TABLE", "WEEKLY_WEATHER_TABLE", "HOURLY_WEATHER_TABLE",
                              "LIFE_INDEX_WEATHER_TABLE", "YESTERDAY_WEATHER_TABLE"})
        EXPECT_EQ(QueryRows(file, std::string("SELECT COUNT(*) FROM ") + table + " WHERE FK_ID = 3"), (Rows{{"0"}}))
            << table;

    Db()->DeleteCity(std::string("loc-0"));
    EXPECT_EQ(QueryRows(file, "SELECT locationId, pageIndex FROM CITY_TABLE"), (Rows{{"loc-1", "0"}}));
    // Unknown pages map to key 0, which matches no row.
    Db()->DeleteCity(7);
    EXPECT_EQ(Db()->GetNumberOfCities(), 1);

    Db()->DeleteAllCity();
    EXPECT_EQ(Db()->GetNumberOfCities(), 0);
    EXPECT_FALSE(Db()->SelectAllCity());
    EXPECT_FALSE(Db()->SelectAllLocationID());
}

TEST(WeatherStorage, CityLevelLookupsAndCounters)
{
    FreshWeatherFile();
    EXPECT_EQ(Db()->GetPageIndexOfCurrentCity(), -1);
    EXPECT_FALSE(Db()->IsCurrentLocationExist());
    EXPECT_EQ(Db()->GetLocationIdOfCurrentCity(), "");

    Db()->InsertCity(MakeFullCity(0));
    CityPtr here = MakeFullCity(1);
    here->SetIsCurrentLocation(true);
    Db()->InsertCity(here);
    EXPECT_EQ(here->GetLocationId(), "loc-1:CurrentCity");
    EXPECT_EQ(Db()->GetLocationIdOfCurrentCity(), "loc-1:CurrentCity");
    EXPECT_EQ(Db()->GetPageIndexOfCurrentCity(), 1);
    EXPECT_TRUE(Db()->IsCurrentLocationExist());
    EXPECT_EQ(Db()->GetPageIndexWithLocationID("loc-0"), 0);
    EXPECT_EQ(Db()->GetPageIndexWithLocationID("nowhere"), -1);
    EXPECT_EQ(Db()->SelectNeedToUpdateLocationID(), (std::vector<std::string>{"loc-0"}));
    EXPECT_FALSE(Db()->SelectCity(std::string("")));

    // Same ID and same current-location flag: nothing is inserted.
    LogCapture capture;
    Db()->InsertCity(MakeFullCity(0));
    EXPECT_TRUE(capture.Contains("There is a same city in DB"));
    EXPECT_EQ(Db()->GetNumberOfCities(), 2);

    Db()->UpdateWidgetReferenceCount("loc-0", false); // 0 stays 0
    EXPECT_EQ(Db()->SelectCity(0)->GetWidgetReferenceCount(), 0);
    Db()->UpdateWidgetReferenceCount("loc-0", true);
    Db()->UpdateWidgetReferenceCount("loc-0", true);
    Db()->UpdateWidgetReferenceCount("loc-0", false);
    EXPECT_EQ(Db()->SelectCity(0)->GetWidgetReferenceCount(), 1);

    // A city made with nothing but its ID is stored with the record's defaults.
    CityPtr bare = City::Make();
    bare->SetLocationId("loc-bare");
    Db()->InsertCity(bare);
    EXPECT_EQ(QueryRows(Db()->GetWeatherDBFilePath(),
                        "SELECT pageIndex, isCurrentLocation, isDayTime, isSummerTime, gmtOffset, refreshedTime, "
                        "localTime, widgetReferenceCount, needToUpdate FROM CITY_TABLE WHERE locationId = 'loc-bare'"),
              (Rows{{"2", "0", "1", "0", "0.0", "0", "0", "0", "1"}}));

    CityPtr link = City::Make();
    link->SetLocationId("loc-0");
    link->SetWebsiteUrl("https://example.invalid/new");
    Db()->UpdateMobileLink(link);
    EXPECT_EQ(Db()->SelectCity(0)->GetWebsiteUrl(), "https://example.invalid/new");
}

TEST(WeatherStorage, MoonPhasesAreReplacedByLocationAndCleanedUpAfterDeletion)
{
    std::string file = FreshWeatherFile();
    CityPtr kept = MakeFullCity(0, 1, 1, 1, 8), gone = MakeFullCity(1, 1, 1, 1, 8);
    Db()->InsertCity(kept);
    Db()->InsertCity(gone);
    Db()->UpdateMoonPhase(kept);
    Db()->UpdateMoonPhase(gone);

    // A shorter vector leaves no old rows behind.
    kept->GetMoonPhasePtrVector()->resize(2);
    Db()->UpdateMoonPhase(kept);
    EXPECT_EQ(Db()->SelectCity(0)->GetMoonPhasePtrVector()->size(), 2u);

    {
        LogCapture deleting;
        Db()->DeleteCity(std::string("loc-1"));
        EXPECT_EQ(deleting.Count("Fail to Delete"), 0u) << "each table's delete finished";
    }
    EXPECT_EQ(QueryRows(file, "SELECT COUNT(*) FROM MOON_PHASE_TABLE WHERE locationID = 'loc-1'"), (Rows{{"8"}}));
    Db()->DeleteUselessMoonPhase();
    EXPECT_EQ(QueryRows(file, "SELECT locationID, COUNT(*) FROM MOON_PHASE_TABLE GROUP BY locationID"),
              (Rows{{"loc-0", "2"}}));

    // Deleting all cities empties every city table, and only those.
    Db()->DeleteAllCity();
    for (const char* table : {"CITY_TABLE", "CURRENT_WEATHER_TABLE", "WEEKLY_WEATHER_TABLE", "HOURLY_WEATHER_TABLE",
                              "LIFE_INDEX_WEATHER_TABLE", "YESTERDAY_WEATHER_TABLE"})
        EXPECT_EQ(QueryRows(file, std::string("SELECT COUNT(*) FROM ") + table), (Rows{{"0"}})) << table;
    EXPECT_EQ(QueryRows(file, "SELECT COUNT(*) FROM MOON_PHASE_TABLE"), (Rows{{"2"}}));

    LogCapture capture;
    sqlite_test::ExecSql(file, "DELETE FROM MOON_PHASE_TABLE;");
    Db()->DeleteUselessMoonPhase();
    EXPECT_TRUE(capture.Contains("moonPhaseLocIdVector.size() < 1"));
}

TEST(WeatherStorage, OperationsGiveUpWithTheirFailureValueWhenTheFileCannotBeOpened)
{
    std::string dir = FreshDbDir();
    DeviceFixture::RemoveTree(dir); // no directory: nothing can be opened or created
    LogCapture capture;
    Db()->InsertCity(MakeFullCity(0));
    EXPECT_FALSE(Db()->SelectAllCity());
    EXPECT_FALSE(Db()->SelectCity(0));
    EXPECT_EQ(Db()->GetNumberOfCities(), -1);
    EXPECT_EQ(Db()->GetPageIndexOfCurrentCity(), -1);
    EXPECT_FALSE(Db()->IsCurrentLocationExist());
    EXPECT_EQ(Db()->GetLocationIdOfCurrentCity(), "");
    EXPECT_TRUE(Db()->SelectNeedToUpdateLocationID().empty());
    EXPECT_FALSE(Db()->Init());
    EXPECT_TRUE(capture.Contains("(dbConnector->DBInitialize(GetWeatherDBFilePath(), false) == false) [return]"));
    EXPECT_TRUE(capture.Contains("(dbConnector->DBInitialize(GetWeatherDBFilePath(), true) == false) [return]"));
    EXPECT_TRUE(
        capture.Contains("(dbConnector->DBInitializeForCreateTable(GetWeatherDBFilePath()) == false) [return]"));
    FreshDbDir();
}

TEST(WeatherStorage, IconLookupAnswersTheSuppliedRowsAndZeroOtherwise)
{
    std::ifstream source(WEATHER_SOURCE_DIR "/common/data/weathernews_icon.txt");
    ASSERT_TRUE(source);
    std::string line;
    int rows = 0;
    while (std::getline(source, line)) {
        std::istringstream fields(line.substr(0, line.find('#')));
        int icon, day, night;
        if (!(fields >> icon >> day >> night))
            continue;
        EXPECT_EQ(Db()->GetWeatherNewsIcon(icon, true), day) << icon;
        EXPECT_EQ(Db()->GetWeatherNewsIcon(icon, false), night) << icon;
        rows++;
    }
    EXPECT_GT(rows, 50);
    LogCapture capture;
    EXPECT_EQ(Db()->GetWeatherNewsIcon(99999, true), 0);
    EXPECT_EQ(Db()->GetWeatherNewsIcon(-1, false), 0);
    EXPECT_EQ(capture.Count("No result : 101"), 2u);
}
