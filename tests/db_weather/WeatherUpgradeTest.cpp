#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>

#include "OldDatabaseBuilder.h"
#include "SettingDBController.h"
#include "SqliteTestUtil.h"
#include "VersionDBController.h"
#include "WeatherDBController.h"
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

double ColumnOr(double storedVersion, const std::string& table, const std::string& column, double value)
{
    if (old_db::HasColumn(table, column, storedVersion))
        return value;
    for (const auto& spec : old_db::WeatherColumns())
        if (spec.table == table && spec.name == column)
            return std::stod(spec.alterValue);
    ADD_FAILURE() << column;
    return 0;
}

std::string TextOr(double v, const std::string& table, const std::string& column, const std::string& value)
{
    if (old_db::HasColumn(table, column, v))
        return value;
    for (const auto& spec : old_db::WeatherColumns())
        if (spec.table == table && spec.name == column)
            return spec.alterValue;
    return "?";
}

void SetDayOfWeek(Weekly& weekly)
{
    time_t date = weekly.GetDate();
    struct tm local = {};
    localtime_r(&date, &local);
    weekly.SetDayOfWeek(local.tm_wday);
}

// The city an old row set stands for, read by the current data layer.
CityPtr FromOldRows(const old_db::OldCity& spec, int c, double v)
{
    const std::string cityTable = "CITY_TABLE";
    CityPtr city = City::Make();
    city->SetPageIndex(c);
    city->SetLocationId(spec.locationId);
    city->SetIsCurrentLocation(spec.isCurrentLocation);
    city->SetCityName(old_db::Text("city", c, 0));
    city->SetCityNameEng(old_db::Text("cityEng", c, 0));
    city->SetCountryName(old_db::Text("country", c, 0));
    city->SetCountryNameEng(TextOr(v, cityTable, "countryNameEng", old_db::Text("countryEng", c, 0)));
    city->SetIsSummerTime(ColumnOr(v, cityTable, "isSummerTime", c % 2) != 0);
    city->SetIsDayTime(true);
    city->SetGmtOffset(5.5 - c);
    city->SetRefreshedTime(old_db::Time(c, 50));
    city->SetLocalTime(old_db::Time(c, 51));
    city->SetWidgetReferenceCount(c);
    city->SetNeedToUpdate(ColumnOr(v, cityTable, "needToUpdate", c % 2) != 0);
    city->SetWebsiteUrl(old_db::Text("cityUrl", c, 0));

    auto fill = [&](Weather& weather, const std::string& table, int row, bool lowHigh) {
        weather.SetWeatherIcon(old_db::Icon(c, row));
        weather.SetWeatherStatus(old_db::Text("status", c, row));
        weather.SetCurTemperature(MakeTemperature(old_db::Temperature(c, row, 0)));
        if (lowHigh) {
            weather.SetLowTemperature(MakeTemperature(old_db::Temperature(c, row, 1)));
            weather.SetHighTemperature(MakeTemperature(old_db::Temperature(c, row, 2)));
        }
        weather.SetServerWeatherIcon(static_cast<int>(ColumnOr(v, table, "serverWeatherIcon", 100 + row)));
    };
    CurrentPtr current = Current::Make();
    fill(*current, "CURRENT_WEATHER_TABLE", 1, true);
    current->SetDate(old_db::Time(c, 1));
    current->SetWebsiteUrl(old_db::Text("url", c, 1));
    city->SetCurrent(current);

    city->SetWeeklyPtrVector(nullptr);
    for (int row = 0; row < spec.daily; row++) {
        if (!city->GetWeeklyPtrVector())
            city->SetWeeklyPtrVector(std::make_shared<WeeklyPtrVector>());
        WeeklyPtr weekly = Weekly::Make();
        fill(*weekly, "WEEKLY_WEATHER_TABLE", row, true);
        weekly->SetDate(old_db::Time(c, row));
        weekly->SetWebsiteUrl(old_db::Text("url", c, row));
        city->GetWeeklyPtrVector()->push_back(weekly);
    }
    city->SetHourlyPtrVector(nullptr);
    for (int row = 0; row < spec.hourly; row++) {
        if (!city->GetHourlyPtrVector())
            city->SetHourlyPtrVector(std::make_shared<HourlyPtrVector>());
        HourlyPtr hourly = Hourly::Make();
        fill(*hourly, "HOURLY_WEATHER_TABLE", row, true);
        hourly->SetHour(old_db::Time(c, row));
        hourly->SetWebsiteUrl(TextOr(v, "HOURLY_WEATHER_TABLE", "websiteUrl", old_db::Text("url", c, row)));
        hourly->SetPrecProbability(ColumnOr(v, "HOURLY_WEATHER_TABLE", "precProbability", 10.0 * row + 0.5));
        city->GetHourlyPtrVector()->push_back(hourly);
    }
    city->SetYesterdayHourPtrVector(nullptr);
    for (int row = 0; row < spec.yesterday; row++) {
        if (!city->GetYesterdayHourPtrVector())
            city->SetYesterdayHourPtrVector(std::make_shared<HourlyPtrVector>());
        HourlyPtr hourly = Hourly::Make();
        fill(*hourly, "YESTERDAY_WEATHER_TABLE", row, false);
        hourly->SetHour(row == 2 ? 999 : old_db::Time(c, row));
        if (row == 2)
            hourly->SetWeatherIcon(999);
        hourly->SetWebsiteUrl(old_db::Text("url", c, row));
        city->GetYesterdayHourPtrVector()->push_back(hourly);
    }
    city->SetMoonPhasePtrVector(nullptr);

    city->SetLifeIndex(nullptr);
    if (!spec.lifeIndex)
        return city;
    const std::string table = "LIFE_INDEX_WEATHER_TABLE";
    auto value = [&](const std::string& column) {
        return ColumnOr(v, table, column, old_db::LifeIndexValue(column, c));
    };
    auto text = [&](const std::string& column) { return TextOr(v, table, column, old_db::LifeIndexText(column, c)); };
    LifeIndexPtr life = LifeIndex::Make();
    life->SetHumidity(value("humidity"));
    life->SetSunsetTime(value("sunsetTime"));
    life->SetSunriseTime(value("sunriseTime"));
    life->SetPm25(value("pm25"));
    life->SetPm10(value("pm10"));
    life->SetAqi(value("aqi"));
    life->SetUvIndex(value("uvIndex"));
    life->SetUvIndexText(text("uvIndexText"));
    const std::pair<const char*, void (LifeIndex::*)(int32_t)> indexes[] = {
        {"outdoorExcercise", &LifeIndex::SetOutdoorExcercise}, {"comfort", &LifeIndex::SetComfort},
        {"clothing", &LifeIndex::SetClothing}, {"skincare", &LifeIndex::SetSkincare},
        {"carwash", &LifeIndex::SetCarwash}, {"allergy", &LifeIndex::SetAllergy},
        {"airPolution", &LifeIndex::SetAirPolution}, {"traffic", &LifeIndex::SetTraffic},
        {"fishing", &LifeIndex::SetFishing}, {"dryClothing", &LifeIndex::SetDryClothing},
        {"cosmetic", &LifeIndex::SetCosmetic}, {"foodPoison", &LifeIndex::SetFoodPoison},
        {"spoiledFood", &LifeIndex::SetSpoiledFood}, {"frozenPipes", &LifeIndex::SetFrozenPipes},
        {"frostbite", &LifeIndex::SetFrostbite}, {"cold", &LifeIndex::SetCold}, {"khai", &LifeIndex::SetKhai},
        {"airDust", &LifeIndex::SetAirDust}, {"drySkin", &LifeIndex::SetDrySkin},
        {"heatStroke", &LifeIndex::SetHeatStroke}, {"heat", &LifeIndex::SetHeat},
        {"discomfort", &LifeIndex::SetDiscomfort}, {"pollen", &LifeIndex::SetPollen}};
    for (const auto& [column, setter] : indexes)
        ((*life).*setter)(static_cast<int32_t>(value(column)));
    life->SetVisibility(value("visibility"));
    life->SetPressure(value("pressure"));
    life->SetRealfeel(MakeTemperature(value("realfeel")));
    Precipitation& prec = *life->GetPrecipitation();
    prec.SetPrecType(value("precType"));
    const std::pair<const char*, void (Precipitation::*)(double)> precs[] = {
        {"precProbability", &Precipitation::SetPrecProbability}, {"precAmount", &Precipitation::SetPrecAmount},
        {"precAmountSnow", &Precipitation::SetPrecAmountSnow}, {"precAmountIce", &Precipitation::SetPrecAmountIce},
        {"precProbabilityNight", &Precipitation::SetPrecProbabilityNight},
        {"precAmountNight", &Precipitation::SetPrecAmountNight},
        {"precAmountSnowNight", &Precipitation::SetPrecAmountSnowNight},
        {"precAmountIceNight", &Precipitation::SetPrecAmountIceNight},
        {"rainProbability", &Precipitation::SetRainProbability},
        {"snowProbability", &Precipitation::SetSnowProbability},
        {"iceProbability", &Precipitation::SetIceProbability},
        {"rainProbabilityNight", &Precipitation::SetRainProbabilityNight},
        {"snowProbabilityNight", &Precipitation::SetSnowProbabilityNight},
        {"iceProbabilityNight", &Precipitation::SetIceProbabilityNight}};
    for (const auto& [column, setter] : precs)
        (prec.*setter)(value(column));
    Wind& wind = *life->GetWind();
    wind.SetWindDirection(static_cast<float>(value("windDirection")));
    wind.SetWindSpeed(static_cast<float>(value("windSpeed")));
    wind.SetWindNightDirection(static_cast<float>(value("windNightDirection")));
    wind.SetWindNightSpeed(static_cast<float>(value("windNightSpeed")));
    wind.SetWindSpeedUnit(static_cast<int32_t>(value("windSpeedUnit")));
    wind.SetWindCardinal(text("windCardinal"));
    wind.SetWindNightCardinal(text("windNightCardinal"));
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
    LifeIndex& life = *city.GetLifeIndex();
    if (life.GetHumidity() == -999 || life.GetHumidity() == -1)
        life.SetHumidity(9999);
    if (life.GetPm10() == -999)
        life.SetPm10(9999);
    if (life.GetPm25() == 999)
        life.SetPm25(9999);
    if (life.GetAqi() == 999)
        life.SetAqi(9999);
    for (auto [get, set] : {std::make_pair(&LifeIndex::GetOutdoorExcercise, &LifeIndex::SetOutdoorExcercise),
                            std::make_pair(&LifeIndex::GetComfort, &LifeIndex::SetComfort),
                            std::make_pair(&LifeIndex::GetClothing, &LifeIndex::SetClothing),
                            std::make_pair(&LifeIndex::GetSkincare, &LifeIndex::SetSkincare),
                            std::make_pair(&LifeIndex::GetCarwash, &LifeIndex::SetCarwash),
                            std::make_pair(&LifeIndex::GetFoodPoison, &LifeIndex::SetFoodPoison),
                            std::make_pair(&LifeIndex::GetHeat, &LifeIndex::SetHeat),
                            std::make_pair(&LifeIndex::GetSpoiledFood, &LifeIndex::SetSpoiledFood),
                            std::make_pair(&LifeIndex::GetDiscomfort, &LifeIndex::SetDiscomfort),
                            std::make_pair(&LifeIndex::GetFrozenPipes, &LifeIndex::SetFrozenPipes),
                            std::make_pair(&LifeIndex::GetFrostbite, &LifeIndex::SetFrostbite),
                            std::make_pair(&LifeIndex::GetCold, &LifeIndex::SetCold),
                            std::make_pair(&LifeIndex::GetPollen, &LifeIndex::SetPollen),
                            std::make_pair(&LifeIndex::GetAirDust, &LifeIndex::SetAirDust),
                            std::make_pair(&LifeIndex::GetDrySkin, &LifeIndex::SetDrySkin)})
        if ((life.*get)() == 999)
            (life.*set)(9999);
    if (life.GetUvIndexText() == "999")
        life.SetUvIndexText("");
    Unsupport(life.GetRealfeel(), -999.0);
    Precipitation& prec = *life.GetPrecipitation();
    if (prec.GetPrecType() == 999)
        prec.SetPrecType(9999);
    // Every precipitation double of the first city is the marker; the others never are.
    if (prec.GetPrecAmount() == 999.0) {
        for (auto set : {&Precipitation::SetPrecProbability, &Precipitation::SetPrecAmount,
                         &Precipitation::SetPrecAmountSnow, &Precipitation::SetPrecAmountIce,
                         &Precipitation::SetPrecProbabilityNight, &Precipitation::SetPrecAmountNight,
                         &Precipitation::SetPrecAmountSnowNight, &Precipitation::SetPrecAmountIceNight,
                         &Precipitation::SetRainProbability, &Precipitation::SetSnowProbability,
                         &Precipitation::SetIceProbability, &Precipitation::SetRainProbabilityNight,
                         &Precipitation::SetSnowProbabilityNight, &Precipitation::SetIceProbabilityNight})
            (prec.*set)(kUnsupported);
    }
    Wind& wind = *life.GetWind();
    if (wind.GetWindDirection() == 999)
        wind.SetWindDirection(9999);
    if (wind.GetWindSpeed() == 999)
        wind.SetWindSpeed(9999);
    if (wind.GetWindSpeedUnit() == 999)
        wind.SetWindSpeedUnit(9999);
    if (wind.GetWindCardinal() == "999")
        wind.SetWindCardinal("9999");
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
CityPtrVectorPtr ExpectedAfterUpgrade(const std::vector<old_db::OldCity>& specs, double v)
{
    auto cities = std::make_shared<CityPtrVector>();
    for (size_t i = 0; i < specs.size(); i++)
        cities->push_back(FromOldRows(specs[i], static_cast<int>(i), v));
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
        city->SetYesterdayHourPtrVector(std::make_shared<HourlyPtrVector>());
        for (int i = 0; i < 24; i++)
            city->GetYesterdayHourPtrVector()->push_back(Hourly::Make());
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
    for (auto& city : *cities)
        if (city->GetWeeklyPtrVector())
            for (auto& weekly : *city->GetWeeklyPtrVector())
                SetDayOfWeek(*weekly);
    return cities;
}

using Schema = std::set<std::pair<std::string, std::string>>;

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// Column names (case-insensitive, as SQLite treats them) and declared types.
Schema SchemaOf(const std::string& file, const std::string& table)
{
    Schema schema;
    for (const auto& column : sqlite_test::TableColumns(file, table))
        schema.insert({Lower(column.name), column.type});
    return schema;
}

Schema ExpectedSchema(const std::string& table)
{
    Schema schema;
    for (const auto& spec : old_db::WeatherColumns())
        if (spec.table == table)
            schema.insert({Lower(spec.name), spec.type});
    return schema;
}

std::vector<old_db::OldCity> DefaultCities()
{
    old_db::OldCity here{"LOC_A", true, 8, 24, 0, true, 8};
    old_db::OldCity withYesterday{"LOC_B", false, 7, 24, 24, true, 0};
    old_db::OldCity noLifeIndex{"LOC_C", false, 8, 24, 0, false, 0};
    return {here, withYesterday, noLifeIndex};
}

struct UpgradeRun {
    std::string weatherFile, settingFile, versionFile;
    std::string log;
    double readVersion = -1;
};

UpgradeRun BuildAndStart(double storedVersion, const std::vector<old_db::OldCity>& cities)
{
    UpgradeRun run;
    std::string dir = FreshDbDir();
    old_db::OldFiles files;
    std::string error;
    EXPECT_TRUE(old_db::Build(dir, storedVersion, cities, &files, &error)) << error;
    LogCapture capture;
    run.readVersion = StartUp();
    for (const auto& message : capture.Messages())
        run.log += message + "\n";
    run.weatherFile = files.weather;
    run.settingFile = files.setting;
    run.versionFile = dir + "/.version.db";
    return run;
}

class WeatherUpgrade : public ::testing::TestWithParam<double> {};

} // namespace

TEST_P(WeatherUpgrade, OldFilesEndWithTheLatestSchemaAndTheirDataMigrated)
{
    const double v = GetParam();
    UpgradeRun run = BuildAndStart(v, DefaultCities());
    EXPECT_DOUBLE_EQ(run.readVersion, v);

    // Schema: every latest column with its type, no old table left behind.
    for (const std::string& table : old_db::WeatherTables())
        EXPECT_EQ(SchemaOf(run.weatherFile, table), ExpectedSchema(table)) << table;
    EXPECT_TRUE(sqlite_test::TableColumns(run.weatherFile, "EXTRA_WEATHER_TABLE").empty());
    EXPECT_TRUE(sqlite_test::TableColumns(run.weatherFile, "VERSION_TABLE").empty());
    EXPECT_EQ(QueryRows(run.versionFile, "SELECT dbVersion FROM VERSION_TABLE"), (Rows{{"2.0"}}));
    EXPECT_EQ(QueryRows(run.settingFile, "SELECT TemperatureUnit, AutoRefreshInterval, NotificationPopup FROM SETTING_TABLE"),
              (Rows{{std::to_string(old_db::kOldTemperatureUnit), std::to_string(old_db::kOldAutoRefreshInterval),
                     "NULL"}}));
    EXPECT_EQ(sqlite_test::IntegrityCheck(run.weatherFile), "ok");

    // Steps: the first one above the stored version and all later ones.
    const char* thresholds[] = {"0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8",
                                "1.1", "1.2", "1.3", "1.4", "1.5", "1.7", "1.8", "1.9", "2.0"};
    for (const char* threshold : thresholds) {
        bool expected = std::stod(threshold) > v;
        EXPECT_EQ(run.log.find(std::string("UpgradeDBTables < ") + threshold + " : ALTER") != std::string::npos,
                  expected)
            << threshold;
    }
    EXPECT_EQ(run.log.find("UpgradeDBTables < 0.9\033[0;m") != std::string::npos, v < 0.9);
    EXPECT_EQ(run.log.find("UpgradeDBTables : DROP TABLE VERSION_TABLE;") != std::string::npos, v < 0.2);

    // Data, city by city and row by row.
    CityPtrVectorPtr expected = ExpectedAfterUpgrade(DefaultCities(), v);
    CityPtrVectorPtr actual = WeatherDBController::GetInstance()->SelectAllCity();
    ASSERT_TRUE(actual);
    ASSERT_EQ(actual->size(), expected->size());
    for (size_t i = 0; i < actual->size(); i++)
        ExpectCityEq(actual->at(i), expected->at(i), false);
    // Moon phases stay under the keys the cities had before they were written again.
    EXPECT_EQ(QueryRows(run.weatherFile, "SELECT COUNT(*) FROM MOON_PHASE_TABLE WHERE locationID = 'LOC_A'"),
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
    std::vector<old_db::OldCity> cities = {{"LOC_N", false, 6, 24, 0, false, 0},
                                           {"LOC_M:CurrentCity", true, 8, 24, 24, true, 0}};
    UpgradeRun run = BuildAndStart(1.9, cities);
    CityPtrVectorPtr expected = ExpectedAfterUpgrade(cities, 1.9);
    CityPtrVectorPtr actual = WeatherDBController::GetInstance()->SelectAllCity();
    ASSERT_TRUE(actual);
    ASSERT_EQ(actual->size(), 2u);
    ExpectCityEq(actual->at(0), expected->at(0), false);
    ExpectCityEq(actual->at(1), expected->at(1), false);
    EXPECT_EQ(actual->at(1)->GetLocationId(), "LOC_M:CurrentCity");
    EXPECT_EQ(actual->at(1)->GetWeeklyPtrVector()->size(), 9u);
    EXPECT_EQ(actual->at(1)->GetYesterdayHourPtrVector()->at(2)->GetHour(), 999u);
    EXPECT_NE(run.log.find("nomal weeklyPtr vector [break]"), std::string::npos);
    EXPECT_NE(run.log.find("lifeIndexPtr is null [break]"), std::string::npos);
    EXPECT_TRUE(actual->at(0)->GetLifeIndex()); // given an empty one before the walk reached the second city
}

TEST(WeatherUpgradeMigrations, FreshDeviceGetsTheSameSchemaAsAnUpgradedOne)
{
    FreshDbDir();
    LogCapture capture;
    EXPECT_DOUBLE_EQ(StartUp(), 0.0);
    std::string file = WeatherDBController::GetInstance()->GetWeatherDBFilePath();
    for (const std::string& table : old_db::WeatherTables())
        EXPECT_EQ(SchemaOf(file, table), ExpectedSchema(table)) << table;
    // The whole chain ran and every ALTER failed harmlessly on the latest tables.
    EXPECT_TRUE(capture.Contains("UpgradeDBTables < 0.1 : ALTER TABLE CITY_TABLE ADD countryNameEng TEXT DEFAULT '';"));
    EXPECT_TRUE(capture.Contains("UpgradeDBTables < 2.0 : ALTER TABLE CITY_TABLE ADD stateName TEXT DEFAULT '';"));
    EXPECT_TRUE(capture.Contains("duplicate column name: countryNameEng"));
    EXPECT_EQ(QueryRows(file, "SELECT COUNT(*) FROM CITY_TABLE"), (Rows{{"0"}}));
    EXPECT_EQ(QueryRows(WeatherDBController::GetInstance()->GetWeatherDBFilePath().substr(
                            0, file.size() - std::string(".weather.db").size()) + ".version.db",
                        "SELECT dbVersion FROM VERSION_TABLE"),
              (Rows{{"2.0"}}));

    // Nothing runs from 2.0 on, not even an opening.
    LogCapture none;
    WeatherDBController::GetInstance()->UpgradeDB(2.0);
    WeatherDBController::GetInstance()->UpgradeDB(2.5);
    EXPECT_TRUE(none.Messages().empty());
}
