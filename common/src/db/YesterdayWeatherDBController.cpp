#include "YesterdayWeatherDBController.h"

#include <sqlite3.h>

#include <string>

#include "DBConnector.h"
#include "WeatherStatement.h"

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

} // namespace

DEFINE_SINGLETON(YesterdayWeatherDBController)

bool YesterdayWeatherDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    return mQueryGenerator != nullptr;
}

void YesterdayWeatherDBController::CreateTable()
{
    WeatherStatement::CreateTable(kCreateTable, kTableName);
}

void YesterdayWeatherDBController::Insert(const HourlyPtrVectorPtr& hourlyPtrVector, int primaryKey)
{
    RETURN_IF(!hourlyPtrVector);
    DBConnector* dbConnector = DBConnector::GetInstance();
    std::string query = mQueryGenerator->MakeInsertQuery(kTableName, kInsertColumns, kPlaceholders);
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
        BindValues(stmt, 3, hourlyPtr);
        sqlite3_step(stmt);
    }
    sqlite3_finalize(stmt);
}

void YesterdayWeatherDBController::Update(const HourlyPtrVectorPtr& hourlyPtrVector, int primaryKey)
{
    RETURN_IF(!hourlyPtrVector);
    DBConnector* dbConnector = DBConnector::GetInstance();
    std::string query = mQueryGenerator->MakeUpdateQuery(
        kTableName, kAssignments, mQueryGenerator->MakeWhereClause("FK_ID = ? AND hourlyIndex = ?;"));
    sqlite3_stmt* stmt = dbConnector->DBPrepareQuery(query.c_str());
    for (size_t i = 0; i < hourlyPtrVector->size(); i++) {
        const HourlyPtr& hourlyPtr = (*hourlyPtrVector)[i];
        if (!hourlyPtr)
            continue;
        sqlite3_reset(stmt);
        BindValues(stmt, 1, hourlyPtr);
        sqlite3_bind_int(stmt, 7, primaryKey);
        sqlite3_bind_int(stmt, 8, static_cast<int>(i));
        sqlite3_step(stmt);
    }
    sqlite3_finalize(stmt);
}

void YesterdayWeatherDBController::Delete(int primaryKey)
{
    DeleteRowsOfKey(kTableName, primaryKey);
}

void YesterdayWeatherDBController::DeleteAll()
{
    DeleteAllRows(kTableName);
}

HourlyPtrVectorPtr YesterdayWeatherDBController::Select(int primaryKey)
{
    std::string query = mQueryGenerator->MakeSelectQuery(kTableName, kSelectColumns,
                                                         mQueryGenerator->MakeWhereClause("FK_ID = ?"), "", "", "");
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    sqlite3_bind_int(stmt, 1, primaryKey);
    auto hourlyPtrVector = std::make_shared<HourlyPtrVector>();
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        HourlyPtr hourlyPtr = Hourly::Make();
        if (!hourlyPtr)
            continue;
        hourlyPtr->SetHour(ColumnTime(stmt, 0));
        hourlyPtr->SetWeatherIcon(sqlite3_column_int(stmt, 1));
        hourlyPtr->SetWeatherStatus(ColumnText(stmt, 2));
        SetColumnTemperature(hourlyPtr->GetCurTemperature(), stmt, 3);
        hourlyPtr->SetWebsiteUrl(ColumnText(stmt, 4));
        hourlyPtr->SetServerWeatherIcon(sqlite3_column_int(stmt, 5));
        hourlyPtrVector->push_back(hourlyPtr);
    }
    sqlite3_finalize(stmt);
    if (hourlyPtrVector->empty())
        return nullptr;
    return hourlyPtrVector;
}
