#include "db/YesterdayWeatherDBController.h"

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

CityRecordsTable<Hourly> sTable(kTableName, kColumns);

} // namespace

DEFINE_SINGLETON(YesterdayWeatherDBController)

ColumnSpan<Hourly> YesterdayWeatherDBController::Columns()
{
    return {kColumns, std::size(kColumns)};
}

bool YesterdayWeatherDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    if (!mQueryGenerator)
        return false;
    sTable.MakeQueries(*mQueryGenerator);
    return true;
}

std::string YesterdayWeatherDBController::GetCreateTableText()
{
    return sTable.CreateText();
}

void YesterdayWeatherDBController::CreateTable()
{
    sTable.CreateTable();
}

void YesterdayWeatherDBController::Insert(const HourlyPtrVectorPtr& hourlyPtrVector, int primaryKey)
{
    RETURN_IF(!hourlyPtrVector);
    sTable.Insert(*hourlyPtrVector, primaryKey);
}

void YesterdayWeatherDBController::Update(const HourlyPtrVectorPtr& hourlyPtrVector, int primaryKey)
{
    RETURN_IF(!hourlyPtrVector);
    sTable.Update(*hourlyPtrVector, primaryKey);
}

void YesterdayWeatherDBController::Delete(int primaryKey)
{
    sTable.Delete(primaryKey);
}

void YesterdayWeatherDBController::DeleteAll()
{
    sTable.DeleteAll();
}

HourlyPtrVectorPtr YesterdayWeatherDBController::Select(int primaryKey)
{
    return sTable.Select(primaryKey);
}

void YesterdayWeatherDBController::SelectAll(const std::function<void(int primaryKey, HourlyPtr record)>& each)
{
    sTable.SelectAll(each);
}
