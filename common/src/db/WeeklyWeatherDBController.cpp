#include "db/WeeklyWeatherDBController.h"

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
    {"date", "\t\t\t\tINT64", ColumnKind::Time, [](const Weekly& r, ColumnValue& v) { v.i = r.GetDate(); },
     [](Weekly& r, const ColumnValue& v) {
         r.SetDate(static_cast<uint32_t>(v.i));
         r.SetDayOfWeek(DayOfWeek(r.GetDate()));
     }},
    TEXT_COLUMN(Weekly, "websiteUrl", " \t\tTEXT", WebsiteUrl),
    INT_COLUMN(Weekly, "serverWeatherIcon", "\tINTEGER", ServerWeatherIcon),
};

CityRecordsTable<Weekly> sTable(kTableName, kColumns);

} // namespace

DEFINE_SINGLETON(WeeklyWeatherDBController)

ColumnSpan<Weekly> WeeklyWeatherDBController::Columns()
{
    return {kColumns, std::size(kColumns)};
}

bool WeeklyWeatherDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    if (!mQueryGenerator)
        return false;
    sTable.MakeQueries(*mQueryGenerator);
    return true;
}

std::string WeeklyWeatherDBController::GetCreateTableText()
{
    return sTable.CreateText();
}

void WeeklyWeatherDBController::CreateTable()
{
    sTable.CreateTable();
}

void WeeklyWeatherDBController::Insert(const WeeklyPtrVectorPtr& weeklyPtrVector, int primaryKey)
{
    RETURN_IF(!weeklyPtrVector);
    sTable.Insert(*weeklyPtrVector, primaryKey);
}

void WeeklyWeatherDBController::Update(const WeeklyPtrVectorPtr& weeklyPtrVector, int primaryKey)
{
    RETURN_IF(!weeklyPtrVector);
    sTable.Update(*weeklyPtrVector, primaryKey);
}

void WeeklyWeatherDBController::Delete(int primaryKey)
{
    sTable.Delete(primaryKey);
}

void WeeklyWeatherDBController::DeleteAll()
{
    sTable.DeleteAll();
}

WeeklyPtrVectorPtr WeeklyWeatherDBController::Select(int primaryKey)
{
    return sTable.Select(primaryKey);
}

void WeeklyWeatherDBController::SelectAll(const std::function<void(int primaryKey, WeeklyPtr record)>& each)
{
    sTable.SelectAll(each);
}
