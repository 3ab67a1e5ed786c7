#include "db/LifeIndexWeatherDBController.h"

#include <sqlite3.h>

#include <string>

#include "db/ColumnTable.h"
#include "db/DBConnector.h"

namespace {

constexpr const char* kTableName = "LIFE_INDEX_WEATHER_TABLE";

// FK_ID, then the 56 values in the stored order.
const Column<LifeIndexRow> kColumns[] = {
    KEY_COLUMN("FK_ID", " INTEGER"),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "humidity", "\tINTEGER", Humidity),
    TIME_COLUMN_OF(LifeIndexRow, lifeIndex, "sunsetTime", "\tINT64", SunsetTime),
    TIME_COLUMN_OF(LifeIndexRow, lifeIndex, "sunriseTime", "\tINT64", SunriseTime),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "pm25", "\tINTEGER", Pm25),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "pm10", "\tINTEGER", Pm10),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "aqi", "\tINTEGER", Aqi),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "uvIndex", "\tINTEGER", UvIndex),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "outdoorExcercise", "\tINTEGER", OutdoorExcercise),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "comfort", "\tINTEGER", Comfort),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "clothing", "\tINTEGER", Clothing),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "skincare", "\tINTEGER", Skincare),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "carwash", "\tINTEGER", Carwash),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "foodPoison", "\tINTEGER", FoodPoison),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "heat", "\tINTEGER", Heat),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "spoiledFood", "\tINTEGER", SpoiledFood),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "discomfort", "\tINTEGER", Discomfort),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "frozenPipes", "\tINTEGER", FrozenPipes),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "frostbite", "\tINTEGER", Frostbite),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "cold", "\t\tINTEGER", Cold),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "pollen", "\tINTEGER", Pollen),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "airDust", "\tINTEGER", AirDust),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "drySkin", "\tINTEGER", DrySkin),
    TEMPERATURE_COLUMN_OF(LifeIndexRow, lifeIndex, "realfeel", "\tDOUBLE", Realfeel),
    INT_COLUMN_OF(LifeIndexRow, precipitation, "precType", "\tINTEGER", PrecType),
    DOUBLE_COLUMN_OF(LifeIndexRow, precipitation, "precProbability", "\tDOUBLE", PrecProbability),
    DOUBLE_COLUMN_OF(LifeIndexRow, precipitation, "precAmount", "\tDOUBLE", PrecAmount),
    DOUBLE_COLUMN_OF(LifeIndexRow, precipitation, "precProbabilityNight", "\tDOUBLE", PrecProbabilityNight),
    DOUBLE_COLUMN_OF(LifeIndexRow, precipitation, "precAmountNight", "\tDOUBLE", PrecAmountNight),
    TEXT_COLUMN_OF(LifeIndexRow, lifeIndex, "uvIndexText", "\tTEXT", UvIndexText),
    DOUBLE_COLUMN_OF(LifeIndexRow, lifeIndex, "pressure", "\tDOUBLE", Pressure),
    FLOAT_COLUMN_OF(LifeIndexRow, wind, "windDirection", "\tDOUBLE", WindDirection),
    FLOAT_COLUMN_OF(LifeIndexRow, wind, "windSpeed", "\tDOUBLE", WindSpeed),
    INT_COLUMN_OF(LifeIndexRow, wind, "windSpeedUnit", "\tINTEGER", WindSpeedUnit),
    TEXT_COLUMN_OF(LifeIndexRow, wind, "windCardinal", "\tTEXT", WindCardinal),
    DOUBLE_COLUMN_OF(LifeIndexRow, precipitation, "rainProbability", "\tDOUBLE", RainProbability),
    DOUBLE_COLUMN_OF(LifeIndexRow, precipitation, "rainProbabilityNight", "\tDOUBLE", RainProbabilityNight),
    DOUBLE_COLUMN_OF(LifeIndexRow, precipitation, "snowProbability", "\tDOUBLE", SnowProbability),
    DOUBLE_COLUMN_OF(LifeIndexRow, precipitation, "snowProbabilityNight", "\tDOUBLE", SnowProbabilityNight),
    DOUBLE_COLUMN_OF(LifeIndexRow, precipitation, "iceProbability", "\tDOUBLE", IceProbability),
    DOUBLE_COLUMN_OF(LifeIndexRow, precipitation, "iceProbabilityNight", "\tDOUBLE", IceProbabilityNight),
    DOUBLE_COLUMN_OF(LifeIndexRow, precipitation, "precAmountSnow", "\tDOUBLE", PrecAmountSnow),
    DOUBLE_COLUMN_OF(LifeIndexRow, precipitation, "precAmountSnowNight", "\tDOUBLE", PrecAmountSnowNight),
    DOUBLE_COLUMN_OF(LifeIndexRow, precipitation, "precAmountIce", "\tDOUBLE", PrecAmountIce),
    DOUBLE_COLUMN_OF(LifeIndexRow, precipitation, "precAmountIceNight", "\tDOUBLE", PrecAmountIceNight),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "allergy", "\t\tINTEGER", Allergy),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "airPolution", "\t\tINTEGER", AirPolution),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "traffic", "\t\tINTEGER", Traffic),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "fishing", "\t\tINTEGER", Fishing),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "dryClothing", "\t\tINTEGER", DryClothing),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "cosmetic", "\t\tINTEGER", Cosmetic),
    DOUBLE_COLUMN_OF(LifeIndexRow, lifeIndex, "visibility", "\t\tDOUBLE", Visibility),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "heatStroke", "\tINTEGER", HeatStroke),
    INT_COLUMN_OF(LifeIndexRow, lifeIndex, "khai", "\t\tINTEGER", Khai),
    FLOAT_COLUMN_OF(LifeIndexRow, wind, "windNightSpeed", "\tDOUBLE", WindNightSpeed),
    FLOAT_COLUMN_OF(LifeIndexRow, wind, "windNightDirection", "\tDOUBLE", WindNightDirection),
    TEXT_COLUMN_OF(LifeIndexRow, wind, "windNightCardinal", "\tTEXT", WindNightCardinal),
};

static_assert(sizeof(kColumns) / sizeof(kColumns[0]) == 57, "the life index table stores 56 values after FK_ID");

// The life index of the row stmt is on; null when its parts cannot be made.
LifeIndexPtr ReadLifeIndex(const Statement& stmt, const CityRowTable<LifeIndexRow, LifeIndexPtr>& table)
{
    // Init makes the realfeel, precipitation and wind records the row fills.
    LifeIndexPtr lifeIndexPtr = LifeIndex::Make();
    if (!lifeIndexPtr || !lifeIndexPtr->GetRealfeel() || !lifeIndexPtr->GetPrecipitation() || !lifeIndexPtr->GetWind())
        return nullptr;
    LifeIndexRow row{*lifeIndexPtr, *lifeIndexPtr->GetPrecipitation(), *lifeIndexPtr->GetWind()};
    table.Read(stmt, row);
    return lifeIndexPtr;
}

CityRowTable<LifeIndexRow, LifeIndexPtr> sTable(kTableName, kColumns, "FK_ID = ?", ReadLifeIndex);

// Writes the record as one row; missing sub-records are written as their
// defaults. Nothing is written when those cannot be made.
template <typename Write> void WithRow(const LifeIndexPtr& lifeIndexPtr, Write write)
{
    PrecipitationPtr precipitationPtr = lifeIndexPtr->GetPrecipitation();
    if (!precipitationPtr)
        precipitationPtr = Precipitation::Make();
    WindPtr windPtr = lifeIndexPtr->GetWind();
    if (!windPtr)
        windPtr = Wind::Make();
    if (!precipitationPtr || !windPtr)
        return;
    write(LifeIndexRow{*lifeIndexPtr, *precipitationPtr, *windPtr});
}

} // namespace

DEFINE_SINGLETON(LifeIndexWeatherDBController)

ColumnSpan<LifeIndexRow> LifeIndexWeatherDBController::Columns()
{
    return {kColumns, std::size(kColumns)};
}

bool LifeIndexWeatherDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    if (!mQueryGenerator)
        return false;
    sTable.MakeQueries(*mQueryGenerator);
    return true;
}

std::string LifeIndexWeatherDBController::GetCreateTableText()
{
    return sTable.CreateText();
}

void LifeIndexWeatherDBController::CreateTable()
{
    sTable.CreateTable();
}

void LifeIndexWeatherDBController::Insert(const LifeIndexPtr& lifeIndexPtr, int primaryKey)
{
    RETURN_IF(!lifeIndexPtr);
    WithRow(lifeIndexPtr, [primaryKey](const LifeIndexRow& row) { sTable.Insert(row, primaryKey); });
}

void LifeIndexWeatherDBController::Update(const LifeIndexPtr& lifeIndexPtr, int primaryKey)
{
    RETURN_IF(!lifeIndexPtr);
    WithRow(lifeIndexPtr, [primaryKey](const LifeIndexRow& row) { sTable.Update(row, primaryKey); });
}

void LifeIndexWeatherDBController::Delete(int primaryKey)
{
    sTable.Delete(primaryKey);
}

void LifeIndexWeatherDBController::DeleteAll()
{
    sTable.DeleteAll();
}

LifeIndexPtr LifeIndexWeatherDBController::Select(int primaryKey)
{
    return sTable.Select(primaryKey);
}

void LifeIndexWeatherDBController::SelectAll(const std::function<void(int primaryKey, LifeIndexPtr record)>& each)
{
    sTable.SelectAll(each);
}
