#include "db/LifeIndexWeatherDBController.h"

#include <sqlite3.h>

#include <string>

#include "db/ColumnTable.h"
#include "db/DBConnector.h"

using namespace ColumnTable;

namespace {

constexpr const char* kTableName = "LIFE_INDEX_WEATHER_TABLE";

// The row's record and its sub-records; missing sub-records are written as
// their defaults.
struct LifeIndexRow {
    LifeIndex& lifeIndex;
    Precipitation& precipitation;
    Wind& wind;
};

#define LI_INT_COLUMN(name, declaration, part, Field)                                                                  \
    {                                                                                                                  \
        name, declaration, [](Statement& s, int i, const LifeIndexRow& r) { s.BindInt(i, r.part.Get##Field()); },      \
            [](const Statement& s, int i, LifeIndexRow& r) { r.part.Set##Field(s.ColumnInt(i)); }                      \
    }
#define LI_TIME_COLUMN(name, declaration, part, Field)                                                                 \
    {                                                                                                                  \
        name, declaration, [](Statement& s, int i, const LifeIndexRow& r) { s.BindTime(i, r.part.Get##Field()); },     \
            [](const Statement& s, int i, LifeIndexRow& r) { r.part.Set##Field(s.ColumnTime(i)); }                     \
    }
#define LI_DOUBLE_COLUMN(name, declaration, part, Field)                                                               \
    {                                                                                                                  \
        name, declaration, [](Statement& s, int i, const LifeIndexRow& r) { s.BindDouble(i, r.part.Get##Field()); },   \
            [](const Statement& s, int i, LifeIndexRow& r) { r.part.Set##Field(s.ColumnDouble(i)); }                   \
    }
// Wind values are floats in memory and doubles in the table.
#define LI_FLOAT_COLUMN(name, declaration, part, Field)                                                                \
    {                                                                                                                  \
        name, declaration, [](Statement& s, int i, const LifeIndexRow& r) { s.BindDouble(i, r.part.Get##Field()); },   \
            [](const Statement& s, int i, LifeIndexRow& r) {                                                           \
                r.part.Set##Field(static_cast<float>(s.ColumnDouble(i)));                                              \
            }                                                                                                          \
    }
#define LI_TEXT_COLUMN(name, declaration, part, Field)                                                                 \
    {                                                                                                                  \
        name, declaration, [](Statement& s, int i, const LifeIndexRow& r) { s.BindText(i, r.part.Get##Field()); },     \
            [](const Statement& s, int i, LifeIndexRow& r) { r.part.Set##Field(s.ColumnText(i)); }                     \
    }
// Realfeel is a temperature: rounded like one when written, both scales set when read.
#define LI_REALFEEL_COLUMN(name, declaration)                                                                          \
    {                                                                                                                  \
        name, declaration,                                                                                             \
            [](Statement& s, int i, const LifeIndexRow& r) { BindTemperature(s, i, r.lifeIndex.GetRealfeel()); },      \
            [](const Statement& s, int i, LifeIndexRow& r) { SetColumnTemperature(r.lifeIndex.GetRealfeel(), s, i); }  \
    }

// FK_ID, then the 56 values in the stored order.
const Column<LifeIndexRow> kColumns[] = {
    KEY_COLUMN("FK_ID", " INTEGER"),
    LI_INT_COLUMN("humidity", "\tINTEGER", lifeIndex, Humidity),
    LI_TIME_COLUMN("sunsetTime", "\tINT64", lifeIndex, SunsetTime),
    LI_TIME_COLUMN("sunriseTime", "\tINT64", lifeIndex, SunriseTime),
    LI_INT_COLUMN("pm25", "\tINTEGER", lifeIndex, Pm25),
    LI_INT_COLUMN("pm10", "\tINTEGER", lifeIndex, Pm10),
    LI_INT_COLUMN("aqi", "\tINTEGER", lifeIndex, Aqi),
    LI_INT_COLUMN("uvIndex", "\tINTEGER", lifeIndex, UvIndex),
    LI_INT_COLUMN("outdoorExcercise", "\tINTEGER", lifeIndex, OutdoorExcercise),
    LI_INT_COLUMN("comfort", "\tINTEGER", lifeIndex, Comfort),
    LI_INT_COLUMN("clothing", "\tINTEGER", lifeIndex, Clothing),
    LI_INT_COLUMN("skincare", "\tINTEGER", lifeIndex, Skincare),
    LI_INT_COLUMN("carwash", "\tINTEGER", lifeIndex, Carwash),
    LI_INT_COLUMN("foodPoison", "\tINTEGER", lifeIndex, FoodPoison),
    LI_INT_COLUMN("heat", "\tINTEGER", lifeIndex, Heat),
    LI_INT_COLUMN("spoiledFood", "\tINTEGER", lifeIndex, SpoiledFood),
    LI_INT_COLUMN("discomfort", "\tINTEGER", lifeIndex, Discomfort),
    LI_INT_COLUMN("frozenPipes", "\tINTEGER", lifeIndex, FrozenPipes),
    LI_INT_COLUMN("frostbite", "\tINTEGER", lifeIndex, Frostbite),
    LI_INT_COLUMN("cold", "\t\tINTEGER", lifeIndex, Cold),
    LI_INT_COLUMN("pollen", "\tINTEGER", lifeIndex, Pollen),
    LI_INT_COLUMN("airDust", "\tINTEGER", lifeIndex, AirDust),
    LI_INT_COLUMN("drySkin", "\tINTEGER", lifeIndex, DrySkin),
    LI_REALFEEL_COLUMN("realfeel", "\tDOUBLE"),
    LI_INT_COLUMN("precType", "\tINTEGER", precipitation, PrecType),
    LI_DOUBLE_COLUMN("precProbability", "\tDOUBLE", precipitation, PrecProbability),
    LI_DOUBLE_COLUMN("precAmount", "\tDOUBLE", precipitation, PrecAmount),
    LI_DOUBLE_COLUMN("precProbabilityNight", "\tDOUBLE", precipitation, PrecProbabilityNight),
    LI_DOUBLE_COLUMN("precAmountNight", "\tDOUBLE", precipitation, PrecAmountNight),
    LI_TEXT_COLUMN("uvIndexText", "\tTEXT", lifeIndex, UvIndexText),
    LI_DOUBLE_COLUMN("pressure", "\tDOUBLE", lifeIndex, Pressure),
    LI_FLOAT_COLUMN("windDirection", "\tDOUBLE", wind, WindDirection),
    LI_FLOAT_COLUMN("windSpeed", "\tDOUBLE", wind, WindSpeed),
    LI_INT_COLUMN("windSpeedUnit", "\tINTEGER", wind, WindSpeedUnit),
    LI_TEXT_COLUMN("windCardinal", "\tTEXT", wind, WindCardinal),
    LI_DOUBLE_COLUMN("rainProbability", "\tDOUBLE", precipitation, RainProbability),
    LI_DOUBLE_COLUMN("rainProbabilityNight", "\tDOUBLE", precipitation, RainProbabilityNight),
    LI_DOUBLE_COLUMN("snowProbability", "\tDOUBLE", precipitation, SnowProbability),
    LI_DOUBLE_COLUMN("snowProbabilityNight", "\tDOUBLE", precipitation, SnowProbabilityNight),
    LI_DOUBLE_COLUMN("iceProbability", "\tDOUBLE", precipitation, IceProbability),
    LI_DOUBLE_COLUMN("iceProbabilityNight", "\tDOUBLE", precipitation, IceProbabilityNight),
    LI_DOUBLE_COLUMN("precAmountSnow", "\tDOUBLE", precipitation, PrecAmountSnow),
    LI_DOUBLE_COLUMN("precAmountSnowNight", "\tDOUBLE", precipitation, PrecAmountSnowNight),
    LI_DOUBLE_COLUMN("precAmountIce", "\tDOUBLE", precipitation, PrecAmountIce),
    LI_DOUBLE_COLUMN("precAmountIceNight", "\tDOUBLE", precipitation, PrecAmountIceNight),
    LI_INT_COLUMN("allergy", "\t\tINTEGER", lifeIndex, Allergy),
    LI_INT_COLUMN("airPolution", "\t\tINTEGER", lifeIndex, AirPolution),
    LI_INT_COLUMN("traffic", "\t\tINTEGER", lifeIndex, Traffic),
    LI_INT_COLUMN("fishing", "\t\tINTEGER", lifeIndex, Fishing),
    LI_INT_COLUMN("dryClothing", "\t\tINTEGER", lifeIndex, DryClothing),
    LI_INT_COLUMN("cosmetic", "\t\tINTEGER", lifeIndex, Cosmetic),
    LI_DOUBLE_COLUMN("visibility", "\t\tDOUBLE", lifeIndex, Visibility),
    LI_INT_COLUMN("heatStroke", "\tINTEGER", lifeIndex, HeatStroke),
    LI_INT_COLUMN("khai", "\t\tINTEGER", lifeIndex, Khai),
    LI_FLOAT_COLUMN("windNightSpeed", "\tDOUBLE", wind, WindNightSpeed),
    LI_FLOAT_COLUMN("windNightDirection", "\tDOUBLE", wind, WindNightDirection),
    LI_TEXT_COLUMN("windNightCardinal", "\tTEXT", wind, WindNightCardinal),
};

#undef LI_INT_COLUMN
#undef LI_TIME_COLUMN
#undef LI_DOUBLE_COLUMN
#undef LI_FLOAT_COLUMN
#undef LI_TEXT_COLUMN
#undef LI_REALFEEL_COLUMN

constexpr size_t kValueCount = sizeof(kColumns) / sizeof(kColumns[0]) - 1;
static_assert(kValueCount == 56, "the life index table stores 56 values after FK_ID");

constexpr const char* kForeignKey =
    "FOREIGN KEY(FK_ID) REFERENCES CITY_TABLE(PK_ID) ON DELETE CASCADE ON UPDATE CASCADE";

void BindValues(Statement& stmt, int first, const LifeIndexPtr& lifeIndexPtr)
{
    PrecipitationPtr precipitationPtr = lifeIndexPtr->GetPrecipitation();
    if (!precipitationPtr)
        precipitationPtr = Precipitation::Make();
    WindPtr windPtr = lifeIndexPtr->GetWind();
    if (!windPtr)
        windPtr = Wind::Make();
    if (!precipitationPtr || !windPtr)
        return;
    const LifeIndexRow row{*lifeIndexPtr, *precipitationPtr, *windPtr};
    ColumnTable::Bind(kColumns, 1, stmt, first, row);
}

} // namespace

DEFINE_SINGLETON(LifeIndexWeatherDBController)

bool LifeIndexWeatherDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    if (!mQueryGenerator)
        return false;
    const std::string byKey = mQueryGenerator->MakeWhereClause("FK_ID = ?");
    mInsertQuery = mQueryGenerator->MakeInsertQuery(kTableName, ColumnTable::Names(kColumns, 0),
                                                    ColumnTable::Placeholders(kValueCount + 1));
    mUpdateQuery = mQueryGenerator->MakeUpdateQuery(kTableName, ColumnTable::Assignments(kColumns, 1), byKey);
    mSelectQuery = mQueryGenerator->MakeSelectQuery(kTableName, ColumnTable::Names(kColumns, 1), byKey, "", "", "");
    return true;
}

std::string LifeIndexWeatherDBController::GetCreateTableText()
{
    return ColumnTable::CreateText(kColumns, kForeignKey);
}

void LifeIndexWeatherDBController::CreateTable()
{
    ColumnTable::CreateTable(GetCreateTableText().c_str(), kTableName);
}

void LifeIndexWeatherDBController::Insert(const LifeIndexPtr& lifeIndexPtr, int primaryKey)
{
    RETURN_IF(!lifeIndexPtr);
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(mInsertQuery);
    stmt.BindInt(1, primaryKey);
    BindValues(stmt, 2, lifeIndexPtr);
    stmt.Step();
}

void LifeIndexWeatherDBController::Update(const LifeIndexPtr& lifeIndexPtr, int primaryKey)
{
    RETURN_IF(!lifeIndexPtr);
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(mUpdateQuery);
    BindValues(stmt, 1, lifeIndexPtr);
    stmt.BindInt(static_cast<int>(kValueCount) + 1, primaryKey);
    stmt.Step();
}

void LifeIndexWeatherDBController::Delete(int primaryKey)
{
    if (!DeleteRowsOfKey(kTableName, primaryKey))
        LOGE("Fail to Delete");
}

void LifeIndexWeatherDBController::DeleteAll()
{
    DeleteAllRows(kTableName);
}

namespace {

// The life index of a row of kColumns[1..]; null when its parts cannot be made.
LifeIndexPtr ReadLifeIndex(const Statement& stmt)
{
    // Init makes the realfeel, precipitation and wind records the row fills.
    LifeIndexPtr lifeIndexPtr = LifeIndex::Make();
    if (!lifeIndexPtr || !lifeIndexPtr->GetRealfeel() || !lifeIndexPtr->GetPrecipitation() || !lifeIndexPtr->GetWind())
        return nullptr;
    LifeIndexRow row{*lifeIndexPtr, *lifeIndexPtr->GetPrecipitation(), *lifeIndexPtr->GetWind()};
    ColumnTable::Read(kColumns, 1, stmt, row);
    return lifeIndexPtr;
}

} // namespace

LifeIndexPtr LifeIndexWeatherDBController::Select(int primaryKey)
{
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(mSelectQuery);
    stmt.BindInt(1, primaryKey);
    int rc = stmt.Step();
    if (rc != SQLITE_ROW) {
        LOGE("No result : %d", rc);
        return nullptr;
    }
    return ReadLifeIndex(stmt);
}

void LifeIndexWeatherDBController::SelectAll(const std::function<void(int primaryKey, LifeIndexPtr record)>& each)
{
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(
        mQueryGenerator->MakeSelectQuery(kTableName, ColumnTable::Names(kColumns, 1) + ",FK_ID", "", "", "", ""));
    const int keyColumn = static_cast<int>(std::size(kColumns)) - 1;
    while (stmt.Step() == SQLITE_ROW) {
        if (LifeIndexPtr lifeIndexPtr = ReadLifeIndex(stmt))
            each(stmt.ColumnInt(keyColumn), std::move(lifeIndexPtr));
    }
}
