// Weather storage against raw SQLite doing the same SQL work.
//
// Each operation of the data layer is measured beside a baseline in the same
// program: one connection, one transaction, prepared statements reused, the
// same pragmas and the same rows. The program ends with our time divided by
// the baseline's for every pair.

#include <benchmark/benchmark.h>

#include <device/host.h>

#include <glib.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "typedef/City.h"
#include "db/DBConnector.h"
#include "utils/FileHelper.h"
#include "db/SettingDBController.h"
#include "db/ShareTargetDBController.h"
#include "db/VersionDBController.h"
#include "db/WeatherDBController.h"

namespace {

constexpr int kDaily = 8, kHourly = 24, kYesterday = 24, kMoonPhases = 8;

std::string DbDir()
{
    return FileHelper::GetInstance()->GetSharedDataDirectoryPath() + "db";
}

void RemoveDbFiles()
{
    std::string dir = DbDir();
    if (GDir* handle = g_dir_open(dir.c_str(), 0, nullptr)) {
        while (const gchar* name = g_dir_read_name(handle))
            unlink((dir + "/" + name).c_str());
        g_dir_close(handle);
    }
    g_mkdir_with_parents(dir.c_str(), 0755);
}

TemperaturePtr Temp(double celsius)
{
    TemperaturePtr t = Temperature::Make();
    t->SetTemperature(celsius);
    return t;
}

void Fill(Weather& weather, int seed)
{
    weather.SetWeatherIcon(seed % 44);
    weather.SetServerWeatherIcon(seed % 50);
    weather.SetWeatherStatus("Partly sunny " + std::to_string(seed));
    weather.SetCurTemperature(Temp(seed % 40 - 5.5));
    weather.SetLowTemperature(Temp(seed % 30 - 9.3));
    weather.SetHighTemperature(Temp(seed % 30 + 2.1));
    weather.SetDate(1700000000u + seed * 60u);
}

CityPtr FullCity(int n)
{
    CityPtr city = City::Make();
    city->SetLocationId("bench-" + std::to_string(n));
    city->SetCityName("City " + std::to_string(n));
    city->SetCityNameEng("City " + std::to_string(n));
    city->SetCountryName("Country");
    city->SetCountryNameEng("Country");
    city->SetWebsiteUrl("https://example.invalid/" + std::to_string(n));
    city->SetGmtOffset(9.0);
    Fill(*city->GetCurrent(), n);
    for (int i = 0; i < kDaily; i++) {
        WeeklyPtr weekly = Weekly::Make();
        Fill(*weekly, n * 100 + i);
        city->GetWeeklyPtrVector()->push_back(weekly);
    }
    for (int i = 0; i < kHourly + kYesterday; i++) {
        HourlyPtr hourly = Hourly::Make();
        Fill(*hourly, n * 1000 + i);
        hourly->SetHour(1700000000u + i * 3600u);
        hourly->SetPrecProbability(i);
        (i < kHourly ? city->GetHourlyPtrVector() : city->GetYesterdayHourPtrVector())->push_back(hourly);
    }
    LifeIndex& life = *city->GetLifeIndex();
    life.SetHumidity(50);
    life.SetPm25(12);
    life.SetRealfeel(Temp(21.4));
    life.SetPressure(1013.2);
    life.GetWind()->SetWindCardinal("NE");
    for (int i = 0; i < kMoonPhases; i++) {
        MoonPhasePtr moon = MoonPhase::Make();
        moon->SetLocationID(city->GetLocationId());
        moon->SetDate(1700000000u + i * 86400u);
        moon->SetPhaseText("Waxing");
        city->GetMoonPhasePtrVector()->push_back(moon);
    }
    return city;
}

CityPtrVectorPtr FullCities(int count)
{
    auto cities = std::make_shared<CityPtrVector>();
    for (int i = 0; i < count; i++)
        cities->push_back(FullCity(i));
    return cities;
}

// Fresh weather file holding `count` cities with moon phases.
void PrepareWeatherFile(int count)
{
    RemoveDbFiles();
    WeatherDBController* db = WeatherDBController::GetInstance();
    db->Init();
    CityPtrVectorPtr cities = FullCities(count);
    db->DeleteAndInsertCity(cities);
    for (const CityPtr& city : *cities)
        db->UpdateMoonPhase(city);
}

// --- raw SQLite baseline -------------------------------------------------

class Raw {
public:
    explicit Raw(const std::string& path)
    {
        sqlite3_open_v2(path.c_str(), &mDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        sqlite3_exec(mDb, "PRAGMA synchronous=OFF; PRAGMA temp_store=memory; BEGIN;", nullptr, nullptr, nullptr);
    }
    ~Raw()
    {
        for (auto& entry : mStatements)
            sqlite3_finalize(entry.second);
        sqlite3_exec(mDb, "COMMIT;", nullptr, nullptr, nullptr);
        sqlite3_close(mDb);
    }
    void Exec(const char* sql) { sqlite3_exec(mDb, sql, nullptr, nullptr, nullptr); }
    sqlite3_stmt* Stmt(const char* sql)
    {
        sqlite3_stmt*& stmt = mStatements[sql];
        if (!stmt)
            sqlite3_prepare_v2(mDb, sql, -1, &stmt, nullptr);
        sqlite3_reset(stmt);
        return stmt;
    }
    sqlite3_int64 LastRowId() { return sqlite3_last_insert_rowid(mDb); }

private:
    sqlite3* mDb = nullptr;
    std::map<const char*, sqlite3_stmt*> mStatements;
};

void BindText(sqlite3_stmt* stmt, int index, const std::string& text)
{
    sqlite3_bind_text(stmt, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void BindWeather(sqlite3_stmt* stmt, int first, const Weather& weather, bool lowHigh)
{
    sqlite3_bind_int(stmt, first++, weather.GetWeatherIcon());
    BindText(stmt, first++, weather.GetWeatherStatus());
    sqlite3_bind_double(stmt, first++, weather.GetCurTemperature()->GetCelsius());
    if (lowHigh) {
        sqlite3_bind_double(stmt, first++, weather.GetLowTemperature()->GetCelsius());
        sqlite3_bind_double(stmt, first++, weather.GetHighTemperature()->GetCelsius());
    }
}

void RawDeleteAndInsert(Raw& raw, const CityPtrVector& cities)
{
    for (const char* sql : {"DELETE FROM CITY_TABLE;", "DELETE FROM CURRENT_WEATHER_TABLE;",
                            "DELETE FROM WEEKLY_WEATHER_TABLE;", "DELETE FROM HOURLY_WEATHER_TABLE;",
                            "DELETE FROM LIFE_INDEX_WEATHER_TABLE;", "DELETE FROM YESTERDAY_WEATHER_TABLE;"})
        raw.Exec(sql);
    int page = 0;
    for (const CityPtr& city : cities) {
        sqlite3_stmt* s =
            raw.Stmt("INSERT INTO CITY_TABLE (pageIndex,locationId,cityName,cityNameEng,countryName,countryNameEng,"
                     "isCurrentLocation,isDayTime,isSummerTime,gmtOffset,refreshedTime,localTime,widgetReferenceCount,"
                     "needToUpdate,websiteUrl,stateName,stateNameEng) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        sqlite3_bind_int(s, 1, page++);
        BindText(s, 2, city->GetLocationId());
        BindText(s, 3, city->GetCityName());
        BindText(s, 4, city->GetCityNameEng());
        BindText(s, 5, city->GetCountryName());
        BindText(s, 6, city->GetCountryNameEng());
        sqlite3_bind_int(s, 7, city->GetIsCurrentLocation());
        sqlite3_bind_int(s, 8, city->GetIsDayTime());
        sqlite3_bind_int(s, 9, city->GetIsSummerTime());
        sqlite3_bind_double(s, 10, city->GetGmtOffset());
        sqlite3_bind_int64(s, 11, city->GetRefreshedTime());
        sqlite3_bind_int64(s, 12, city->GetLocalTime());
        sqlite3_bind_int(s, 13, city->GetWidgetReferenceCount());
        sqlite3_bind_int(s, 14, city->GetNeedToUpdate());
        BindText(s, 15, city->GetWebsiteUrl());
        BindText(s, 16, city->GetStateName());
        BindText(s, 17, city->GetStateNameEng());
        sqlite3_step(s);
        int key = static_cast<int>(raw.LastRowId());

        s = raw.Stmt("INSERT INTO CURRENT_WEATHER_TABLE (FK_ID,weatherIcon,weatherStatus,curTemperature,"
                     "lowTemperature,highTemperature,date,websiteUrl,serverWeatherIcon) VALUES (?,?,?,?,?,?,?,?,?)");
        sqlite3_bind_int(s, 1, key);
        BindWeather(s, 2, *city->GetCurrent(), true);
        sqlite3_bind_int64(s, 7, city->GetCurrent()->GetDate());
        BindText(s, 8, city->GetCurrent()->GetWebsiteUrl());
        sqlite3_bind_int(s, 9, city->GetCurrent()->GetServerWeatherIcon());
        sqlite3_step(s);
        int i = 0;
        for (const WeeklyPtr& weekly : *city->GetWeeklyPtrVector()) {
            s = raw.Stmt("INSERT INTO WEEKLY_WEATHER_TABLE (FK_ID,weeklyIndex,weatherIcon,weatherStatus,"
                         "curTemperature,lowTemperature,highTemperature,date,websiteUrl,serverWeatherIcon) "
                         "VALUES (?,?,?,?,?,?,?,?,?,?)");
            sqlite3_bind_int(s, 1, key);
            sqlite3_bind_int(s, 2, i++);
            BindWeather(s, 3, *weekly, true);
            sqlite3_bind_int64(s, 8, weekly->GetDate());
            BindText(s, 9, weekly->GetWebsiteUrl());
            sqlite3_bind_int(s, 10, weekly->GetServerWeatherIcon());
            sqlite3_step(s);
        }
        i = 0;
        for (const HourlyPtr& hourly : *city->GetHourlyPtrVector()) {
            s = raw.Stmt("INSERT INTO HOURLY_WEATHER_TABLE (FK_ID,hourlyIndex,hour,weatherIcon,weatherStatus,"
                         "curTemperature,lowTemperature,highTemperature,websiteUrl,precProbability,"
                         "serverWeatherIcon) VALUES (?,?,?,?,?,?,?,?,?,?,?)");
            sqlite3_bind_int(s, 1, key);
            sqlite3_bind_int(s, 2, i++);
            sqlite3_bind_int64(s, 3, hourly->GetHour());
            BindWeather(s, 4, *hourly, true);
            BindText(s, 9, hourly->GetWebsiteUrl());
            sqlite3_bind_double(s, 10, hourly->GetPrecProbability());
            sqlite3_bind_int(s, 11, hourly->GetServerWeatherIcon());
            sqlite3_step(s);
        }
        const LifeIndex& life = *city->GetLifeIndex();
        s = raw.Stmt("INSERT INTO LIFE_INDEX_WEATHER_TABLE (FK_ID,humidity,sunsetTime,sunriseTime,pm25,pm10,aqi,"
                     "uvIndex,outdoorExcercise,comfort,clothing,skincare,carwash,foodPoison,heat,spoiledFood,"
                     "discomfort,frozenPipes,frostbite,cold,pollen,airDust,drySkin,realfeel,precType,"
                     "precProbability,precAmount,precProbabilityNight,precAmountNight,uvIndexText,pressure,"
                     "windDirection,windSpeed,windSpeedUnit,windCardinal,rainProbability,rainProbabilityNight,"
                     "snowProbability,snowProbabilityNight,iceProbability,iceProbabilityNight,precAmountSnow,"
                     "precAmountSnowNight,precAmountIce,precAmountIceNight,allergy,airPolution,traffic,fishing,"
                     "dryClothing,cosmetic,visibility,heatStroke,khai,windNightSpeed,windNightDirection,"
                     "windNightCardinal) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,"
                     "?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
        sqlite3_bind_int(s, 1, key);
        // Same number of values of the same kinds as the data layer binds.
        for (int column = 2; column <= 57; column++) {
            if (column == 30 || column == 35 || column == 57)
                BindText(s, column, life.GetWind()->GetWindCardinal());
            else if (column == 24 || column >= 26)
                sqlite3_bind_double(s, column, life.GetPressure());
            else
                sqlite3_bind_int(s, column, life.GetHumidity());
        }
        sqlite3_step(s);
        i = 0;
        for (const HourlyPtr& hourly : *city->GetYesterdayHourPtrVector()) {
            s = raw.Stmt("INSERT INTO YESTERDAY_WEATHER_TABLE (FK_ID,hourlyIndex,hour,weatherIcon,weatherStatus,"
                         "curTemperature,websiteUrl,serverWeatherIcon) VALUES (?,?,?,?,?,?,?,?)");
            sqlite3_bind_int(s, 1, key);
            sqlite3_bind_int(s, 2, i++);
            sqlite3_bind_int64(s, 3, hourly->GetHour());
            BindWeather(s, 4, *hourly, false);
            BindText(s, 7, hourly->GetWebsiteUrl());
            sqlite3_bind_int(s, 8, hourly->GetServerWeatherIcon());
            sqlite3_step(s);
        }
    }
}

// Reads every column of every row of a key, as the data layer's selects do.
int64_t ReadRows(sqlite3_stmt* stmt, int key)
{
    sqlite3_bind_int(stmt, 1, key);
    int64_t touched = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(stmt); c++) {
            if (sqlite3_column_type(stmt, c) == SQLITE_TEXT)
                touched += std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c))).size();
            else
                touched += static_cast<int64_t>(sqlite3_column_double(stmt, c));
        }
    }
    return touched;
}

int64_t RawSelectAll(Raw& raw)
{
    int64_t touched = 0;
    sqlite3_stmt* keys = raw.Stmt("SELECT PK_ID FROM CITY_TABLE ORDER BY pageIndex");
    std::vector<int> primaryKeys;
    while (sqlite3_step(keys) == SQLITE_ROW)
        primaryKeys.push_back(sqlite3_column_int(keys, 0));
    for (int key : primaryKeys) {
        touched += ReadRows(raw.Stmt("SELECT pageIndex,locationId,cityName,cityNameEng,countryName,countryNameEng,"
                                     "isCurrentLocation,isDayTime,isSummerTime,gmtOffset,refreshedTime,localTime,"
                                     "widgetReferenceCount,needToUpdate,websiteUrl,stateName,stateNameEng "
                                     "FROM CITY_TABLE WHERE PK_ID = ?"),
                            key);
        touched += ReadRows(raw.Stmt("SELECT weatherIcon,weatherStatus,curTemperature,lowTemperature,"
                                     "highTemperature,date,websiteUrl,serverWeatherIcon FROM CURRENT_WEATHER_TABLE "
                                     "WHERE FK_ID = ?"),
                            key);
        touched += ReadRows(raw.Stmt("SELECT weatherIcon,weatherStatus,curTemperature,lowTemperature,"
                                     "highTemperature,date,websiteUrl,serverWeatherIcon FROM WEEKLY_WEATHER_TABLE "
                                     "WHERE FK_ID = ?"),
                            key);
        touched += ReadRows(raw.Stmt("SELECT hour,weatherIcon,weatherStatus,curTemperature,lowTemperature,"
                                     "highTemperature,websiteUrl,precProbability,serverWeatherIcon "
                                     "FROM HOURLY_WEATHER_TABLE WHERE FK_ID = ?"),
                            key);
        touched += ReadRows(raw.Stmt("SELECT * FROM LIFE_INDEX_WEATHER_TABLE WHERE FK_ID = ?"), key);
        touched += ReadRows(raw.Stmt("SELECT locationID,date,moonRiseTime,moonSetTime,phaseText,age "
                                     "FROM MOON_PHASE_TABLE WHERE FK_ID = ?"),
                            key);
        touched += ReadRows(raw.Stmt("SELECT hour,weatherIcon,weatherStatus,curTemperature,websiteUrl,"
                                     "serverWeatherIcon FROM YESTERDAY_WEATHER_TABLE WHERE FK_ID = ?"),
                            key);
    }
    return touched;
}

std::string BaselineFile()
{
    return DbDir() + "/baseline.db";
}

// The baseline file gets the schema the data layer made, read back from it.
void PrepareBaselineFile()
{
    std::string schemaSql;
    sqlite3* ours = nullptr;
    sqlite3_open_v2(WeatherDBController::GetInstance()->GetWeatherDBFilePath().c_str(), &ours, SQLITE_OPEN_READONLY,
                    nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(ours, "SELECT sql FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'", -1,
                       &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW)
        schemaSql += std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))) + ";";
    sqlite3_finalize(stmt);
    sqlite3_close(ours);
    unlink(BaselineFile().c_str());
    Raw raw(BaselineFile());
    raw.Exec(schemaSql.c_str());
}

// --- benchmarks ----------------------------------------------------------

void BM_DeleteAndInsertCity(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    PrepareWeatherFile(count);
    CityPtrVectorPtr cities = FullCities(count);
    for (auto _ : state)
        WeatherDBController::GetInstance()->DeleteAndInsertCity(cities);
}

void BM_DeleteAndInsertCity_Baseline(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    PrepareWeatherFile(count);
    PrepareBaselineFile();
    CityPtrVectorPtr cities = FullCities(count);
    for (auto _ : state) {
        Raw raw(BaselineFile());
        RawDeleteAndInsert(raw, *cities);
    }
}

void BM_SelectAllCity(benchmark::State& state)
{
    PrepareWeatherFile(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(WeatherDBController::GetInstance()->SelectAllCity());
}

void BM_SelectAllCity_Baseline(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    PrepareWeatherFile(count);
    PrepareBaselineFile();
    {
        Raw raw(BaselineFile());
        RawDeleteAndInsert(raw, *FullCities(count));
    }
    for (auto _ : state) {
        Raw raw(BaselineFile());
        benchmark::DoNotOptimize(RawSelectAll(raw));
    }
}

// The first statement of every weather upgrade step: on fresh tables each
// step stops at its first statement, so this is the SQL that really runs.
const char* const kFirstStatements[] = {
    "ALTER TABLE CITY_TABLE ADD countryNameEng TEXT DEFAULT '';",
    "ALTER TABLE HOURLY_WEATHER_TABLE ADD websiteUrl TEXT DEFAULT '';",
    "DROP TABLE VERSION_TABLE;",
    "ALTER TABLE EXTRA_WEATHER_TABLE ADD aqi INTEGER DEFAULT 9999;",
    "ALTER TABLE EXTRA_WEATHER_TABLE ADD outdoorExcercise INTEGER DEFAULT 9999;",
    "ALTER TABLE CITY_TABLE ADD needToUpdate INTEGER DEFAULT 9999;",
    "ALTER TABLE EXTRA_WEATHER_TABLE ADD foodPoison INTEGER DEFAULT 9999;",
    "ALTER TABLE CITY_TABLE ADD isSummerTime INTEGER DEFAULT 9999;",
    "ALTER TABLE EXTRA_WEATHER_TABLE ADD precProbabilityNight DOUBLE DEFAULT 9999.0;",
    "ALTER TABLE EXTRA_WEATHER_TABLE ADD uvIndexText TEXT DEFAULT '';",
    "ALTER TABLE EXTRA_WEATHER_TABLE ADD pressure DOUBLE DEFAULT 9999.0;",
    "ALTER TABLE HOURLY_WEATHER_TABLE ADD precProbability DOUBLE DEFAULT 9999.0;",
    "ALTER TABLE EXTRA_WEATHER_TABLE ADD windDirection DOUBLE DEFAULT 9999.0;",
    "ALTER TABLE EXTRA_WEATHER_TABLE ADD windCardinal TEXT DEFAULT '';",
    "ALTER TABLE EXTRA_WEATHER_TABLE ADD rainProbability DOUBLE DEFAULT 9999.0;",
    "ALTER TABLE EXTRA_WEATHER_TABLE ADD rainProbability DOUBLE DEFAULT 9999.0;",
    "ALTER TABLE EXTRA_WEATHER_TABLE RENAME TO LIFE_INDEX_WEATHER_TABLE;",
    "ALTER TABLE CITY_TABLE ADD stateName TEXT DEFAULT '';",
};

// One opening as the connector makes it: shared-cache open, busy handler,
// the same pragmas, one transaction (exclusive for creating), closed at the end.
class Opening {
public:
    Opening(const std::string& path, bool readOnly, bool exclusive = false)
    {
        sqlite3_open_v2(path.c_str(), &mDb,
                        SQLITE_OPEN_SHAREDCACHE |
                            (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE),
                        nullptr);
        sqlite3_busy_handler(
            mDb, [](void*, int) { return 0; }, nullptr);
        Exec("PRAGMA synchronous=OFF; PRAGMA count_changes=OFF; PRAGMA temp_store=memory;");
        Exec(exclusive ? "BEGIN EXCLUSIVE TRANSACTION;" : "BEGIN TRANSACTION;");
    }
    ~Opening()
    {
        Exec("END TRANSACTION;");
        sqlite3_close(mDb);
    }
    Opening(const Opening&) = delete;
    Opening& operator=(const Opening&) = delete;

    void Exec(const std::string& sql) { sqlite3_exec(mDb, sql.c_str(), nullptr, nullptr, nullptr); }
    // Prepares, binds doubles, steps once and finalizes; column 0 of the row as a double (-1 without a row).
    double Step(const char* sql, std::vector<double> values = {})
    {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(mDb, sql, -1, &stmt, nullptr);
        for (size_t i = 0; i < values.size(); i++)
            sqlite3_bind_double(stmt, static_cast<int>(i + 1), values[i]);
        double result = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_double(stmt, 0) : -1;
        sqlite3_finalize(stmt);
        return result;
    }

private:
    sqlite3* mDb = nullptr;
};

// What the data manager does at the first start of a device.
void FreshStart()
{
    WeatherDBController::GetInstance()->Init();
    SettingDBController::GetInstance()->Init();
    ShareTargetDBController::GetInstance()->Init();
    VersionDBController::GetInstance()->Init();
    double current = VersionDBController::GetInstance()->GetCurrentDBVersion();
    WeatherDBController::GetInstance()->UpgradeDB(current);
    SettingDBController::GetInstance()->UpgradeDB(current);
    VersionDBController::GetInstance()->UpgradeDB(2.0);
}

void BM_StartUpFreshDevice(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        RemoveDbFiles();
        state.ResumeTiming();
        FreshStart();
    }
}

// The CREATE texts of a file the data layer made, as one script.
std::string SchemaOf(const std::string& path)
{
    std::string schema;
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT sql FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%'", -1, &stmt,
                       nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW)
        schema += std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))) + ";";
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return schema;
}

// The same 31 openings with the same statements in raw SQLite: four files
// created, the version read, 18 upgrade steps, six migrations that find no
// city, the settings step and the new version.
void BM_StartUpFreshDevice_Baseline(benchmark::State& state)
{
    const std::string dir = DbDir() + "/";
    RemoveDbFiles();
    FreshStart();
    const std::string weatherSchema = SchemaOf(dir + ".weather.db");
    const std::string settingSchema = SchemaOf(dir + ".setting.db");
    const std::string shareSchema = SchemaOf(dir + ".share_target.db");
    std::string settingInsert = "INSERT INTO SETTING_TABLE VALUES (?";
    for (int i = 1; i < 26; i++)
        settingInsert += ", ?";
    settingInsert += ")";
    for (auto _ : state) {
        state.PauseTiming();
        RemoveDbFiles();
        state.ResumeTiming();
        Opening(dir + ".weather.db", false, true).Exec(weatherSchema);
        {
            Opening setting(dir + ".setting.db", false, true);
            setting.Exec(settingSchema);
            setting.Step(settingInsert.c_str(), std::vector<double>(26, 1.0));
        }
        Opening(dir + ".share_target.db", false, true).Exec(shareSchema);
        {
            Opening version(dir + ".version.db", false, true);
            version.Exec("CREATE TABLE IF NOT EXISTS VERSION_TABLE (dbVersion DOUBLE);");
            if (version.Step("SELECT dbVersion FROM VERSION_TABLE") < 0)
                version.Step("INSERT INTO VERSION_TABLE (dbVersion) VALUES ( ?)", {0.0});
        }
        Opening(dir + ".version.db", true).Step("SELECT dbVersion FROM VERSION_TABLE");
        for (const char* statement : kFirstStatements)
            Opening(dir + ".weather.db", false).Exec(statement);
        for (int migration = 0; migration < 6; migration++)
            Opening(dir + ".weather.db", true).Step("SELECT COUNT(*) FROM CITY_TABLE");
        Opening(dir + ".setting.db", false).Exec("ALTER TABLE SETTING_TABLE ADD NotificationPopup INT;");
        Opening(dir + ".version.db", false).Step("UPDATE VERSION_TABLE SET dbVersion = ?", {2.0});
    }
}

// Reads grow with the square of the number of cities (no index on FK_ID, as the
// schema has it): 200 keeps that visible.
BENCHMARK(BM_DeleteAndInsertCity)->Arg(1)->Arg(10)->Arg(50)->Arg(200)->Apply(bench::Trusted);
BENCHMARK(BM_DeleteAndInsertCity_Baseline)->Arg(1)->Arg(10)->Arg(50)->Arg(200)->Apply(bench::Trusted);
BENCHMARK(BM_SelectAllCity)->Arg(1)->Arg(10)->Arg(50)->Arg(200)->Apply(bench::Trusted);
BENCHMARK(BM_SelectAllCity_Baseline)->Arg(1)->Arg(10)->Arg(50)->Arg(200)->Apply(bench::Trusted);
BENCHMARK(BM_StartUpFreshDevice)->Apply(bench::Trusted);
BENCHMARK(BM_StartUpFreshDevice_Baseline)->Apply(bench::Trusted);

} // namespace

int main(int argc, char** argv)
{
    bench::TempDevice device("storage-bench-XXXXXX", "com.velurio.weather-backuprestore");
    if (!device.Ready())
        return 1;
    bench::RatioReporter reporter("storage_bench", "raw SQLite doing the same SQL work");
    bench::Run(&argc, argv, reporter);
    // Growth of a read per city: constant would mean linear reads.
    for (const char* name : {"BM_SelectAllCity", "BM_SelectAllCity_Baseline"}) {
        std::string line = std::string(name) + " median per city (us):";
        for (int cities : {1, 10, 50, 200}) {
            const double median = reporter.Get(std::string(name) + "/" + std::to_string(cities)).median;
            char cell[48];
            snprintf(cell, sizeof cell, " %d: %.1f", cities, median / cities);
            line += cell;
        }
        reporter.Note(line);
    }
    reporter.PrintTable();
    return 0;
}
