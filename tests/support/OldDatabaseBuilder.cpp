#include "OldDatabaseBuilder.h"

#include <sqlite3.h>

#include <cmath>
#include <map>
#include <set>

namespace old_db {

namespace {

std::vector<ColumnSpec> MakeColumns()
{
    std::vector<ColumnSpec> columns;
    auto add = [&columns](const std::string& table, const std::string& list, const std::string& type, double addedIn,
                          const std::string& alterValue) {
        size_t pos = 0;
        while (pos <= list.size()) {
            size_t end = list.find(' ', pos);
            if (end == std::string::npos)
                end = list.size();
            if (end > pos)
                columns.push_back({table, list.substr(pos, end - pos), type, addedIn, alterValue});
            pos = end + 1;
        }
    };
    const std::string city = "CITY_TABLE";
    add(city, "PK_ID pageIndex", "INTEGER", 0, "");
    add(city, "locationId cityName cityNameEng countryName", "TEXT", 0, "");
    add(city, "countryNameEng", "TEXT", 0.1, "");
    add(city, "isCurrentLocation", "INTEGER", 0, "");
    add(city, "isSummerTime", "INTEGER", 0.7, "9999");
    add(city, "isDayTime", "INTEGER", 0, "");
    add(city, "gmtOffset", "DOUBLE", 0, "");
    add(city, "refreshedTime localTime", "INT64", 0, "");
    add(city, "widgetReferenceCount", "INTEGER", 0, "");
    add(city, "needToUpdate", "INTEGER", 0.5, "9999");
    add(city, "websiteUrl", "TEXT", 0, "");
    add(city, "stateName stateNameEng", "TEXT", 2.0, "");

    for (const std::string table : {"CURRENT_WEATHER_TABLE", "WEEKLY_WEATHER_TABLE"}) {
        add(table, "FK_ID", "INTEGER", 0, "");
        if (table == "WEEKLY_WEATHER_TABLE")
            add(table, "weeklyIndex", "INTEGER", 0, "");
        add(table, "weatherIcon", "INTEGER", 0, "");
        add(table, "weatherStatus", "TEXT", 0, "");
        add(table, "curTemperature lowTemperature highTemperature", "DOUBLE", 0, "");
        add(table, "date", "INT64", 0, "");
        add(table, "websiteUrl", "TEXT", 0, "");
        add(table, "serverWeatherIcon", "INTEGER", 1.7, "9999");
    }
    const std::string hourly = "HOURLY_WEATHER_TABLE";
    add(hourly, "FK_ID hourlyIndex", "INTEGER", 0, "");
    add(hourly, "hour", "INT64", 0, "");
    add(hourly, "weatherIcon", "INTEGER", 0, "");
    add(hourly, "weatherStatus", "TEXT", 0, "");
    add(hourly, "curTemperature lowTemperature highTemperature", "DOUBLE", 0, "");
    add(hourly, "websiteUrl", "TEXT", 0.2, "");
    add(hourly, "precProbability", "DOUBLE", 1.3, "9999.0");
    add(hourly, "serverWeatherIcon", "INTEGER", 1.7, "9999");

    const std::string life = "LIFE_INDEX_WEATHER_TABLE";
    add(life, "FK_ID humidity", "INTEGER", 0, "");
    add(life, "sunsetTime sunriseTime", "INT64", 0, "");
    add(life, "pm25", "INTEGER", 0.3, "9999");
    add(life, "pm10", "INTEGER", 0, "");
    add(life, "aqi", "INTEGER", 0.3, "9999");
    add(life, "uvIndex", "INTEGER", 0, "");
    add(life, "outdoorExcercise comfort clothing skincare carwash", "INTEGER", 0.4, "9999");
    add(life, "foodPoison heat spoiledFood discomfort frozenPipes frostbite cold pollen airDust drySkin", "INTEGER",
        0.6, "9999");
    add(life, "realfeel", "DOUBLE", 0, "");
    add(life, "precType", "INTEGER", 0, "");
    add(life, "precProbability precAmount", "DOUBLE", 0, "");
    add(life, "precProbabilityNight precAmountNight", "DOUBLE", 0.8, "9999.0");
    add(life, "uvIndexText", "TEXT", 1.1, "");
    add(life, "pressure", "DOUBLE", 1.2, "9999.0");
    add(life, "windDirection windSpeed", "DOUBLE", 1.4, "9999.0");
    add(life, "windSpeedUnit", "INTEGER", 1.4, "9999");
    add(life, "windCardinal", "TEXT", 1.5, "");
    add(life,
        "rainProbability rainProbabilityNight snowProbability snowProbabilityNight iceProbability "
        "iceProbabilityNight precAmountSnow precAmountSnowNight precAmountIce precAmountIceNight",
        "DOUBLE", 1.7, "9999.0");
    add(life, "allergy airPolution traffic fishing dryClothing cosmetic", "INTEGER", 2.0, "9999");
    add(life, "visibility", "DOUBLE", 2.0, "9999.0");
    add(life, "heatStroke khai", "INTEGER", 2.0, "9999");
    add(life, "windNightSpeed windNightDirection", "DOUBLE", 2.0, "9999.0");
    add(life, "windNightCardinal", "TEXT", 2.0, "9999");

    const std::string moon = "MOON_PHASE_TABLE";
    add(moon, "FK_ID moonPhaseIndex", "INTEGER", 0, "");
    add(moon, "locationID", "TEXT", 0, "");
    add(moon, "date moonRiseTime moonSetTime", "INT64", 0, "");
    add(moon, "phaseText", "TEXT", 0, "");
    add(moon, "age", "INTEGER", 0, "");

    const std::string yesterday = "YESTERDAY_WEATHER_TABLE";
    add(yesterday, "FK_ID hourlyIndex", "INTEGER", 0, "");
    add(yesterday, "hour", "INT64", 0, "");
    add(yesterday, "weatherIcon", "INTEGER", 0, "");
    add(yesterday, "weatherStatus", "TEXT", 0, "");
    add(yesterday, "curTemperature", "DOUBLE", 0, "");
    add(yesterday, "websiteUrl", "TEXT", 0, "");
    add(yesterday, "serverWeatherIcon", "INTEGER", 1.7, "9999");
    return columns;
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

class Writer {
public:
    explicit Writer(const std::string& path)
    {
        if (sqlite3_open_v2(path.c_str(), &mDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_PRIVATECACHE,
                            nullptr) != SQLITE_OK)
            Fail("open " + path);
        Exec("BEGIN;");
    }
    ~Writer() { sqlite3_close(mDb); }

    bool Commit()
    {
        Exec("COMMIT;");
        return mError.empty();
    }
    const std::string& Error() const { return mError; }

    void Exec(const std::string& sql)
    {
        if (!mError.empty())
            return;
        char* message = nullptr;
        if (sqlite3_exec(mDb, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK)
            Fail(std::string(message ? message : "exec failed") + " in " + sql);
        sqlite3_free(message);
    }

    // Inserts one row; values are given as column -> text and bound by the
    // column's declared type.
    void Insert(const std::string& table, const std::vector<std::pair<std::string, std::string>>& values,
                const std::map<std::string, std::string>& types)
    {
        if (!mError.empty())
            return;
        std::string names, marks;
        for (const auto& [name, value] : values) {
            names += (names.empty() ? "" : ",") + OldColumnName(name);
            marks += marks.empty() ? "?" : ",?";
        }
        std::string sql = "INSERT INTO " + table + " (" + names + ") VALUES (" + marks + ");";
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(mDb, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
            Fail(std::string(sqlite3_errmsg(mDb)) + " in " + sql);
            return;
        }
        int index = 1;
        for (const auto& [name, value] : values) {
            const std::string& type = types.at(name);
            if (type == "TEXT")
                sqlite3_bind_text(stmt, index, value.c_str(), -1, SQLITE_TRANSIENT);
            else if (type == "DOUBLE")
                sqlite3_bind_double(stmt, index, std::stod(value));
            else
                sqlite3_bind_int64(stmt, index, std::stoll(value));
            index++;
        }
        if (sqlite3_step(stmt) != SQLITE_DONE)
            Fail(std::string(sqlite3_errmsg(mDb)) + " in " + sql);
        sqlite3_finalize(stmt);
    }

private:
    void Fail(const std::string& what)
    {
        if (mError.empty())
            mError = what;
    }

    sqlite3* mDb = nullptr;
    std::string mError;
};

std::string Num(double value)
{
    char buffer[64];
    snprintf(buffer, sizeof(buffer), "%.17g", value);
    return buffer;
}

std::string Num(long long value) { return std::to_string(value); }

// Keeps only the columns that exist at the version.
std::vector<std::pair<std::string, std::string>> AtVersion(const std::string& table,
                                                          std::vector<std::pair<std::string, std::string>> values,
                                                          double version)
{
    std::vector<std::pair<std::string, std::string>> kept;
    for (auto& entry : values) {
        if (HasColumn(table, entry.first, version))
            kept.push_back(std::move(entry));
    }
    return kept;
}

void CreateWeatherTables(Writer& writer, double version)
{
    for (const std::string& table : WeatherTables()) {
        std::string definition;
        for (const ColumnSpec& column : WeatherColumns()) {
            if (column.table != table || column.addedIn > version)
                continue;
            definition += definition.empty() ? "" : ", ";
            definition += OldColumnName(column.name) + " " + column.type;
            if (column.name == "PK_ID")
                definition += " PRIMARY KEY AUTOINCREMENT";
        }
        writer.Exec("CREATE TABLE " + OldTableName(table, version) + " (" + definition + ");");
    }
}

std::map<std::string, std::string> TypesOf(const std::string& table)
{
    std::map<std::string, std::string> types;
    for (const ColumnSpec& column : WeatherColumns()) {
        if (column.table == table)
            types[column.name] = column.type;
    }
    return types;
}

void WriteForecast(Writer& writer, const std::string& table, const std::string& indexColumn, int count, int city,
                   long long key, double version)
{
    const auto types = TypesOf(table);
    for (int index = 0; index < count; index++) {
        // The one current row carries the values of row 1, the old markers.
        const int row = table == "CURRENT_WEATHER_TABLE" ? 1 : index;
        std::vector<std::pair<std::string, std::string>> values = {
            {"FK_ID", Num(key)},
            {"weatherIcon", Num((long long)Icon(city, row))},
            {"weatherStatus", Text("status", city, row)},
            {"curTemperature", Num(Temperature(city, row, 0))},
            {"websiteUrl", Text("url", city, row)},
            {"serverWeatherIcon", Num((long long)(100 + row))},
        };
        if (!indexColumn.empty())
            values.push_back({indexColumn, Num((long long)index)});
        if (table != "YESTERDAY_WEATHER_TABLE") {
            values.push_back({"lowTemperature", Num(Temperature(city, row, 1))});
            values.push_back({"highTemperature", Num(Temperature(city, row, 2))});
        }
        if (table == "HOURLY_WEATHER_TABLE" || table == "YESTERDAY_WEATHER_TABLE")
            values.push_back({"hour", Num((long long)Time(city, row))});
        else
            values.push_back({"date", Num((long long)Time(city, row))});
        if (table == "HOURLY_WEATHER_TABLE")
            values.push_back({"precProbability", Num(10.0 * row + 0.5)});
        if (table == "YESTERDAY_WEATHER_TABLE" && row == 2) {
            for (auto& entry : values) {
                if (entry.first == "hour" || entry.first == "weatherIcon")
                    entry.second = "999";
            }
        }
        writer.Insert(OldTableName(table, version), AtVersion(table, values, version), types);
    }
}

void WriteLifeIndex(Writer& writer, int city, long long key, double version)
{
    const std::string table = "LIFE_INDEX_WEATHER_TABLE";
    const auto types = TypesOf(table);
    std::vector<std::pair<std::string, std::string>> values;
    for (const ColumnSpec& column : WeatherColumns()) {
        if (column.table != table)
            continue;
        if (column.name == "FK_ID")
            values.push_back({"FK_ID", Num(key)});
        else if (column.type == "TEXT")
            values.push_back({column.name, LifeIndexText(column.name, city)});
        else if (column.type == "DOUBLE")
            values.push_back({column.name, Num(LifeIndexValue(column.name, city))});
        else
            values.push_back({column.name, Num((long long)LifeIndexValue(column.name, city))});
    }
    writer.Insert(OldTableName(table, version), AtVersion(table, values, version), types);
}

} // namespace

const std::vector<ColumnSpec>& WeatherColumns()
{
    static const std::vector<ColumnSpec> columns = MakeColumns();
    return columns;
}

const std::vector<std::string>& WeatherTables()
{
    static const std::vector<std::string> tables = {
        "CITY_TABLE",           "CURRENT_WEATHER_TABLE", "WEEKLY_WEATHER_TABLE",   "HOURLY_WEATHER_TABLE",
        "LIFE_INDEX_WEATHER_TABLE", "MOON_PHASE_TABLE",  "YESTERDAY_WEATHER_TABLE"};
    return tables;
}

bool HasColumn(const std::string& table, const std::string& column, double storedVersion)
{
    for (const ColumnSpec& spec : WeatherColumns()) {
        if (spec.table == table && spec.name == column)
            return spec.addedIn <= storedVersion;
    }
    return false;
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
    if (city == 0)
        return "999";
    return column + "_" + std::to_string(city);
}

bool Build(const std::string& dbDir, double storedVersion, const std::vector<OldCity>& cities, OldFiles* files,
           std::string* error)
{
    files->weather = dbDir + "/.weather.db";
    files->setting = dbDir + "/.setting.db";
    files->version = storedVersion < 0.2 ? "" : dbDir + "/.version.db";
    const double v = storedVersion;

    Writer weather(files->weather);
    CreateWeatherTables(weather, v);
    if (v < 0.2) {
        weather.Exec("CREATE TABLE VERSION_TABLE (dbVersion DOUBLE);");
        weather.Exec("INSERT INTO VERSION_TABLE VALUES (" + Num(v) + ");");
    }
    const auto cityTypes = TypesOf("CITY_TABLE");
    for (size_t i = 0; i < cities.size(); i++) {
        const OldCity& city = cities[i];
        const int c = static_cast<int>(i);
        const long long key = c + 1;
        std::vector<std::pair<std::string, std::string>> values = {
            {"PK_ID", Num(key)},
            {"pageIndex", Num((long long)c)},
            {"locationId", city.locationId},
            {"cityName", Text("city", c, 0)},
            {"cityNameEng", Text("cityEng", c, 0)},
            {"countryName", Text("country", c, 0)},
            {"countryNameEng", Text("countryEng", c, 0)},
            {"isCurrentLocation", city.isCurrentLocation ? "1" : "0"},
            {"isSummerTime", Num((long long)(c % 2))},
            {"isDayTime", "1"},
            {"gmtOffset", Num(5.5 - c)},
            {"refreshedTime", Num((long long)Time(c, 50))},
            {"localTime", Num((long long)Time(c, 51))},
            {"widgetReferenceCount", Num((long long)c)},
            {"needToUpdate", Num((long long)(c % 2))},
            {"websiteUrl", Text("cityUrl", c, 0)},
        };
        weather.Insert("CITY_TABLE", AtVersion("CITY_TABLE", values, v), cityTypes);
        WriteForecast(weather, "CURRENT_WEATHER_TABLE", "", 1, c, key, v);
        WriteForecast(weather, "WEEKLY_WEATHER_TABLE", "weeklyIndex", city.daily, c, key, v);
        WriteForecast(weather, "HOURLY_WEATHER_TABLE", "hourlyIndex", city.hourly, c, key, v);
        WriteForecast(weather, "YESTERDAY_WEATHER_TABLE", "hourlyIndex", city.yesterday, c, key, v);
        if (city.lifeIndex)
            WriteLifeIndex(weather, c, key, v);
        const auto moonTypes = TypesOf("MOON_PHASE_TABLE");
        for (int m = 0; m < city.moonPhases; m++) {
            weather.Insert("MOON_PHASE_TABLE",
                           {{"FK_ID", Num(key)},
                            {"moonPhaseIndex", Num((long long)m)},
                            {"locationID", city.locationId},
                            {"date", Num((long long)Time(c, 70 + m))},
                            {"moonRiseTime", Num((long long)Time(c, 80 + m))},
                            {"moonSetTime", Num((long long)Time(c, 90 + m))},
                            {"phaseText", Text("phase", c, m)},
                            {"age", Num((long long)m)}},
                           moonTypes);
        }
    }
    if (!weather.Commit()) {
        *error = "weather: " + weather.Error();
        return false;
    }

    // The settings table gained NotificationPopup at 1.0.
    Writer setting(files->setting);
    setting.Exec(std::string("CREATE TABLE SETTING_TABLE (CurrentCityIndex INT, CurrentCityLocationId TEXT,"
                             "TemperatureUnit INT, LastRefreshedTime INT64, CurrentLocationAreaRefreshedTime INT64, "
                             "IsFirstLaunch INT, AutoRefreshOn INT, AutoRefreshInterval INT, UseCurrentLocationOn INT, "
                             "ShowCurrentCityAgreement INT, RefreshOnOpeningOn INT, RefreshOnOpeningOnAgreement INT, "
                             "NotificationOn INT, NotificationTime INT64, NetworkPositionPopupAgreement INT, "
                             "ShowNetworkPopup INT, ChinaDataGPSPerformPopupOn INT, AutoScrollOn INT, "
                             "AutoScrollInterval INT, LastUpdateLanguageCode TEXT, CpType TEXT, DaemonType TEXT, "
                             "IsNowRefreshing INT, IsSupportManualRefresh INT, RefreshingStartTime INT64") +
                 (v < 1.0 ? ");" : ", NotificationPopup INT);"));
    setting.Exec("INSERT INTO SETTING_TABLE (CurrentCityIndex, TemperatureUnit, AutoRefreshInterval, CpType) VALUES (0, " +
                 std::to_string(kOldTemperatureUnit) + ", " + std::to_string(kOldAutoRefreshInterval) + ", '0');");
    if (!setting.Commit()) {
        *error = "setting: " + setting.Error();
        return false;
    }

    if (!files->version.empty()) {
        Writer version(files->version);
        version.Exec("CREATE TABLE VERSION_TABLE (dbVersion DOUBLE);");
        version.Exec("INSERT INTO VERSION_TABLE VALUES (" + Num(v) + ");");
        if (!version.Commit()) {
            *error = "version: " + version.Error();
            return false;
        }
    }
    return true;
}

} // namespace old_db
