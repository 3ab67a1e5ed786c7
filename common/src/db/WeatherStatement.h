#ifndef WEATHER_COMMON_WEATHER_STATEMENT_H
#define WEATHER_COMMON_WEATHER_STATEMENT_H

// Binding and reading helpers shared by the weather table controllers, so
// that every table writes times, texts and temperatures the same way.

#include <sqlite3.h>

#include <cstdint>
#include <string>

#include "db/DBConnector.h"
#include "utils/Log.h"
#include "typedef/Temperature.h"

namespace WeatherStatement {

inline void BindText(sqlite3_stmt* stmt, int index, const std::string& value)
{
    sqlite3_bind_text(stmt, index, value.c_str(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
}

// Times are unsigned 32-bit in memory and widened without sign.
inline void BindTime(sqlite3_stmt* stmt, int index, uint32_t value)
{
    sqlite3_bind_int64(stmt, index, static_cast<sqlite3_int64>(value));
}

// Temperatures are written in Celsius, half up to one decimal. A record
// without a temperature is written as the unsupported marker.
inline void BindTemperature(sqlite3_stmt* stmt, int index, const TemperaturePtr& temperaturePtr)
{
    const double celsius = temperaturePtr ? temperaturePtr->GetCelsius() : Temperature::UNSUPPORTED;
    sqlite3_bind_double(stmt, index, Temperature::RoundToOneDecimal(celsius));
}

inline std::string ColumnText(sqlite3_stmt* stmt, int index)
{
    const unsigned char* text = sqlite3_column_text(stmt, index);
    return text ? reinterpret_cast<const char*>(text) : "";
}

inline uint32_t ColumnTime(sqlite3_stmt* stmt, int index)
{
    return static_cast<uint32_t>(sqlite3_column_int64(stmt, index));
}

// Fills a record's temperature (made fresh by the record's Init) from the
// stored Celsius value.
inline void SetColumnTemperature(const TemperaturePtr& temperaturePtr, sqlite3_stmt* stmt, int index)
{
    if (temperaturePtr)
        temperaturePtr->SetTemperature(sqlite3_column_double(stmt, index));
}

// "DELETE FROM <table> WHERE FK_ID=?;" for one city's rows.
inline void DeleteRowsOfKey(const char* tableName, int primaryKey)
{
    std::string query = std::string("DELETE FROM ") + tableName + " WHERE FK_ID=?;";
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    sqlite3_bind_int(stmt, 1, primaryKey);
    if (sqlite3_step(stmt) != SQLITE_DONE)
        LOGE("Fail to Delete");
    sqlite3_finalize(stmt);
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
