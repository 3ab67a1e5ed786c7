#include "typedef/WeatherData.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>

#include "db/IconMappingTable.h"
#include "db/WeatherDBController.h"
#include "typedef/CPType.h"
#include "typedef/WeatherDataMarkers.h"
#include "typedef/WeatherStatus.h"
#include "utils/ICUHelper.h"
#include "utils/LanguageRules.h"
#include "utils/Log.h"
#include "utils/TimeHelper.h"
#include "utils/VconfUtilFactory.h"
#include "utils/WeatherImageMapper.h"

bool WeatherData::Init()
{
    return Ref::Init();
}

void WeatherData::InitializeDB()
{
    // The controller creates the weather database on its first use.
    WeatherDBController::GetInstance();
}

void WeatherData::UpgradeDB(double version)
{
    WeatherDBController::GetInstance()->UpgradeDB(version);
}

void WeatherData::LoadCity()
{
    mCityPtrVector = WeatherDBController::GetInstance()->SelectAllCity();
    if (!mCityPtrVector)
        mCityPtrVector = std::make_shared<CityPtrVector>();
}

void WeatherData::InsertCity(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr);
    if (!mCityPtrVector)
        mCityPtrVector = std::make_shared<CityPtrVector>();
    mCityPtrVector->push_back(cityPtr);
    WeatherDBController::GetInstance()->InsertCity(cityPtr);
}

void WeatherData::UpdateCity(const CityPtr& cityPtr)
{
    if (cityPtr && mCityPtrVector) {
        for (CityPtr& entry : *mCityPtrVector) {
            if (entry && entry->GetLocationId() == cityPtr->GetLocationId()) {
                entry = cityPtr;
                break;
            }
        }
    }
    WeatherDBController::GetInstance()->UpdateCity(cityPtr);
}

void WeatherData::SetCityPtrVector(const CityPtrVectorPtr& cityPtrVector)
{
    mCityPtrVector = cityPtrVector;
    WeatherDBController::GetInstance()->DeleteAndInsertCity(cityPtrVector);
}

void WeatherData::DeleteAllCity()
{
    WeatherDBController::GetInstance()->DeleteAllCity();
}

int WeatherData::GetWeatherNewsIcon(int iconNum, bool isDay)
{
    return WeatherDBController::GetInstance()->GetWeatherNewsIcon(iconNum, isDay);
}

void WeatherData::UpdateMoonPhase(const CityPtr& cityPtr)
{
    WeatherDBController::GetInstance()->UpdateMoonPhase(cityPtr);
}

void WeatherData::DeleteUselessMoonPhase()
{
    WeatherDBController::GetInstance()->DeleteUselessMoonPhase();
}

CityPtr WeatherData::GetCityPtr(int cityIndex)
{
    RETURN_IF(!mCityPtrVector, nullptr);
    try {
        return mCityPtrVector->at(static_cast<size_t>(cityIndex));
    } catch (const std::out_of_range&) {
        LOGE("exception caught: out of range cityIndex:%d", cityIndex);
    }
    return nullptr;
}

CityPtr WeatherData::GetCityPtr(const std::string& locationId)
{
    RETURN_IF(locationId.length() < 1, nullptr);
    RETURN_IF(!mCityPtrVector, nullptr);
    for (const CityPtr& cityPtr : *mCityPtrVector) {
        if (cityPtr && cityPtr->GetLocationId() == locationId)
            return cityPtr;
    }
    return nullptr;
}

CityPtr WeatherData::GetCurrentCityPtr()
{
    RETURN_IF(!mCityPtrVector, nullptr);
    for (const CityPtr& cityPtr : *mCityPtrVector) {
        if (cityPtr && cityPtr->GetIsCurrentLocation())
            return cityPtr;
    }
    return nullptr;
}

bool WeatherData::IsCurrentLocationExist()
{
    return GetCurrentCityPtr() != nullptr;
}

bool WeatherData::GetIsCurrentCity(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr, false);
    return cityPtr->GetIsCurrentLocation();
}

CityPtrVectorPtr WeatherData::SelectNeedToUpdateCity()
{
    CityPtrVectorPtr result = std::make_shared<CityPtrVector>();
    RETURN_IF(!mCityPtrVector, result);
    for (const CityPtr& cityPtr : *mCityPtrVector) {
        if (cityPtr && cityPtr->GetNeedToUpdate())
            result->push_back(cityPtr);
    }
    return result;
}

CurrentPtr WeatherData::GetCurrentPtr(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr, nullptr);
    return cityPtr->GetCurrent();
}

WeeklyPtrVectorPtr WeatherData::GetWeeklyPtrVector(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr, nullptr);
    return cityPtr->GetWeeklyPtrVector();
}

HourlyPtrVectorPtr WeatherData::GetHourlyPtrVector(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr, nullptr);
    return cityPtr->GetHourlyPtrVector();
}

HourlyPtrVectorPtr WeatherData::GetYesterdayHourPtrVector(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr, nullptr);
    return cityPtr->GetYesterdayHourPtrVector();
}

WeeklyPtr WeatherData::GetWeeklyPtr(const CityPtr& cityPtr, int weeklyIndex)
{
    RETURN_IF(!cityPtr, nullptr);
    WeeklyPtrVectorPtr weeklyPtrVector = cityPtr->GetWeeklyPtrVector();
    RETURN_IF(!weeklyPtrVector, nullptr);
    RETURN_IF((int)weeklyPtrVector->size() < 1, nullptr);
    try {
        return weeklyPtrVector->at(static_cast<size_t>(weeklyIndex));
    } catch (const std::out_of_range&) {
        LOGE("exception caught: out of range");
    }
    return nullptr;
}

namespace {

// Shared rule of the hourly lists: an index equal to the size falls back to
// the first entry (when there is one).
HourlyPtr HourlyEntryOrFirst(const HourlyPtrVector& entries, int index)
{
    try {
        return entries.at(static_cast<size_t>(index));
    } catch (const std::out_of_range&) {
        LOGE("exception caught: out of range");
    }
    return entries.empty() ? nullptr : entries.front();
}

} // namespace

HourlyPtr WeatherData::GetHourlyPtr(const CityPtr& cityPtr, int hourlyIndex)
{
    RETURN_IF(!cityPtr, nullptr);
    HourlyPtrVectorPtr hourlyPtrVector = cityPtr->GetHourlyPtrVector();
    RETURN_IF(!hourlyPtrVector, nullptr);
    if (hourlyIndex > (int)hourlyPtrVector->size()) {
        LOG_RETURN_NOTE("houlryIndex:%d", hourlyIndex);
        return nullptr;
    }
    return HourlyEntryOrFirst(*hourlyPtrVector, hourlyIndex);
}

HourlyPtr WeatherData::GetYesterdayPtr(const CityPtr& cityPtr, int hourlyIndex)
{
    RETURN_IF(!cityPtr, nullptr);
    HourlyPtrVectorPtr hourlyPtrVector = cityPtr->GetYesterdayHourPtrVector();
    RETURN_IF(!hourlyPtrVector, nullptr);
    RETURN_IF((int)hourlyPtrVector->size() < hourlyIndex, nullptr);
    return HourlyEntryOrFirst(*hourlyPtrVector, hourlyIndex);
}

// ---- temperatures ----

double WeatherData::GetTemperature(const TemperaturePtr& temperaturePtr, bool isCelsius)
{
    RETURN_IF(!temperaturePtr, FLOAT_UNSUPPORTED_VALUE);
    const double value = isCelsius ? temperaturePtr->GetCelsius() : temperaturePtr->GetFahrenheit();
    return std::floor(value + 0.5);
}

std::string WeatherData::GetTemperatureString(const TemperaturePtr& temperaturePtr, bool isCelsius)
{
    const double value = GetTemperature(temperaturePtr, isCelsius);
    // Another process may have stored anything: a value no int32_t holds
    // (or NaN) is shown as not known rather than converted.
    RETURN_IF(!(value >= INT32_MIN && value <= INT32_MAX), UNSUPPORTED_TEXT);
    const int32_t temp = static_cast<int32_t>(value);
    RETURN_IF(temp == UNSUPPORTED_VALUE, UNSUPPORTED_TEXT);
    return ICUHelper::GetInstance()->ConvertNumberToLocaleString(temp);
}

// Each reader gives up on a missing city first, then on a missing entry.
#define CITY_TEMPERATURE(Name, Getter)                                                                                 \
    double WeatherData::Name(const CityPtr& cityPtr, bool isCelsius)                                                   \
    {                                                                                                                  \
        RETURN_IF(!cityPtr, FLOAT_UNSUPPORTED_VALUE);                                                                  \
        CurrentPtr currentPtr = cityPtr->GetCurrent();                                                                 \
        RETURN_IF(!currentPtr, FLOAT_UNSUPPORTED_VALUE);                                                               \
        return GetTemperature(currentPtr->Getter(), isCelsius);                                                        \
    }                                                                                                                  \
    std::string WeatherData::Name##String(const CityPtr& cityPtr, bool isCelsius)                                      \
    {                                                                                                                  \
        RETURN_IF(!cityPtr, UNSUPPORTED_TEXT);                                                                         \
        CurrentPtr currentPtr = cityPtr->GetCurrent();                                                                 \
        RETURN_IF(!currentPtr, UNSUPPORTED_TEXT);                                                                      \
        return GetTemperatureString(currentPtr->Getter(), isCelsius);                                                  \
    }

CITY_TEMPERATURE(GetCurrentTemperature, GetCurTemperature)
CITY_TEMPERATURE(GetLowTemperature, GetLowTemperature)
CITY_TEMPERATURE(GetHighTemperature, GetHighTemperature)
#undef CITY_TEMPERATURE

#define ENTRY_TEMPERATURE(Name, EntryGetter, EntryType, guard, Getter)                                                 \
    double WeatherData::Name(const CityPtr& cityPtr, int index, bool isCelsius)                                        \
    {                                                                                                                  \
        RETURN_IF(!cityPtr, FLOAT_UNSUPPORTED_VALUE);                                                                  \
        EntryType guard = EntryGetter(cityPtr, index);                                                                 \
        RETURN_IF(!guard, FLOAT_UNSUPPORTED_VALUE);                                                                    \
        return GetTemperature(guard->Getter(), isCelsius);                                                             \
    }                                                                                                                  \
    std::string WeatherData::Name##String(const CityPtr& cityPtr, int index, bool isCelsius)                           \
    {                                                                                                                  \
        RETURN_IF(!cityPtr, UNSUPPORTED_TEXT);                                                                         \
        EntryType guard = EntryGetter(cityPtr, index);                                                                 \
        RETURN_IF(!guard, UNSUPPORTED_TEXT);                                                                           \
        return GetTemperatureString(guard->Getter(), isCelsius);                                                       \
    }

ENTRY_TEMPERATURE(GetWeeklyHighTemperature, GetWeeklyPtr, WeeklyPtr, weeklyPtr, GetHighTemperature)
ENTRY_TEMPERATURE(GetWeeklyLowTemperature, GetWeeklyPtr, WeeklyPtr, weeklyPtr, GetLowTemperature)
ENTRY_TEMPERATURE(GetHourlyCurrentTemperature, GetHourlyPtr, HourlyPtr, hourlyPtr, GetCurTemperature)
ENTRY_TEMPERATURE(GetHourlyLowTemperature, GetHourlyPtr, HourlyPtr, hourlyPtr, GetLowTemperature)
ENTRY_TEMPERATURE(GetHourlyHighTemperature, GetHourlyPtr, HourlyPtr, hourlyPtr, GetHighTemperature)
ENTRY_TEMPERATURE(GetYesterdayCurrentTemperature, GetYesterdayPtr, HourlyPtr, hourlyPtr, GetCurTemperature)
#undef ENTRY_TEMPERATURE

// ---- names and clock ----

std::string WeatherData::GetCityName(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr, std::string());
    std::shared_ptr<VconfUtil> vconfUtil = VconfUtilFactory::Make();
    const std::string language = vconfUtil ? vconfUtil->GetLanguage() : std::string();
    const int32_t cpType = CPType::GetInstance()->GetCPType();
    const std::string& local = cityPtr->GetCityName().empty() ? cityPtr->GetCityNameEng() : cityPtr->GetCityName();
    const std::string& english = cityPtr->GetCityNameEng();
    // Without a language the Korean providers keep their own names.
    const bool shortLanguage = language.length() < 2;
    switch (cpType) {
    case WEATHER_CP_TYPE_KWEATHER:
    case WEATHER_CP_TYPE_WEATHERNEWS_KR:
        return shortLanguage || LanguageHas(language, kKoreanProviderTexts) ? local : english;
    case WEATHER_CP_TYPE_WEATHERNEWS:
        return LanguageHas(language, kJapaneseProviderNames) ? local : english;
    case WEATHER_CP_TYPE_WCN:
        return LanguageHas(language, kChineseProviderTexts) ? local : english;
    default:
        return local;
    }
}

unsigned int WeatherData::GetLocalTime(const CityPtr& cityPtr)
{
    return TimeHelper::GetInstance()->GetLocalTime(cityPtr);
}

std::string WeatherData::GetLocalTimeString(const CityPtr& cityPtr)
{
    return TimeHelper::GetInstance()->GetLocalTimeString(cityPtr);
}

std::string WeatherData::GetLocalTimeStringLong(const CityPtr& cityPtr)
{
    return TimeHelper::GetInstance()->GetLocalTimeStringLong(cityPtr);
}

// ---- icons and status texts ----

namespace {

bool IsDayNow(const CityPtr& cityPtr)
{
    TimeHelper* timeHelper = TimeHelper::GetInstance();
    return timeHelper->GetIsDay(cityPtr, timeHelper->GetCurrentTime());
}

} // namespace

std::string WeatherData::GetWeatherIcon(const WeatherPtr& weatherPtr, bool isDay, int width, int height)
{
    RETURN_IF(!weatherPtr, UNSUPPORTED_TEXT);
    std::shared_ptr<IconMappingTable> iconMappingTable = IconMappingTable::Make();
    std::shared_ptr<WeatherImageMapper> imageMapper = WeatherImageMapper::Make();
    RETURN_IF(!iconMappingTable || !imageMapper, UNSUPPORTED_TEXT);
    const int32_t iconNum = iconMappingTable->GetMappingIconNum(weatherPtr->GetWeatherIcon(), isDay);
    return imageMapper->GetImageName(iconNum, width, height);
}

std::string WeatherData::GetCurrentWeatherIcon(const CityPtr& cityPtr, int width, int height)
{
    RETURN_IF(!cityPtr, UNSUPPORTED_TEXT);
    return GetWeatherIcon(cityPtr->GetCurrent(), IsDayNow(cityPtr), width, height);
}

std::string WeatherData::GetWeeklyWeatherIcon(const CityPtr& cityPtr, int weeklyIndex, int width, int height)
{
    RETURN_IF(!cityPtr, UNSUPPORTED_TEXT);
    return GetWeatherIcon(GetWeeklyPtr(cityPtr, weeklyIndex), true, width, height);
}

std::string WeatherData::GetHourlyWeatherIcon(const CityPtr& cityPtr, int hourlyIndex, int width, int height)
{
    RETURN_IF(!cityPtr, UNSUPPORTED_TEXT);
    // No entry: GetWeatherIcon's own guard answers.
    HourlyPtr hourlyPtr = GetHourlyPtr(cityPtr, hourlyIndex);
    const bool isDay = hourlyPtr && TimeHelper::GetInstance()->GetIsDayForHourlyForecast(cityPtr, hourlyPtr->GetHour());
    return GetWeatherIcon(hourlyPtr, isDay, width, height);
}

std::string WeatherData::GetCurrentWeatherStatus(const CityPtr& cityPtr)
{
    std::shared_ptr<WeatherStatus> weatherStatus = WeatherStatus::Make();
    RETURN_IF(!weatherStatus, std::string());
    return weatherStatus->GetMappingString(cityPtr, IsDayNow(cityPtr));
}

std::string WeatherData::GetCurrentWeatherStatusSimple(const CityPtr& cityPtr)
{
    std::shared_ptr<WeatherStatus> weatherStatus = WeatherStatus::Make();
    RETURN_IF(!weatherStatus, std::string());
    return weatherStatus->GetMappingSimpleString(cityPtr, IsDayNow(cityPtr));
}

std::string WeatherData::GetWeeklyWeatherStatus(const CityPtr& cityPtr, int weeklyIndex)
{
    std::shared_ptr<WeatherStatus> weatherStatus = WeatherStatus::Make();
    RETURN_IF(!weatherStatus, std::string());
    return weatherStatus->GetMappingString(GetWeeklyPtr(cityPtr, weeklyIndex));
}

std::string WeatherData::GetHourlyWeatherStatus(const CityPtr& cityPtr, int hourlyIndex)
{
    std::shared_ptr<WeatherStatus> weatherStatus = WeatherStatus::Make();
    RETURN_IF(!weatherStatus, std::string());
    return weatherStatus->GetMappingString(GetHourlyPtr(cityPtr, hourlyIndex), IsDayNow(cityPtr));
}

// ---- hourly index, rain probability, expiry ----

int WeatherData::GetCurrentTimeHourlyIndex(const CityPtr& cityPtr)
{
    std::shared_ptr<VconfUtil> vconfUtil = VconfUtilFactory::Make();
    if (vconfUtil && vconfUtil->GetIsRetailMode())
        return 0;
    RETURN_IF(!cityPtr, 0);
    HourlyPtrVectorPtr hourlyPtrVector = cityPtr->GetHourlyPtrVector();
    if (!hourlyPtrVector) {
        LOGE("exception caught: %s", "!hourlyPtrVector");
        return 0;
    }
    const unsigned int now = GetLocalTime(cityPtr);
    const HourlyPtrVector& entries = *hourlyPtrVector;
    if (entries.empty() || !entries[0] || now < entries[0]->GetHour())
        return 0;
    for (size_t i = 1; i < entries.size(); ++i) {
        if (entries[i] && entries[i]->GetHour() > now)
            return static_cast<int>(i - 1);
    }
    return static_cast<int>(entries.size() - 1);
}

double WeatherData::GetRainProbability(const CityPtr& cityPtr)
{
    const double value = RawRainProbability(cityPtr);
    // Callers take the percent as an int32_t: a stored value none holds is
    // not known.
    return value >= INT32_MIN && value <= INT32_MAX ? value : FLOAT_UNSUPPORTED_VALUE;
}

double WeatherData::RawRainProbability(const CityPtr& cityPtr)
{
    if (!cityPtr)
        return FLOAT_UNSUPPORTED_VALUE;
    const int32_t cpType = CPType::GetInstance()->GetCPType();
    if (cpType == WEATHER_CP_TYPE_KWEATHER || cpType == WEATHER_CP_TYPE_WEATHERNEWS_KR ||
        cpType == WEATHER_CP_TYPE_WCN) {
        // The index logs a missing list itself.
        const int hourlyIndex = GetCurrentTimeHourlyIndex(cityPtr);
        HourlyPtrVectorPtr hourlyPtrVector = cityPtr->GetHourlyPtrVector();
        if (!hourlyPtrVector)
            return FLOAT_UNSUPPORTED_VALUE;
        try {
            HourlyPtr hourlyPtr = hourlyPtrVector->at(static_cast<size_t>(hourlyIndex));
            return hourlyPtr ? hourlyPtr->GetPrecProbability() : FLOAT_UNSUPPORTED_VALUE;
        } catch (const std::out_of_range&) {
            LOGE("exception caught: out of range");
        }
        return FLOAT_UNSUPPORTED_VALUE;
    }
    LifeIndexPtr lifeIndexPtr = cityPtr->GetLifeIndex();
    RETURN_IF(!lifeIndexPtr, FLOAT_UNSUPPORTED_VALUE);
    PrecipitationPtr precipitationPtr = lifeIndexPtr->GetPrecipitation();
    if (!precipitationPtr)
        return FLOAT_UNSUPPORTED_VALUE;
    double first = precipitationPtr->GetPrecProbability();
    double second = precipitationPtr->GetPrecProbabilityNight();
    if (!IsDayNow(cityPtr))
        std::swap(first, second);
    return first != FLOAT_UNSUPPORTED_VALUE ? first : second;
}

std::string WeatherData::GetRainProbabilityString(const CityPtr& cityPtr)
{
    const double value = GetRainProbability(cityPtr);
    RETURN_IF(value == FLOAT_UNSUPPORTED_VALUE, UNSUPPORTED_TEXT);
    return ICUHelper::GetInstance()->ConvertDoubleToLocaleString(value);
}

bool WeatherData::GetIsWeatherInfoExpired(int hours)
{
    RETURN_IF(mCityPtrVector == NULL, false);
    RETURN_IF(mCityPtrVector->size() == 0, false);
    uint32_t oldest = 0;
    for (const CityPtr& cityPtr : *mCityPtrVector) {
        if (!cityPtr)
            continue;
        const uint32_t refreshed = cityPtr->GetRefreshedTime();
        if (oldest == 0 || refreshed < oldest)
            oldest = refreshed;
    }
    const uint32_t now = TimeHelper::GetInstance()->GetCurrentTime();
    const uint32_t interval = static_cast<uint32_t>(hours) * 3600u;
    LOGE("now [%lu], lastRefreshedTime [%lu], timeInterval [%lu]", static_cast<unsigned long>(now),
         static_cast<unsigned long>(oldest), static_cast<unsigned long>(interval));
    return static_cast<uint32_t>(now - oldest) > interval;
}
