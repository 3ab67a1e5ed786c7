#include "db/CurrentWeatherDBController.h"

#include <sqlite3.h>

#include <string>

#include "db/DBConnector.h"
#include "db/ColumnTable.h"

using namespace ColumnTable;

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

void BindValues(Statement& stmt, int first, const CurrentPtr& currentPtr)
{
    stmt.BindInt(first, currentPtr->GetWeatherIcon());
    stmt.BindText(first + 1, currentPtr->GetWeatherStatus());
    BindTemperature(stmt, first + 2, currentPtr->GetCurTemperature());
    BindTemperature(stmt, first + 3, currentPtr->GetLowTemperature());
    BindTemperature(stmt, first + 4, currentPtr->GetHighTemperature());
    stmt.BindTime(first + 5, currentPtr->GetDate());
    stmt.BindText(first + 6, currentPtr->GetWebsiteUrl());
    stmt.BindInt(first + 7, currentPtr->GetServerWeatherIcon());
}

} // namespace

DEFINE_SINGLETON(CurrentWeatherDBController)

bool CurrentWeatherDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    if (!mQueryGenerator)
        return false;
    mInsertQuery = mQueryGenerator->MakeInsertQuery(kTableName, kInsertColumns, kPlaceholders);
    mUpdateQuery =
        mQueryGenerator->MakeUpdateQuery(kTableName, kAssignments, mQueryGenerator->MakeWhereClause("FK_ID = ?;"));
    mSelectQuery = mQueryGenerator->MakeSelectQuery(kTableName, kSelectColumns,
                                                    mQueryGenerator->MakeWhereClause("FK_ID = ?"), "", "", "");
    return true;
}

void CurrentWeatherDBController::CreateTable()
{
    ColumnTable::CreateTable(kCreateTable, kTableName);
}

void CurrentWeatherDBController::Insert(const CurrentPtr& currentPtr, int primaryKey)
{
    RETURN_IF(!currentPtr);
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(mInsertQuery);
    stmt.BindInt(1, primaryKey);
    BindValues(stmt, 2, currentPtr);
    stmt.Step();
}

void CurrentWeatherDBController::Update(const CurrentPtr& currentPtr, int primaryKey)
{
    RETURN_IF(!currentPtr);
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(mUpdateQuery);
    BindValues(stmt, 1, currentPtr);
    stmt.BindInt(9, primaryKey);
    stmt.Step();
}

void CurrentWeatherDBController::Delete(int primaryKey)
{
    if (!DeleteRowsOfKey(kTableName, primaryKey))
        LOGE("Fail to Delete");
}

void CurrentWeatherDBController::DeleteAll()
{
    DeleteAllRows(kTableName);
}

namespace {

// The current record of a row of kSelectColumns.
CurrentPtr ReadCurrent(const Statement& stmt)
{
    CurrentPtr currentPtr = Current::Make();
    if (currentPtr) {
        currentPtr->SetWeatherIcon(stmt.ColumnInt(0));
        currentPtr->SetWeatherStatus(stmt.ColumnText(1));
        SetColumnTemperature(currentPtr->GetCurTemperature(), stmt, 2);
        SetColumnTemperature(currentPtr->GetLowTemperature(), stmt, 3);
        SetColumnTemperature(currentPtr->GetHighTemperature(), stmt, 4);
        currentPtr->SetDate(stmt.ColumnTime(5));
        currentPtr->SetWebsiteUrl(stmt.ColumnText(6));
        currentPtr->SetServerWeatherIcon(stmt.ColumnInt(7));
    }
    return currentPtr;
}

} // namespace

CurrentPtr CurrentWeatherDBController::Select(int primaryKey)
{
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(mSelectQuery);
    stmt.BindInt(1, primaryKey);
    int rc = stmt.Step();
    if (rc != SQLITE_ROW) {
        LOGE("No result : %d", rc);
        return nullptr;
    }
    return ReadCurrent(stmt);
}

void CurrentWeatherDBController::SelectAll(const std::function<void(int primaryKey, CurrentPtr record)>& each)
{
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(
        mQueryGenerator->MakeSelectQuery(kTableName, std::string(kSelectColumns) + ",FK_ID", "", "", "", ""));
    while (stmt.Step() == SQLITE_ROW) {
        if (CurrentPtr currentPtr = ReadCurrent(stmt))
            each(stmt.ColumnInt(8), std::move(currentPtr));
    }
}
