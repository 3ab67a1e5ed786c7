#include "db/YesterdayWeatherDBController.h"

#include <sqlite3.h>

#include "db/ColumnTable.h"

namespace {

constexpr const char* kTableName = "YESTERDAY_WEATHER_TABLE";

const Column<Hourly> kColumns[] = {
    KEY_COLUMN("FK_ID", "\t\t\t\tINTEGER"),
    KEY_COLUMN("hourlyIndex", "\t\t\tINTEGER"),
    TIME_COLUMN(Hourly, "hour", "\t\t\t\tINT64", Hour),
    INT_COLUMN(Hourly, "weatherIcon", "\t\t\tINTEGER", WeatherIcon),
    TEXT_COLUMN(Hourly, "weatherStatus", "\t\tTEXT", WeatherStatus),
    TEMPERATURE_COLUMN(Hourly, "curTemperature", "\t\tDOUBLE", CurTemperature),
    TEXT_COLUMN(Hourly, "websiteUrl", "\t\t\tTEXT", WebsiteUrl),
    INT_COLUMN(Hourly, "serverWeatherIcon", "\tINTEGER", ServerWeatherIcon),
};

constexpr const char* kForeignKey =
    "FOREIGN KEY(FK_ID) REFERENCES CITY_TABLE(PK_ID) ON DELETE CASCADE ON UPDATE CASCADE";
constexpr size_t kColumnCount = sizeof(kColumns) / sizeof(kColumns[0]);

} // namespace

DEFINE_SINGLETON(YesterdayWeatherDBController)

bool YesterdayWeatherDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    if (!mQueryGenerator)
        return false;
    mInsertQuery = mQueryGenerator->MakeInsertQuery(kTableName, ColumnTable::Names(kColumns, 0),
                                                    ColumnTable::Placeholders(kColumnCount));
    mUpdateQuery = mQueryGenerator->MakeUpdateQuery(kTableName, ColumnTable::Assignments(kColumns, 2),
                                                    mQueryGenerator->MakeWhereClause("FK_ID = ? AND hourlyIndex = ?;"));
    mSelectQuery = mQueryGenerator->MakeSelectQuery(kTableName, ColumnTable::Names(kColumns, 2),
                                                    mQueryGenerator->MakeWhereClause("FK_ID = ?"), "", "", "");
    return true;
}

std::string YesterdayWeatherDBController::GetCreateTableText()
{
    return ColumnTable::CreateText(kColumns, kForeignKey);
}

void YesterdayWeatherDBController::CreateTable()
{
    WeatherStatement::CreateTable(GetCreateTableText().c_str(), kTableName);
}

void YesterdayWeatherDBController::Insert(const HourlyPtrVectorPtr& hourlyPtrVector, int primaryKey)
{
    RETURN_IF(!hourlyPtrVector);
    ColumnTable::InsertRows(kColumns, mInsertQuery, *hourlyPtrVector, primaryKey);
}

void YesterdayWeatherDBController::Update(const HourlyPtrVectorPtr& hourlyPtrVector, int primaryKey)
{
    RETURN_IF(!hourlyPtrVector);
    ColumnTable::UpdateRows(kColumns, mUpdateQuery, *hourlyPtrVector, primaryKey);
}

void YesterdayWeatherDBController::Delete(int primaryKey)
{
    if (!WeatherStatement::DeleteRowsOfKey(kTableName, primaryKey))
        LOGE("Fail to Delete");
}

void YesterdayWeatherDBController::DeleteAll()
{
    WeatherStatement::DeleteAllRows(kTableName);
}

HourlyPtrVectorPtr YesterdayWeatherDBController::Select(int primaryKey)
{
    return ColumnTable::SelectRows(kColumns, mSelectQuery, primaryKey);
}
