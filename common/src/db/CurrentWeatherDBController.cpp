#include "db/CurrentWeatherDBController.h"

#include <sqlite3.h>

#include <string>

#include "db/ColumnTable.h"
#include "db/DBConnector.h"

namespace {

constexpr const char* kTableName = "CURRENT_WEATHER_TABLE";

// The stored schema's tabs, as the weekly table has them.
const Column<Current> kColumns[] = {
    KEY_COLUMN("FK_ID", "\t\t\t\tINTEGER"),
    INT_COLUMN(Current, "weatherIcon", "\t\t\tINTEGER", WeatherIcon),
    TEXT_COLUMN(Current, "weatherStatus", "\t\tTEXT", WeatherStatus),
    TEMPERATURE_COLUMN(Current, "curTemperature", "\t\tDOUBLE", CurTemperature),
    TEMPERATURE_COLUMN(Current, "lowTemperature", "\t\tDOUBLE", LowTemperature),
    TEMPERATURE_COLUMN(Current, "highTemperature", "\t\tDOUBLE", HighTemperature),
    TIME_COLUMN(Current, "date", "\t\t\t\tINT64", Date),
    TEXT_COLUMN(Current, "websiteUrl", " \t\tTEXT", WebsiteUrl),
    INT_COLUMN(Current, "serverWeatherIcon", "\tINTEGER", ServerWeatherIcon),
};

CurrentPtr ReadCurrent(const Statement& stmt, const CityRowTable<Current, CurrentPtr>& table)
{
    CurrentPtr currentPtr = Current::Make();
    if (currentPtr)
        table.Read(stmt, *currentPtr);
    return currentPtr;
}

CityRowTable<Current, CurrentPtr> sTable(kTableName, kColumns, "FK_ID = ?;", ReadCurrent);

} // namespace

DEFINE_SINGLETON(CurrentWeatherDBController)

ColumnSpan<Current> CurrentWeatherDBController::Columns()
{
    return {kColumns, std::size(kColumns)};
}

bool CurrentWeatherDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    if (!mQueryGenerator)
        return false;
    sTable.MakeQueries(*mQueryGenerator);
    return true;
}

void CurrentWeatherDBController::CreateTable()
{
    sTable.CreateTable();
}

void CurrentWeatherDBController::Insert(const CurrentPtr& currentPtr, int primaryKey)
{
    RETURN_IF(!currentPtr);
    sTable.Insert(*currentPtr, primaryKey);
}

void CurrentWeatherDBController::Update(const CurrentPtr& currentPtr, int primaryKey)
{
    RETURN_IF(!currentPtr);
    sTable.Update(*currentPtr, primaryKey);
}

void CurrentWeatherDBController::Delete(int primaryKey)
{
    sTable.Delete(primaryKey);
}

void CurrentWeatherDBController::DeleteAll()
{
    sTable.DeleteAll();
}

CurrentPtr CurrentWeatherDBController::Select(int primaryKey)
{
    return sTable.Select(primaryKey);
}

void CurrentWeatherDBController::SelectAll(const std::function<void(int primaryKey, CurrentPtr record)>& each)
{
    sTable.SelectAll(each);
}
