#include "db/WeatherDBController.h"

#include <sqlite3.h>

#include <cmath>
#include <functional>
#include <iterator>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <unordered_map>

#include "db/CityDBController.h"
#include "db/CurrentWeatherDBController.h"
#include "db/DBConnector.h"
#include "db/Statement.h"
#include "typedef/WeatherDataMarkers.h"
#include "utils/DBFileNames.h"
#include "utils/FileHelper.h"
#include "db/HourlyWeatherDBController.h"
#include "db/LifeIndexWeatherDBController.h"
#include "db/MoonPhaseDBController.h"
#include "db/WeeklyWeatherDBController.h"
#include "db/YesterdayWeatherDBController.h"

namespace {

// A failed opening's guard names the opening as these texts write it.
constexpr const char* kOpenForCreating = "dbConnector->DBInitializeForCreateTable(GetWeatherDBFilePath()) == false";
constexpr const char* kOpenForReading = "dbConnector->DBInitialize(GetWeatherDBFilePath(), true) == false";
constexpr const char* kOpenForWriting = "dbConnector->DBInitialize(GetWeatherDBFilePath(), false) == false";

constexpr const char* kCurrentCitySuffix = ":CurrentCity";
constexpr int kYesterdayHours = 24;
constexpr size_t kWeeklyDays = 8;

// One step of the schema upgrade chain. A step without query only logs.
struct UpgradeStep {
    double threshold; // logged with one decimal
    const char* query;
    const char* followUp; // run in an opening of its own after query
};

constexpr const char* kServerWeatherIconQuery =
    "ALTER TABLE EXTRA_WEATHER_TABLE ADD rainProbability DOUBLE DEFAULT 9999.0;"
    "ALTER TABLE EXTRA_WEATHER_TABLE ADD rainProbabilityNight DOUBLE DEFAULT 9999.0;"
    "ALTER TABLE EXTRA_WEATHER_TABLE ADD snowProbability DOUBLE DEFAULT 9999.0;"
    "ALTER TABLE EXTRA_WEATHER_TABLE ADD snowProbabilityNight DOUBLE DEFAULT 9999.0;"
    "ALTER TABLE EXTRA_WEATHER_TABLE ADD iceProbability DOUBLE DEFAULT 9999.0;"
    "ALTER TABLE EXTRA_WEATHER_TABLE ADD iceProbabilityNight DOUBLE DEFAULT 9999.0;"
    "ALTER TABLE EXTRA_WEATHER_TABLE ADD precAmountSnow DOUBLE DEFAULT 9999.0;"
    "ALTER TABLE EXTRA_WEATHER_TABLE ADD precAmountSnowNight DOUBLE DEFAULT 9999.0;"
    "ALTER TABLE EXTRA_WEATHER_TABLE ADD precAmountIce DOUBLE DEFAULT 9999.0;"
    "ALTER TABLE EXTRA_WEATHER_TABLE ADD precAmountIceNight DOUBLE DEFAULT 9999.0;"
    "ALTER TABLE CURRENT_WEATHER_TABLE ADD serverWeatherIcon INTEGER DEFAULT 9999;"
    "ALTER TABLE WEEKLY_WEATHER_TABLE ADD serverWeatherIcon INTEGER DEFAULT 9999;"
    "ALTER TABLE HOURLY_WEATHER_TABLE ADD serverWeatherIcon INTEGER DEFAULT 9999;"
    "ALTER TABLE YESTERDAY_WEATHER_TABLE ADD serverWeatherIcon INTEGER DEFAULT 9999;";

// Ordered by threshold; there were no schema changes at 1.0 and 1.6. The last
// threshold is the data layer's schema version (a change of another database
// adds a step that only logs, as 0.9 does).
constexpr UpgradeStep kUpgradeSteps[] = {
    {0.1, "ALTER TABLE CITY_TABLE ADD countryNameEng TEXT DEFAULT '';", nullptr},
    // Older files kept the version table inside the weather file.
    {0.2, "ALTER TABLE HOURLY_WEATHER_TABLE ADD websiteUrl TEXT DEFAULT '';", "DROP TABLE VERSION_TABLE;"},
    {0.3,
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD aqi INTEGER DEFAULT 9999;"
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD pm25 INTEGER DEFAULT 9999;",
     nullptr},
    {0.4,
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD outdoorExcercise INTEGER DEFAULT 9999;"
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD comfort INTEGER DEFAULT 9999;"
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD clothing INTEGER DEFAULT 9999;"
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD skincare INTEGER DEFAULT 9999;"
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD carwash INTEGER DEFAULT 9999;",
     nullptr},
    {0.5, "ALTER TABLE CITY_TABLE ADD needToUpdate INTEGER DEFAULT 9999;", nullptr},
    {0.6,
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD foodPoison INTEGER DEFAULT 9999;"
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD heat INTEGER DEFAULT 9999;"
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD spoiledFood INTEGER DEFAULT 9999;"
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD discomfort INTEGER DEFAULT 9999;"
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD frozenPipes INTEGER DEFAULT 9999;"
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD frostbite INTEGER DEFAULT 9999;"
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD cold INTEGER DEFAULT 9999;"
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD pollen INTEGER DEFAULT 9999;"
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD airDust INTEGER DEFAULT 9999;"
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD dryskin INTEGER DEFAULT 9999;",
     nullptr},
    {0.7, "ALTER TABLE CITY_TABLE ADD isSummerTime INTEGER DEFAULT 9999;", nullptr},
    {0.8,
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD precProbabilityNight DOUBLE DEFAULT 9999.0;"
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD precAmountNight DOUBLE DEFAULT 9999.0;",
     nullptr},
    {0.9, nullptr, nullptr},
    {1.1, "ALTER TABLE EXTRA_WEATHER_TABLE ADD uvIndexText TEXT DEFAULT '';", nullptr},
    {1.2, "ALTER TABLE EXTRA_WEATHER_TABLE ADD pressure DOUBLE DEFAULT 9999.0;", nullptr},
    {1.3, "ALTER TABLE HOURLY_WEATHER_TABLE ADD precProbability DOUBLE DEFAULT 9999.0;", nullptr},
    {1.4,
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD windDirection DOUBLE DEFAULT 9999.0;"
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD windSpeed DOUBLE DEFAULT 9999.0;"
     "ALTER TABLE EXTRA_WEATHER_TABLE ADD windSpeedUnit INTEGER DEFAULT 9999;",
     nullptr},
    {1.5, "ALTER TABLE EXTRA_WEATHER_TABLE ADD windCardinal TEXT DEFAULT '';", nullptr},
    {1.7, kServerWeatherIconQuery, nullptr},
    // Repeats 1.7 for files that skipped it; fails harmlessly on the others.
    {1.8, kServerWeatherIconQuery, nullptr},
    {1.9, "ALTER TABLE EXTRA_WEATHER_TABLE RENAME TO LIFE_INDEX_WEATHER_TABLE;", nullptr},
    {2.0,
     "ALTER TABLE CITY_TABLE ADD stateName TEXT DEFAULT '';"
     "ALTER TABLE CITY_TABLE ADD stateNameEng TEXT DEFAULT '';"
     "ALTER TABLE LIFE_INDEX_WEATHER_TABLE ADD allergy INTEGER DEFAULT 9999;"
     "ALTER TABLE LIFE_INDEX_WEATHER_TABLE ADD airPolution INTEGER DEFAULT 9999;"
     "ALTER TABLE LIFE_INDEX_WEATHER_TABLE ADD traffic INTEGER DEFAULT 9999;"
     "ALTER TABLE LIFE_INDEX_WEATHER_TABLE ADD fishing INTEGER DEFAULT 9999;"
     "ALTER TABLE LIFE_INDEX_WEATHER_TABLE ADD dryClothing INTEGER DEFAULT 9999;"
     "ALTER TABLE LIFE_INDEX_WEATHER_TABLE ADD cosmetic INTEGER DEFAULT 9999;"
     "ALTER TABLE LIFE_INDEX_WEATHER_TABLE ADD visibility DOUBLE DEFAULT 9999.0;"
     "ALTER TABLE LIFE_INDEX_WEATHER_TABLE ADD heatStroke INTEGER DEFAULT 9999;"
     "ALTER TABLE LIFE_INDEX_WEATHER_TABLE ADD khai INTEGER DEFAULT 9999;"
     "ALTER TABLE LIFE_INDEX_WEATHER_TABLE ADD windNightSpeed DOUBLE DEFAULT 9999.0;"
     "ALTER TABLE LIFE_INDEX_WEATHER_TABLE ADD windNightDirection DOUBLE DEFAULT 9999.0;"
     "ALTER TABLE LIFE_INDEX_WEATHER_TABLE ADD windNightCardinal TEXT DEFAULT '9999';",
     nullptr},
};

// Old files marked missing values with 999, -999 or -1.
constexpr int kOldUnsupported = 999;
constexpr double kOldUnsupportedDouble = 999.0;

void ResetTemperature(const TemperaturePtr& temperaturePtr, double oldMarker)
{
    if (temperaturePtr && temperaturePtr->GetCelsius() == oldMarker) {
        temperaturePtr->SetCelsius(FLOAT_UNSUPPORTED_VALUE);
        temperaturePtr->SetFahrenheit(FLOAT_UNSUPPORTED_VALUE);
    }
}

void ResetInt(int32_t value, int32_t oldMarker, void (LifeIndex::*setter)(int32_t), LifeIndex& lifeIndex)
{
    if (value == oldMarker)
        (lifeIndex.*setter)(UNSUPPORTED_VALUE);
}

void ResetPrecipitation(Precipitation& precipitation)
{
    if (precipitation.GetPrecType() == kOldUnsupported)
        precipitation.SetPrecType(UNSUPPORTED_VALUE);
    struct DoubleField {
        double (Precipitation::*get)() const;
        void (Precipitation::*set)(double);
    };
    static const DoubleField fields[] = {
        {&Precipitation::GetPrecProbability, &Precipitation::SetPrecProbability},
        {&Precipitation::GetPrecAmount, &Precipitation::SetPrecAmount},
        {&Precipitation::GetPrecAmountSnow, &Precipitation::SetPrecAmountSnow},
        {&Precipitation::GetPrecAmountIce, &Precipitation::SetPrecAmountIce},
        {&Precipitation::GetPrecProbabilityNight, &Precipitation::SetPrecProbabilityNight},
        {&Precipitation::GetPrecAmountNight, &Precipitation::SetPrecAmountNight},
        {&Precipitation::GetPrecAmountSnowNight, &Precipitation::SetPrecAmountSnowNight},
        {&Precipitation::GetPrecAmountIceNight, &Precipitation::SetPrecAmountIceNight},
        {&Precipitation::GetRainProbability, &Precipitation::SetRainProbability},
        {&Precipitation::GetSnowProbability, &Precipitation::SetSnowProbability},
        {&Precipitation::GetIceProbability, &Precipitation::SetIceProbability},
        {&Precipitation::GetRainProbabilityNight, &Precipitation::SetRainProbabilityNight},
        {&Precipitation::GetSnowProbabilityNight, &Precipitation::SetSnowProbabilityNight},
        {&Precipitation::GetIceProbabilityNight, &Precipitation::SetIceProbabilityNight},
    };
    for (const DoubleField& field : fields) {
        if ((precipitation.*field.get)() == kOldUnsupportedDouble)
            (precipitation.*field.set)(FLOAT_UNSUPPORTED_VALUE);
    }
}

void ResetWind(Wind& wind)
{
    if (wind.GetWindDirection() == kOldUnsupported)
        wind.SetWindDirection(UNSUPPORTED_VALUE);
    if (wind.GetWindSpeed() == kOldUnsupported)
        wind.SetWindSpeed(UNSUPPORTED_VALUE);
    if (wind.GetWindNightDirection() == kOldUnsupported)
        wind.SetWindNightDirection(UNSUPPORTED_VALUE);
    if (wind.GetWindNightSpeed() == kOldUnsupported)
        wind.SetWindNightSpeed(UNSUPPORTED_VALUE);
    if (wind.GetWindSpeedUnit() == kOldUnsupported)
        wind.SetWindSpeedUnit(UNSUPPORTED_VALUE);
    // Cardinal directions use "9999" as their marker text.
    if (wind.GetWindCardinal() == "999")
        wind.SetWindCardinal(UNSUPPORTED_TEXT);
    if (wind.GetWindNightCardinal() == "999")
        wind.SetWindNightCardinal(UNSUPPORTED_TEXT);
}

} // namespace

DEFINE_SINGLETON(WeatherDBController)

bool WeatherDBController::Init()
{
    RETURN_IF(FileHelper::GetInstance()->IsExists(GetWeatherDBFilePath()) == true, true);

    DBOpening opening(GetWeatherDBFilePath(), DBOpening::ForCreateTable{});
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForCreating, false);
    CreateTables();
    return true;
}

void WeatherDBController::CreateTables()
{
    CityDBController::GetInstance()->CreateTable();
    CurrentWeatherDBController::GetInstance()->CreateTable();
    WeeklyWeatherDBController::GetInstance()->CreateTable();
    HourlyWeatherDBController::GetInstance()->CreateTable();
    LifeIndexWeatherDBController::GetInstance()->CreateTable();
    MoonPhaseDBController::GetInstance()->CreateTable();
    YesterdayWeatherDBController::GetInstance()->CreateTable();
}

double WeatherDBController::GetLatestSchemaVersion()
{
    return kUpgradeSteps[std::size(kUpgradeSteps) - 1].threshold;
}

std::string WeatherDBController::GetWeatherDBFilePath()
{
    std::string ret = FileHelper::GetInstance()->GetSharedDataDirectoryPath();
    RETURN_IF(ret.length() < 1, "");
    return ret + "db/" + DBFileName::kWeather;
}

std::string WeatherDBController::GetWeatherNewsIconDBFilePath()
{
    std::string ret = FileHelper::GetInstance()->GetResourceDirectoryPath();
    RETURN_IF(ret.length() < 1, "");
    return ret + "data/weathernews_icon.db";
}

void WeatherDBController::UpgradeDB(double version)
{
    for (const UpgradeStep& step : kUpgradeSteps) {
        if (step.threshold <= version)
            continue;
        if (step.query == nullptr) {
            LOGE("UpgradeDBTables < %.1f", step.threshold);
            continue;
        }
        LOGE("UpgradeDBTables < %.1f : %s", step.threshold, step.query);
        {
            // A failed open abandons the chain. A statement that finds its
            // change already made fails and is only logged.
            DBOpening opening(GetWeatherDBFilePath(), false);
            RETURN_IF_MSG(!opening.IsOpen(), kOpenForWriting);
            DBConnector::GetInstance()->DBExecuteQuery(step.query);
        }
        if (step.followUp != nullptr) {
            LOGE("UpgradeDBTables : %s", step.followUp);
            DBOpening opening(GetWeatherDBFilePath(), false);
            RETURN_IF_MSG(!opening.IsOpen(), kOpenForWriting);
            DBConnector::GetInstance()->DBExecuteQuery(step.followUp);
        }
    }
    if (version >= GetLatestSchemaVersion())
        return;
    MigrateData();
}

void WeatherDBController::MigrateData()
{
    AddIndicationForCurrentCity();
    AddYesterdayHourData();
    ResetUnSupportedValue();
    InsertYesterdayInfoAsEmpty();
    InsertLifeIndexInfoAsEmpty();
    DeleteLastWeeklyPtr();
}

void WeatherDBController::AddIndicationForCurrentCity()
{
    // Null on a device without cities: nothing to migrate.
    CityPtrVectorPtr cityPtrVector = SelectAllCity();
    if (!cityPtrVector)
        return;
    for (const CityPtr& cityPtr : *cityPtrVector) {
        if (!cityPtr || !cityPtr->GetIsCurrentLocation())
            continue;
        if (cityPtr->GetLocationId().find(kCurrentCitySuffix) == std::string::npos) {
            cityPtr->SetLocationId(cityPtr->GetLocationId() + kCurrentCitySuffix);
            UpdateCity(cityPtr);
        }
        break;
    }
}

void WeatherDBController::AddYesterdayHourData()
{
    // Null on a device without cities: nothing to migrate.
    CityPtrVectorPtr cityPtrVector = SelectAllCity();
    if (!cityPtrVector)
        return;
    DBOpening opening(GetWeatherDBFilePath(), false);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForWriting);
    for (const CityPtr& cityPtr : *cityPtrVector) {
        BREAK_IF_NOTE(!cityPtr, "cityPtr is null");
        HourlyPtrVectorPtr yesterdayPtrVector = cityPtr->GetYesterdayHourPtrVector();
        BREAK_IF_NOTE(yesterdayPtrVector && !yesterdayPtrVector->empty(), "already exist");
        yesterdayPtrVector = std::make_shared<HourlyPtrVector>();
        for (int i = 0; i < kYesterdayHours; i++) {
            HourlyPtr hourlyPtr = Hourly::Make();
            if (hourlyPtr)
                yesterdayPtrVector->push_back(hourlyPtr);
        }
        cityPtr->SetYesterdayHourPtrVector(yesterdayPtrVector);
        int primaryKey = CityDBController::GetInstance()->GetPrimaryKey(cityPtr->GetPageIndex());
        YesterdayWeatherDBController::GetInstance()->Insert(yesterdayPtrVector, primaryKey);
    }
}

namespace {

// In a per-city step of a migration: log the "[break]" line in the
// migration's name (func) and end the walk over the cities.
#define STOP_WALK_IF_NOTE(cond, message)                                                                               \
    do {                                                                                                               \
        if (cond) {                                                                                                    \
            LOG_BREAK_NOTE_AT(func, message);                                                                          \
            return false;                                                                                              \
        }                                                                                                              \
    } while (0)
#define STOP_WALK_IF_NULL(ptr) STOP_WALK_IF_NOTE(!(ptr), #ptr " is null")

bool ResetCurrent(const CityPtr& cityPtr, const char* func)
{
    CurrentPtr currentPtr = cityPtr->GetCurrent();
    STOP_WALK_IF_NULL(currentPtr);
    TemperaturePtr highTempPtr = currentPtr->GetHighTemperature();
    STOP_WALK_IF_NULL(highTempPtr);
    TemperaturePtr lowTempPtr = currentPtr->GetLowTemperature();
    STOP_WALK_IF_NULL(lowTempPtr);
    TemperaturePtr curTempPtr = currentPtr->GetCurTemperature();
    STOP_WALK_IF_NULL(curTempPtr);
    ResetTemperature(curTempPtr, kOldUnsupportedDouble);
    ResetTemperature(lowTempPtr, kOldUnsupportedDouble);
    ResetTemperature(highTempPtr, kOldUnsupportedDouble);
    return true;
}

bool ResetHourly(const CityPtr& cityPtr, const char* func)
{
    HourlyPtrVectorPtr hourlyPtrVector = cityPtr->GetHourlyPtrVector();
    STOP_WALK_IF_NULL(hourlyPtrVector);
    for (const HourlyPtr& hourlyPtr : *hourlyPtrVector) {
        STOP_WALK_IF_NULL(hourlyPtr);
        TemperaturePtr hourlyCurTempPtr = hourlyPtr->GetCurTemperature();
        STOP_WALK_IF_NULL(hourlyCurTempPtr);
        if (Temperature::RoundToOneDecimal(hourlyCurTempPtr->GetCelsius()) == kOldUnsupportedDouble) {
            hourlyCurTempPtr->SetCelsius(FLOAT_UNSUPPORTED_VALUE);
            hourlyCurTempPtr->SetFahrenheit(FLOAT_UNSUPPORTED_VALUE);
        }
    }
    return true;
}

bool ResetWeekly(const CityPtr& cityPtr, const char* func)
{
    WeeklyPtrVectorPtr weeklyPtrVector = cityPtr->GetWeeklyPtrVector();
    STOP_WALK_IF_NULL(weeklyPtrVector);
    for (const WeeklyPtr& weeklyPtr : *weeklyPtrVector) {
        STOP_WALK_IF_NULL(weeklyPtr);
        TemperaturePtr weeklyCurTempPtr = weeklyPtr->GetCurTemperature();
        STOP_WALK_IF_NULL(weeklyCurTempPtr);
        ResetTemperature(weeklyCurTempPtr, kOldUnsupportedDouble);
        ResetTemperature(weeklyPtr->GetLowTemperature(), kOldUnsupportedDouble);
        ResetTemperature(weeklyPtr->GetHighTemperature(), kOldUnsupportedDouble);
    }
    return true;
}

void ResetLifeIndexNumbers(LifeIndex& lifeIndex)
{
    if (lifeIndex.GetHumidity() == -999 || lifeIndex.GetHumidity() == -1)
        lifeIndex.SetHumidity(UNSUPPORTED_VALUE);
    ResetInt(lifeIndex.GetPm10(), -999, &LifeIndex::SetPm10, lifeIndex);
    struct IntField {
        int32_t (LifeIndex::*get)() const;
        void (LifeIndex::*set)(int32_t);
    };
    static const IntField fields[] = {
        {&LifeIndex::GetPm25, &LifeIndex::SetPm25},
        {&LifeIndex::GetAqi, &LifeIndex::SetAqi},
        {&LifeIndex::GetOutdoorExcercise, &LifeIndex::SetOutdoorExcercise},
        {&LifeIndex::GetComfort, &LifeIndex::SetComfort},
        {&LifeIndex::GetClothing, &LifeIndex::SetClothing},
        {&LifeIndex::GetSkincare, &LifeIndex::SetSkincare},
        {&LifeIndex::GetCarwash, &LifeIndex::SetCarwash},
        {&LifeIndex::GetFoodPoison, &LifeIndex::SetFoodPoison},
        {&LifeIndex::GetHeat, &LifeIndex::SetHeat},
        {&LifeIndex::GetSpoiledFood, &LifeIndex::SetSpoiledFood},
        {&LifeIndex::GetDiscomfort, &LifeIndex::SetDiscomfort},
        {&LifeIndex::GetFrozenPipes, &LifeIndex::SetFrozenPipes},
        {&LifeIndex::GetFrostbite, &LifeIndex::SetFrostbite},
        {&LifeIndex::GetCold, &LifeIndex::SetCold},
        {&LifeIndex::GetPollen, &LifeIndex::SetPollen},
        {&LifeIndex::GetAirDust, &LifeIndex::SetAirDust},
        {&LifeIndex::GetDrySkin, &LifeIndex::SetDrySkin},
    };
    for (const IntField& field : fields)
        ResetInt((lifeIndex.*field.get)(), kOldUnsupported, field.set, lifeIndex);
    // The UV text had no marker of its own; the current one for texts is empty.
    if (lifeIndex.GetUvIndexText() == "999")
        lifeIndex.SetUvIndexText("");
}

bool ResetLifeIndex(const CityPtr& cityPtr, const char* func)
{
    LifeIndexPtr lifeIndexPtr = cityPtr->GetLifeIndex();
    STOP_WALK_IF_NULL(lifeIndexPtr);
    LifeIndex& lifeIndex = *lifeIndexPtr;
    ResetLifeIndexNumbers(lifeIndex);

    TemperaturePtr prePtr = lifeIndex.GetRealfeel();
    STOP_WALK_IF_NULL(prePtr);
    ResetTemperature(prePtr, -kOldUnsupportedDouble);
    {
        PrecipitationPtr prePtr = lifeIndex.GetPrecipitation();
        STOP_WALK_IF_NULL(prePtr);
        ResetPrecipitation(*prePtr);
    }
    WindPtr windPtr = lifeIndex.GetWind();
    STOP_WALK_IF_NULL(windPtr);
    ResetWind(*windPtr);
    return true;
}

bool ResetYesterday(const CityPtr& cityPtr, const char* func)
{
    HourlyPtrVectorPtr yesterdayPtrVector = cityPtr->GetYesterdayHourPtrVector();
    STOP_WALK_IF_NULL(yesterdayPtrVector);
    for (const HourlyPtr& yesterdayPtr : *yesterdayPtrVector) {
        if (!yesterdayPtr)
            continue;
        if (yesterdayPtr->GetHour() == static_cast<uint32_t>(kOldUnsupported))
            yesterdayPtr->SetHour(UNSUPPORTED_VALUE);
        if (yesterdayPtr->GetWeatherIcon() == kOldUnsupported)
            yesterdayPtr->SetWeatherIcon(UNSUPPORTED_VALUE);
        TemperaturePtr yesterTempPtr = yesterdayPtr->GetCurTemperature();
        STOP_WALK_IF_NULL(yesterTempPtr);
        ResetTemperature(yesterTempPtr, kOldUnsupportedDouble);
    }
    return true;
}

// The old markers of one city, part by part in the stored order; false (after
// the "[break]" line) at the first missing part.
bool ResetUnSupportedValueOfCity(const CityPtr& cityPtr, const char* func)
{
    STOP_WALK_IF_NULL(cityPtr);
    return ResetCurrent(cityPtr, func) && ResetHourly(cityPtr, func) && ResetWeekly(cityPtr, func) &&
           ResetLifeIndex(cityPtr, func) && ResetYesterday(cityPtr, func);
}

} // namespace

void WeatherDBController::RewriteEveryCity(const std::function<bool(const CityPtr&)>& change)
{
    // Null on a device without cities: nothing to migrate.
    CityPtrVectorPtr cityPtrVector = SelectAllCity();
    if (!cityPtrVector)
        return;
    for (const CityPtr& cityPtr : *cityPtrVector) {
        if (!change(cityPtr))
            break;
    }
    DeleteAndInsertCity(cityPtrVector);
}

void WeatherDBController::ResetUnSupportedValue()
{
    const char* func = __func__;
    RewriteEveryCity([func](const CityPtr& cityPtr) { return ResetUnSupportedValueOfCity(cityPtr, func); });
}

void WeatherDBController::InsertYesterdayInfoAsEmpty()
{
    const char* func = __func__;
    RewriteEveryCity([func](const CityPtr& cityPtr) {
        WeeklyPtrVectorPtr weeklyPtrVector = cityPtr ? cityPtr->GetWeeklyPtrVector() : nullptr;
        STOP_WALK_IF_NOTE(!weeklyPtrVector, "there is no weeklyPtr vector");
        WeeklyPtr weeklyPtr = Weekly::Make();
        if (weeklyPtr)
            weeklyPtrVector->insert(weeklyPtrVector->begin(), weeklyPtr);
        return true;
    });
}

void WeatherDBController::InsertLifeIndexInfoAsEmpty()
{
    const char* func = __func__;
    RewriteEveryCity([func](const CityPtr& cityPtr) {
        STOP_WALK_IF_NOTE(!cityPtr || cityPtr->GetLifeIndex(), "there is no LifeIndexPtr");
        LifeIndexPtr lifeIndexPtr = LifeIndex::Make();
        if (lifeIndexPtr)
            cityPtr->SetLifeIndex(lifeIndexPtr);
        return true;
    });
}

void WeatherDBController::DeleteLastWeeklyPtr()
{
    const char* func = __func__;
    RewriteEveryCity([func](const CityPtr& cityPtr) {
        WeeklyPtrVectorPtr weeklyPtrVector = cityPtr ? cityPtr->GetWeeklyPtrVector() : nullptr;
        STOP_WALK_IF_NOTE(!weeklyPtrVector, "there is no weeklyPtr vector");
        STOP_WALK_IF_NOTE(weeklyPtrVector->size() < kWeeklyDays, "nomal weeklyPtr vector");
        LOGE("there are 8 weekly ptr. so delete last one");
        weeklyPtrVector->pop_back();
        return true;
    });
}

#undef STOP_WALK_IF_NULL
#undef STOP_WALK_IF_NOTE

void WeatherDBController::DoInsertCity(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr);
    CityDBController* cityDB = CityDBController::GetInstance();
    // A new city goes to the end of the list.
    int numberOfCities = cityDB->GetNumberOfCities();
    if (cityPtr->GetPageIndex() < numberOfCities)
        cityPtr->SetPageIndex(numberOfCities);
    cityDB->Insert(cityPtr);
    int primaryKey = cityDB->GetLastInsertedPrimaryKey();

    CurrentWeatherDBController::GetInstance()->Insert(cityPtr->GetCurrent(), primaryKey);
    WeeklyWeatherDBController::GetInstance()->Insert(cityPtr->GetWeeklyPtrVector(), primaryKey);
    HourlyWeatherDBController::GetInstance()->Insert(cityPtr->GetHourlyPtrVector(), primaryKey);
    LifeIndexWeatherDBController::GetInstance()->Insert(cityPtr->GetLifeIndex(), primaryKey);
    YesterdayWeatherDBController::GetInstance()->Insert(cityPtr->GetYesterdayHourPtrVector(), primaryKey);
}

void WeatherDBController::InsertCity(const CityPtr& cityPtr)
{
    DBOpening opening(GetWeatherDBFilePath(), false);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForWriting);
    try {
        bool sameCityExists = false;
        CityPtrVectorPtr cityPtrVector = DoSelectAllCity();
        if (cityPtr && cityPtrVector) {
            for (size_t i = 0; i < cityPtrVector->size(); i++) {
                const CityPtr& storedPtr = cityPtrVector->at(i);
                if (storedPtr && storedPtr->GetLocationId() == cityPtr->GetLocationId() &&
                    storedPtr->GetIsCurrentLocation() == cityPtr->GetIsCurrentLocation()) {
                    sameCityExists = true;
                    break;
                }
            }
        }
        if (sameCityExists)
            LOGE("There is a same city in DB");
        else
            DoInsertCity(cityPtr);
    } catch (const std::out_of_range&) {
        LOGE("exception caught: out of range");
    } catch (const std::exception& e) {
        LOGE("[%s]", e.what());
    }
}

void WeatherDBController::DoUpdateCity(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr);
    CityDBController* cityDB = CityDBController::GetInstance();
    int pageIndex = cityPtr->GetPageIndex();
    if (pageIndex < 0) {
        pageIndex = cityDB->GetPageIndexWithLocationID(cityPtr->GetLocationId());
        RETURN_IF_NOTE(pageIndex < 0, "it means that the city has been removed from mobile. so we don't need update");
        cityPtr->SetPageIndex(pageIndex);
    }
    int primaryKey = cityDB->GetPrimaryKey(pageIndex);

    cityDB->Update(cityPtr, primaryKey);
    CurrentWeatherDBController::GetInstance()->Update(cityPtr->GetCurrent(), primaryKey);
    WeeklyWeatherDBController::GetInstance()->Update(cityPtr->GetWeeklyPtrVector(), primaryKey);
    // The number of hours changes between refreshes, so the rows are replaced.
    HourlyWeatherDBController* hourlyDB = HourlyWeatherDBController::GetInstance();
    hourlyDB->Delete(primaryKey);
    hourlyDB->Insert(cityPtr->GetHourlyPtrVector(), primaryKey);
    LifeIndexWeatherDBController::GetInstance()->Update(cityPtr->GetLifeIndex(), primaryKey);
    YesterdayWeatherDBController::GetInstance()->Update(cityPtr->GetYesterdayHourPtrVector(), primaryKey);
}

void WeatherDBController::UpdateCity(const CityPtr& cityPtr)
{
    DBOpening opening(GetWeatherDBFilePath(), false);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForWriting);
    DoUpdateCity(cityPtr);
}

void WeatherDBController::DoDeleteCity(int primaryKey)
{
    CityDBController::GetInstance()->Delete(primaryKey);
    CurrentWeatherDBController::GetInstance()->Delete(primaryKey);
    WeeklyWeatherDBController::GetInstance()->Delete(primaryKey);
    HourlyWeatherDBController::GetInstance()->Delete(primaryKey);
    LifeIndexWeatherDBController::GetInstance()->Delete(primaryKey);
    YesterdayWeatherDBController::GetInstance()->Delete(primaryKey);
}

void WeatherDBController::DeleteCity(int pageIndex)
{
    DBOpening opening(GetWeatherDBFilePath(), false);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForWriting);
    DoDeleteCity(CityDBController::GetInstance()->GetPrimaryKey(pageIndex));
}

void WeatherDBController::DeleteCity(const std::string& locationID)
{
    DBOpening opening(GetWeatherDBFilePath(), false);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForWriting);
    DoDeleteCity(CityDBController::GetInstance()->GetPrimaryKey(locationID));
}

void WeatherDBController::DoDeleteAllCity()
{
    CityDBController::GetInstance()->DeleteAll();
    CurrentWeatherDBController::GetInstance()->DeleteAll();
    WeeklyWeatherDBController::GetInstance()->DeleteAll();
    HourlyWeatherDBController::GetInstance()->DeleteAll();
    LifeIndexWeatherDBController::GetInstance()->DeleteAll();
    YesterdayWeatherDBController::GetInstance()->DeleteAll();
    LOGE("DeleteAllCity");
}

void WeatherDBController::DeleteAllCity()
{
    DBOpening opening(GetWeatherDBFilePath(), false);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForWriting);
    DoDeleteAllCity();
}

void WeatherDBController::DeleteAndInsertCity(const CityPtrVectorPtr& cityPtrVector)
{
    DBOpening opening(GetWeatherDBFilePath(), false);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForWriting);
    DoDeleteAllCity();
    if (cityPtrVector) {
        for (const CityPtr& cityPtr : *cityPtrVector)
            DoInsertCity(cityPtr);
    }
}

namespace {

// The connector keeps no reason for a failed opening; SQLite's answer to one
// read of the file, without waiting, names it (a lock, an unreadable file).
std::string OpeningFailure(const std::string& path)
{
    // SQLite would open a planted journal (or database) by path and wait on a FIFO.
    for (const std::string& file : {path, path + "-journal"})
        if (FileHelper::GetInstance()->IsUntrustedFile(file))
            return "refused " + file;
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return rc == SQLITE_OK ? "the weather database cannot be opened" : sqlite3_errstr(rc);
}

// SQLite rolls a transaction back by itself when a write fails with a full
// disk or an I/O error, and the statements after it would each commit on
// their own. The hooks refuse every commit but the last one and note the
// rollback, so a set is never stored in part.
struct WholeSetGuard {
    bool commitAllowed = false;
    bool rolledBack = false;

    static int OnCommit(void* self) { return static_cast<WholeSetGuard*>(self)->commitAllowed ? 0 : 1; }
    static void OnRollback(void* self) { static_cast<WholeSetGuard*>(self)->rolledBack = true; }
};

} // namespace

bool WeatherDBController::ReplaceAllCity(const CityPtrVector& cities,
                                         const std::function<bool(const CityPtrVectorPtr&)>& accept, std::string& why)
{
    DBConnector* dbConnector = DBConnector::GetInstance();
    if (!dbConnector->DBInitialize(GetWeatherDBFilePath(), false)) {
        why = OpeningFailure(GetWeatherDBFilePath());
        return false;
    }
    // The first write takes the write lock (after the busy handler's waits),
    // so a lock held elsewhere or a read-only file is told apart here.
    WholeSetGuard guard;
    const int rc = [dbConnector, &guard] {
        Statement stmt = dbConnector->DBPrepareStatement("DELETE FROM MOON_PHASE_TABLE;");
        if (sqlite3* db = sqlite3_db_handle(stmt.Get())) {
            sqlite3_commit_hook(db, WholeSetGuard::OnCommit, &guard);
            sqlite3_rollback_hook(db, WholeSetGuard::OnRollback, &guard);
        }
        return stmt.Step();
    }();
    if (rc != SQLITE_DONE) {
        why = sqlite3_errstr(rc);
        dbConnector->DBRollback();
        return false;
    }
    DoDeleteAllCity();
    CityDBController* cityDB = CityDBController::GetInstance();
    for (size_t i = 0; i < cities.size() && !guard.rolledBack; ++i) {
        const CityPtr& cityPtr = cities[i];
        if (!cityPtr)
            continue;
        cityPtr->SetPageIndex(static_cast<int>(i));
        DoInsertCity(cityPtr);
        // The city just inserted has the highest key; a lookup by page index
        // would scan the city table once per city.
        MoonPhaseDBController::GetInstance()->Insert(cityPtr->GetMoonPhasePtrVector(),
                                                     cityDB->GetLastInsertedPrimaryKey());
    }
    // A failed step is only logged by the table controllers: what the
    // transaction holds now is the test.
    if (guard.rolledBack || !accept(DoSelectAllCityInOnePass())) {
        why = guard.rolledBack ? "a write failed and SQLite rolled the set back (see the device log)"
                               : "the database did not take every row (see the device log)";
        dbConnector->DBRollback();
        return false;
    }
    guard.commitAllowed = true;
    dbConnector->DBFinalize();
    if (guard.rolledBack) {
        why = "the commit failed and SQLite rolled the set back (see the device log)";
        return false;
    }
    return true;
}

void WeatherDBController::RollBackInterruptedWrite()
{
    // The usual case, not worth a log line.
    if (!FileHelper::GetInstance()->IsExists(GetWeatherDBFilePath() + "-journal"))
        return;
    DBOpening opening(GetWeatherDBFilePath(), false);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForWriting);
    CityDBController::GetInstance()->GetNumberOfCities();
}

void WeatherDBController::ReorderCity(const CityPtrVectorPtr& cityPtrVector)
{
    DBOpening opening(GetWeatherDBFilePath(), false);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForWriting);
    CityDBController::GetInstance()->Reorder(cityPtrVector);
}

void WeatherDBController::UpdateWidgetReferenceCount(const std::string& locationID, bool increase)
{
    DBOpening opening(GetWeatherDBFilePath(), false);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForWriting);
    CityDBController* cityDB = CityDBController::GetInstance();
    CityPtr cityPtr = cityDB->Select(locationID);
    if (cityPtr) {
        int count = cityPtr->GetWidgetReferenceCount();
        count = increase ? count + 1 : (count > 0 ? count - 1 : 0);
        cityDB->UpdateWidgetReferenceCount(locationID, count);
    }
}

void WeatherDBController::UpdateMobileLink(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr);
    DBOpening opening(GetWeatherDBFilePath(), false);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForWriting);
    CityDBController* cityDB = CityDBController::GetInstance();
    if (cityPtr->GetPageIndex() < 0)
        cityPtr->SetPageIndex(cityDB->GetPageIndexWithLocationID(cityPtr->GetLocationId()));
    cityDB->UpdateMobileLink(cityPtr, cityDB->GetPrimaryKey(cityPtr->GetPageIndex()));
}

void WeatherDBController::UpdateMoonPhase(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr);
    DBOpening opening(GetWeatherDBFilePath(), false);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForWriting);
    CityDBController* cityDB = CityDBController::GetInstance();
    if (cityPtr->GetPageIndex() < 0)
        cityPtr->SetPageIndex(cityDB->GetPageIndexWithLocationID(cityPtr->GetLocationId()));
    int primaryKey = cityDB->GetPrimaryKey(cityPtr->GetPageIndex());
    MoonPhaseDBController* moonPhaseDB = MoonPhaseDBController::GetInstance();
    moonPhaseDB->Delete(cityPtr->GetLocationId());
    moonPhaseDB->Insert(cityPtr->GetMoonPhasePtrVector(), primaryKey);
}

void WeatherDBController::DeleteUselessMoonPhase()
{
    DBOpening opening(GetWeatherDBFilePath(), false);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForWriting);
    MoonPhaseDBController* moonPhaseDB = MoonPhaseDBController::GetInstance();
    std::vector<std::string> moonPhaseLocIdVector = moonPhaseDB->SelectAllLocationId();
    if (moonPhaseLocIdVector.size() < 1) {
        LOGE("moonPhaseLocIdVector.size() < 1");
    } else {
        CityDBController* cityDB = CityDBController::GetInstance();
        for (const std::string& locationID : moonPhaseLocIdVector) {
            if (cityDB->GetPageIndexWithLocationID(locationID) < 0)
                moonPhaseDB->Delete(locationID);
        }
    }
}

CityPtr WeatherDBController::DoSelectCityWithPrimaryKey(int primaryKey)
{
    CityPtr cityPtr = CityDBController::GetInstance()->Select(primaryKey);
    RETURN_IF(!cityPtr, nullptr);
    cityPtr->SetCurrent(CurrentWeatherDBController::GetInstance()->Select(primaryKey));
    cityPtr->SetWeeklyPtrVector(WeeklyWeatherDBController::GetInstance()->Select(primaryKey));
    cityPtr->SetHourlyPtrVector(HourlyWeatherDBController::GetInstance()->Select(primaryKey));
    cityPtr->SetLifeIndex(LifeIndexWeatherDBController::GetInstance()->Select(primaryKey));
    cityPtr->SetMoonPhasePtrVector(MoonPhaseDBController::GetInstance()->Select(primaryKey));
    cityPtr->SetYesterdayHourPtrVector(YesterdayWeatherDBController::GetInstance()->Select(primaryKey));
    return cityPtr;
}

CityPtr WeatherDBController::DoSelectCity(int pageIndex)
{
    return DoSelectCityWithPrimaryKey(CityDBController::GetInstance()->GetPrimaryKey(pageIndex));
}

CityPtr WeatherDBController::DoSelectCity(const std::string& locationID)
{
    RETURN_IF(locationID.length() < 1, nullptr);
    return DoSelectCityWithPrimaryKey(CityDBController::GetInstance()->GetPrimaryKey(locationID));
}

CityPtrVectorPtr WeatherDBController::DoSelectAllCity()
{
    int numberOfCities = CityDBController::GetInstance()->GetNumberOfCities();
    auto cityPtrVector = std::make_shared<CityPtrVector>();
    for (int pageIndex = 0; pageIndex < numberOfCities; pageIndex++) {
        CityPtr cityPtr = DoSelectCity(pageIndex);
        if (!cityPtr) {
            LOGE("invalid cityPtr");
            continue;
        }
        cityPtrVector->push_back(cityPtr);
    }
    if (cityPtrVector->empty())
        return nullptr;
    return cityPtrVector;
}

namespace {

// Appends a record to the city's vector, made when the city has none yet.
template <typename Vector, typename Record>
void Append(const CityPtr& cityPtr, std::shared_ptr<Vector> (City::*get)() const,
            void (City::*set)(std::shared_ptr<Vector>), Record record)
{
    std::shared_ptr<Vector> records = ((*cityPtr).*get)();
    if (!records) {
        records = std::make_shared<Vector>();
        ((*cityPtr).*set)(records);
    }
    records->push_back(std::move(record));
}

} // namespace

CityPtrVectorPtr WeatherDBController::DoSelectAllCityInOnePass()
{
    CityDBController* cityDB = CityDBController::GetInstance();
    auto cityPtrVector = std::make_shared<CityPtrVector>();
    std::unordered_map<int, CityPtr> byKey;
    for (int primaryKey : cityDB->GetPrimaryKeysInPageOrder()) {
        CityPtr cityPtr = cityDB->Select(primaryKey);
        if (!cityPtr) {
            LOGE("invalid cityPtr");
            continue;
        }
        // As DoSelectCity leaves them: absent until a row is read.
        cityPtr->SetCurrent(nullptr);
        cityPtr->SetWeeklyPtrVector(nullptr);
        cityPtr->SetHourlyPtrVector(nullptr);
        cityPtr->SetLifeIndex(nullptr);
        cityPtr->SetMoonPhasePtrVector(nullptr);
        cityPtr->SetYesterdayHourPtrVector(nullptr);
        byKey.emplace(primaryKey, cityPtr);
        cityPtrVector->push_back(cityPtr);
    }
    if (cityPtrVector->empty())
        return nullptr;
    auto cityOf = [&byKey](int primaryKey) {
        auto found = byKey.find(primaryKey);
        return found == byKey.end() ? nullptr : found->second;
    };
    // A one-row table's first row of a key is the one a Select of the key reads.
    CurrentWeatherDBController::GetInstance()->SelectAll([&cityOf](int primaryKey, CurrentPtr record) {
        CityPtr cityPtr = cityOf(primaryKey);
        if (cityPtr && !cityPtr->GetCurrent())
            cityPtr->SetCurrent(std::move(record));
    });
    LifeIndexWeatherDBController::GetInstance()->SelectAll([&cityOf](int primaryKey, LifeIndexPtr record) {
        CityPtr cityPtr = cityOf(primaryKey);
        if (cityPtr && !cityPtr->GetLifeIndex())
            cityPtr->SetLifeIndex(std::move(record));
    });
    WeeklyWeatherDBController::GetInstance()->SelectAll([&cityOf](int primaryKey, WeeklyPtr record) {
        if (CityPtr cityPtr = cityOf(primaryKey))
            Append(cityPtr, &City::GetWeeklyPtrVector, &City::SetWeeklyPtrVector, std::move(record));
    });
    HourlyWeatherDBController::GetInstance()->SelectAll([&cityOf](int primaryKey, HourlyPtr record) {
        if (CityPtr cityPtr = cityOf(primaryKey))
            Append(cityPtr, &City::GetHourlyPtrVector, &City::SetHourlyPtrVector, std::move(record));
    });
    MoonPhaseDBController::GetInstance()->SelectAll([&cityOf](int primaryKey, MoonPhasePtr record) {
        if (CityPtr cityPtr = cityOf(primaryKey))
            Append(cityPtr, &City::GetMoonPhasePtrVector, &City::SetMoonPhasePtrVector, std::move(record));
    });
    YesterdayWeatherDBController::GetInstance()->SelectAll([&cityOf](int primaryKey, HourlyPtr record) {
        if (CityPtr cityPtr = cityOf(primaryKey))
            Append(cityPtr, &City::GetYesterdayHourPtrVector, &City::SetYesterdayHourPtrVector, std::move(record));
    });
    return cityPtrVector;
}

CityPtr WeatherDBController::SelectCity(int pageIndex)
{
    DBOpening opening(GetWeatherDBFilePath(), true);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForReading, nullptr);
    return DoSelectCity(pageIndex);
}

CityPtr WeatherDBController::SelectCity(const std::string& locationID)
{
    DBOpening opening(GetWeatherDBFilePath(), true);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForReading, nullptr);
    return DoSelectCity(locationID);
}

CityPtrVectorPtr WeatherDBController::SelectAllCity()
{
    DBOpening opening(GetWeatherDBFilePath(), true);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForReading, nullptr);
    return DoSelectAllCity();
}

int WeatherDBController::GetNumberOfCities()
{
    DBOpening opening(GetWeatherDBFilePath(), true);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForReading, -1);
    return CityDBController::GetInstance()->GetNumberOfCities();
}

int WeatherDBController::GetPageIndexOfCurrentCity()
{
    DBOpening opening(GetWeatherDBFilePath(), true);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForReading, -1);
    return CityDBController::GetInstance()->GetPageIndexOfCurrentCity();
}

int WeatherDBController::GetPageIndexWithLocationID(const std::string& locationID)
{
    DBOpening opening(GetWeatherDBFilePath(), true);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForReading, -1);
    return CityDBController::GetInstance()->GetPageIndexWithLocationID(locationID);
}

bool WeatherDBController::IsCurrentLocationExist()
{
    DBOpening opening(GetWeatherDBFilePath(), true);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForReading, false);
    return CityDBController::GetInstance()->IsCurrentLocationExist();
}

std::string WeatherDBController::GetLocationIdOfCurrentCity()
{
    DBOpening opening(GetWeatherDBFilePath(), true);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForReading, "");
    return CityDBController::GetInstance()->GetLocationIdOfCurrentCity();
}

std::vector<std::string> WeatherDBController::SelectNeedToUpdateLocationID()
{
    std::vector<std::string> locationIDs;
    DBOpening opening(GetWeatherDBFilePath(), true);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForReading, locationIDs);
    CityPtrVectorPtr cityPtrVector = DoSelectAllCity();
    if (cityPtrVector) {
        for (const CityPtr& cityPtr : *cityPtrVector) {
            if (cityPtr->GetNeedToUpdate())
                locationIDs.push_back(cityPtr->GetLocationId());
        }
    }
    return locationIDs;
}

std::shared_ptr<std::vector<std::string>> WeatherDBController::SelectAllLocationID()
{
    DBOpening opening(GetWeatherDBFilePath(), true);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForReading, nullptr);
    CityDBController* cityDB = CityDBController::GetInstance();
    int numberOfCities = cityDB->GetNumberOfCities();
    std::shared_ptr<std::vector<std::string>> locationIDs;
    if (numberOfCities > 0) {
        locationIDs = std::make_shared<std::vector<std::string>>();
        for (int pageIndex = 0; pageIndex < numberOfCities; pageIndex++)
            locationIDs->push_back(cityDB->GetLocationIDWithPageIndex(pageIndex));
    }
    return locationIDs;
}

int WeatherDBController::GetWeatherNewsIcon(int iconNum, bool isDay)
{
    std::string iconDBPath = GetWeatherNewsIconDBFilePath();
    RETURN_IF(iconDBPath.length() < 1, 0);
    RETURN_IF(FileHelper::GetInstance()->IsUntrustedFile(iconDBPath) ||
                  FileHelper::GetInstance()->IsUntrustedFile(iconDBPath + "-journal"),
              0);

    // Its own connection, closed on every way out after its statement.
    sqlite3* openedIconDB = nullptr;
    int rc = sqlite3_open_v2(iconDBPath.c_str(), &openedIconDB,
                             SQLITE_OPEN_SHAREDCACHE | SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> iconDB(openedIconDB, &sqlite3_close);
    if (rc != SQLITE_OK) {
        LOGE("sqlite3_open_open failed. %d %p", rc, static_cast<void*>(openedIconDB));
        return 0;
    }

    char query[512] = {0};
    if (isDay)
        snprintf(query, sizeof(query), "SELECT day_mapping_id FROM icon_table WHERE icon_id = %d;", iconNum);
    else
        snprintf(query, sizeof(query), "SELECT night_mapping_id FROM icon_table WHERE icon_id = %d;", iconNum);

    sqlite3_stmt* prepared = nullptr;
    rc = sqlite3_prepare_v2(iconDB.get(), query, -1, &prepared, nullptr);
    Statement stmt(prepared);
    if (rc != SQLITE_OK) {
        LOGE("Fail: sqlite3_prepare_v2 Failed rc [%d][%s]", rc, sqlite3_errmsg(iconDB.get()));
        LOGE("Query: %s", query);
        return 0;
    }

    rc = stmt.Step();
    if (rc == SQLITE_ROW)
        return stmt.ColumnInt(0);
    LOGE("No result : %d", rc);
    return 0;
}
