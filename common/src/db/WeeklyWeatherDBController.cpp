#include "db/WeeklyWeatherDBController.h"

#include <sqlite3.h>

#include <ctime>
#include <string>

#include "db/DBConnector.h"
#include "db/WeatherStatement.h"

using namespace WeatherStatement;

namespace {

constexpr const char* kTableName = "WEEKLY_WEATHER_TABLE";

constexpr const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS %q (FK_ID\t\t\t\tINTEGER, weeklyIndex\t\t\tINTEGER, weatherIcon\t\t\tINTEGER, "
    "weatherStatus\t\tTEXT, curTemperature\t\tDOUBLE, lowTemperature\t\tDOUBLE, highTemperature\t\tDOUBLE, "
    "date\t\t\t\tINT64, websiteUrl \t\tTEXT, serverWeatherIcon\tINTEGER, "
    "FOREIGN KEY(FK_ID) REFERENCES CITY_TABLE(PK_ID) ON DELETE CASCADE ON UPDATE CASCADE);";

constexpr const char* kInsertColumns =
    "FK_ID,weeklyIndex,weatherIcon,weatherStatus,curTemperature,lowTemperature,highTemperature,date,websiteUrl,"
    "serverWeatherIcon";
constexpr const char* kPlaceholders = "?, ?, ?, ?, ?, ?, ?, ?, ?, ?";
constexpr const char* kAssignments =
    "weatherIcon = ?,weatherStatus = ?,curTemperature = ?,lowTemperature = ?,highTemperature = ?,date = ?,"
    "websiteUrl = ?,serverWeatherIcon = ?";
constexpr const char* kSelectColumns =
    "weatherIcon,weatherStatus,curTemperature,lowTemperature,highTemperature,date,websiteUrl,serverWeatherIcon";

// The eight record values in column order, from index first on.
void BindValues(sqlite3_stmt* stmt, int first, const WeeklyPtr& weeklyPtr)
{
    sqlite3_bind_int(stmt, first, weeklyPtr->GetWeatherIcon());
    BindText(stmt, first + 1, weeklyPtr->GetWeatherStatus());
    BindTemperature(stmt, first + 2, weeklyPtr->GetCurTemperature());
    BindTemperature(stmt, first + 3, weeklyPtr->GetLowTemperature());
    BindTemperature(stmt, first + 4, weeklyPtr->GetHighTemperature());
    BindTime(stmt, first + 5, weeklyPtr->GetDate());
    BindText(stmt, first + 6, weeklyPtr->GetWebsiteUrl());
    sqlite3_bind_int(stmt, first + 7, weeklyPtr->GetServerWeatherIcon());
}

int DayOfWeek(uint32_t date)
{
    time_t time = static_cast<time_t>(date);
    struct tm local = {};
    if (localtime_r(&time, &local) == nullptr)
        return 0;
    return local.tm_wday;
}

} // namespace

DEFINE_SINGLETON(WeeklyWeatherDBController)

bool WeeklyWeatherDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    return mQueryGenerator != nullptr;
}

void WeeklyWeatherDBController::CreateTable()
{
    WeatherStatement::CreateTable(kCreateTable, kTableName);
}

void WeeklyWeatherDBController::Insert(const WeeklyPtrVectorPtr& weeklyPtrVector, int primaryKey)
{
    RETURN_IF(!weeklyPtrVector);
    DBConnector* dbConnector = DBConnector::GetInstance();
    std::string query = mQueryGenerator->MakeInsertQuery(kTableName, kInsertColumns, kPlaceholders);
    // One statement for the whole vector, reset per record: parsing the text
    // again for every row was the bulk of the cost of writing a city.
    sqlite3_stmt* stmt = dbConnector->DBPrepareQuery(query.c_str());
    for (size_t i = 0; i < weeklyPtrVector->size(); i++) {
        const WeeklyPtr& weeklyPtr = (*weeklyPtrVector)[i];
        if (!weeklyPtr)
            continue;
        sqlite3_reset(stmt);
        sqlite3_bind_int(stmt, 1, primaryKey);
        sqlite3_bind_int(stmt, 2, static_cast<int>(i));
        BindValues(stmt, 3, weeklyPtr);
        sqlite3_step(stmt);
    }
    sqlite3_finalize(stmt);
}

void WeeklyWeatherDBController::Update(const WeeklyPtrVectorPtr& weeklyPtrVector, int primaryKey)
{
    RETURN_IF(!weeklyPtrVector);
    DBConnector* dbConnector = DBConnector::GetInstance();
    std::string query = mQueryGenerator->MakeUpdateQuery(
        kTableName, kAssignments, mQueryGenerator->MakeWhereClause("FK_ID = ? AND weeklyIndex = ?;"));
    sqlite3_stmt* stmt = dbConnector->DBPrepareQuery(query.c_str());
    for (size_t i = 0; i < weeklyPtrVector->size(); i++) {
        const WeeklyPtr& weeklyPtr = (*weeklyPtrVector)[i];
        if (!weeklyPtr)
            continue;
        sqlite3_reset(stmt);
        BindValues(stmt, 1, weeklyPtr);
        sqlite3_bind_int(stmt, 9, primaryKey);
        sqlite3_bind_int(stmt, 10, static_cast<int>(i));
        sqlite3_step(stmt);
    }
    sqlite3_finalize(stmt);
}

void WeeklyWeatherDBController::Delete(int primaryKey)
{
    DeleteRowsOfKey(kTableName, primaryKey);
}

void WeeklyWeatherDBController::DeleteAll()
{
    DeleteAllRows(kTableName);
}

WeeklyPtrVectorPtr WeeklyWeatherDBController::Select(int primaryKey)
{
    std::string query = mQueryGenerator->MakeSelectQuery(kTableName, kSelectColumns,
                                                         mQueryGenerator->MakeWhereClause("FK_ID = ?"), "", "", "");
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    sqlite3_bind_int(stmt, 1, primaryKey);
    auto weeklyPtrVector = std::make_shared<WeeklyPtrVector>();
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        WeeklyPtr weeklyPtr = Weekly::Make();
        if (!weeklyPtr)
            continue;
        weeklyPtr->SetWeatherIcon(sqlite3_column_int(stmt, 0));
        weeklyPtr->SetWeatherStatus(ColumnText(stmt, 1));
        SetColumnTemperature(weeklyPtr->GetCurTemperature(), stmt, 2);
        SetColumnTemperature(weeklyPtr->GetLowTemperature(), stmt, 3);
        SetColumnTemperature(weeklyPtr->GetHighTemperature(), stmt, 4);
        weeklyPtr->SetDate(ColumnTime(stmt, 5));
        weeklyPtr->SetDayOfWeek(DayOfWeek(weeklyPtr->GetDate()));
        weeklyPtr->SetWebsiteUrl(ColumnText(stmt, 6));
        weeklyPtr->SetServerWeatherIcon(sqlite3_column_int(stmt, 7));
        weeklyPtrVector->push_back(weeklyPtr);
    }
    sqlite3_finalize(stmt);
    if (weeklyPtrVector->empty())
        return nullptr;
    return weeklyPtrVector;
}
