#ifndef WEATHER_TESTS_OLD_DATABASE_BUILDER_H
#define WEATHER_TESTS_OLD_DATABASE_BUILDER_H

// Writes the weather, settings and version databases as an older build left
// them at a given stored version: the schema of that version (old table
// names, the version table inside the weather file before 0.2, no columns
// that later upgrade steps add) and rows that still use the old unsupported
// markers 999, -999 and -1. Every value is derived from the city and row
// position by the public generators below, so tests can state what an
// upgrade must turn each stored row into.

#include <string>
#include <vector>

#include "SqliteTestUtil.h"

namespace old_db {

// One column of the weather database as the latest schema has it, with the
// version whose upgrade step adds it (0 for columns every file has).
struct Column {
    std::string table;      // latest table name
    std::string name;
    std::string type;       // declared type
    double addedIn;         // upgrade step threshold that adds it; 0: always there
    std::string alterValue; // value the ALTER default gives old rows, as SQLite prints it
};

const std::vector<Column>& WeatherColumns();
// The weather tables of the latest schema, in creation order.
const std::vector<std::string>& WeatherTables();
// Whether a file at this stored version already has the column.
bool HasColumn(const std::string& table, const std::string& column, double storedVersion);
// What an upgraded file holds in the column: the stored value when a file at
// this version has the column, the ALTER default otherwise.
std::string Upgraded(double storedVersion, const std::string& table, const std::string& column,
                     const std::string& stored);

struct OldCity {
    std::string locationId;
    bool isCurrentLocation = false;
    int daily = 8;     // WEEKLY_WEATHER_TABLE rows
    int hourly = 24;   // HOURLY_WEATHER_TABLE rows
    int yesterday = 0; // YESTERDAY_WEATHER_TABLE rows
    bool lifeIndex = true;
    int moonPhases = 0;
};

// Stored values. Row 1 of every forecast list (and the current row, which
// takes the values of row 1) holds the old temperature marker 999.0;
// yesterday row 2 holds 999 as hour and icon.
double Temperature(int city, int row, int which); // which: 0 current, 1 low, 2 high
int Icon(int city, int row);
unsigned Time(int city, int row);
std::string Text(const std::string& what, int city, int row);
// Life index columns: the old markers where the old build stored them
// (see the .cpp), other values derived from the city.
double LifeIndexValue(const std::string& column, int city);
std::string LifeIndexText(const std::string& column, int city);
// SETTING_TABLE as the weather applications expect it, in table order; the
// last column came with 1.0.
const std::vector<sqlite_test::ColumnInfo>& SettingColumns();
// Settings row stored in the old settings file.
constexpr int kOldTemperatureUnit = 1;
constexpr int kOldAutoRefreshInterval = 3;

struct OldFiles {
    std::string weather;
    std::string setting;
    std::string version; // empty before 0.2: the version lived in the weather file
};

// Writes the three files into dbDir (which must exist and hold none of them).
// Returns false with a message in *error when SQLite refuses something.
bool Build(const std::string& dbDir, double storedVersion, const std::vector<OldCity>& cities, OldFiles* files,
           std::string* error);

} // namespace old_db

#endif
