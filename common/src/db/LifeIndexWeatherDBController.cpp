#include "db/LifeIndexWeatherDBController.h"

#include <sqlite3.h>

#include <string>

#include "db/DBConnector.h"
#include "db/WeatherStatement.h"

using namespace WeatherStatement;

namespace {

constexpr const char* kTableName = "LIFE_INDEX_WEATHER_TABLE";

constexpr const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS %q (FK_ID INTEGER, humidity\tINTEGER, sunsetTime\tINT64, sunriseTime\tINT64, "
    "pm25\tINTEGER, pm10\tINTEGER, aqi\tINTEGER, uvIndex\tINTEGER, outdoorExcercise\tINTEGER, comfort\tINTEGER, "
    "clothing\tINTEGER, skincare\tINTEGER, carwash\tINTEGER, foodPoison\tINTEGER, heat\tINTEGER, "
    "spoiledFood\tINTEGER, discomfort\tINTEGER, frozenPipes\tINTEGER, frostbite\tINTEGER, cold\t\tINTEGER, "
    "pollen\tINTEGER, airDust\tINTEGER, drySkin\tINTEGER, realfeel\tDOUBLE, precType\tINTEGER, "
    "precProbability\tDOUBLE, precAmount\tDOUBLE, precProbabilityNight\tDOUBLE, precAmountNight\tDOUBLE, "
    "uvIndexText\tTEXT, pressure\tDOUBLE, windDirection\tDOUBLE, windSpeed\tDOUBLE, windSpeedUnit\tINTEGER, "
    "windCardinal\tTEXT, rainProbability\tDOUBLE, rainProbabilityNight\tDOUBLE, snowProbability\tDOUBLE, "
    "snowProbabilityNight\tDOUBLE, iceProbability\tDOUBLE, iceProbabilityNight\tDOUBLE, precAmountSnow\tDOUBLE, "
    "precAmountSnowNight\tDOUBLE, precAmountIce\tDOUBLE, precAmountIceNight\tDOUBLE, allergy\t\tINTEGER, "
    "airPolution\t\tINTEGER, traffic\t\tINTEGER, fishing\t\tINTEGER, dryClothing\t\tINTEGER, "
    "cosmetic\t\tINTEGER, visibility\t\tDOUBLE, heatStroke\tINTEGER, khai\t\tINTEGER, windNightSpeed\tDOUBLE, "
    "windNightDirection\tDOUBLE, windNightCardinal\tTEXT, "
    "FOREIGN KEY(FK_ID) REFERENCES CITY_TABLE(PK_ID) ON DELETE CASCADE ON UPDATE CASCADE);";

#define LIFE_INDEX_VALUE_COLUMNS                                                                                    \
    "humidity,sunsetTime,sunriseTime,pm25,pm10,aqi,uvIndex,outdoorExcercise,comfort,clothing,skincare,carwash,"      \
    "foodPoison,heat,spoiledFood,discomfort,frozenPipes,frostbite,cold,pollen,airDust,drySkin,realfeel,precType,"   \
    "precProbability,precAmount,precProbabilityNight,precAmountNight,uvIndexText,pressure,windDirection,windSpeed," \
    "windSpeedUnit,windCardinal,rainProbability,rainProbabilityNight,snowProbability,snowProbabilityNight,"         \
    "iceProbability,iceProbabilityNight,precAmountSnow,precAmountSnowNight,precAmountIce,precAmountIceNight,"      \
    "allergy,airPolution,traffic,fishing,dryClothing,cosmetic,visibility,heatStroke,khai,windNightSpeed,"          \
    "windNightDirection,windNightCardinal"

constexpr const char* kInsertColumns = "FK_ID," LIFE_INDEX_VALUE_COLUMNS;
constexpr const char* kSelectColumns = LIFE_INDEX_VALUE_COLUMNS;
constexpr const char* kPlaceholders =
    "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
    "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?";
constexpr const char* kAssignments =
    "humidity = ?,sunsetTime = ?,sunriseTime = ?,pm25 = ?,pm10 = ?,aqi = ?,uvIndex = ?,outdoorExcercise = ?,"
    "comfort = ?,clothing = ?,skincare = ?,carwash = ?,foodPoison = ?,heat = ?,spoiledFood = ?,discomfort = ?,"
    "frozenPipes = ?,frostbite = ?,cold = ?,pollen = ?,airDust = ?,drySkin = ?,realfeel = ?,precType = ?,"
    "precProbability = ?,precAmount = ?,precProbabilityNight = ?,precAmountNight = ?,uvIndexText = ?,"
    "pressure = ?,windDirection = ?,windSpeed = ?,windSpeedUnit = ?,windCardinal = ?,rainProbability = ?,"
    "rainProbabilityNight = ?,snowProbability = ?,snowProbabilityNight = ?,iceProbability = ?,"
    "iceProbabilityNight = ?,precAmountSnow = ?,precAmountSnowNight = ?,precAmountIce = ?,"
    "precAmountIceNight = ?,allergy = ?,airPolution = ?,traffic = ?,fishing = ?,dryClothing = ?,cosmetic = ?,"
    "visibility = ?,heatStroke = ?,khai = ?,windNightSpeed = ?,windNightDirection = ?,windNightCardinal = ?";

// The 56 values in column order, from index first on. Missing sub-records
// are written as their defaults.
void BindValues(sqlite3_stmt* stmt, int first, const LifeIndexPtr& lifeIndexPtr)
{
    PrecipitationPtr precipitationPtr = lifeIndexPtr->GetPrecipitation();
    if (!precipitationPtr)
        precipitationPtr = Precipitation::Make();
    WindPtr windPtr = lifeIndexPtr->GetWind();
    if (!windPtr)
        windPtr = Wind::Make();

    sqlite3_bind_int(stmt, first, lifeIndexPtr->GetHumidity());
    BindTime(stmt, first + 1, lifeIndexPtr->GetSunsetTime());
    BindTime(stmt, first + 2, lifeIndexPtr->GetSunriseTime());
    sqlite3_bind_int(stmt, first + 3, lifeIndexPtr->GetPm25());
    sqlite3_bind_int(stmt, first + 4, lifeIndexPtr->GetPm10());
    sqlite3_bind_int(stmt, first + 5, lifeIndexPtr->GetAqi());
    sqlite3_bind_int(stmt, first + 6, lifeIndexPtr->GetUvIndex());
    sqlite3_bind_int(stmt, first + 7, lifeIndexPtr->GetOutdoorExcercise());
    sqlite3_bind_int(stmt, first + 8, lifeIndexPtr->GetComfort());
    sqlite3_bind_int(stmt, first + 9, lifeIndexPtr->GetClothing());
    sqlite3_bind_int(stmt, first + 10, lifeIndexPtr->GetSkincare());
    sqlite3_bind_int(stmt, first + 11, lifeIndexPtr->GetCarwash());
    sqlite3_bind_int(stmt, first + 12, lifeIndexPtr->GetFoodPoison());
    sqlite3_bind_int(stmt, first + 13, lifeIndexPtr->GetHeat());
    sqlite3_bind_int(stmt, first + 14, lifeIndexPtr->GetSpoiledFood());
    sqlite3_bind_int(stmt, first + 15, lifeIndexPtr->GetDiscomfort());
    sqlite3_bind_int(stmt, first + 16, lifeIndexPtr->GetFrozenPipes());
    sqlite3_bind_int(stmt, first + 17, lifeIndexPtr->GetFrostbite());
    sqlite3_bind_int(stmt, first + 18, lifeIndexPtr->GetCold());
    sqlite3_bind_int(stmt, first + 19, lifeIndexPtr->GetPollen());
    sqlite3_bind_int(stmt, first + 20, lifeIndexPtr->GetAirDust());
    sqlite3_bind_int(stmt, first + 21, lifeIndexPtr->GetDrySkin());
    BindTemperature(stmt, first + 22, lifeIndexPtr->GetRealfeel());
    sqlite3_bind_int(stmt, first + 23, precipitationPtr->GetPrecType());
    sqlite3_bind_double(stmt, first + 24, precipitationPtr->GetPrecProbability());
    sqlite3_bind_double(stmt, first + 25, precipitationPtr->GetPrecAmount());
    sqlite3_bind_double(stmt, first + 26, precipitationPtr->GetPrecProbabilityNight());
    sqlite3_bind_double(stmt, first + 27, precipitationPtr->GetPrecAmountNight());
    BindText(stmt, first + 28, lifeIndexPtr->GetUvIndexText());
    sqlite3_bind_double(stmt, first + 29, lifeIndexPtr->GetPressure());
    sqlite3_bind_double(stmt, first + 30, windPtr->GetWindDirection());
    sqlite3_bind_double(stmt, first + 31, windPtr->GetWindSpeed());
    sqlite3_bind_int(stmt, first + 32, windPtr->GetWindSpeedUnit());
    BindText(stmt, first + 33, windPtr->GetWindCardinal());
    sqlite3_bind_double(stmt, first + 34, precipitationPtr->GetRainProbability());
    sqlite3_bind_double(stmt, first + 35, precipitationPtr->GetRainProbabilityNight());
    sqlite3_bind_double(stmt, first + 36, precipitationPtr->GetSnowProbability());
    sqlite3_bind_double(stmt, first + 37, precipitationPtr->GetSnowProbabilityNight());
    sqlite3_bind_double(stmt, first + 38, precipitationPtr->GetIceProbability());
    sqlite3_bind_double(stmt, first + 39, precipitationPtr->GetIceProbabilityNight());
    sqlite3_bind_double(stmt, first + 40, precipitationPtr->GetPrecAmountSnow());
    sqlite3_bind_double(stmt, first + 41, precipitationPtr->GetPrecAmountSnowNight());
    sqlite3_bind_double(stmt, first + 42, precipitationPtr->GetPrecAmountIce());
    sqlite3_bind_double(stmt, first + 43, precipitationPtr->GetPrecAmountIceNight());
    sqlite3_bind_int(stmt, first + 44, lifeIndexPtr->GetAllergy());
    sqlite3_bind_int(stmt, first + 45, lifeIndexPtr->GetAirPolution());
    sqlite3_bind_int(stmt, first + 46, lifeIndexPtr->GetTraffic());
    sqlite3_bind_int(stmt, first + 47, lifeIndexPtr->GetFishing());
    sqlite3_bind_int(stmt, first + 48, lifeIndexPtr->GetDryClothing());
    sqlite3_bind_int(stmt, first + 49, lifeIndexPtr->GetCosmetic());
    sqlite3_bind_double(stmt, first + 50, lifeIndexPtr->GetVisibility());
    sqlite3_bind_int(stmt, first + 51, lifeIndexPtr->GetHeatStroke());
    sqlite3_bind_int(stmt, first + 52, lifeIndexPtr->GetKhai());
    sqlite3_bind_double(stmt, first + 53, windPtr->GetWindNightSpeed());
    sqlite3_bind_double(stmt, first + 54, windPtr->GetWindNightDirection());
    BindText(stmt, first + 55, windPtr->GetWindNightCardinal());
}

} // namespace

DEFINE_SINGLETON(LifeIndexWeatherDBController)

bool LifeIndexWeatherDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    return mQueryGenerator != nullptr;
}

void LifeIndexWeatherDBController::CreateTable()
{
    WeatherStatement::CreateTable(kCreateTable, kTableName);
}

void LifeIndexWeatherDBController::Insert(const LifeIndexPtr& lifeIndexPtr, int primaryKey)
{
    RETURN_IF(!lifeIndexPtr);
    std::string query = mQueryGenerator->MakeInsertQuery(kTableName, kInsertColumns, kPlaceholders);
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    sqlite3_bind_int(stmt, 1, primaryKey);
    BindValues(stmt, 2, lifeIndexPtr);
    sqlite3_step(stmt);
    sqlite3_finalize(stmt);
}

void LifeIndexWeatherDBController::Update(const LifeIndexPtr& lifeIndexPtr, int primaryKey)
{
    RETURN_IF(!lifeIndexPtr);
    std::string query = mQueryGenerator->MakeUpdateQuery(kTableName, kAssignments,
                                                         mQueryGenerator->MakeWhereClause("FK_ID = ?"));
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    BindValues(stmt, 1, lifeIndexPtr);
    sqlite3_bind_int(stmt, 57, primaryKey);
    sqlite3_step(stmt);
    sqlite3_finalize(stmt);
}

void LifeIndexWeatherDBController::Delete(int primaryKey)
{
    DeleteRowsOfKey(kTableName, primaryKey);
}

void LifeIndexWeatherDBController::DeleteAll()
{
    DeleteAllRows(kTableName);
}

LifeIndexPtr LifeIndexWeatherDBController::Select(int primaryKey)
{
    std::string query = mQueryGenerator->MakeSelectQuery(kTableName, kSelectColumns,
                                                         mQueryGenerator->MakeWhereClause("FK_ID = ?"), "", "", "");
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    sqlite3_bind_int(stmt, 1, primaryKey);
    int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW) {
        LOGE("No result : %d", rc);
        sqlite3_finalize(stmt);
        return nullptr;
    }

    LifeIndexPtr lifeIndexPtr = LifeIndex::Make();
    TemperaturePtr realfeelPtr = Temperature::Make();
    PrecipitationPtr precipitationPtr = Precipitation::Make();
    WindPtr windPtr = Wind::Make();
    if (!lifeIndexPtr || !realfeelPtr || !precipitationPtr || !windPtr) {
        sqlite3_finalize(stmt);
        return nullptr;
    }
    lifeIndexPtr->SetHumidity(sqlite3_column_int(stmt, 0));
    lifeIndexPtr->SetSunsetTime(ColumnTime(stmt, 1));
    lifeIndexPtr->SetSunriseTime(ColumnTime(stmt, 2));
    lifeIndexPtr->SetPm25(sqlite3_column_int(stmt, 3));
    lifeIndexPtr->SetPm10(sqlite3_column_int(stmt, 4));
    lifeIndexPtr->SetAqi(sqlite3_column_int(stmt, 5));
    lifeIndexPtr->SetUvIndex(sqlite3_column_int(stmt, 6));
    lifeIndexPtr->SetOutdoorExcercise(sqlite3_column_int(stmt, 7));
    lifeIndexPtr->SetComfort(sqlite3_column_int(stmt, 8));
    lifeIndexPtr->SetClothing(sqlite3_column_int(stmt, 9));
    lifeIndexPtr->SetSkincare(sqlite3_column_int(stmt, 10));
    lifeIndexPtr->SetCarwash(sqlite3_column_int(stmt, 11));
    lifeIndexPtr->SetFoodPoison(sqlite3_column_int(stmt, 12));
    lifeIndexPtr->SetHeat(sqlite3_column_int(stmt, 13));
    lifeIndexPtr->SetSpoiledFood(sqlite3_column_int(stmt, 14));
    lifeIndexPtr->SetDiscomfort(sqlite3_column_int(stmt, 15));
    lifeIndexPtr->SetFrozenPipes(sqlite3_column_int(stmt, 16));
    lifeIndexPtr->SetFrostbite(sqlite3_column_int(stmt, 17));
    lifeIndexPtr->SetCold(sqlite3_column_int(stmt, 18));
    lifeIndexPtr->SetPollen(sqlite3_column_int(stmt, 19));
    lifeIndexPtr->SetAirDust(sqlite3_column_int(stmt, 20));
    lifeIndexPtr->SetDrySkin(sqlite3_column_int(stmt, 21));
    lifeIndexPtr->SetRealfeel(realfeelPtr);
    realfeelPtr->SetTemperature(sqlite3_column_double(stmt, 22));
    precipitationPtr->SetPrecType(sqlite3_column_int(stmt, 23));
    precipitationPtr->SetPrecProbability(sqlite3_column_double(stmt, 24));
    precipitationPtr->SetPrecAmount(sqlite3_column_double(stmt, 25));
    precipitationPtr->SetPrecProbabilityNight(sqlite3_column_double(stmt, 26));
    precipitationPtr->SetPrecAmountNight(sqlite3_column_double(stmt, 27));
    lifeIndexPtr->SetUvIndexText(ColumnText(stmt, 28));
    lifeIndexPtr->SetPressure(sqlite3_column_double(stmt, 29));
    windPtr->SetWindDirection(static_cast<float>(sqlite3_column_double(stmt, 30)));
    windPtr->SetWindSpeed(static_cast<float>(sqlite3_column_double(stmt, 31)));
    windPtr->SetWindSpeedUnit(sqlite3_column_int(stmt, 32));
    windPtr->SetWindCardinal(ColumnText(stmt, 33));
    precipitationPtr->SetRainProbability(sqlite3_column_double(stmt, 34));
    precipitationPtr->SetRainProbabilityNight(sqlite3_column_double(stmt, 35));
    precipitationPtr->SetSnowProbability(sqlite3_column_double(stmt, 36));
    precipitationPtr->SetSnowProbabilityNight(sqlite3_column_double(stmt, 37));
    precipitationPtr->SetIceProbability(sqlite3_column_double(stmt, 38));
    precipitationPtr->SetIceProbabilityNight(sqlite3_column_double(stmt, 39));
    precipitationPtr->SetPrecAmountSnow(sqlite3_column_double(stmt, 40));
    precipitationPtr->SetPrecAmountSnowNight(sqlite3_column_double(stmt, 41));
    precipitationPtr->SetPrecAmountIce(sqlite3_column_double(stmt, 42));
    precipitationPtr->SetPrecAmountIceNight(sqlite3_column_double(stmt, 43));
    lifeIndexPtr->SetAllergy(sqlite3_column_int(stmt, 44));
    lifeIndexPtr->SetAirPolution(sqlite3_column_int(stmt, 45));
    lifeIndexPtr->SetTraffic(sqlite3_column_int(stmt, 46));
    lifeIndexPtr->SetFishing(sqlite3_column_int(stmt, 47));
    lifeIndexPtr->SetDryClothing(sqlite3_column_int(stmt, 48));
    lifeIndexPtr->SetCosmetic(sqlite3_column_int(stmt, 49));
    lifeIndexPtr->SetVisibility(sqlite3_column_double(stmt, 50));
    lifeIndexPtr->SetHeatStroke(sqlite3_column_int(stmt, 51));
    lifeIndexPtr->SetKhai(sqlite3_column_int(stmt, 52));
    windPtr->SetWindNightSpeed(static_cast<float>(sqlite3_column_double(stmt, 53)));
    windPtr->SetWindNightDirection(static_cast<float>(sqlite3_column_double(stmt, 54)));
    windPtr->SetWindNightCardinal(ColumnText(stmt, 55));
    lifeIndexPtr->SetPrecipitation(precipitationPtr);
    lifeIndexPtr->SetWind(windPtr);
    sqlite3_finalize(stmt);
    return lifeIndexPtr;
}
