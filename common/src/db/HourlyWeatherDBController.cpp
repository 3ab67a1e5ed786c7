#include "db/HourlyWeatherDBController.h"

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

CityRecordsTable<Hourly> sTable(kTableName, kColumns);

} // namespace

DEFINE_SINGLETON(HourlyWeatherDBController)

ColumnSpan<Hourly> HourlyWeatherDBController::Columns()
{
    return {kColumns, std::size(kColumns)};
}

bool HourlyWeatherDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    if (!mQueryGenerator)
        return false;
    sTable.MakeQueries(*mQueryGenerator);
    return true;
}

std::string HourlyWeatherDBController::GetCreateTableText()
{
    return sTable.CreateText();
}

void HourlyWeatherDBController::CreateTable()
{
    sTable.CreateTable();
}

void HourlyWeatherDBController::Insert(const HourlyPtrVectorPtr& hourlyPtrVector, int primaryKey)
{
    RETURN_IF(!hourlyPtrVector);
    sTable.Insert(*hourlyPtrVector, primaryKey);
}

void HourlyWeatherDBController::Update(const HourlyPtrVectorPtr& hourlyPtrVector, int primaryKey)
{
    RETURN_IF(!hourlyPtrVector);
    sTable.Update(*hourlyPtrVector, primaryKey);
}

void HourlyWeatherDBController::Delete(int primaryKey)
{
    sTable.Delete(primaryKey);
}

void HourlyWeatherDBController::DeleteAll()
{
    sTable.DeleteAll();
}

HourlyPtrVectorPtr HourlyWeatherDBController::Select(int primaryKey)
{
    return sTable.Select(primaryKey);
}

void HourlyWeatherDBController::SelectAll(const std::function<void(int primaryKey, HourlyPtr record)>& each)
{
    sTable.SelectAll(each);
}
