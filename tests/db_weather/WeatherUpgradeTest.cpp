#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "OldDatabaseBuilder.h"
#include "db/SettingDBController.h"
#include "SqliteTestUtil.h"
#include "db/VersionDBController.h"
#include "db/WeatherDBController.h"
#include "WeatherTestSupport.h"

using namespace weather_test;
using sqlite_test::QueryRows;
using sqlite_test::Rows;

namespace {

constexpr double kUnsupported = 9999.0;

// What the data manager does at every start: create what is missing, then
// upgrade every database from the stored version and store 2.0.
double StartUp()
{
    WeatherDBController::GetInstance()->Init();
    SettingDBController::GetInstance()->Init();
    VersionDBController::GetInstance()->Init();
    double current = VersionDBController::GetInstance()->GetCurrentDBVersion();
    if (current < 2.0) {
        WeatherDBController::GetInstance()->UpgradeDB(current);
        SettingDBController::GetInstance()->UpgradeDB(current);
        VersionDBController::GetInstance()->UpgradeDB(2.0);
    }
    return current;
}

// The value an upgraded file holds: stored where the old file had the column, else the ALTER default.
double Value(double v, const std::string& table, const std::string& column, double stored)
{
    return old_db::HasColumn(table, column, v) ? stored : std::stod(old_db::Upgraded(v, table, column, ""));
}

// A list of count records made by make(row); no list at all when count is 0, as the reader gives it.
template <class T, class Make>
std::shared_ptr<std::vector<std::shared_ptr<T>>> ListOf(int count, Make make)
{
    if (count == 0)
        return nullptr;
    auto list = std::make_shared<std::vector<std::shared_ptr<T>>>();
    for (int row = 0; row < count; row++)
        list->push_back(make(row));
    return list;
}

// The city an old row set stands for, read by the current data layer.
CityPtr FromOldRows(const old_db::OldCity& oldCity, int c, double v)
{
    const std::string cityTable = "CITY_TABLE";
    CityPtr city = City::Make();
    city->SetPageIndex(c);
    city->SetLocationId(oldCity.locationId);
    city->SetIsCurrentLocation(oldCity.isCurrentLocation);
    city->SetCityName(old_db::Text("city", c, 0));
    city->SetCityNameEng(old_db::Text("cityEng", c, 0));
    city->SetCountryName(old_db::Text("country", c, 0));
    city->SetCountryNameEng(old_db::Upgraded(v, cityTable, "countryNameEng", old_db::Text("countryEng", c, 0)));
    city->SetIsSummerTime(Value(v, cityTable, "isSummerTime", c % 2) != 0);
    city->SetIsDayTime(true);
    city->SetGmtOffset(5.5 - c);
    city->SetRefreshedTime(old_db::Time(c, 50));
    city->SetLocalTime(old_db::Time(c, 51));
    city->SetWidgetReferenceCount(c);
    city->SetNeedToUpdate(Value(v, cityTable, "needToUpdate", c % 2) != 0);
    city->SetWebsiteUrl(old_db::Text("cityUrl", c, 0));

    auto fill = [&](Weather& weather, const std::string& table, int row, bool lowHigh) {
        weather.SetWeatherIcon(old_db::Icon(c, row));
        weather.SetWeatherStatus(old_db::Text("status", c, row));
        weather.SetCurTemperature(MakeTemperature(old_db::Temperature(c, row, 0)));
        if (lowHigh) {
            weather.SetLowTemperature(MakeTemperature(old_db::Temperature(c, row, 1)));
            weather.SetHighTemperature(MakeTemperature(old_db::Temperature(c, row, 2)));
        }
        weather.SetServerWeatherIcon(static_cast<int>(Value(v, table, "serverWeatherIcon", 100 + row)));
    };
    CurrentPtr current = Current::Make();
    fill(*current, "CURRENT_WEATHER_TABLE", 1, true);
    current->SetDate(old_db::Time(c, 1));
    current->SetWebsiteUrl(old_db::Text("url", c, 1));
    city->SetCurrent(current);
    city->SetWeeklyPtrVector(ListOf<Weekly>(oldCity.daily, [&](int row) {
        WeeklyPtr weekly = Weekly::Make();
        fill(*weekly, "WEEKLY_WEATHER_TABLE", row, true);
        weekly->SetDate(old_db::Time(c, row));
        weekly->SetWebsiteUrl(old_db::Text("url", c, row));
        return weekly;
    }));
    const std::string hourlyTable = "HOURLY_WEATHER_TABLE";
    city->SetHourlyPtrVector(ListOf<Hourly>(oldCity.hourly, [&](int row) {
        HourlyPtr hourly = Hourly::Make();
        fill(*hourly, hourlyTable, row, true);
        hourly->SetHour(old_db::Time(c, row));
        hourly->SetWebsiteUrl(old_db::Upgraded(v, hourlyTable, "websiteUrl", old_db::Text("url", c, row)));
        hourly->SetPrecProbability(Value(v, hourlyTable, "precProbability", 10.0 * row + 0.5));
        return hourly;
    }));
    city->SetYesterdayHourPtrVector(ListOf<Hourly>(oldCity.yesterday, [&](int row) {
        HourlyPtr hourly = Hourly::Make();
        fill(*hourly, "YESTERDAY_WEATHER_TABLE", row, false);
        hourly->SetHour(row == 2 ? 999 : old_db::Time(c, row));
        if (row == 2)
            hourly->SetWeatherIcon(999);
        hourly->SetWebsiteUrl(old_db::Text("url", c, row));
        return hourly;
    }));
    city->SetMoonPhasePtrVector(nullptr);
    city->SetLifeIndex(nullptr);
    if (!oldCity.lifeIndex)
        return city;

    const std::string table = "LIFE_INDEX_WEATHER_TABLE";
    auto value = [&](const std::string& column) { return Value(v, table, column, old_db::LifeIndexValue(column, c)); };
    auto text = [&](const std::string& column) {
        return old_db::Upgraded(v, table, column, old_db::LifeIndexText(column, c));
    };
    LifeIndexPtr life = LifeIndex::Make();
    for (const auto& number : LifeNumbers())
        number.set(*life, value(number.column));
    life->SetUvIndexText(text("uvIndexText"));
    life->SetRealfeel(MakeTemperature(value("realfeel")));
    life->GetWind()->SetWindCardinal(text("windCardinal"));
    life->GetWind()->SetWindNightCardinal(text("windNightCardinal"));
    city->SetLifeIndex(life);
    return city;
}

void Unsupport(const TemperaturePtr& t, double oldMarker)
{
    if (t && t->GetCelsius() == oldMarker) {
        t->SetCelsius(kUnsupported);
        t->SetFahrenheit(kUnsupported);
    }
}

// The old markers of one city rewritten; false where the walk over the cities ends.
bool ResetMarkers(City& city)
{
    if (!city.GetCurrent() || !city.GetHourlyPtrVector())
        return false;
    for (const auto& t : {city.GetCurrent()->GetCurTemperature(), city.GetCurrent()->GetLowTemperature(),
                          city.GetCurrent()->GetHighTemperature()})
        Unsupport(t, 999.0);
    for (const auto& hourly : *city.GetHourlyPtrVector())
        Unsupport(hourly->GetCurTemperature(), 999.0);
    if (!city.GetWeeklyPtrVector())
        return false;
    for (const auto& weekly : *city.GetWeeklyPtrVector())
        for (const auto& t : {weekly->GetCurTemperature(), weekly->GetLowTemperature(), weekly->GetHighTemperature()})
            Unsupport(t, 999.0);
    if (!city.GetLifeIndex())
        return false;
    // 999 becomes 9999 in every number but the UV index; humidity and PM10 had -999 (humidity also -1).
    // The precipitation is rewritten as a whole when its amount is 999: here all its doubles are, or none.
    LifeIndex& life = *city.GetLifeIndex();
    for (const auto& number : LifeNumbers()) {
        const double value = number.get(life);
        const bool negative = number.column == "humidity" || number.column == "pm10";
        if (negative ? value == -999 || (number.column == "humidity" && value == -1)
                     : value == 999 && number.column != "uvIndex")
            number.set(life, 9999);
    }
    if (life.GetUvIndexText() == "999")
        life.SetUvIndexText("");
    if (life.GetWind()->GetWindCardinal() == "999")
        life.GetWind()->SetWindCardinal("9999");
    Unsupport(life.GetRealfeel(), -999.0);
    if (!city.GetYesterdayHourPtrVector())
        return false;
    for (const auto& hourly : *city.GetYesterdayHourPtrVector()) {
        if (hourly->GetHour() == 999)
            hourly->SetHour(9999);
        if (hourly->GetWeatherIcon() == 999)
            hourly->SetWeatherIcon(9999);
        Unsupport(hourly->GetCurTemperature(), 999.0);
    }
    return true;
}

// The six data migrations of the 2.0 upgrade, on records, with their early exits.
CityPtrVectorPtr ExpectedAfterUpgrade(const std::vector<old_db::OldCity>& oldCities, double v)
{
    auto cities = std::make_shared<CityPtrVector>();
    for (size_t i = 0; i < oldCities.size(); i++)
        cities->push_back(FromOldRows(oldCities[i], static_cast<int>(i), v));
    for (auto& city : *cities) {
        if (!city->GetIsCurrentLocation())
            continue;
        if (city->GetLocationId().find(":CurrentCity") == std::string::npos)
            city->SetLocationId(city->GetLocationId() + ":CurrentCity");
        break;
    }
    for (auto& city : *cities) {
        if (city->GetYesterdayHourPtrVector())
            break;
        city->SetYesterdayHourPtrVector(ListOf<Hourly>(24, [](int) { return Hourly::Make(); }));
    }
    for (auto& city : *cities)
        if (!ResetMarkers(*city))
            break;
    for (auto& city : *cities) {
        if (!city->GetWeeklyPtrVector())
            break;
        city->GetWeeklyPtrVector()->insert(city->GetWeeklyPtrVector()->begin(), Weekly::Make());
    }
    for (auto& city : *cities) {
        if (city->GetLifeIndex())
            break;
        city->SetLifeIndex(LifeIndex::Make());
    }
    for (auto& city : *cities) {
        if (!city->GetWeeklyPtrVector() || city->GetWeeklyPtrVector()->size() < 8)
            break;
        city->GetWeeklyPtrVector()->pop_back();
    }
    for (auto& city : *cities) {
        if (!city->GetWeeklyPtrVector())
            continue;
        for (auto& weekly : *city->GetWeeklyPtrVector()) {
            time_t date = weekly->GetDate();
            struct tm local = {};
            localtime_r(&date, &local);
            weekly->SetDayOfWeek(local.tm_wday);
        }
    }
    return cities;
}

// Column names (case-insensitive, as SQLite treats them) and declared types.
using Schema = std::set<std::pair<std::string, std::string>>;

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

void ExpectLatestSchema(const std::string& file)
{
    for (const std::string& table : old_db::WeatherTables()) {
        Schema actual, expected;
        for (const auto& column : sqlite_test::TableColumns(file, table))
            actual.insert({Lower(column.name), column.type});
        for (const auto& column : old_db::WeatherColumns())
            if (column.table == table)
                expected.insert({Lower(column.name), column.type});
        EXPECT_EQ(actual, expected) << table;
    }
}

std::vector<old_db::OldCity> DefaultCities()
{
    old_db::OldCity here{"LOC_A", true, 8, 24, 0, true, 8};
    old_db::OldCity withYesterday{"LOC_B", false, 7, 24, 24, true, 0};
    old_db::OldCity noLifeIndex{"LOC_C", false, 8, 24, 0, false, 0};
    return {here, withYesterday, noLifeIndex};
}

struct UpgradeRun {
    old_db::OldFiles files;
    std::string versionFile;
    std::string log;
    double readVersion = -1;
};

// Writes the old files, starts up, and compares every city with what the migrations make of it.
UpgradeRun UpgradeAndCompare(double storedVersion, const std::vector<old_db::OldCity>& cities)
{
    UpgradeRun run;
    std::string dir = FreshDbDir();
    std::string error;
    EXPECT_TRUE(old_db::Build(dir, storedVersion, cities, &run.files, &error)) << error;
    LogCapture capture;
    run.readVersion = StartUp();
    for (const auto& message : capture.Messages())
        run.log += message + "\n";
    run.versionFile = dir + "/.version.db";

    CityPtrVectorPtr expected = ExpectedAfterUpgrade(cities, storedVersion);
    CityPtrVectorPtr actual = WeatherDBController::GetInstance()->SelectAllCity();
    EXPECT_TRUE(actual);
    if (actual && actual->size() == expected->size()) {
        for (size_t i = 0; i < actual->size(); i++)
            ExpectCityEq(actual->at(i), expected->at(i), false);
    } else {
        ADD_FAILURE() << "city count " << (actual ? actual->size() : 0) << " instead of " << expected->size();
    }
    return run;
}

class WeatherUpgrade : public ::testing::TestWithParam<double> {};

} // namespace

TEST_P(WeatherUpgrade, OldFilesEndWithTheLatestSchemaAndTheirDataMigrated)
{
    const double v = GetParam();
    UpgradeRun run = UpgradeAndCompare(v, DefaultCities());
    EXPECT_DOUBLE_EQ(run.readVersion, v);

    // Schema: every latest column with its type, no old table left behind.
    const std::string& weatherFile = run.files.weather;
    ExpectLatestSchema(weatherFile);
    EXPECT_TRUE(sqlite_test::TableColumns(weatherFile, "EXTRA_WEATHER_TABLE").empty());
    EXPECT_TRUE(sqlite_test::TableColumns(weatherFile, "VERSION_TABLE").empty());
    EXPECT_EQ(QueryRows(run.versionFile, "SELECT dbVersion FROM VERSION_TABLE"), (Rows{{"2.0"}}));
    EXPECT_EQ(sqlite_test::TableColumns(run.files.setting, "SETTING_TABLE"), old_db::SettingColumns());
    EXPECT_EQ(QueryRows(run.files.setting,
                        "SELECT TemperatureUnit, AutoRefreshInterval, NotificationPopup FROM SETTING_TABLE"),
              (Rows{{std::to_string(old_db::kOldTemperatureUnit), std::to_string(old_db::kOldAutoRefreshInterval),
                     "NULL"}}));
    auto setting = SettingDBController::GetInstance()->Select();
    ASSERT_TRUE(setting);
    EXPECT_EQ(setting->GetNotificationPopup(), 0); // NULL in the added column reads as off
    EXPECT_EQ(sqlite_test::IntegrityCheck(weatherFile), "ok");

    // Steps: the first one above the stored version and all later ones.
    for (const char* threshold : {"0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "1.0", "1.1", "1.2", "1.3",
                                  "1.4", "1.5", "1.7", "1.8", "1.9", "2.0"}) {
        bool ran = run.log.find(std::string("UpgradeDBTables < ") + threshold + " : ALTER") != std::string::npos;
        EXPECT_EQ(ran, std::stod(threshold) > v) << threshold;
    }
    EXPECT_EQ(run.log.find("UpgradeDBTables < 0.9\033[0;m") != std::string::npos, v < 0.9);
    EXPECT_EQ(run.log.find("UpgradeDBTables : DROP TABLE VERSION_TABLE;") != std::string::npos, v < 0.2);
    EXPECT_EQ(run.log.find("UpgradeDBTables < 1.0 : ALTER TABLE SETTING_TABLE ADD NotificationPopup INT;") !=
                  std::string::npos,
              v < 1.0);

    // Moon phases stay under the keys the cities had before they were written again.
    EXPECT_EQ(QueryRows(weatherFile, "SELECT COUNT(*) FROM MOON_PHASE_TABLE WHERE locationID = 'LOC_A'"),
              (Rows{{"8"}}));
    // The early exits of the migrations with this city list.
    for (const char* line : {"already exist [break]", "lifeIndexPtr is null [break]",
                             "there is no LifeIndexPtr [break]", "there are 8 weekly ptr. so delete last one"})
        EXPECT_NE(run.log.find(line), std::string::npos) << line;

    // A second start finds 2.0 and upgrades nothing.
    LogCapture again;
    EXPECT_DOUBLE_EQ(StartUp(), 2.0);
    EXPECT_FALSE(again.Contains("UpgradeDBTables"));
}

INSTANTIATE_TEST_SUITE_P(StoredVersions, WeatherUpgrade, ::testing::Values(0.0, 0.5, 0.95, 1.5, 1.75, 1.9));

TEST(WeatherUpgradeMigrations, EarlyExitsLeaveTheLaterCitiesAsTheyWere)
{
    // The city without life index comes first: the marker reset stops there and
    // the empty daily list of the second city keeps its length.
    UpgradeRun run = UpgradeAndCompare(1.9, {{"LOC_N", false, 6, 24, 0, false, 0},
                                             {"LOC_M:CurrentCity", true, 8, 24, 24, true, 0}});
    CityPtrVectorPtr actual = WeatherDBController::GetInstance()->SelectAllCity();
    ASSERT_TRUE(actual && actual->size() == 2u);
    EXPECT_EQ(actual->at(1)->GetLocationId(), "LOC_M:CurrentCity");
    EXPECT_EQ(actual->at(1)->GetWeeklyPtrVector()->size(), 9u);
    EXPECT_EQ(actual->at(1)->GetYesterdayHourPtrVector()->at(2)->GetHour(), 999u);
    EXPECT_NE(run.log.find("nomal weeklyPtr vector [break]"), std::string::npos);
    EXPECT_NE(run.log.find("lifeIndexPtr is null [break]"), std::string::npos);
    EXPECT_TRUE(actual->at(0)->GetLifeIndex()); // given an empty one before the walk reached the second city
}

TEST(WeatherUpgradeMigrations, FreshDeviceGetsTheSameSchemaAsAnUpgradedOne)
{
    std::string dir = FreshDbDir();
    LogCapture capture;
    EXPECT_DOUBLE_EQ(StartUp(), 0.0);
    std::string file = WeatherDBController::GetInstance()->GetWeatherDBFilePath();
    ExpectLatestSchema(file);
    // The whole chain ran and every ALTER failed harmlessly on the latest tables.
    EXPECT_TRUE(capture.Contains("UpgradeDBTables < 0.1 : ALTER TABLE CITY_TABLE ADD countryNameEng TEXT DEFAULT '';"));
    EXPECT_TRUE(capture.Contains("UpgradeDBTables < 2.0 : ALTER TABLE CITY_TABLE ADD stateName TEXT DEFAULT '';"));
    EXPECT_TRUE(capture.Contains("duplicate column name: countryNameEng"));
    EXPECT_TRUE(capture.Contains("duplicate column name: NotificationPopup"));
    EXPECT_EQ(QueryRows(file, "SELECT COUNT(*) FROM CITY_TABLE"), (Rows{{"0"}}));
    EXPECT_EQ(QueryRows(dir + "/.version.db", "SELECT dbVersion FROM VERSION_TABLE"), (Rows{{"2.0"}}));

    // Nothing runs from the last step on, not even an opening of a missing file.
    std::string settingFile = SettingDBController::GetInstance()->GetSettingDBFilePath();
    unlink(settingFile.c_str());
    LogCapture none;
    WeatherDBController::GetInstance()->UpgradeDB(2.0);
    WeatherDBController::GetInstance()->UpgradeDB(2.5);
    SettingDBController::GetInstance()->UpgradeDB(1.0);
    SettingDBController::GetInstance()->UpgradeDB(2.0);
    EXPECT_TRUE(none.Messages().empty());
    EXPECT_FALSE(sqlite_test::Exists(settingFile));
}
