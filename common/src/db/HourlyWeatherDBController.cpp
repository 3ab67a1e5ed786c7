#include "db/HourlyWeatherDBController.h"

#include <sqlite3.h>

#include "db/ColumnTable.h"

namespace {

constexpr const char* kTableName = "HOURLY_WEATHER_TABLE";

const Column<Hourly> kColumns[] = {
    KEY_COLUMN("FK_ID", "\t\t\t\tINTEGER"),
    KEY_COLUMN("hourlyIndex", "\t\t\tINTEGER"),
    TIME_COLUMN(Hourly, "hour", "\t\t\t\tINT64", Hour),
    INT_COLUMN(Hourly, "weatherIcon", "\t\t\tINTEGER", WeatherIcon),
    TEXT_COLUMN(Hourly, "weatherStatus", "\t\tTEXT", WeatherStatus),
    TEMPERATURE_COLUMN(Hourly, "curTemperature", "\t\tDOUBLE", CurTemperature),
    TEMPERATURE_COLUMN(Hourly, "lowTemperature", "\t\tDOUBLE", LowTemperature),
    TEMPERATURE_COLUMN(Hourly, "highTemperature", "\t\tDOUBLE", HighTemperature),
    TEXT_COLUMN(Hourly, "websiteUrl", "\t\t\tTEXT", WebsiteUrl),
    DOUBLE_COLUMN(Hourly, "precProbability", "\t\tDOUBLE", PrecProbability),
    INT_COLUMN(Hourly, "serverWeatherIcon", "\tINTEGER", ServerWeatherIcon),
};

constexpr const char* kForeignKey =
    "FOREIGN KEY(FK_ID) REFERENCES CITY_TABLE(PK_ID) ON DELETE CASCADE ON UPDATE CASCADE";
constexpr size_t kColumnCount = sizeof(kColumns) / sizeof(kColumns[0]);

} // namespace

DEFINE_SINGLETON(HourlyWeatherDBController)

bool HourlyWeatherDBController::Init()
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

std::string HourlyWeatherDBController::GetCreateTableText()
{
    return ColumnTable::CreateText(kColumns, kForeignKey);
}

void HourlyWeatherDBController::CreateTable()
{
    WeatherStatement::CreateTable(GetCreateTableText().c_str(), kTableName);
}

void HourlyWeatherDBController::Insert(const HourlyPtrVectorPtr& hourlyPtrVector, int primaryKey)
{
    RETURN_IF(!hourlyPtrVector);
    ColumnTable::InsertRows(kColumns, mInsertQuery, *hourlyPtrVector, primaryKey);
}

void HourlyWeatherDBController::Update(const HourlyPtrVectorPtr& hourlyPtrVector, int primaryKey)
{
    RETURN_IF(!hourlyPtrVector);
    ColumnTable::UpdateRows(kColumns, mUpdateQuery, *hourlyPtrVector, primaryKey);
}

void HourlyWeatherDBController::Delete(int primaryKey)
{
    if (!WeatherStatement::DeleteRowsOfKey(kTableName, primaryKey))
        LOGE("Fail to Delete");
}

void HourlyWeatherDBController::DeleteAll()
{
    WeatherStatement::DeleteAllRows(kTableName);
}

HourlyPtrVectorPtr HourlyWeatherDBController::Select(int primaryKey)
{
    return ColumnTable::SelectRows(kColumns, mSelectQuery, primaryKey);
}
