#include "typedef/LifeIndexData.h"

#include <libintl.h>

#include "typedef/CPType.h"
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

bool IsDayNow(const CityPtr& cityPtr)
{
    TimeHelper* timeHelper = TimeHelper::GetInstance();
    return timeHelper->GetIsDay(cityPtr, timeHelper->GetCurrentTime());
}

int32_t GradedField(const LifeIndex& lifeIndex, int kind)
{
    switch (kind) {
    case LIFE_INDEX_PM25:
        return lifeIndex.GetPm25();
    case LIFE_INDEX_PM10:
        return lifeIndex.GetPm10();
    case LIFE_INDEX_AQI:
        return lifeIndex.GetAqi();
    case LIFE_INDEX_UV:
        return lifeIndex.GetUvIndex();
    case LIFE_INDEX_OUTDOOR_EXCERCISE:
        return lifeIndex.GetOutdoorExcercise();
    case LIFE_INDEX_COMFORT:
        return lifeIndex.GetComfort();
    case LIFE_INDEX_CLOTHING:
        return lifeIndex.GetClothing();
    case LIFE_INDEX_SKINCARE:
        return lifeIndex.GetSkincare();
    case LIFE_INDEX_CARWASH:
        return lifeIndex.GetCarwash();
    case LIFE_INDEX_FOOD_POISON:
        return lifeIndex.GetFoodPoison();
    case LIFE_INDEX_HEAT:
        return lifeIndex.GetHeat();
    case LIFE_INDEX_HEAT_STROKE:
        return lifeIndex.GetHeatStroke();
    case LIFE_INDEX_SPOILED_FOOD:
        return lifeIndex.GetSpoiledFood();
    case LIFE_INDEX_DISCOMFORT:
        return lifeIndex.GetDiscomfort();
    case LIFE_INDEX_FROZEN_PIPES:
        return lifeIndex.GetFrozenPipes();
    case LIFE_INDEX_FROSTBITE:
        return lifeIndex.GetFrostbite();
    case LIFE_INDEX_COLD:
        return lifeIndex.GetCold();
    case LIFE_INDEX_POLLEN:
        return lifeIndex.GetPollen();
    case LIFE_INDEX_AIR_DUST:
        return lifeIndex.GetAirDust();
    case LIFE_INDEX_DRY_SKIN:
        return lifeIndex.GetDrySkin();
    case LIFE_INDEX_ALLERGY:
        return lifeIndex.GetAllergy();
    case LIFE_INDEX_AIR_POLUTION:
        return lifeIndex.GetAirPolution();
    case LIFE_INDEX_TRAFFIC:
        return lifeIndex.GetTraffic();
    case LIFE_INDEX_FISHING:
        return lifeIndex.GetFishing();
    case LIFE_INDEX_COSMETIC:
        return lifeIndex.GetCosmetic();
    case LIFE_INDEX_DRY_CLOTHING:
        return lifeIndex.GetDryClothing();
    case LIFE_INDEX_KHAI:
        return lifeIndex.GetKhai();
    default:
        return UNSUPPORTED_VALUE;
    }
}

} // namespace

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

std::string LifeIndexData::GetLifeIndexValue(const CityPtr& cityPtr, int lifeIndexType, int32_t temperatureUnit)
{
    RETURN_IF(!cityPtr, UNSUPPORTED_TEXT);
    LifeIndexPtr lifeIndexPtr = cityPtr->GetLifeIndex();
    RETURN_IF(!lifeIndexPtr, UNSUPPORTED_TEXT);
    switch (lifeIndexType) {
    case LIFE_INDEX_SUNSET:
        return GetSunsetTimeString(cityPtr);
    case LIFE_INDEX_SUNRISE:
        return GetSunriseTimeString(cityPtr);
    case LIFE_INDEX_NEXT_SUN_EVENT:
        return IsDayNow(cityPtr) ? GetSunsetTimeString(cityPtr) : GetSunriseTimeString(cityPtr);
    case LIFE_INDEX_HUMIDITY:
        return GetHumidityString(cityPtr);
    case LIFE_INDEX_UV:
        return GetUVindexString(cityPtr);
    case LIFE_INDEX_PRECIPITATION:
        return GetPrecipitationString(cityPtr, IsDayNow(cityPtr));
    case LIFE_INDEX_REALFEEL:
        return GetRealFeelString(cityPtr, temperatureUnit);
    case LIFE_INDEX_WIND:
        return GetWindSpeedString(cityPtr, IsDayNow(cityPtr));
    case LIFE_INDEX_VISIBILITY:
        return GetVisibilityString(cityPtr);
    default:
        break;
    }
    if (IsGradedKind(lifeIndexType))
        return GetGradeString(cityPtr, lifeIndexType);
    LOGE("unsupported value");
    return UNSUPPORTED_TEXT;
}

namespace {

std::string SunTimeString(const LifeIndex& lifeIndex, uint32_t (LifeIndex::*getter)() const)
{
    const uint32_t value = (lifeIndex.*getter)();
    RETURN_IF(value == UNSUPPORTED_VALUE, UNSUPPORTED_TEXT);
    std::shared_ptr<VconfUtil> vconfUtil = VconfUtilFactory::Make();
    const bool is12Hour = vconfUtil && vconfUtil->GetTimeFormat() == 1;
    return ICUHelper::GetInstance()->ConvertEpochTimeToICUDate(value, is12Hour ? kFormat12Hour : kFormat24Hour);
}

std::string DoubleString(double value)
{
    RETURN_IF(value == FLOAT_UNSUPPORTED_VALUE, UNSUPPORTED_TEXT);
    return ICUHelper::GetInstance()->ConvertDoubleToLocaleString(value);
}

} // namespace

std::string LifeIndexData::GetSunsetTimeString(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr, UNSUPPORTED_TEXT);
    LifeIndexPtr lifeIndexPtr = cityPtr->GetLifeIndex();
    RETURN_IF(!lifeIndexPtr, UNSUPPORTED_TEXT);
    return SunTimeString(*lifeIndexPtr, &LifeIndex::GetSunsetTime);
}

std::string LifeIndexData::GetSunriseTimeString(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr, UNSUPPORTED_TEXT);
    LifeIndexPtr lifeIndexPtr = cityPtr->GetLifeIndex();
    RETURN_IF(!lifeIndexPtr, UNSUPPORTED_TEXT);
    return SunTimeString(*lifeIndexPtr, &LifeIndex::GetSunriseTime);
}

std::string LifeIndexData::GetHumidityString(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr, UNSUPPORTED_TEXT);
    LifeIndexPtr lifeIndexPtr = cityPtr->GetLifeIndex();
    RETURN_IF(!lifeIndexPtr, UNSUPPORTED_TEXT);
    const int32_t value = lifeIndexPtr->GetHumidity();
    RETURN_IF(value == UNSUPPORTED_VALUE, UNSUPPORTED_TEXT);
    return ICUHelper::GetInstance()->ConvertNumberToLocaleString(value);
}

std::string LifeIndexData::GetPrecipitationString(const CityPtr& cityPtr, bool isDay)
{
    RETURN_IF(!cityPtr, UNSUPPORTED_TEXT);
    LifeIndexPtr lifeIndexPtr = cityPtr->GetLifeIndex();
    RETURN_IF(!lifeIndexPtr, UNSUPPORTED_TEXT);
    PrecipitationPtr precipitationPtr = lifeIndexPtr->GetPrecipitation();
    RETURN_IF(!precipitationPtr, UNSUPPORTED_TEXT);
    return DoubleString(isDay ? precipitationPtr->GetPrecProbability() : precipitationPtr->GetPrecProbabilityNight());
}

std::string LifeIndexData::GetRealFeelString(const CityPtr& cityPtr, int32_t temperatureUnit)
{
    RETURN_IF(!cityPtr, UNSUPPORTED_TEXT);
    LifeIndexPtr lifeIndexPtr = cityPtr->GetLifeIndex();
    RETURN_IF(!lifeIndexPtr, UNSUPPORTED_TEXT);
    TemperaturePtr realfeelPtr = lifeIndexPtr->GetRealfeel();
    RETURN_IF(!realfeelPtr, UNSUPPORTED_TEXT);
    // The unit flag of the temperature texts: Celsius exactly when the unit is 1.
    return DoubleString(temperatureUnit == 1 ? realfeelPtr->GetCelsius() : realfeelPtr->GetFahrenheit());
}

std::string LifeIndexData::GetVisibilityString(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr, UNSUPPORTED_TEXT);
    LifeIndexPtr lifeIndexPtr = cityPtr->GetLifeIndex();
    RETURN_IF(!lifeIndexPtr, UNSUPPORTED_TEXT);
    return DoubleString(lifeIndexPtr->GetVisibility());
}

std::string LifeIndexData::GetWindSpeedString(const CityPtr& cityPtr, bool isDay)
{
    RETURN_IF(!cityPtr, UNSUPPORTED_TEXT);
    LifeIndexPtr lifeIndexPtr = cityPtr->GetLifeIndex();
    RETURN_IF(!lifeIndexPtr, UNSUPPORTED_TEXT);
    WindPtr windPtr = lifeIndexPtr->GetWind();
    RETURN_IF(!windPtr, UNSUPPORTED_TEXT);
    return DoubleString(isDay ? windPtr->GetWindSpeed() : windPtr->GetWindNightSpeed());
}

std::string LifeIndexData::GetUVindexString(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr, UNSUPPORTED_TEXT);
    LifeIndexPtr lifeIndexPtr = cityPtr->GetLifeIndex();
    RETURN_IF(!lifeIndexPtr, UNSUPPORTED_TEXT);
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
    std::string key = GradeKey(LIFE_INDEX_UV, cpType, value, LanguageHelper::GetInstance()->GetLanguage());
    return key == UNSUPPORTED_TEXT ? key : Localized(key);
}

std::string LifeIndexData::GetGradeString(const CityPtr& cityPtr, int lifeIndexType)
{
    // Fishing and cosmetic answer an empty text for a value not supplied.
    const bool emptyWhenMissing = lifeIndexType == LIFE_INDEX_FISHING || lifeIndexType == LIFE_INDEX_COSMETIC;
    const std::string missing = emptyWhenMissing ? std::string() : std::string(UNSUPPORTED_TEXT);
    RETURN_IF(!cityPtr, missing);
    LifeIndexPtr lifeIndexPtr = cityPtr->GetLifeIndex();
    RETURN_IF(!lifeIndexPtr, missing);
    if (lifeIndexType == LIFE_INDEX_UV)
        return GetUVindexString(cityPtr);
    const int32_t value = GradedField(*lifeIndexPtr, lifeIndexType);
    RETURN_IF(value == UNSUPPORTED_VALUE, missing);
    std::string key = GradeKey(lifeIndexType, CPType::GetInstance()->GetCPType(), value,
                               LanguageHelper::GetInstance()->GetLanguage());
    return key == UNSUPPORTED_TEXT ? key : Localized(key);
}

std::string LifeIndexData::GetWindDirectionIconName(const CityPtr& cityPtr, bool isDay)
{
    RETURN_IF(!cityPtr, UNSUPPORTED_TEXT);
    LifeIndexPtr lifeIndexPtr = cityPtr->GetLifeIndex();
    RETURN_IF(!lifeIndexPtr, UNSUPPORTED_TEXT);
    WindPtr windPtr = lifeIndexPtr->GetWind();
    RETURN_IF(!windPtr, UNSUPPORTED_TEXT);
    const double direction = isDay ? windPtr->GetWindDirection() : windPtr->GetWindNightDirection();
    const double speed = isDay ? windPtr->GetWindSpeed() : windPtr->GetWindNightSpeed();
    RETURN_IF(direction == FLOAT_UNSUPPORTED_VALUE, UNSUPPORTED_TEXT);
    RETURN_IF(speed == FLOAT_UNSUPPORTED_VALUE, UNSUPPORTED_TEXT);
    LOGE("wind speed: %lf, wind direction: %lf", speed, direction);
    return WindDirectionIconBase(CPType::GetInstance()->GetCPType(), direction, speed);
}
