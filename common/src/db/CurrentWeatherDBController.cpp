#include "db/CurrentWeatherDBController.h"

#include <sqlite3.h>

#include <string>

#include "db/DBConnector.h"
#include "db/WeatherStatement.h"

using namespace WeatherStatement;

namespace {

constexpr const char* kTableName = "CURRENT_WEATHER_TABLE";

constexpr const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS %q (FK_ID\t\t\t\tINTEGER, weatherIcon\t\t\tINTEGER, weatherStatus\t\tTEXT, "
    "curTemperature\t\tDOUBLE, lowTemperature\t\tDOUBLE, highTemperature\t\tDOUBLE, date\t\t\t\tINT64, "
    "websiteUrl \t\tTEXT, serverWeatherIcon\tINTEGER, "
    "FOREIGN KEY(FK_ID) REFERENCES CITY_TABLE(PK_ID) ON DELETE CASCADE ON UPDATE CASCADE);";

constexpr const char* kInsertColumns =
    "FK_ID,weatherIcon,weatherStatus,curTemperature,lowTemperature,highTemperature,date,websiteUrl,"
    "serverWeatherIcon";
constexpr const char* kPlaceholders = "?, ?, ?, ?, ?, ?, ?, ?, ?";
constexpr const char* kAssignments =
    "weatherIcon = ?,weatherStatus = ?,curTemperature = ?,lowTemperature = ?,highTemperature = ?,date = ?,"
    "websiteUrl = ?,serverWeatherIcon = ?";
constexpr const char* kSelectColumns =
    "weatherIcon,weatherStatus,curTemperature,lowTemperature,highTemperature,date,websiteUrl,serverWeatherIcon";

void BindValues(sqlite3_stmt* stmt, int first, const CurrentPtr& currentPtr)
{
    sqlite3_bind_int(stmt, first, currentPtr->GetWeatherIcon());
    BindText(stmt, first + 1, currentPtr->GetWeatherStatus());
    BindTemperature(stmt, first + 2, currentPtr->GetCurTemperature());
    BindTemperature(stmt, first + 3, currentPtr->GetLowTemperature());
    BindTemperature(stmt, first + 4, currentPtr->GetHighTemperature());
    BindTime(stmt, first + 5, currentPtr->GetDate());
    BindText(stmt, first + 6, currentPtr->GetWebsiteUrl());
    sqlite3_bind_int(stmt, first + 7, currentPtr->GetServerWeatherIcon());
}

} // namespace

DEFINE_SINGLETON(CurrentWeatherDBController)

bool CurrentWeatherDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    return mQueryGenerator != nullptr;
}

void CurrentWeatherDBController::CreateTable()
{
    WeatherStatement::CreateTable(kCreateTable, kTableName);
}

void CurrentWeatherDBController::Insert(const CurrentPtr& currentPtr, int primaryKey)
{
    RETURN_IF(!currentPtr);
    std::string query = mQueryGenerator->MakeInsertQuery(kTableName, kInsertColumns, kPlaceholders);
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    sqlite3_bind_int(stmt, 1, primaryKey);
    BindValues(stmt, 2, currentPtr);
    sqlite3_step(stmt);
    sqlite3_finalize(stmt);
}

void CurrentWeatherDBController::Update(const CurrentPtr& currentPtr, int primaryKey)
{
    RETURN_IF(!currentPtr);
    std::string query = mQueryGenerator->MakeUpdateQuery(kTableName, kAssignments,
                                                         mQueryGenerator->MakeWhereClause("FK_ID = ?;"));
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    BindValues(stmt, 1, currentPtr);
    sqlite3_bind_int(stmt, 9, primaryKey);
    sqlite3_step(stmt);
    sqlite3_finalize(stmt);
}

void CurrentWeatherDBController::Delete(int primaryKey)
{
    DeleteRowsOfKey(kTableName, primaryKey);
}

void CurrentWeatherDBController::DeleteAll()
{
    DeleteAllRows(kTableName);
}

CurrentPtr CurrentWeatherDBController::Select(int primaryKey)
{
    std::string query = mQueryGenerator->MakeSelectQuery(kTableName, kSelectColumns,
                                                         mQueryGenerator->MakeWhereClause("FK_ID = ?"), "", "", "");
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    sqlite3_bind_int(stmt, 1, primaryKey);
    CurrentPtr currentPtr;
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        currentPtr = Current::Make();
        if (currentPtr) {
            currentPtr->SetWeatherIcon(sqlite3_column_int(stmt, 0));
            currentPtr->SetWeatherStatus(ColumnText(stmt, 1));
            SetColumnTemperature(currentPtr->GetCurTemperature(), stmt, 2);
            SetColumnTemperature(currentPtr->GetLowTemperature(), stmt, 3);
            SetColumnTemperature(currentPtr->GetHighTemperature(), stmt, 4);
            currentPtr->SetDate(ColumnTime(stmt, 5));
            currentPtr->SetWebsiteUrl(ColumnText(stmt, 6));
            currentPtr->SetServerWeatherIcon(sqlite3_column_int(stmt, 7));
        }
    } else {
        LOGE("No result : %d", rc);
    }
    sqlite3_finalize(stmt);
    return currentPtr;
}
