#include "HourlyWeatherDBController.h"

#include <sqlite3.h>

#include <string>

#include "DBConnector.h"
#include "WeatherStatement.h"

using namespace WeatherStatement;

namespace {

constexpr const char* kTableName = "HOURLY_WEATHER_TABLE";

constexpr const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS %q (FK_ID\t\t\t\tINTEGER, hourlyIndex\t\t\tINTEGER, hour\t\t\t\tINT64, "
    "weatherIcon\t\t\tINTEGER, weatherStatus\t\tTEXT, curTemperature\t\tDOUBLE, lowTemperature\t\tDOUBLE, "
    "highTemperature\t\tDOUBLE, websiteUrl\t\t\tTEXT, precProbability\t\tDOUBLE, serverWeatherIcon\tINTEGER, "
    "FOREIGN KEY(FK_ID) REFERENCES CITY_TABLE(PK_ID) ON DELETE CASCADE ON UPDATE CASCADE);";

constexpr const char* kInsertColumns =
    "FK_ID,hourlyIndex,hour,weatherIcon,weatherStatus,curTemperature,lowTemperature,highTemperature,websiteUrl,"
    "precProbability,serverWeatherIcon";
constexpr const char* kPlaceholders = "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?";
constexpr const char* kAssignments =
    "hour = ?,weatherIcon = ?,weatherStatus = ?,curTemperature = ?,lowTemperature = ?,highTemperature = ?,"
    "websiteUrl = ?,precProbability = ?,serverWeatherIcon = ?";
constexpr const char* kSelectColumns =
    "hour,weatherIcon,weatherStatus,curTemperature,lowTemperature,highTemperature,websiteUrl,precProbability,"
    "serverWeatherIcon";

// The nine record values in column order, from index first on.
void BindValues(sqlite3_stmt* stmt, int first, const HourlyPtr& hourlyPtr)
{
    BindTime(stmt, first, hourlyPtr->GetHour());
    sqlite3_bind_int(stmt, first + 1, hourlyPtr->GetWeatherIcon());
    BindText(stmt, first + 2, hourlyPtr->GetWeatherStatus());
    BindTemperature(stmt, first + 3, hourlyPtr->GetCurTemperature());
    BindTemperature(stmt, first + 4, hourlyPtr->GetLowTemperature());
    BindTemperature(stmt, first + 5, hourlyPtr->GetHighTemperature());
    BindText(stmt, first + 6, hourlyPtr->GetWebsiteUrl());
    sqlite3_bind_double(stmt, first + 7, hourlyPtr->GetPrecProbability());
    sqlite3_bind_int(stmt, first + 8, hourlyPtr->GetServerWeatherIcon());
}

} // namespace

DEFINE_SINGLETON(HourlyWeatherDBController)

bool HourlyWeatherDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    return mQueryGenerator != nullptr;
}

void HourlyWeatherDBController::CreateTable()
{
    WeatherStatement::CreateTable(kCreateTable, kTableName);
}

void HourlyWeatherDBController::Insert(const HourlyPtrVectorPtr& hourlyPtrVector, int primaryKey)
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

void HourlyWeatherDBController::Update(const HourlyPtrVectorPtr& hourlyPtrVector, int primaryKey)
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
        sqlite3_bind_int(stmt, 10, primaryKey);
        sqlite3_bind_int(stmt, 11, static_cast<int>(i));
        sqlite3_step(stmt);
    }
    sqlite3_finalize(stmt);
}

void HourlyWeatherDBController::Delete(int primaryKey)
{
    DeleteRowsOfKey(kTableName, primaryKey);
}

void HourlyWeatherDBController::DeleteAll()
{
    DeleteAllRows(kTableName);
}

HourlyPtrVectorPtr HourlyWeatherDBController::Select(int primaryKey)
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
        SetColumnTemperature(hourlyPtr->GetLowTemperature(), stmt, 4);
        SetColumnTemperature(hourlyPtr->GetHighTemperature(), stmt, 5);
        hourlyPtr->SetWebsiteUrl(ColumnText(stmt, 6));
        hourlyPtr->SetPrecProbability(sqlite3_column_double(stmt, 7));
        hourlyPtr->SetServerWeatherIcon(sqlite3_column_int(stmt, 8));
        hourlyPtrVector->push_back(hourlyPtr);
    }
    sqlite3_finalize(stmt);
    if (hourlyPtrVector->empty())
        return nullptr;
    return hourlyPtrVector;
}
