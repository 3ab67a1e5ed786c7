#ifndef WEATHER_COMMON_WEATHER_STATEMENT_H
#define WEATHER_COMMON_WEATHER_STATEMENT_H

// Helpers shared by the weather table controllers, so that every table writes
// temperatures and deletes rows the same way.

#include <sqlite3.h>

#include <string>

#include "db/DBConnector.h"
#include "db/Statement.h"
#include "typedef/Temperature.h"
#include "utils/Log.h"

namespace WeatherStatement {

// Temperatures are written in Celsius, half up to one decimal. A record
// without a temperature is written as the unsupported marker.
inline void BindTemperature(Statement& stmt, int index, const TemperaturePtr& temperaturePtr)
{
    const double celsius = temperaturePtr ? temperaturePtr->GetCelsius() : FLOAT_UNSUPPORTED_VALUE;
    stmt.BindDouble(index, Temperature::RoundToOneDecimal(celsius));
}

// Fills a record's temperature (made fresh by the record's Init) from the
// stored Celsius value.
inline void SetColumnTemperature(const TemperaturePtr& temperaturePtr, const Statement& stmt, int index)
{
    if (temperaturePtr)
        temperaturePtr->SetTemperature(stmt.ColumnDouble(index));
}

// "DELETE FROM <table> WHERE FK_ID=?;" for one city's rows; false when the
// step does not finish, which the caller logs in its own name.
inline bool DeleteRowsOfKey(const char* tableName, int primaryKey)
{
    Statement stmt =
        DBConnector::GetInstance()->DBPrepareStatement(std::string("DELETE FROM ") + tableName + " WHERE FK_ID=?;");
    stmt.BindInt(1, primaryKey);
    return stmt.Step() == SQLITE_DONE;
}

inline void DeleteAllRows(const char* tableName)
{
    std::string query = std::string("DELETE FROM ") + tableName + ";";
    DBConnector::GetInstance()->DBExecuteQuery(query.c_str());
}

inline void CreateTable(const char* statement, const char* tableName)
{
    char* query = sqlite3_mprintf(statement, tableName);
    DBConnector::GetInstance()->DBExecuteQuery(query);
    sqlite3_free(query);
}

} // namespace WeatherStatement

#endif
