#include "db/HourlyRowsDBController.h"

#include <sqlite3.h>

#include <string>

#include "db/DBConnector.h"
#include "db/WeatherStatement.h"

bool HourlyRowsDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    return mQueryGenerator != nullptr;
}

void HourlyRowsDBController::CreateTable()
{
    WeatherStatement::CreateTable(mTable.createTable, mTable.tableName);
}

void HourlyRowsDBController::Insert(const HourlyPtrVectorPtr& hourlyPtrVector, int primaryKey)
{
    RETURN_IF(!hourlyPtrVector);
    DBConnector* dbConnector = DBConnector::GetInstance();
    std::string query = mQueryGenerator->MakeInsertQuery(mTable.tableName, mTable.insertColumns, mTable.placeholders);
    // One statement for the whole vector, reset per record: parsing the text
    // again for every row was the bulk of the cost of writing a city.
    sqlite3_stmt* stmt = dbConnector->DBPrepareQuery(query.c_str());
    for (size_t i = 0; i < hourlyPtrVector->size(); i++) {
        const HourlyPtr& hourlyPtr = (*hourlyPtrVector)[i];
        if (!hourlyPtr)
            continue;
        sqlite3_reset(stmt);
        sqlite3_bind_int(stmt, 1, primaryKey);
        sqlite3_bind_int(stmt, 2, static_cast<int>(i));
        mTable.bindValues(stmt, 3, hourlyPtr);
        sqlite3_step(stmt);
    }
    sqlite3_finalize(stmt);
}

void HourlyRowsDBController::Update(const HourlyPtrVectorPtr& hourlyPtrVector, int primaryKey)
{
    RETURN_IF(!hourlyPtrVector);
    DBConnector* dbConnector = DBConnector::GetInstance();
    std::string query = mQueryGenerator->MakeUpdateQuery(
        mTable.tableName, mTable.assignments, mQueryGenerator->MakeWhereClause("FK_ID = ? AND hourlyIndex = ?;"));
    sqlite3_stmt* stmt = dbConnector->DBPrepareQuery(query.c_str());
    for (size_t i = 0; i < hourlyPtrVector->size(); i++) {
        const HourlyPtr& hourlyPtr = (*hourlyPtrVector)[i];
        if (!hourlyPtr)
            continue;
        sqlite3_reset(stmt);
        mTable.bindValues(stmt, 1, hourlyPtr);
        sqlite3_bind_int(stmt, mTable.valueCount + 1, primaryKey);
        sqlite3_bind_int(stmt, mTable.valueCount + 2, static_cast<int>(i));
        sqlite3_step(stmt);
    }
    sqlite3_finalize(stmt);
}

void HourlyRowsDBController::Delete(int primaryKey)
{
    WeatherStatement::DeleteRowsOfKey(mTable.tableName, primaryKey);
}

void HourlyRowsDBController::DeleteAll()
{
    WeatherStatement::DeleteAllRows(mTable.tableName);
}

HourlyPtrVectorPtr HourlyRowsDBController::Select(int primaryKey)
{
    std::string query = mQueryGenerator->MakeSelectQuery(mTable.tableName, mTable.selectColumns,
                                                         mQueryGenerator->MakeWhereClause("FK_ID = ?"), "", "", "");
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    sqlite3_bind_int(stmt, 1, primaryKey);
    auto hourlyPtrVector = std::make_shared<HourlyPtrVector>();
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        HourlyPtr hourlyPtr = Hourly::Make();
        if (!hourlyPtr)
            continue;
        mTable.readValues(stmt, hourlyPtr);
        hourlyPtrVector->push_back(hourlyPtr);
    }
    sqlite3_finalize(stmt);
    if (hourlyPtrVector->empty())
        return nullptr;
    return hourlyPtrVector;
}
