#include "typedef/LifeIndexData.h"

#include <libintl.h>

#include "typedef/CPType.h"
#include "typedef/DataManager.h"
#include "typedef/LifeIndexDataTables.h"
#include "typedef/WeatherDataMarkers.h"
#include "utils/ICUHelper.h"
#include "utils/LanguageHelper.h"
#include "utils/TimeHelper.h"
#include "utils/VconfUtilFactory.h"

namespace {

constexpr const char* kTextDomain = "weather";
// Time format numbers of ICUHelper: "hhmm" and "HHmm".
constexpr int kFormat12Hour = 10;
constexpr int kFormat24Hour = 9;

std::string Localized(const std::string& key)
{
    return dgettext(kTextDomain, key.c_str());
}

} // namespace

bool LifeIndexData::IsDayNow(const CityPtr& cityPtr)
{
    TimeHelper* timeHelper = TimeHelper::GetInstance();
    return timeHelper->GetIsDay(cityPtr, timeHelper->GetCurrentTime());
}

bool LifeIndexData::Init()
{
    return Ref::Init();
}

std::string LifeIndexData::GetLifeIndexTitle(const CityPtr& cityPtr, int lifeIndexType)
{
    RETURN_IF(!cityPtr, std::string());
    LifeIndexPtr lifeIndexPtr = cityPtr->GetLifeIndex();
    RETURN_IF(!lifeIndexPtr, std::string());
    const bool isDay = lifeIndexType == LIFE_INDEX_NEXT_SUN_EVENT ? IsDayNow(cityPtr) : true;
    const char* key = life_index_tables::TitleKey(lifeIndexType, CPType::GetInstance()->GetCPType(), isDay);
    if (key == nullptr) {
        LOGE("unsupported value");
        return std::string();
    }
    return Localized(key);
}

std::string LifeIndexData::GetLifeIndexIconName(const CityPtr& cityPtr, int lifeIndexType)
{
    RETURN_IF(!cityPtr, std::string());
    LifeIndexPtr lifeIndexPtr = cityPtr->GetLifeIndex();
    RETURN_IF(!lifeIndexPtr, std::string());
    std::string lifeIndexIconName;
    if (lifeIndexType == LIFE_INDEX_WIND) {
        lifeIndexIconName = GetWindDirectionIconName(cityPtr, IsDayNow(cityPtr));
    } else {
        const char* base = life_index_tables::IconBase(lifeIndexType, CPType::GetInstance()->GetCPType());
        if (base == nullptr) {
            LOGE("unsupported lifeIndexType : %d", lifeIndexType);
            return std::string();
        }
        lifeIndexIconName = base;
    }
    lifeIndexIconName += ".png";
    LOGE("lifeIndexIconName: %s", lifeIndexIconName.c_str());
    return lifeIndexIconName;
}

std::string LifeIndexData::GetLifeIndexValue(const CityPtr& cityPtr, int lifeIndexType)
{
    RETURN_IF(!cityPtr, UNSUPPORTED_TEXT);
    LifeIndexPtr lifeIndexPtr = cityPtr->GetLifeIndex();
    RETURN_IF(!lifeIndexPtr, UNSUPPORTED_TEXT);
    const ValueText text = ValueTextOf(lifeIndexType);
    if (text)
        return text(*this, cityPtr);
    LOGE("unsupported value");
    return UNSUPPORTED_TEXT;
}

namespace {

// The shared bodies of the value operations; func is the public operation,
// whose name their guard lines carry.

// The life-index record of the city, or null after the guard line.
LifeIndexPtr RecordOf(const char* func, const CityPtr& cityPtr)
{
    RETURN_IF_AT(func, !cityPtr, nullptr);
    LifeIndexPtr lifeIndexPtr = cityPtr->GetLifeIndex();
    RETURN_IF_AT(func, !lifeIndexPtr, nullptr);
    return lifeIndexPtr;
}

std::string SunTimeString(const char* func, const CityPtr& cityPtr, uint32_t (LifeIndex::*field)() const)
{
    LifeIndexPtr lifeIndexPtr = RecordOf(func, cityPtr);
    if (!lifeIndexPtr)
        return UNSUPPORTED_TEXT;
    const uint32_t value = ((*lifeIndexPtr).*field)();
    RETURN_IF_AT(func, value == UNSUPPORTED_VALUE, UNSUPPORTED_TEXT);
    std::shared_ptr<VconfUtil> vconfUtil = VconfUtilFactory::Make();
    const bool is12Hour = vconfUtil && vconfUtil->GetTimeFormat() == 1;
    return ICUHelper::GetInstance()->ConvertEpochTimeToICUDate(value, is12Hour ? kFormat12Hour : kFormat24Hour);
}

std::string DoubleString(const char* func, double value)
{
    if (value == FLOAT_UNSUPPORTED_VALUE) {
        LOG_RETURN_GUARD_AT(func, "value == UNSUPPORTED_VALUE");
        return UNSUPPORTED_TEXT;
    }
    return ICUHelper::GetInstance()->ConvertDoubleToLocaleString(value);
}

std::string GradeString(const char* func, const CityPtr& cityPtr, int kind, int32_t (LifeIndex::*field)() const)
{
    LifeIndexPtr lifeIndexPtr = RecordOf(func, cityPtr);
    if (!lifeIndexPtr)
        return UNSUPPORTED_TEXT;
    const int32_t value = ((*lifeIndexPtr).*field)();
    // Fishing and cosmetic answer an empty text for a stored 9999, the
    // others keep "9999".
    const bool emptyWhenStored = kind == LIFE_INDEX_FISHING || kind == LIFE_INDEX_COSMETIC;
    RETURN_IF_AT(func, value == UNSUPPORTED_VALUE, emptyWhenStored ? std::string() : std::string(UNSUPPORTED_TEXT));
    std::string key = LifeIndexData::GradeKey(kind, CPType::GetInstance()->GetCPType(), value,
                                              LanguageHelper::GetInstance()->GetLanguage(), func);
    return key == UNSUPPORTED_TEXT ? key : Localized(key);
}

} // namespace

std::string LifeIndexData::GetSunsetTimeString(const CityPtr& cityPtr)
{
    return SunTimeString(__func__, cityPtr, &LifeIndex::GetSunsetTime);
}

std::string LifeIndexData::GetSunriseTimeString(const CityPtr& cityPtr)
{
    return SunTimeString(__func__, cityPtr, &LifeIndex::GetSunriseTime);
}

std::string LifeIndexData::GetHumidityString(const CityPtr& cityPtr)
{
    LifeIndexPtr lifeIndexPtr = RecordOf(__func__, cityPtr);
    if (!lifeIndexPtr)
        return UNSUPPORTED_TEXT;
    const int32_t value = lifeIndexPtr->GetHumidity();
    RETURN_IF(value == UNSUPPORTED_VALUE, UNSUPPORTED_TEXT);
    return ICUHelper::GetInstance()->ConvertNumberToLocaleString(value);
}

std::string LifeIndexData::GetPrecipitationString(const CityPtr& cityPtr, bool isDay)
{
    LifeIndexPtr lifeIndexPtr = RecordOf(__func__, cityPtr);
    if (!lifeIndexPtr)
        return UNSUPPORTED_TEXT;
    PrecipitationPtr precipitationPtr = lifeIndexPtr->GetPrecipitation();
    RETURN_IF(!precipitationPtr, UNSUPPORTED_TEXT);
    return DoubleString(__func__,
                        isDay ? precipitationPtr->GetPrecProbability() : precipitationPtr->GetPrecProbabilityNight());
}

std::string LifeIndexData::GetRealFeelString(const CityPtr& cityPtr)
{
    LifeIndexPtr lifeIndexPtr = RecordOf(__func__, cityPtr);
    if (!lifeIndexPtr)
        return UNSUPPORTED_TEXT;
    TemperaturePtr realfeelPtr = lifeIndexPtr->GetRealfeel();
    RETURN_IF(!realfeelPtr, UNSUPPORTED_TEXT);
    // The settings' unit, as the other temperatures: Celsius exactly when it is 1.
    const bool celsius = DataManager::GetInstance()->GetTemperatureUnit() == 1;
    return DoubleString(__func__, celsius ? realfeelPtr->GetCelsius() : realfeelPtr->GetFahrenheit());
}

std::string LifeIndexData::GetVisibilityString(const CityPtr& cityPtr)
{
    LifeIndexPtr lifeIndexPtr = RecordOf(__func__, cityPtr);
    if (!lifeIndexPtr)
        return UNSUPPORTED_TEXT;
    return DoubleString(__func__, lifeIndexPtr->GetVisibility());
}

std::string LifeIndexData::GetWindSpeedString(const CityPtr& cityPtr, bool isDay)
{
    LifeIndexPtr lifeIndexPtr = RecordOf(__func__, cityPtr);
    if (!lifeIndexPtr)
        return UNSUPPORTED_TEXT;
    WindPtr windPtr = lifeIndexPtr->GetWind();
    RETURN_IF(!windPtr, UNSUPPORTED_TEXT);
    return DoubleString(__func__, isDay ? windPtr->GetWindSpeed() : windPtr->GetWindNightSpeed());
}

std::string LifeIndexData::GetUVindexString(const CityPtr& cityPtr)
{
    LifeIndexPtr lifeIndexPtr = RecordOf(__func__, cityPtr);
    if (!lifeIndexPtr)
        return UNSUPPORTED_TEXT;
    const int32_t value = lifeIndexPtr->GetUvIndex();
    RETURN_IF(value == UNSUPPORTED_VALUE, UNSUPPORTED_TEXT);
    const int32_t cpType = CPType::GetInstance()->GetCPType();
    if (cpType == WEATHER_CP_TYPE_ACCUWEATHER || cpType == WEATHER_CP_TYPE_TWC) {
        const std::string& text = lifeIndexPtr->GetUvIndexText();
        std::shared_ptr<VconfUtil> vconfUtil = VconfUtilFactory::Make();
        const bool retail = vconfUtil && vconfUtil->GetIsRetailMode();
        // The provider's own text, unless it is a marker or a demo device shows it.
        if (text != UNSUPPORTED_TEXT_NEGATIVE && text != UNSUPPORTED_TEXT && !text.empty() && !retail)
            return text;
        LOGE("there is no uv index text even if accuweather or retail mode");
    }
    std::string key = GradeKey(LIFE_INDEX_UV, cpType, value, LanguageHelper::GetInstance()->GetLanguage(), __func__);
    return key == UNSUPPORTED_TEXT ? key : Localized(key);
}

std::string LifeIndexData::GetGradeString(const CityPtr& cityPtr, int lifeIndexType,
                                          int32_t (LifeIndex::*field)() const, const char* func)
{
    return GradeString(func, cityPtr, lifeIndexType, field);
}

#define GRADE_STRING(OPERATION, KIND, FIELD)                                                                           \
    std::string LifeIndexData::OPERATION(const CityPtr& cityPtr)                                                       \
    {                                                                                                                  \
        return GradeString(__func__, cityPtr, KIND, &LifeIndex::FIELD);                                                \
    }

GRADE_STRING(GetPM25String, LIFE_INDEX_PM25, GetPm25)
GRADE_STRING(GetPM10String, LIFE_INDEX_PM10, GetPm10)
GRADE_STRING(GetAQIString, LIFE_INDEX_AQI, GetAqi)
GRADE_STRING(GetOutdoorExcerciseString, LIFE_INDEX_OUTDOOR_EXCERCISE, GetOutdoorExcercise)
GRADE_STRING(GetComfortString, LIFE_INDEX_COMFORT, GetComfort)
GRADE_STRING(GetClothingString, LIFE_INDEX_CLOTHING, GetClothing)
GRADE_STRING(GetSkincareString, LIFE_INDEX_SKINCARE, GetSkincare)
GRADE_STRING(GetCarwashString, LIFE_INDEX_CARWASH, GetCarwash)
GRADE_STRING(GetFoodPoisonString, LIFE_INDEX_FOOD_POISON, GetFoodPoison)
GRADE_STRING(GetHeatString, LIFE_INDEX_HEAT, GetHeat)
GRADE_STRING(GetHeatStrokeString, LIFE_INDEX_HEAT_STROKE, GetHeatStroke)
GRADE_STRING(GetSpoiledFoodString, LIFE_INDEX_SPOILED_FOOD, GetSpoiledFood)
GRADE_STRING(GetDiscomfortString, LIFE_INDEX_DISCOMFORT, GetDiscomfort)
GRADE_STRING(GetFrozenPipesString, LIFE_INDEX_FROZEN_PIPES, GetFrozenPipes)
GRADE_STRING(GetFrostbiteString, LIFE_INDEX_FROSTBITE, GetFrostbite)
GRADE_STRING(GetColdString, LIFE_INDEX_COLD, GetCold)
GRADE_STRING(GetPollenString, LIFE_INDEX_POLLEN, GetPollen)
GRADE_STRING(GetAirDustString, LIFE_INDEX_AIR_DUST, GetAirDust)
GRADE_STRING(GetDryskinString, LIFE_INDEX_DRY_SKIN, GetDrySkin)
GRADE_STRING(GetAllergyString, LIFE_INDEX_ALLERGY, GetAllergy)
GRADE_STRING(GetAirPolutionString, LIFE_INDEX_AIR_POLUTION, GetAirPolution)
GRADE_STRING(GetTrafficString, LIFE_INDEX_TRAFFIC, GetTraffic)
GRADE_STRING(GetFishingString, LIFE_INDEX_FISHING, GetFishing)
GRADE_STRING(GetCosmeticString, LIFE_INDEX_COSMETIC, GetCosmetic)
GRADE_STRING(GetDryClothingString, LIFE_INDEX_DRY_CLOTHING, GetDryClothing)
GRADE_STRING(GetKHAIString, LIFE_INDEX_KHAI, GetKhai)

#undef GRADE_STRING

std::string LifeIndexData::GetWindDirectionIconName(const CityPtr& cityPtr, bool isDay)
{
    LifeIndexPtr lifeIndexPtr = RecordOf(__func__, cityPtr);
    if (!lifeIndexPtr)
        return UNSUPPORTED_TEXT;
    WindPtr windPtr = lifeIndexPtr->GetWind();
    RETURN_IF(!windPtr, UNSUPPORTED_TEXT);
    const double direction = isDay ? windPtr->GetWindDirection() : windPtr->GetWindNightDirection();
    const double speed = isDay ? windPtr->GetWindSpeed() : windPtr->GetWindNightSpeed();
    RETURN_IF(direction == FLOAT_UNSUPPORTED_VALUE, UNSUPPORTED_TEXT);
    RETURN_IF(speed == FLOAT_UNSUPPORTED_VALUE, UNSUPPORTED_TEXT);
    LOGE("wind speed: %lf, wind direction: %lf", speed, direction);
    return WindDirectionIconBase(CPType::GetInstance()->GetCPType(), direction, speed);
}
