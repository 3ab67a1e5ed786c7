#ifndef WEATHER_COMMON_LIFE_INDEX_DATA_H
#define WEATHER_COMMON_LIFE_INDEX_DATA_H

#include <cstdint>
#include <string>
#include <vector>

#include "typedef/City.h"
#include "utils/Pattern.h"
#include "utils/Ref.h"

// The life-index kinds a weather screen can show. LIFE_INDEX_EMPTY ends a
// candidate list.
enum LIFE_INDEX_TYPE : int32_t {
    LIFE_INDEX_SUNSET = 0,
    LIFE_INDEX_SUNRISE,
    LIFE_INDEX_NEXT_SUN_EVENT, // sunset by day, sunrise at night
    LIFE_INDEX_HUMIDITY,
    LIFE_INDEX_PM25,
    LIFE_INDEX_PM10,
    LIFE_INDEX_AQI,
    LIFE_INDEX_UV,
    LIFE_INDEX_PRECIPITATION,
    LIFE_INDEX_REALFEEL,
    LIFE_INDEX_OUTDOOR_EXCERCISE, // 10
    LIFE_INDEX_COMFORT,
    LIFE_INDEX_CLOTHING,
    LIFE_INDEX_SKINCARE,
    LIFE_INDEX_CARWASH,
    LIFE_INDEX_FOOD_POISON,
    LIFE_INDEX_HEAT,
    LIFE_INDEX_HEAT_STROKE,
    LIFE_INDEX_SPOILED_FOOD,
    LIFE_INDEX_DISCOMFORT,
    LIFE_INDEX_FROZEN_PIPES, // 20
    LIFE_INDEX_FROSTBITE,
    LIFE_INDEX_COLD,
    LIFE_INDEX_POLLEN,
    LIFE_INDEX_AIR_DUST,
    LIFE_INDEX_DRY_SKIN,
    LIFE_INDEX_WIND,
    LIFE_INDEX_VISIBILITY,
    LIFE_INDEX_ALLERGY,
    LIFE_INDEX_AIR_POLUTION,
    LIFE_INDEX_TRAFFIC, // 30
    LIFE_INDEX_FISHING,
    LIFE_INDEX_COSMETIC,
    LIFE_INDEX_DRY_CLOTHING,
    LIFE_INDEX_KHAI,
    LIFE_INDEX_EMPTY, // 35
};

// Titles, icons and value texts of a city's life index. Holds no weather
// data: every operation reads the LifeIndex record of the city it is given.
// Titles and graded values are message keys of the "weather" catalogue;
// numbers and times follow the device locale. Values answer "9999" when the
// provider did not supply them.
class LifeIndexData : public Ref {
public:
    DECLARE_MAKE(LifeIndexData)

    bool Init() override;
    ~LifeIndexData() override = default;

    std::string GetLifeIndexTitle(const CityPtr& cityPtr, int lifeIndexType);
    // Base name + ".png".
    std::string GetLifeIndexIconName(const CityPtr& cityPtr, int lifeIndexType);
    // The value text of the kind, by the kind's own operation below.
    std::string GetLifeIndexValue(const CityPtr& cityPtr, int lifeIndexType);

    std::string GetSunsetTimeString(const CityPtr& cityPtr);
    std::string GetSunriseTimeString(const CityPtr& cityPtr);
    std::string GetHumidityString(const CityPtr& cityPtr);
    std::string GetPrecipitationString(const CityPtr& cityPtr, bool isDay);
    // In the settings' temperature unit.
    std::string GetRealFeelString(const CityPtr& cityPtr);
    std::string GetVisibilityString(const CityPtr& cityPtr);
    std::string GetWindSpeedString(const CityPtr& cityPtr, bool isDay);
    std::string GetUVindexString(const CityPtr& cityPtr);

    // The graded kinds: the localized grade text of the current provider's
    // scale. Fishing and cosmetic answer an empty text when not supplied.
    std::string GetPM25String(const CityPtr& cityPtr);
    std::string GetPM10String(const CityPtr& cityPtr);
    std::string GetAQIString(const CityPtr& cityPtr);
    std::string GetOutdoorExcerciseString(const CityPtr& cityPtr);
    std::string GetComfortString(const CityPtr& cityPtr);
    std::string GetClothingString(const CityPtr& cityPtr);
    std::string GetSkincareString(const CityPtr& cityPtr);
    std::string GetCarwashString(const CityPtr& cityPtr);
    std::string GetFoodPoisonString(const CityPtr& cityPtr);
    std::string GetHeatString(const CityPtr& cityPtr);
    std::string GetHeatStrokeString(const CityPtr& cityPtr);
    std::string GetSpoiledFoodString(const CityPtr& cityPtr);
    std::string GetDiscomfortString(const CityPtr& cityPtr);
    std::string GetFrozenPipesString(const CityPtr& cityPtr);
    std::string GetFrostbiteString(const CityPtr& cityPtr);
    std::string GetColdString(const CityPtr& cityPtr);
    std::string GetPollenString(const CityPtr& cityPtr);
    std::string GetAirDustString(const CityPtr& cityPtr);
    std::string GetDryskinString(const CityPtr& cityPtr);
    std::string GetAllergyString(const CityPtr& cityPtr);
    std::string GetAirPolutionString(const CityPtr& cityPtr);
    std::string GetTrafficString(const CityPtr& cityPtr);
    std::string GetFishingString(const CityPtr& cityPtr);
    std::string GetCosmeticString(const CityPtr& cityPtr);
    std::string GetDryClothingString(const CityPtr& cityPtr);
    std::string GetKHAIString(const CityPtr& cityPtr);

    // The grade text of a graded kind whose value field holds; func names the
    // operation in the guard lines (the named operations above use it).
    std::string GetGradeString(const CityPtr& cityPtr, int lifeIndexType, int32_t (LifeIndex::*field)() const,
                               const char* func = "GetLifeIndexValue");

    // Base name without ".png"; "9999" when the wind is not known.
    std::string GetWindDirectionIconName(const CityPtr& cityPtr, bool isDay);

    // --- The tables, without a city, for the operations above and for tests. ---

    // Message key of the grade of value for the kind and provider; "9999"
    // when no scale or row covers it. language decides traditional against
    // simplified Chinese texts; caller names the operation in the log lines.
    static std::string GradeKey(int lifeIndexType, int32_t cpType, int32_t value, const std::string& language,
                                const char* caller = "GradeKey");
    // Icon base name of a wind of this direction and speed.
    static std::string WindDirectionIconBase(int32_t cpType, double direction, double speed);
    // Every message key the tables can look up (titles and grades), each once.
    static std::vector<std::string> GetCatalogueKeys();

private:
    LifeIndexData() = default;

    // The value text of one kind (LifeIndexDataTables.cpp); null for a kind
    // that has none.
    using ValueText = std::string (*)(LifeIndexData& data, const CityPtr& cityPtr);
    static ValueText ValueTextOf(int lifeIndexType);
    static bool IsDayNow(const CityPtr& cityPtr);
};

#endif
