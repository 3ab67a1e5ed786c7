#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <set>

#include "DeviceFixture.h"
#include "SqliteTestUtil.h"
#include "db/SettingDBController.h"
#include "db/VersionDBController.h"
#include "db/WeatherDBController.h"

using sqlite_test::QueryRows;
using sqlite_test::Rows;

namespace {

// Files as the old builds left them, one folder per stored version
// (old_db/<version>/{weather,setting,version}.sql). Each holds the same three
// cities: A (page 0) follows the location and carries every old marker
// (999, -999, 999.0), with 8 days and no yesterday hours; B (page 1) has
// plain values, 7 days and yesterday hours whose second one is marked 999;
// C (page 2) has 8 days and no life index. Columns a version did not have yet
// are missing from its tables; before 0.2 the version lives in the weather file.
constexpr std::array<const char*, 6> kVersions = {"0.0", "0.5", "0.95", "1.5", "1.75", "1.9"};

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

// Cities are written again by the migrations, so their rows are found by page.
std::string Query(std::string sql)
{
    for (const auto& [name, page] : {std::pair<const char*, const char*>{"$A", "0"}, {"$B", "1"}, {"$C", "2"}})
        for (size_t at; (at = sql.find(name)) != std::string::npos;)
            sql.replace(at, 2, std::string("(SELECT PK_ID FROM CITY_TABLE WHERE pageIndex = ") + page + ")");
    return sql;
}

std::string One(const std::string& file, const std::string& sql)
{
    std::string text;
    for (const auto& row : QueryRows(file, Query(sql)))
        for (size_t i = 0; i < row.size(); i++)
            text += (i ? "|" : "") + row[i];
    return text;
}

struct Fact {
    const char* what;
    const char* sql;
    std::array<const char*, 6> expected; // per stored version, in kVersions order
};

constexpr std::array<const char*, 6> All(const char* value)
{
    return {value, value, value, value, value, value};
}

// On the weather file after the upgrade.
const Fact kWeatherFacts[] = {
    {"the current city is marked", "SELECT locationId FROM CITY_TABLE WHERE pageIndex = 0", All("LOC_A:CurrentCity")},
    {"other cities keep their ID", "SELECT locationId FROM CITY_TABLE WHERE pageIndex = 1", All("LOC_B")},
    {"current 999.0 becomes 9999", "SELECT curTemperature, lowTemperature FROM CURRENT_WEATHER_TABLE WHERE FK_ID = $A",
     All("9999.0|12.5")},
    {"C's current is reset before the walk stops at its missing life index",
     "SELECT curTemperature FROM CURRENT_WEATHER_TABLE WHERE FK_ID = $C", All("9999.0")},
    {"hourly 999.0 becomes 9999",
     "SELECT group_concat(t) FROM (SELECT curTemperature t FROM HOURLY_WEATHER_TABLE WHERE FK_ID = $A ORDER BY "
     "hourlyIndex)",
     All("12.5,9999.0")},
    {"daily 999.0 becomes 9999 in each temperature",
     "SELECT group_concat(t, ',') FROM (SELECT curTemperature || '/' || lowTemperature || '/' || highTemperature t "
     "FROM WEEKLY_WEATHER_TABLE WHERE FK_ID = $A AND date IN (1700086400, 1700172800) ORDER BY date)",
     All("9999.0/11.5/9999.0,17.5/9999.0/22.5")},
    {"an empty yesterday leads the days",
     "SELECT weatherIcon FROM WEEKLY_WEATHER_TABLE WHERE FK_ID = $A AND weeklyIndex = 0", All("9999")},
    {"the first old day follows it", "SELECT date FROM WEEKLY_WEATHER_TABLE WHERE FK_ID = $A AND weeklyIndex = 1",
     All("1700000000")},
    {"A's eighth old day is gone", "SELECT COUNT(*), SUM(date = 1700604800) FROM WEEKLY_WEATHER_TABLE WHERE FK_ID = $A",
     All("8|0")},
    {"B's seven days and yesterday are eight: its last day goes",
     "SELECT COUNT(*), SUM(date = 1700518400) FROM WEEKLY_WEATHER_TABLE WHERE FK_ID = $B", All("7|0")},
    {"C's too", "SELECT COUNT(*) FROM WEEKLY_WEATHER_TABLE WHERE FK_ID = $C", All("8")},
    {"old life-index markers become 9999",
     "SELECT humidity, pm10, pm25, comfort, precType, precAmount, realfeel FROM LIFE_INDEX_WEATHER_TABLE "
     "WHERE FK_ID = $A",
     All("9999|9999|9999|9999|9999|9999.0|9999.0")},
    {"the UV index is no marker column", "SELECT uvIndex FROM LIFE_INDEX_WEATHER_TABLE WHERE FK_ID = $A", All("999")},
    {"humidity -1 becomes 9999, a real pm10 stays",
     "SELECT humidity, pm10 FROM LIFE_INDEX_WEATHER_TABLE WHERE FK_ID = $B", All("9999|55")},
    {"A gets 24 empty yesterday hours",
     "SELECT COUNT(*), MIN(hour), MAX(hour) FROM YESTERDAY_WEATHER_TABLE WHERE FK_ID = $A", All("24|9999|9999")},
    {"B's marked yesterday hour becomes 9999",
     "SELECT hour, weatherIcon, curTemperature FROM YESTERDAY_WEATHER_TABLE WHERE FK_ID = $B AND hourlyIndex = 1",
     All("9999|9999|9999.0")},
    {"B's other yesterday hour stays",
     "SELECT hour, weatherIcon, curTemperature FROM YESTERDAY_WEATHER_TABLE WHERE FK_ID = $B AND hourlyIndex = 0",
     All("1699913600|7|9.5")},
    {"the yesterday walk stopped at B: C gets none", "SELECT COUNT(*) FROM YESTERDAY_WEATHER_TABLE WHERE FK_ID = $C",
     All("0")},
    {"A already had a life index: C gets none", "SELECT COUNT(*) FROM LIFE_INDEX_WEATHER_TABLE WHERE FK_ID = $C",
     All("0")},
    {"moon phases stay under their old ID", "SELECT COUNT(*) FROM MOON_PHASE_TABLE WHERE locationID = 'LOC_A'",
     All("2")},
    // Columns a version lacked get their ALTER default; flags read from 9999 are written back as set.
    {"countryNameEng (0.1)",
     "SELECT countryNameEng FROM CITY_TABLE WHERE pageIndex = 0",
     {"", "Germany", "Germany", "Germany", "Germany", "Germany"}},
    {"needToUpdate (0.5)", "SELECT needToUpdate FROM CITY_TABLE WHERE pageIndex = 1", {"1", "0", "0", "0", "0", "0"}},
    {"isSummerTime (0.7)", "SELECT isSummerTime FROM CITY_TABLE WHERE pageIndex = 1", {"1", "1", "0", "0", "0", "0"}},
    {"hourly websiteUrl (0.2)",
     "SELECT websiteUrl FROM HOURLY_WEATHER_TABLE WHERE FK_ID = $B AND hourlyIndex = 0",
     {"", "https://w.example/2/h0", "https://w.example/2/h0", "https://w.example/2/h0", "https://w.example/2/h0",
      "https://w.example/2/h0"}},
    {"pm25 (0.3), comfort (0.4), dryskin (0.6)",
     "SELECT pm25, comfort, drySkin FROM LIFE_INDEX_WEATHER_TABLE WHERE FK_ID = $B",
     {"9999|9999|9999", "35|2|9999", "35|2|3", "35|2|3", "35|2|3", "35|2|3"}},
    {"precProbabilityNight (0.8)",
     "SELECT precProbabilityNight FROM LIFE_INDEX_WEATHER_TABLE WHERE FK_ID = $B",
     {"9999.0", "9999.0", "40.0", "40.0", "40.0", "40.0"}},
    {"uvIndexText (1.1), pressure (1.2), windSpeed (1.4)",
     "SELECT uvIndexText, pressure, windSpeed FROM LIFE_INDEX_WEATHER_TABLE WHERE FK_ID = $B",
     {"|9999.0|9999.0", "|9999.0|9999.0", "|9999.0|9999.0", "High|1013.25|3.5", "High|1013.25|3.5",
      "High|1013.25|3.5"}},
    {"hourly precProbability (1.3)",
     "SELECT precProbability FROM HOURLY_WEATHER_TABLE WHERE FK_ID = $B AND hourlyIndex = 0",
     {"9999.0", "9999.0", "9999.0", "20.5", "20.5", "20.5"}},
    {"windCardinal (1.5); A's old text marker becomes 9999",
     "SELECT (SELECT windCardinal FROM LIFE_INDEX_WEATHER_TABLE WHERE FK_ID = $A) || ',' || "
     "(SELECT windCardinal FROM LIFE_INDEX_WEATHER_TABLE WHERE FK_ID = $B)",
     {",", ",", ",", "9999,NE", "9999,NE", "9999,NE"}},
    {"rainProbability and serverWeatherIcon (1.7)",
     "SELECT l.rainProbability, c.serverWeatherIcon FROM LIFE_INDEX_WEATHER_TABLE l, CURRENT_WEATHER_TABLE c "
     "WHERE l.FK_ID = $B AND c.FK_ID = $B",
     {"9999.0|9999", "9999.0|9999", "9999.0|9999", "9999.0|9999", "10.0|105", "10.0|105"}},
    {"columns of 2.0",
     "SELECT c.stateName, l.khai, l.windNightCardinal FROM CITY_TABLE c, LIFE_INDEX_WEATHER_TABLE l "
     "WHERE c.pageIndex = 1 AND l.FK_ID = $B",
     All("|9999|9999")},
    {"no table of an old name is left",
     "SELECT COUNT(*) FROM sqlite_master WHERE name IN ('EXTRA_WEATHER_TABLE', 'VERSION_TABLE')", All("0")},
    {"integrity", "PRAGMA integrity_check", All("ok")},
};

// In the log of the upgrade: the last step that does not run and the first that does.
struct Steps {
    const char* skipped;
    const char* first;
};
constexpr std::array<Steps, 6> kSteps = {{{nullptr, "UpgradeDBTables < 0.1 : ALTER"},
                                          {"UpgradeDBTables < 0.5 :", "UpgradeDBTables < 0.6 : ALTER"},
                                          {"UpgradeDBTables < 0.9", "UpgradeDBTables < 1.1 : ALTER"},
                                          {"UpgradeDBTables < 1.5 :", "UpgradeDBTables < 1.7 : ALTER"},
                                          {"UpgradeDBTables < 1.7 :", "UpgradeDBTables < 1.8 : ALTER"},
                                          {"UpgradeDBTables < 1.9 :", "UpgradeDBTables < 2.0 : ALTER"}}};

// Column names (case-insensitive, as SQLite treats them) and declared types per table.
using Schema = std::map<std::string, std::set<std::pair<std::string, std::string>>>;

Schema SchemaOf(const std::string& file)
{
    Schema schema;
    for (const auto& row :
         QueryRows(file, "SELECT name FROM sqlite_master WHERE type = 'table' AND name LIKE '%TABLE'"))
        for (const auto& column : sqlite_test::TableColumns(file, row[0])) {
            std::string name = column.name;
            std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
            schema[row[0]].insert({name, column.type});
        }
    return schema;
}

// The schema a device that never had an old file gets.
const Schema& FreshSchema()
{
    static const Schema schema = [] {
        sqlite_test::FreshDbDir();
        StartUp();
        return SchemaOf(WeatherDBController::GetInstance()->GetWeatherDBFilePath());
    }();
    return schema;
}

class WeatherUpgrade : public ::testing::TestWithParam<size_t> {};

} // namespace

TEST_P(WeatherUpgrade, OldFilesGetTheLatestSchemaAndTheirDataMigrated)
{
    const size_t at = GetParam();
    const std::string version = kVersions[at];
    const Schema& fresh = FreshSchema();
    const std::string dir = sqlite_test::FreshDbDir();
    const std::string dumps = std::string(WEATHER_SOURCE_DIR) + "/tests/db_weather/old_db/" + version + "/";
    std::string error;
    for (const char* name : {"weather", "setting", "version"}) {
        if (version == "0.0" && std::string(name) == "version")
            continue; // the version table is inside the weather file
        ASSERT_TRUE(sqlite_test::CreateDatabaseFromSQL(dir + "/." + name + ".db", dumps + name + ".sql", &error))
            << name << ": " << error;
    }

    LogCapture capture;
    EXPECT_DOUBLE_EQ(StartUp(), std::stod(version));
    const std::string weather = dir + "/.weather.db";
    for (const Fact& fact : kWeatherFacts)
        EXPECT_EQ(One(weather, fact.sql), fact.expected[at]) << fact.what;
    EXPECT_EQ(SchemaOf(weather), fresh);

    EXPECT_EQ(One(dir + "/.version.db", "SELECT dbVersion FROM VERSION_TABLE"), "2.0");
    // NotificationPopup came with 1.0: older rows hold NULL there, which reads as off.
    EXPECT_EQ(
        One(dir + "/.setting.db", "SELECT TemperatureUnit, AutoRefreshInterval, NotificationPopup FROM SETTING_TABLE"),
        std::stod(version) < 1.0 ? "1|3|NULL" : "1|3|1");
    auto setting = SettingDBController::GetInstance()->Select();
    ASSERT_TRUE(setting);
    EXPECT_EQ(setting->GetNotificationPopup(), std::stod(version) < 1.0 ? 0 : 1);

    if (kSteps[at].skipped) {
        EXPECT_FALSE(capture.Contains(kSteps[at].skipped));
    }
    EXPECT_TRUE(capture.Contains(kSteps[at].first));
    EXPECT_TRUE(capture.Contains("UpgradeDBTables < 2.0 : ALTER TABLE CITY_TABLE ADD stateName TEXT DEFAULT '';"));
    EXPECT_EQ(capture.Contains("UpgradeDBTables : DROP TABLE VERSION_TABLE;"), version == "0.0");
    EXPECT_EQ(capture.Contains("UpgradeDBTables < 1.0 : ALTER TABLE SETTING_TABLE ADD NotificationPopup INT;"),
              std::stod(version) < 1.0);
    for (const char* line : {"already exist [break]", "lifeIndexPtr is null [break]",
                             "there is no LifeIndexPtr [break]", "there are 8 weekly ptr. so delete last one"})
        EXPECT_TRUE(capture.Contains(line)) << line;

    // A second start finds 2.0 and upgrades nothing.
    LogCapture again;
    EXPECT_DOUBLE_EQ(StartUp(), 2.0);
    EXPECT_FALSE(again.Contains("UpgradeDBTables"));
}

INSTANTIATE_TEST_SUITE_P(StoredVersions, WeatherUpgrade, ::testing::Range<size_t>(0, kVersions.size()),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                             std::string name = std::string("v") + kVersions[info.param];
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

// A 1.9 file whose first city has no life index and only six days: the marker
// reset and the trim of the days stop at it, so the current city after it
// keeps its old markers and its nine days.
TEST(WeatherUpgradeMigrations, EarlyExitsLeaveTheLaterCitiesAsTheyWere)
{
    const std::string dir = sqlite_test::FreshDbDir();
    const std::string dumps = std::string(WEATHER_SOURCE_DIR) + "/tests/db_weather/old_db/1.9/";
    std::string error;
    ASSERT_TRUE(sqlite_test::CreateDatabaseFromSQL(dir + "/.weather.db", dumps + "early_exits.sql", &error)) << error;
    ASSERT_TRUE(sqlite_test::CreateDatabaseFromSQL(dir + "/.setting.db", dumps + "setting.sql", &error)) << error;
    ASSERT_TRUE(sqlite_test::CreateDatabaseFromSQL(dir + "/.version.db", dumps + "version.sql", &error)) << error;
    EXPECT_DOUBLE_EQ(StartUp(), 1.9);

    const std::string weather = dir + "/.weather.db";
    const Fact facts[] = {
        {"the marked ID is not marked twice", "SELECT locationId FROM CITY_TABLE WHERE pageIndex = 1",
         All("LOC_M:CurrentCity")},
        {"the first city gets an empty life index",
         "SELECT COUNT(*), humidity FROM LIFE_INDEX_WEATHER_TABLE WHERE FK_ID = $A", All("1|9999")},
        {"the first city gets 24 yesterday hours", "SELECT COUNT(*) FROM YESTERDAY_WEATHER_TABLE WHERE FK_ID = $A",
         All("24")},
        {"the second keeps its own two", "SELECT COUNT(*) FROM YESTERDAY_WEATHER_TABLE WHERE FK_ID = $B", All("2")},
        {"the reset stopped before the second city",
         "SELECT c.curTemperature, l.humidity, y.hour FROM CURRENT_WEATHER_TABLE c, LIFE_INDEX_WEATHER_TABLE l, "
         "YESTERDAY_WEATHER_TABLE y WHERE c.FK_ID = $B AND l.FK_ID = $B AND y.FK_ID = $B AND y.hourlyIndex = 1",
         All("999.0|-999|999")},
        {"six days and yesterday are seven: the trim stops there",
         "SELECT (SELECT COUNT(*) FROM WEEKLY_WEATHER_TABLE WHERE FK_ID = $A) || ',' || "
         "(SELECT COUNT(*) FROM WEEKLY_WEATHER_TABLE WHERE FK_ID = $B)",
         All("7,9")},
    };
    for (const Fact& fact : facts)
        EXPECT_EQ(One(weather, fact.sql), fact.expected[0]) << fact.what;
}

TEST(WeatherUpgradeMigrations, FreshDeviceRunsTheWholeChainHarmlessly)
{
    std::string dir = sqlite_test::FreshDbDir();
    LogCapture capture;
    EXPECT_DOUBLE_EQ(StartUp(), 0.0);
    std::string file = WeatherDBController::GetInstance()->GetWeatherDBFilePath();
    // Every ALTER failed on the latest tables.
    EXPECT_TRUE(capture.Contains("UpgradeDBTables < 0.1 : ALTER TABLE CITY_TABLE ADD countryNameEng TEXT DEFAULT '';"));
    EXPECT_TRUE(capture.Contains("duplicate column name: countryNameEng"));
    EXPECT_TRUE(capture.Contains("duplicate column name: NotificationPopup"));
    EXPECT_EQ(One(file, "SELECT COUNT(*) FROM CITY_TABLE"), "0");
    EXPECT_EQ(One(file, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name LIKE '%TABLE'"), "7");
    EXPECT_EQ(One(dir + "/.version.db", "SELECT dbVersion FROM VERSION_TABLE"), "2.0");

    // A file stored at a step's own version runs from the step after it.
    const char* const versions[] = {"0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9",
                                    "1.1", "1.2", "1.3", "1.4", "1.5", "1.7", "1.8", "1.9", "2.0"};
    for (size_t i = 0; i + 1 < std::size(versions); ++i) {
        LogCapture steps;
        WeatherDBController::GetInstance()->UpgradeDB(std::stod(versions[i]));
        const auto lines = sqlite_test::MessagesStartingWith(steps, "UpgradeDBTables < ");
        ASSERT_FALSE(lines.empty()) << versions[i];
        EXPECT_EQ(lines[0].substr(0, 21), std::string("UpgradeDBTables < ") + versions[i + 1]) << versions[i];
    }

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
