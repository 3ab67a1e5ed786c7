#include "db/WeeklyWeatherDBController.h"

#include <sqlite3.h>

#include <ctime>
#include <string>

#include "db/ColumnTable.h"

namespace {

constexpr const char* kTableName = "WEEKLY_WEATHER_TABLE";

int DayOfWeek(uint32_t date)
{
    time_t time = static_cast<time_t>(date);
    struct tm local = {};
    if (localtime_r(&time, &local) == nullptr)
        return 0;
    return local.tm_wday;
}

const Column<Weekly> kColumns[] = {
    KEY_COLUMN("FK_ID", "\t\t\t\tINTEGER"),
    KEY_COLUMN("weeklyIndex", "\t\t\tINTEGER"),
    INT_COLUMN(Weekly, "weatherIcon", "\t\t\tINTEGER", WeatherIcon),
    TEXT_COLUMN(Weekly, "weatherStatus", "\t\tTEXT", WeatherStatus),
    TEMPERATURE_COLUMN(Weekly, "curTemperature", "\t\tDOUBLE", CurTemperature),
    TEMPERATURE_COLUMN(Weekly, "lowTemperature", "\t\tDOUBLE", LowTemperature),
    TEMPERATURE_COLUMN(Weekly, "highTemperature", "\t\tDOUBLE", HighTemperature),
    // The day of the week is not stored; it follows from the date.
    {"date", "\t\t\t\tINT64", [](Statement& s, int i, const Weekly& r) { s.BindTime(i, r.GetDate()); },
     [](const Statement& s, int i, Weekly& r) {
         r.SetDate(s.ColumnTime(i));
         r.SetDayOfWeek(DayOfWeek(r.GetDate()));
     }},
    TEXT_COLUMN(Weekly, "websiteUrl", " \t\tTEXT", WebsiteUrl),
    INT_COLUMN(Weekly, "serverWeatherIcon", "\tINTEGER", ServerWeatherIcon),
};

constexpr const char* kForeignKey =
    "FOREIGN KEY(FK_ID) REFERENCES CITY_TABLE(PK_ID) ON DELETE CASCADE ON UPDATE CASCADE";
constexpr size_t kColumnCount = sizeof(kColumns) / sizeof(kColumns[0]);

} // namespace

DEFINE_SINGLETON(WeeklyWeatherDBController)

bool WeeklyWeatherDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    if (!mQueryGenerator)
        return false;
    mInsertQuery = mQueryGenerator->MakeInsertQuery(kTableName, ColumnTable::Names(kColumns, 0),
                                                    ColumnTable::Placeholders(kColumnCount));
    mUpdateQuery = mQueryGenerator->MakeUpdateQuery(kTableName, ColumnTable::Assignments(kColumns, 2),
                                                    mQueryGenerator->MakeWhereClause("FK_ID = ? AND weeklyIndex = ?;"));
    mSelectQuery = mQueryGenerator->MakeSelectQuery(kTableName, ColumnTable::Names(kColumns, 2),
                                                    mQueryGenerator->MakeWhereClause("FK_ID = ?"), "", "", "");
    return true;
}

std::string WeeklyWeatherDBController::GetCreateTableText()
{
    return ColumnTable::CreateText(kColumns, kForeignKey);
}

void WeeklyWeatherDBController::CreateTable()
{
    WeatherStatement::CreateTable(GetCreateTableText().c_str(), kTableName);
}

void WeeklyWeatherDBController::Insert(const WeeklyPtrVectorPtr& weeklyPtrVector, int primaryKey)
{
    RETURN_IF(!weeklyPtrVector);
    ColumnTable::InsertRows(kColumns, mInsertQuery, *weeklyPtrVector, primaryKey);
}

void WeeklyWeatherDBController::Update(const WeeklyPtrVectorPtr& weeklyPtrVector, int primaryKey)
{
    RETURN_IF(!weeklyPtrVector);
    ColumnTable::UpdateRows(kColumns, mUpdateQuery, *weeklyPtrVector, primaryKey);
}

void WeeklyWeatherDBController::Delete(int primaryKey)
{
    if (!WeatherStatement::DeleteRowsOfKey(kTableName, primaryKey))
        LOGE("Fail to Delete");
}

void WeeklyWeatherDBController::DeleteAll()
{
    WeatherStatement::DeleteAllRows(kTableName);
}

WeeklyPtrVectorPtr WeeklyWeatherDBController::Select(int primaryKey)
{
    return ColumnTable::SelectRows(kColumns, mSelectQuery, primaryKey);
}
