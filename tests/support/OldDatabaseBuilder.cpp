#include "OldDatabaseBuilder.h"

#include <sqlite3.h>

#include <cmath>
#include <set>
#include <sstream>

#include "SqliteTestUtil.h"

namespace old_db {

namespace {

// Per table, groups split by ';': the column names, their type, then the
// version whose upgrade step adds them and their ALTER default, when any.
std::vector<Column> MakeColumns()
{
    const std::string forecast = " weatherIcon INTEGER; weatherStatus TEXT; "
                                 "curTemperature lowTemperature highTemperature DOUBLE; date INT64; websiteUrl TEXT; "
                                 "serverWeatherIcon INTEGER 1.7 9999";
    const std::pair<std::string, std::string> tables[] = {
        {"CITY_TABLE", "PK_ID pageIndex INTEGER; locationId cityName cityNameEng countryName TEXT; "
                       "countryNameEng TEXT 0.1; isCurrentLocation INTEGER; isSummerTime INTEGER 0.7 9999; "
                       "isDayTime INTEGER; gmtOffset DOUBLE; refreshedTime localTime INT64; "
                       "widgetReferenceCount INTEGER; needToUpdate INTEGER 0.5 9999; websiteUrl TEXT; "
                       "stateName stateNameEng TEXT 2.0"},
        {"CURRENT_WEATHER_TABLE", "FK_ID" + forecast},
        {"WEEKLY_WEATHER_TABLE", "FK_ID weeklyIndex" + forecast},
        {"HOURLY_WEATHER_TABLE", "FK_ID hourlyIndex INTEGER; hour INT64; weatherIcon INTEGER; weatherStatus TEXT; "
                                 "curTemperature lowTemperature highTemperature DOUBLE; websiteUrl TEXT 0.2; "
                                 "precProbability DOUBLE 1.3 9999.0; serverWeatherIcon INTEGER 1.7 9999"},
        {"LIFE_INDEX_WEATHER_TABLE",
         "FK_ID humidity INTEGER; sunsetTime sunriseTime INT64; pm25 INTEGER 0.3 9999; pm10 INTEGER; "
         "aqi INTEGER 0.3 9999; uvIndex INTEGER; "
         "outdoorExcercise comfort clothing skincare carwash INTEGER 0.4 9999; "
         "foodPoison heat spoiledFood discomfort frozenPipes frostbite cold pollen airDust drySkin INTEGER 0.6 9999; "
         "realfeel DOUBLE; precType INTEGER; precProbability precAmount DOUBLE; "
         "precProbabilityNight precAmountNight DOUBLE 0.8 9999.0; uvIndexText TEXT 1.1; pressure DOUBLE 1.2 9999.0; "
         "windDirection windSpeed DOUBLE 1.4 9999.0; windSpeedUnit INTEGER 1.4 9999; windCardinal TEXT 1.5; "
         "rainProbability rainProbabilityNight snowProbability snowProbabilityNight iceProbability "
         "iceProbabilityNight precAmountSnow precAmountSnowNight precAmountIce precAmountIceNight DOUBLE 1.7 9999.0; "
         "allergy airPolution traffic fishing dryClothing cosmetic INTEGER 2.0 9999; visibility DOUBLE 2.0 9999.0; "
         "heatStroke khai INTEGER 2.0 9999; windNightSpeed windNightDirection DOUBLE 2.0 9999.0; "
         "windNightCardinal TEXT 2.0 9999"},
        {"MOON_PHASE_TABLE", "FK_ID moonPhaseIndex INTEGER; locationID TEXT; date moonRiseTime moonSetTime INT64; "
                             "phaseText TEXT; age INTEGER"},
        {"YESTERDAY_WEATHER_TABLE", "FK_ID hourlyIndex INTEGER; hour INT64; weatherIcon INTEGER; weatherStatus TEXT; "
                                    "curTemperature DOUBLE; websiteUrl TEXT; serverWeatherIcon INTEGER 1.7 9999"}};
    const std::set<std::string> types = {"INTEGER", "INT64", "TEXT", "DOUBLE"};
    std::vector<Column> columns;
    for (const auto& [table, text] : tables) {
        std::istringstream groups(text);
        for (std::string group; std::getline(groups, group, ';');) {
            std::istringstream words(group);
            std::vector<std::string> names;
            std::string word, alterValue;
            double addedIn = 0;
            while (words >> word && !types.count(word))
                names.push_back(word);
            words >> addedIn >> alterValue;
            for (const std::string& name : names)
                columns.push_back({table, name, word, addedIn, alterValue});
        }
    }
    return columns;
}

const Column* Find(const std::string& table, const std::string& name)
{
    for (const Column& column : WeatherColumns())
        if (column.table == table && column.name == name)
            return &column;
    return nullptr;
}

// The name an old build gave the table and the column.
std::string OldTableName(const std::string& table, double version)
{
    return (table == "LIFE_INDEX_WEATHER_TABLE" && version < 1.9) ? "EXTRA_WEATHER_TABLE" : table;
}

std::string OldColumnName(const std::string& column)
{
    return column == "drySkin" ? "dryskin" : column; // as the 0.6 upgrade spelled it
}

// SQL literals.
std::string Real(double value)
{
    char buffer[64];
    snprintf(buffer, sizeof(buffer), "%.17g", value);
    return buffer;
}

std::string Int(long long value) { return std::to_string(value); }

std::string Quote(const std::string& text)
{
    char* quoted = sqlite3_mprintf("%Q", text.c_str());
    std::string result = quoted;
    sqlite3_free(quoted);
    return result;
}

// Column -> SQL literal. Columns the table lacks at the version are left out.
using Values = std::vector<std::pair<std::string, std::string>>;

void Insert(std::string& sql, const std::string& table, const Values& values, double version)
{
    std::string names, literals;
    for (const auto& [name, literal] : values) {
        if (!HasColumn(table, name, version))
            continue;
        names += (names.empty() ? "" : ",") + OldColumnName(name);
        literals += (literals.empty() ? "" : ",") + literal;
    }
    sql += "INSERT INTO " + OldTableName(table, version) + " (" + names + ") VALUES (" + literals + ");\n";
}

void CreateWeatherTables(std::string& sql, double version)
{
    for (const std::string& table : WeatherTables()) {
        std::string definition;
        for (const Column& column : WeatherColumns()) {
            if (column.table != table || column.addedIn > version)
                continue;
            definition += (definition.empty() ? "" : ", ") + OldColumnName(column.name) + " " + column.type;
            if (column.name == "PK_ID")
                definition += " PRIMARY KEY AUTOINCREMENT";
        }
        sql += "CREATE TABLE " + OldTableName(table, version) + " (" + definition + ");\n";
    }
}

void WriteForecast(std::string& sql, const std::string& table, const std::string& indexColumn, int count, int city,
                   long long key, double version)
{
    for (int index = 0; index < count; index++) {
        // The one current row carries the values of row 1, the old markers.
        const int row = table == "CURRENT_WEATHER_TABLE" ? 1 : index;
        const bool marked = table == "YESTERDAY_WEATHER_TABLE" && row == 2;
        Insert(sql, table,
               {{"FK_ID", Int(key)},
                {indexColumn, Int(index)},
                {"weatherIcon", marked ? "999" : Int(Icon(city, row))},
                {"weatherStatus", Quote(Text("status", city, row))},
                {"curTemperature", Real(Temperature(city, row, 0))},
                {"lowTemperature", Real(Temperature(city, row, 1))},
                {"highTemperature", Real(Temperature(city, row, 2))},
                {"hour", marked ? "999" : Int(Time(city, row))},
                {"date", Int(Time(city, row))},
                {"websiteUrl", Quote(Text("url", city, row))},
                {"precProbability", Real(10.0 * row + 0.5)},
                {"serverWeatherIcon", Int(100 + row)}},
               version);
    }
}

void WriteLifeIndex(std::string& sql, int city, long long key, double version)
{
    const std::string table = "LIFE_INDEX_WEATHER_TABLE";
    Values values;
    for (const Column& column : WeatherColumns()) {
        if (column.table != table || column.name == "FK_ID")
            continue;
        const double value = LifeIndexValue(column.name, city);
        values.push_back({column.name, column.type == "TEXT"     ? Quote(LifeIndexText(column.name, city))
                                       : column.type == "DOUBLE" ? Real(value)
                                                                 : Int(static_cast<long long>(value))});
    }
    values.push_back({"FK_ID", Int(key)});
    Insert(sql, table, values, version);
}

bool Write(const std::string& path, const std::string& sql, const std::string& what, std::string* error)
{
    std::string message;
    if (sqlite_test::ExecSql(path, "BEGIN;\n" + sql + "COMMIT;", &message))
        return true;
    *error = what + ": " + message;
    return false;
}

} // namespace

const std::vector<Column>& WeatherColumns()
{
    static const std::vector<Column> columns = MakeColumns();
    return columns;
}

const std::vector<std::string>& WeatherTables()
{
    static const std::vector<std::string> tables = {
        "CITY_TABLE",           "CURRENT_WEATHER_TABLE", "WEEKLY_WEATHER_TABLE",   "HOURLY_WEATHER_TABLE",
        "LIFE_INDEX_WEATHER_TABLE", "MOON_PHASE_TABLE",  "YESTERDAY_WEATHER_TABLE"};
    return tables;
}

const std::vector<sqlite_test::ColumnInfo>& SettingColumns()
{
    static const std::vector<sqlite_test::ColumnInfo> columns = {
        {"CurrentCityIndex", "INT"}, {"CurrentCityLocationId", "TEXT"}, {"TemperatureUnit", "INT"},
        {"LastRefreshedTime", "INT64"}, {"CurrentLocationAreaRefreshedTime", "INT64"}, {"IsFirstLaunch", "INT"},
        {"AutoRefreshOn", "INT"}, {"AutoRefreshInterval", "INT"}, {"UseCurrentLocationOn", "INT"},
        {"ShowCurrentCityAgreement", "INT"}, {"RefreshOnOpeningOn", "INT"}, {"RefreshOnOpeningOnAgreement", "INT"},
        {"NotificationOn", "INT"}, {"NotificationTime", "INT64"}, {"NetworkPositionPopupAgreement", "INT"},
        {"ShowNetworkPopup", "INT"}, {"ChinaDataGPSPerformPopupOn", "INT"}, {"AutoScrollOn", "INT"},
        {"AutoScrollInterval", "INT"}, {"LastUpdateLanguageCode", "TEXT"}, {"CpType", "TEXT"}, {"DaemonType", "TEXT"},
        {"IsNowRefreshing", "INT"}, {"IsSupportManualRefresh", "INT"}, {"RefreshingStartTime", "INT64"},
        {"NotificationPopup", "INT"}};
    return columns;
}

bool HasColumn(const std::string& table, const std::string& column, double storedVersion)
{
    const Column* found = Find(table, column);
    return found && found->addedIn <= storedVersion;
}

std::string Upgraded(double storedVersion, const std::string& table, const std::string& column,
                     const std::string& stored)
{
    if (HasColumn(table, column, storedVersion))
        return stored;
    const Column* found = Find(table, column);
    return found ? found->alterValue : "unknown column " + column;
}

double Temperature(int city, int row, int which)
{
    if (row == 1)
        return 999.0;
    // One decimal, some below zero.
    return std::round((city * 10 + row * 1.1 - 4.3 + which * 2.5) * 10.0) / 10.0;
}

int Icon(int city, int row) { return 1 + (city * 7 + row) % 40; }

unsigned Time(int city, int row) { return 1700000000u + city * 100000u + row * 3600u; }

std::string Text(const std::string& what, int city, int row)
{
    return what + "_" + std::to_string(city) + "_" + std::to_string(row);
}

double LifeIndexValue(const std::string& column, int city)
{
    static const std::set<std::string> oldMarker999 = {
        "pm25",     "aqi",   "outdoorExcercise", "comfort",    "clothing",    "skincare",  "carwash",
        "foodPoison", "heat", "spoiledFood",     "discomfort", "frozenPipes", "frostbite", "cold",
        "pollen",   "airDust", "drySkin",        "precType",   "uvIndex",     "windSpeedUnit"};
    const bool first = city == 0; // the first city carries the old markers
    if (column == "humidity")
        return first ? -999 : (city == 1 ? -1 : 40 + city);
    if (column == "pm10")
        return first ? -999 : 20 + city;
    if (column == "sunsetTime" || column == "sunriseTime")
        return Time(city, column == "sunsetTime" ? 60 : 61);
    if (oldMarker999.count(column))
        return first ? 999 : 1 + city;
    if (column == "realfeel")
        return first ? -999.0 : 21.3 + city;
    if (column == "pressure" || column == "visibility")
        return 1013.25 + city;
    if (column.rfind("wind", 0) == 0)
        return first ? 999.0 : 180.5 + city;
    // precipitation amounts and probabilities
    return first ? 999.0 : 12.5 + city;
}

std::string LifeIndexText(const std::string& column, int city)
{
    return city == 0 ? "999" : column + "_" + std::to_string(city);
}

bool Build(const std::string& dbDir, double storedVersion, const std::vector<OldCity>& cities, OldFiles* files,
           std::string* error)
{
    const double v = storedVersion;
    files->weather = dbDir + "/.weather.db";
    files->setting = dbDir + "/.setting.db";
    files->version = v < 0.2 ? "" : dbDir + "/.version.db";
    const std::string versionTable =
        "CREATE TABLE VERSION_TABLE (dbVersion DOUBLE);\nINSERT INTO VERSION_TABLE VALUES (" + Real(v) + ");\n";

    std::string weather;
    CreateWeatherTables(weather, v);
    if (v < 0.2)
        weather += versionTable;
    for (size_t i = 0; i < cities.size(); i++) {
        const OldCity& city = cities[i];
        const int c = static_cast<int>(i);
        const long long key = c + 1;
        Insert(weather, "CITY_TABLE",
               {{"PK_ID", Int(key)},
                {"pageIndex", Int(c)},
                {"locationId", Quote(city.locationId)},
                {"cityName", Quote(Text("city", c, 0))},
                {"cityNameEng", Quote(Text("cityEng", c, 0))},
                {"countryName", Quote(Text("country", c, 0))},
                {"countryNameEng", Quote(Text("countryEng", c, 0))},
                {"isCurrentLocation", Int(city.isCurrentLocation)},
                {"isSummerTime", Int(c % 2)},
                {"isDayTime", "1"},
                {"gmtOffset", Real(5.5 - c)},
                {"refreshedTime", Int(Time(c, 50))},
                {"localTime", Int(Time(c, 51))},
                {"widgetReferenceCount", Int(c)},
                {"needToUpdate", Int(c % 2)},
                {"websiteUrl", Quote(Text("cityUrl", c, 0))}},
               v);
        WriteForecast(weather, "CURRENT_WEATHER_TABLE", "", 1, c, key, v);
        WriteForecast(weather, "WEEKLY_WEATHER_TABLE", "weeklyIndex", city.daily, c, key, v);
        WriteForecast(weather, "HOURLY_WEATHER_TABLE", "hourlyIndex", city.hourly, c, key, v);
        WriteForecast(weather, "YESTERDAY_WEATHER_TABLE", "hourlyIndex", city.yesterday, c, key, v);
        if (city.lifeIndex)
            WriteLifeIndex(weather, c, key, v);
        for (int m = 0; m < city.moonPhases; m++)
            Insert(weather, "MOON_PHASE_TABLE",
                   {{"FK_ID", Int(key)},
                    {"moonPhaseIndex", Int(m)},
                    {"locationID", Quote(city.locationId)},
                    {"date", Int(Time(c, 70 + m))},
                    {"moonRiseTime", Int(Time(c, 80 + m))},
                    {"moonSetTime", Int(Time(c, 90 + m))},
                    {"phaseText", Quote(Text("phase", c, m))},
                    {"age", Int(m)}},
                   v);
    }

    // The settings table gained NotificationPopup, its last column, at 1.0.
    std::string setting;
    for (size_t i = 0; i + (v < 1.0 ? 1 : 0) < SettingColumns().size(); i++)
        setting += (i ? ", " : "") + SettingColumns()[i].name + " " + SettingColumns()[i].type;
    setting = "CREATE TABLE SETTING_TABLE (" + setting +
              ");\nINSERT INTO SETTING_TABLE (CurrentCityIndex, TemperatureUnit, AutoRefreshInterval, CpType) "
              "VALUES (0, " + Int(kOldTemperatureUnit) + ", " + Int(kOldAutoRefreshInterval) + ", '0');\n";
    return Write(files->weather, weather, "weather", error) && Write(files->setting, setting, "setting", error) &&
           (files->version.empty() || Write(files->version, versionTable, "version", error));
}

} // namespace old_db
