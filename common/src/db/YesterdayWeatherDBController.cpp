#include "db/YesterdayWeatherDBController.h"

#include <sqlite3.h>

#include "db/WeatherStatement.h"

using namespace WeatherStatement;

namespace {

constexpr const char* kTableName = "YESTERDAY_WEATHER_TABLE";

constexpr const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS %q (FK_ID\t\t\t\tINTEGER, hourlyIndex\t\t\tINTEGER, hour\t\t\t\tINT64, "
    "weatherIcon\t\t\tINTEGER, weatherStatus\t\tTEXT, curTemperature\t\tDOUBLE, websiteUrl\t\t\tTEXT, "
    "serverWeatherIcon\tINTEGER, "
    "FOREIGN KEY(FK_ID) REFERENCES CITY_TABLE(PK_ID) ON DELETE CASCADE ON UPDATE CASCADE);";

constexpr const char* kInsertColumns =
    "FK_ID,hourlyIndex,hour,weatherIcon,weatherStatus,curTemperature,websiteUrl,serverWeatherIcon";
constexpr const char* kPlaceholders = "?, ?, ?, ?, ?, ?, ?, ?";
constexpr const char* kAssignments =
    "hour = ?,weatherIcon = ?,weatherStatus = ?,curTemperature = ?,websiteUrl = ?,serverWeatherIcon = ?";
constexpr const char* kSelectColumns = "hour,weatherIcon,weatherStatus,curTemperature,websiteUrl,serverWeatherIcon";

// The six stored values of yesterday's hour, from index first on.
void BindValues(sqlite3_stmt* stmt, int first, const HourlyPtr& hourlyPtr)
{
    BindTime(stmt, first, hourlyPtr->GetHour());
    sqlite3_bind_int(stmt, first + 1, hourlyPtr->GetWeatherIcon());
    BindText(stmt, first + 2, hourlyPtr->GetWeatherStatus());
    BindTemperature(stmt, first + 3, hourlyPtr->GetCurTemperature());
    BindText(stmt, first + 4, hourlyPtr->GetWebsiteUrl());
    sqlite3_bind_int(stmt, first + 5, hourlyPtr->GetServerWeatherIcon());
}

// Fills the record from the selected columns in order.
void ReadValues(sqlite3_stmt* stmt, const HourlyPtr& hourlyPtr)
{
    hourlyPtr->SetHour(ColumnTime(stmt, 0));
    hourlyPtr->SetWeatherIcon(sqlite3_column_int(stmt, 1));
    hourlyPtr->SetWeatherStatus(ColumnText(stmt, 2));
    SetColumnTemperature(hourlyPtr->GetCurTemperature(), stmt, 3);
    hourlyPtr->SetWebsiteUrl(ColumnText(stmt, 4));
    hourlyPtr->SetServerWeatherIcon(sqlite3_column_int(stmt, 5));
}

constexpr HourlyRowsTable kTable = {kTableName, kCreateTable, kInsertColumns, kPlaceholders, kAssignments,
                                    kSelectColumns, 6, BindValues, ReadValues};

} // namespace

DEFINE_SINGLETON(YesterdayWeatherDBController)

YesterdayWeatherDBController::YesterdayWeatherDBController() : HourlyRowsDBController(kTable) {}
