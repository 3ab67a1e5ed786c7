// The constant tables of the life-index texts: grade scales by kind and
// provider, titles, icon names and the wind direction icons. No formatting
// and no catalogue lookups here, so the tables can be read and tested alone.

#include "typedef/LifeIndexDataTables.h"

#include <algorithm>
#include <set>

#include "typedef/CPType.h"
#include "typedef/LifeIndexData.h"
#include "typedef/WeatherDataMarkers.h"
#include "utils/LanguageRules.h"
#include "utils/Log.h"

namespace {

// How one grade row matches a value; rows are tried in order.
enum class Op { Below, AtMost, Is, Range, From, Above, Any };

struct GradeRow {
    Op op;
    int32_t a;
    int32_t b;
    const char* key;
    const char* traditionalKey; // Chinese texts only: used for zh_TW and zh_HK
};

constexpr uint32_t Cp(int32_t type)
{
    return 1u << type;
}
constexpr uint32_t kAnyCp = 0x7Fu;
constexpr uint32_t kKoreanCp = Cp(WEATHER_CP_TYPE_KWEATHER) | Cp(WEATHER_CP_TYPE_WEATHERNEWS_KR);
constexpr uint32_t kChineseCp = Cp(WEATHER_CP_TYPE_CMAWEATHER) | Cp(WEATHER_CP_TYPE_WCN);

// One scale: the kind, the providers it serves, its rows.
struct GradeScale {
    int kind;
    uint32_t providers;
    std::vector<GradeRow> rows;
};

GradeRow Below(int32_t a, const char* key, const char* tw = nullptr)
{
    return {Op::Below, a, 0, key, tw};
}
GradeRow AtMost(int32_t a, const char* key)
{
    return {Op::AtMost, a, 0, key, nullptr};
}
GradeRow Is(int32_t a, const char* key)
{
    return {Op::Is, a, 0, key, nullptr};
}
GradeRow Range(int32_t a, int32_t b, const char* key, const char* tw = nullptr)
{
    return {Op::Range, a, b, key, tw};
}
GradeRow From(int32_t a, const char* key)
{
    return {Op::From, a, 0, key, nullptr};
}
GradeRow Above(int32_t a, const char* key, const char* tw = nullptr)
{
    return {Op::Above, a, 0, key, tw};
}
GradeRow Any(const char* key)
{
    return {Op::Any, 0, 0, key, nullptr};
}

constexpr const char* kGood = "IDS_HEALTH_BODY_GOOD_M_LEVEL";
constexpr const char* kModerate = "IDS_WGT_SBODY_MODERATE_M_AIR_QUALITY_INDEX_CHN";
constexpr const char* kBad = "IDS_GN_BODY_BAD_M_OUTDOOR_CONDITION";
constexpr const char* kVeryHighPm = "IDS_GN_BODY_VERY_HIGH_M_PM10_CATEGORY_ABB_KOR";
constexpr const char* kLow = "IDS_WGT_BODY_LOW_M_LIFE_INDEX";
constexpr const char* kHigh = "IDS_WGT_BODY_HIGH_M_LIFE_INDEX";
constexpr const char* kVeryHigh = "IDS_WGT_BODY_VERY_HIGH_M_LIFE_INDEX";
constexpr const char* kLowJp = "IDS_WGT_BODY_LOW_M_DISCOMFORTVALUE_ABB_JPN";
constexpr const char* kHighJp = "IDS_WGT_BODY_HIGH_M_DISCOMFORTVALUE_ABB_JPN";
constexpr const char* kVeryHighIndex = "IDS_GN_BODY_VERY_HIGH_M_WEATHER_INDEX";
constexpr const char* kLowPollenJp = "IDS_WGT_BODY_LOW_M_POLLEN_VALUE_ABB_JPN";
constexpr const char* kHighPollenJp = "IDS_WGT_BODY_HIGH_M_POLLEN_VALUE_ABB_JPN";
constexpr const char* kVeryHighAmount = "IDS_GN_BODY_VERY_HIGH_M_AMOUNT";

// The six Chinese air quality grades with their limits.
std::vector<GradeRow> ChineseAir(int32_t l1, int32_t l2, int32_t l3, int32_t l4, int32_t heavyTo)
{
    return {Below(l1, "优", "優質"),
            Below(l2, "良", "良好"),
            Below(l3, "轻度污染", "輕度"),
            Below(l4, "中度污染", "中度"),
            Range(l4, heavyTo, "重度污染", "重度"),
            Above(heavyTo, "严重污染", "嚴重")};
}

std::vector<GradeRow> HeatStrokeRows()
{
    return {Below(21, kLowJp), Range(21, 70, kHighJp), Above(70, kVeryHighIndex)};
}

std::vector<GradeRow> LowToVeryHighByLevel()
{
    return {Below(2, kLow), Is(2, kModerate), Is(3, kHigh), Above(3, kVeryHigh)};
}

std::vector<GradeRow> SkincareRows()
{
    return {Is(0, "保湿"), Is(1, "保湿防晒"), Is(2, "去油防晒"), Is(3, "防脱水"), Is(4, "防脱水防晒"), Is(5, "去油")};
}

std::vector<GradeRow> UvGradeRows()
{
    return {Is(0, "IDS_GN_BODY_LOW_M_WEATHER_INDEX"), Is(1, kModerate), Is(2, "IDS_GN_BODY_HIGH_M_WEATHER_INDEX"),
            Is(3, kVeryHighIndex), Is(4, "IDS_GN_BODY_SEVERE_M_PARTICULATES_LEVEL")};
}

// In the order of the checks: for a kind, the first scale that serves the
// provider is used. Where a kind names some providers only, the others take
// the Korean providers' scale (heat, discomfort, pollen); fishing and
// cosmetic follow the Chinese suitability and skin care scales.
const std::vector<GradeScale>& Scales()
{
    static const std::vector<GradeScale> scales = {
        {LIFE_INDEX_PM25, Cp(WEATHER_CP_TYPE_WCN), ChineseAir(36, 76, 116, 151, 250)},
        {LIFE_INDEX_PM25,
         kKoreanCp,
         {Below(16, kGood), Below(51, kModerate), Below(101, kBad), From(101, kVeryHighPm)}},
        {LIFE_INDEX_PM25,
         Cp(WEATHER_CP_TYPE_WEATHERNEWS),
         {Below(35, kLowPollenJp), Range(35, 69, kHighPollenJp), Above(69, kVeryHighAmount)}},
        {LIFE_INDEX_PM10, Cp(WEATHER_CP_TYPE_WCN), ChineseAir(51, 151, 251, 351, 420)},
        {LIFE_INDEX_PM10,
         kAnyCp & ~Cp(WEATHER_CP_TYPE_WCN),
         {AtMost(1, kGood), Is(2, kModerate), Range(3, 4, kBad), Above(4, kVeryHighPm)}},
        {LIFE_INDEX_AQI, Cp(WEATHER_CP_TYPE_WCN), ChineseAir(51, 101, 151, 201, 300)},
        {LIFE_INDEX_UV, Cp(WEATHER_CP_TYPE_ACCUWEATHER) | Cp(WEATHER_CP_TYPE_TWC) | kKoreanCp, UvGradeRows()},
        {LIFE_INDEX_UV, kChineseCp, {Is(0, "最弱"), Is(1, "弱"), Is(2, "中等"), Is(3, "强"), Is(4, "很强")}},
        {LIFE_INDEX_UV, Cp(WEATHER_CP_TYPE_WEATHERNEWS), {Is(2, kHighJp), Is(3, kVeryHighIndex), Is(1, kLowJp)}},
        {LIFE_INDEX_COMFORT,
         kAnyCp,
         {Is(0, "舒适"), Is(1, "较舒适"), Is(2, "较不舒适"), Is(3, "很不舒适"), Is(4, "极不舒适")}},
        {LIFE_INDEX_CLOTHING,
         kAnyCp,
         {Is(0, "炎热"), Is(1, "热"), Is(2, "舒适"), Is(3, "较舒适"), Is(4, "较冷"), Is(5, "冷"), Is(6, "寒冷")}},
        {LIFE_INDEX_SKINCARE, kAnyCp, SkincareRows()},
        {LIFE_INDEX_OUTDOOR_EXCERCISE, kAnyCp, {Is(1, "较适宜"), Is(2, "较不宜"), Any("适宜")}},
        {LIFE_INDEX_ALLERGY,
         kAnyCp,
         {Is(0, "极不易发"), Is(1, "不易发"), Is(2, "较易发"), Is(3, "易发"), Is(4, "极易发")}},
        {LIFE_INDEX_AIR_POLUTION, kAnyCp, {Is(0, "优"), Is(1, "良"), Is(2, "中"), Is(3, "较差"), Is(4, "很差")}},
        {LIFE_INDEX_TRAFFIC, kAnyCp, {Is(0, "良好"), Is(1, "较好"), Is(2, "一般"), Is(3, "较差"), Is(4, "很差")}},
        {LIFE_INDEX_DRY_CLOTHING,
         kAnyCp,
         {Is(0, "极适宜"), Is(1, "适宜"), Is(2, "基本适宜"), Is(3, "不太适宜"), Is(4, "不宜")}},
        {LIFE_INDEX_KHAI, kAnyCp, {Is(1, kGood), Is(2, kModerate), Is(3, kBad), Is(4, kVeryHighPm)}},
        {LIFE_INDEX_FOOD_POISON,
         kAnyCp,
         {Below(30, "IDS_IM_BODY_INTERESTS"), Below(60, "IDS_ST_POP_CAUTION"),
          Range(60, 89, "IDS_ST_HEADER_WARNING_ABB2"), Above(89, "IDS_GN_BODY_SEVERE_M_PARTICULATES_LEVEL")}},
        {LIFE_INDEX_SPOILED_FOOD, kAnyCp, {Below(3, kLow), Range(3, 6, kModerate), Above(6, kHigh)}},
        {LIFE_INDEX_FROZEN_PIPES,
         kAnyCp,
         {Below(26, kLow), Below(51, kModerate), Range(51, 75, kHigh), Above(75, kVeryHigh)}},
        {LIFE_INDEX_FROSTBITE, kAnyCp, {Below(-5, kHigh), Range(-5, -2, kModerate), From(-1, kLow)}},
        {LIFE_INDEX_HEAT_STROKE, kAnyCp, HeatStrokeRows()},
        {LIFE_INDEX_DRY_SKIN, kAnyCp, HeatStrokeRows()},
        {LIFE_INDEX_AIR_DUST,
         kAnyCp,
         {Below(501, kLowPollenJp), Range(501, 1000, kHighPollenJp), Above(1000, kVeryHighAmount)}},
        {LIFE_INDEX_HEAT, Cp(WEATHER_CP_TYPE_WEATHERNEWS), HeatStrokeRows()},
        {LIFE_INDEX_HEAT,
         kAnyCp,
         {Below(32, kLow), Below(41, kModerate), Range(41, 53, kHigh), Above(53, kVeryHighIndex)}},
        {LIFE_INDEX_DISCOMFORT, Cp(WEATHER_CP_TYPE_WEATHERNEWS), HeatStrokeRows()},
        {LIFE_INDEX_DISCOMFORT,
         kAnyCp,
         {Below(68, kLow), Below(75, kModerate), Range(75, 79, "IDS_GN_BODY_HIGH_M_WEATHER_INDEX"),
          Above(79, kVeryHighIndex)}},
        {LIFE_INDEX_POLLEN,
         Cp(WEATHER_CP_TYPE_WEATHERNEWS),
         {Below(26, kLowPollenJp), Range(26, 50, kHighPollenJp), Above(50, kVeryHighAmount)}},
        {LIFE_INDEX_POLLEN, kAnyCp, LowToVeryHighByLevel()},
        {LIFE_INDEX_COLD, Cp(WEATHER_CP_TYPE_WCN), {Is(0, "少发"), Is(1, "较易发"), Is(2, "易发"), Is(3, "极易发")}},
        {LIFE_INDEX_COLD, kAnyCp, LowToVeryHighByLevel()},
        {LIFE_INDEX_CARWASH,
         kKoreanCp,
         {Is(1, kModerate), Is(3, "IDS_WGT_BODY_HIGH_M_AIR_QUALITY_INDEX"),
          Any("IDS_WGT_BODY_GOOD_M_AIR_QUALITY_INDEX")}},
        {LIFE_INDEX_CARWASH, kChineseCp, {Is(0, "适宜"), Is(1, "较适宜"), Is(2, "较不宜"), Is(3, "不宜")}},
        {LIFE_INDEX_FISHING, kAnyCp, {Is(1, "适宜"), Is(2, "较适宜"), Is(3, "不宜")}},
        {LIFE_INDEX_COSMETIC, kAnyCp, SkincareRows()},
    };
    return scales;
}

bool Matches(const GradeRow& row, int32_t v)
{
    switch (row.op) {
    case Op::Below:
        return v < row.a;
    case Op::AtMost:
        return v <= row.a;
    case Op::Is:
        return v == row.a;
    case Op::Range:
        return v >= row.a && v <= row.b;
    case Op::From:
        return v >= row.a;
    case Op::Above:
        return v > row.a;
    case Op::Any:
        return true;
    }
    return false;
}

bool IsTraditionalChinese(const std::string& language)
{
    return LanguageHas(language, kTraditionalChinese);
}

struct KindText {
    const char* title;
    const char* icon;
};

// Titles and icon base names by kind; the kinds that depend on the provider
// or on day and night are resolved by the callers.
const KindText kKindTexts[LIFE_INDEX_EMPTY] = {
    {"IDS_WGT_BODY_SUNSET", "weather_details_lifeindex_icon_sunset"},
    {"IDS_WGT_BODY_SUNRISE", "weather_details_lifeindex_icon_sunrise"},
    {"IDS_WGT_BODY_SUNSET", "weather_details_lifeindex_icon_sunset"},
    {"IDS_WGT_POP_HUMIDITY", "weather_details_lifeindex_icon_humidity"},
    {"IDS_WGT_BODY_PM25_M_PARTICULATES_ABB", "weather_details_lifeindex_icon_pm25"},
    {"IDS_WGT_HEADER_FINE_DUST_M_LIFE_INDEX_KOR", "weather_details_lifeindex_icon_pm"},
    {"AQI", "weather_details_lifeindex_icon_aqi_"},
    {"IDS_WGT_BODY_UV_INDEX", "weather_details_lifeindex_icon_uv"},
    {"WDS_AW_MBODY_PROBABILITY_OF_PRECIPITATION_ABB", "weather_icon_precipitation"},
    {"IDS_WGT_HEADER_FEELS_LIKE_M_LIFE_INDEX_KOR", "weather_details_lifeindex_icon_feels_like"},
    {"IDS_WGT_BODY_OUTDOOR_EXERCISE_ABB_CHN", "weather_details_lifeindex_icon_outdoor"},
    {"IDS_WGT_BODY_COMFORT_ABB_CHN", "weather_details_lifeindex_icon_discomfort"},
    {"IDS_WGT_BODY_CLOTHING_ABB_CHN", "weather_details_lifeindex_icon_clothing"},
    {"IDS_WGT_BODY_SKINCARE_ABB_CHN", "weather_details_lifeindex_icon_skincare"},
    {"IDS_WGT_BODY_CAR_WASHING_ABB_CHN", "weather_details_lifeindex_icon_car_wash_index"},
    {"IDS_WGT_MBODY_RISK_OF_FOOD_POISONING_KOR", "weather_details_lifeindex_icon_food_poisoning"},
    {"IDS_WGT_HEADER_HEAT_M_LIFE_INDEX_KOR", "weather_details_lifeindex_icon_heat"},
    {"IDS_WGT_BODY_HEAT_M_HEAT_STRENGTH_ABB", "weather_details_lifeindex_icon_heat_stroke"},
    {"IDS_WGT_HEADER_RISK_OF_SPOILED_FOOD_M_LIFE_INDEX_KOR", "weather_details_lifeindex_icon_spoiled_food"},
    {"IDS_WGT_BODY_DISCOMFORT_M_WEATHER_ABB", "weather_details_lifeindex_icon_discomfort"},
    {"IDS_WGT_HEADER_RISK_OF_FROZEN_BURST_PIPES_M_LIFE_INDEX_KOR", "weather_details_lifeindex_icon_risk_of_frozen"},
    {"IDS_WGT_MBODY_RISK_OF_FROSTBITE_KOR", "weather_details_lifeindex_icon_risk_of_frostbite"},
    {"IDS_WGT_MBODY_RISK_OF_CATCHING_COLD_KOR", "weather_details_lifeindex_icon_catching_cold"},
    {"IDS_WGT_MBODY_POLLEN_KOR", "weather_details_lifeindex_icon_pollen"},
    {"IDS_WGT_BODY_AIR_DUST_M_WEATHER_ABB2", "weather_details_lifeindex_icon_yellowdust"},
    {"IDS_WGT_BODY_DRY_SKIN_M_WEATHER_ABB", "weather_details_lifeindex_icon_skincare"},
    {"IDS_WGT_BODY_WIND_FORCE_ABB_CHN", nullptr},
    {"IDS_WGT_MBODY_VISIBILITY_KOR", "weather_details_lifeindex_icon_visual_range"},
    {"ORVEN_WGT_BODY_ALLERGIES_CHN", "weather_details_lifeindex_icon_allergy"},
    {"Air polution", "weather_details_lifeindex_icon_air_pollution"},
    {"Traffic", "weather_details_lifeindex_icon_skincare"},
    {"Fishing", "weather_toast_popup_fail"},
    {"Cosmetic", "weather_details_lifeindex_icon_skincare"},
    {"ORVEN_WGT_BODY_LAUNDRY_CHN", "weather_details_lifeindex_icon_laundry"},
    {"IDS_WGT_MBODY_CAI_KOR_SKT", "weather_details_lifeindex_icon_environmental_index"},
};

constexpr const char* kKoreanPm25Title = "IDS_WGT_MBODY_ULTRA_FINE_DUST_KOR_SKT";
constexpr const char* kKoreanPm25Icon = "weather_details_lifeindex_icon_ultrafine_dust";

bool IsKorean(int32_t cpType)
{
    return cpType == WEATHER_CP_TYPE_KWEATHER || cpType == WEATHER_CP_TYPE_WEATHERNEWS_KR;
}

// cmaweather's direction codes 0 to 9.
const char* const kCmaWindIcons[] = {
    "weather_details_lifeindex_icon_wind_nowind", "weather_details_lifeindex_icon_wind_northwest",
    "weather_details_lifeindex_icon_wind_east",   "weather_details_lifeindex_icon_wind_southeast",
    "weather_details_lifeindex_icon_wind_south",  "weather_details_lifeindex_icon_wind_southwest",
    "weather_details_lifeindex_icon_wind_west",   "weather_details_lifeindex_icon_wind_northwest",
    "weather_details_lifeindex_icon_wind_north",  "weather_details_lifeindex_icon_wind_whirlwind",
};

// Degree sectors: lower bound inclusive, upper bound exclusive. The icon set
// has no north-east image, so that sector shows the north-west one.
const struct {
    double from;
    double to;
    const char* icon;
} kWindSectors[] = {
    {22.5, 67.5, "weather_details_lifeindex_icon_wind_northwest"},
    {67.5, 112.5, "weather_details_lifeindex_icon_wind_east"},
    {112.5, 157.5, "weather_details_lifeindex_icon_wind_southeast"},
    {157.5, 202.5, "weather_details_lifeindex_icon_wind_south"},
    {202.5, 247.5, "weather_details_lifeindex_icon_wind_southwest"},
    {247.5, 292.5, "weather_details_lifeindex_icon_wind_west"},
    {292.5, 337.5, "weather_details_lifeindex_icon_wind_northwest"},
};

} // namespace

namespace life_index_tables {

const char* TitleKey(int kind, int32_t cpType, bool isDay)
{
    if (kind < 0 || kind >= LIFE_INDEX_EMPTY)
        return nullptr;
    if (kind == LIFE_INDEX_PM25 && IsKorean(cpType))
        return kKoreanPm25Title;
    if (kind == LIFE_INDEX_NEXT_SUN_EVENT && !isDay)
        return kKindTexts[LIFE_INDEX_SUNRISE].title;
    return kKindTexts[kind].title;
}

const char* IconBase(int kind, int32_t cpType)
{
    if (kind < 0 || kind >= LIFE_INDEX_EMPTY)
        return nullptr;
    if (kind == LIFE_INDEX_PM25 && IsKorean(cpType))
        return kKoreanPm25Icon;
    return kKindTexts[kind].icon;
}

} // namespace life_index_tables

std::string LifeIndexData::GradeKey(int lifeIndexType, int32_t cpType, int32_t value, const std::string& language,
                                    const char* caller)
{
    const bool knownCp = cpType >= 0 && cpType <= WEATHER_CP_TYPE_WCN;
    const GradeScale* scale = nullptr;
    for (const GradeScale& candidate : Scales()) {
        if (candidate.kind == lifeIndexType && knownCp && (candidate.providers & Cp(cpType)) != 0) {
            scale = &candidate;
            break;
        }
    }
    if (lifeIndexType == LIFE_INDEX_UV && (scale == nullptr || value > 4)) {
        LOGE_AT(__FILE_NAME__, caller, "Invalid mCpType[%d] and Value[%d]", cpType, value);
        return UNSUPPORTED_TEXT;
    }
    if (scale == nullptr) {
        if (lifeIndexType == LIFE_INDEX_PM25)
            LOGE_AT(__FILE_NAME__, caller, "The cp(%d) is not support PM2.5", cpType);
        else if (lifeIndexType == LIFE_INDEX_AQI)
            LOGE_AT(__FILE_NAME__, caller, "this CP[%d] does not support Car AQI index", cpType);
        else if (lifeIndexType == LIFE_INDEX_CARWASH)
            LOGE_AT(__FILE_NAME__, caller, "this CP[%d] does not support Car wash index", cpType);
        return UNSUPPORTED_TEXT;
    }
    for (const GradeRow& row : scale->rows) {
        if (Matches(row, value))
            return row.traditionalKey && IsTraditionalChinese(language) ? row.traditionalKey : row.key;
    }
    return UNSUPPORTED_TEXT;
}

std::string LifeIndexData::WindDirectionIconBase(int32_t cpType, double direction, double speed)
{
    std::string icon = "weather_details_lifeindex_icon_wind_nowind";
    if (speed <= 0)
        return icon;
    if (cpType == WEATHER_CP_TYPE_CMAWEATHER) {
        const int code = static_cast<int>(direction);
        if (code >= 0 && code <= 9)
            icon = kCmaWindIcons[code];
        else
            LOGE("Not recognized cmaDirection : %d", code);
        return icon;
    }
    if (cpType == WEATHER_CP_TYPE_WEATHERNEWS) {
        LOGE("JP is not supporting WIND-INFORMATION");
        return icon;
    }
    if (cpType < 0 || cpType > WEATHER_CP_TYPE_WCN) {
        LOGE("Not supported cp type : %d", cpType);
        return icon;
    }
    if ((direction >= 337.5 && direction <= 360.0) || (direction >= 0.0 && direction < 22.5))
        return "weather_details_lifeindex_icon_wind_north";
    for (const auto& sector : kWindSectors) {
        if (direction >= sector.from && direction < sector.to)
            return sector.icon;
    }
    return icon; // outside 0 to 360
}

std::vector<std::string> LifeIndexData::GetCatalogueKeys()
{
    std::set<std::string> keys;
    for (const KindText& text : kKindTexts)
        keys.insert(text.title);
    keys.insert(kKoreanPm25Title);
    for (const GradeScale& scale : Scales()) {
        for (const GradeRow& row : scale.rows) {
            keys.insert(row.key);
            if (row.traditionalKey)
                keys.insert(row.traditionalKey);
        }
    }
    return std::vector<std::string>(keys.begin(), keys.end());
}

LifeIndexData::ValueText LifeIndexData::ValueTextOf(int lifeIndexType)
{
    // A graded kind without an operation of its own reads through
    // d.GetGradeString(c, <kind>, &LifeIndex::Get<Field>).
    struct Entry {
        int kind;
        ValueText text;
    };
    static const Entry kEntries[] = {
        {LIFE_INDEX_SUNSET, [](LifeIndexData& d, const CityPtr& c) { return d.GetSunsetTimeString(c); }},
        {LIFE_INDEX_SUNRISE, [](LifeIndexData& d, const CityPtr& c) { return d.GetSunriseTimeString(c); }},
        {LIFE_INDEX_NEXT_SUN_EVENT,
         [](LifeIndexData& d, const CityPtr& c) {
             return IsDayNow(c) ? d.GetSunsetTimeString(c) : d.GetSunriseTimeString(c);
         }},
        {LIFE_INDEX_HUMIDITY, [](LifeIndexData& d, const CityPtr& c) { return d.GetHumidityString(c); }},
        {LIFE_INDEX_PM25, [](LifeIndexData& d, const CityPtr& c) { return d.GetPM25String(c); }},
        {LIFE_INDEX_PM10, [](LifeIndexData& d, const CityPtr& c) { return d.GetPM10String(c); }},
        {LIFE_INDEX_AQI, [](LifeIndexData& d, const CityPtr& c) { return d.GetAQIString(c); }},
        {LIFE_INDEX_UV, [](LifeIndexData& d, const CityPtr& c) { return d.GetUVindexString(c); }},
        {LIFE_INDEX_PRECIPITATION,
         [](LifeIndexData& d, const CityPtr& c) { return d.GetPrecipitationString(c, IsDayNow(c)); }},
        {LIFE_INDEX_REALFEEL, [](LifeIndexData& d, const CityPtr& c) { return d.GetRealFeelString(c); }},
        {LIFE_INDEX_OUTDOOR_EXCERCISE,
         [](LifeIndexData& d, const CityPtr& c) { return d.GetOutdoorExcerciseString(c); }},
        {LIFE_INDEX_COMFORT, [](LifeIndexData& d, const CityPtr& c) { return d.GetComfortString(c); }},
        {LIFE_INDEX_CLOTHING, [](LifeIndexData& d, const CityPtr& c) { return d.GetClothingString(c); }},
        {LIFE_INDEX_SKINCARE, [](LifeIndexData& d, const CityPtr& c) { return d.GetSkincareString(c); }},
        {LIFE_INDEX_CARWASH, [](LifeIndexData& d, const CityPtr& c) { return d.GetCarwashString(c); }},
        {LIFE_INDEX_FOOD_POISON, [](LifeIndexData& d, const CityPtr& c) { return d.GetFoodPoisonString(c); }},
        {LIFE_INDEX_HEAT, [](LifeIndexData& d, const CityPtr& c) { return d.GetHeatString(c); }},
        {LIFE_INDEX_HEAT_STROKE, [](LifeIndexData& d, const CityPtr& c) { return d.GetHeatStrokeString(c); }},
        {LIFE_INDEX_SPOILED_FOOD, [](LifeIndexData& d, const CityPtr& c) { return d.GetSpoiledFoodString(c); }},
        {LIFE_INDEX_DISCOMFORT, [](LifeIndexData& d, const CityPtr& c) { return d.GetDiscomfortString(c); }},
        {LIFE_INDEX_FROZEN_PIPES, [](LifeIndexData& d, const CityPtr& c) { return d.GetFrozenPipesString(c); }},
        {LIFE_INDEX_FROSTBITE, [](LifeIndexData& d, const CityPtr& c) { return d.GetFrostbiteString(c); }},
        {LIFE_INDEX_COLD, [](LifeIndexData& d, const CityPtr& c) { return d.GetColdString(c); }},
        {LIFE_INDEX_POLLEN, [](LifeIndexData& d, const CityPtr& c) { return d.GetPollenString(c); }},
        {LIFE_INDEX_AIR_DUST, [](LifeIndexData& d, const CityPtr& c) { return d.GetAirDustString(c); }},
        {LIFE_INDEX_DRY_SKIN, [](LifeIndexData& d, const CityPtr& c) { return d.GetDryskinString(c); }},
        {LIFE_INDEX_WIND, [](LifeIndexData& d, const CityPtr& c) { return d.GetWindSpeedString(c, IsDayNow(c)); }},
        {LIFE_INDEX_VISIBILITY, [](LifeIndexData& d, const CityPtr& c) { return d.GetVisibilityString(c); }},
        {LIFE_INDEX_ALLERGY, [](LifeIndexData& d, const CityPtr& c) { return d.GetAllergyString(c); }},
        {LIFE_INDEX_AIR_POLUTION, [](LifeIndexData& d, const CityPtr& c) { return d.GetAirPolutionString(c); }},
        {LIFE_INDEX_TRAFFIC, [](LifeIndexData& d, const CityPtr& c) { return d.GetTrafficString(c); }},
        {LIFE_INDEX_FISHING, [](LifeIndexData& d, const CityPtr& c) { return d.GetFishingString(c); }},
        {LIFE_INDEX_COSMETIC, [](LifeIndexData& d, const CityPtr& c) { return d.GetCosmeticString(c); }},
        {LIFE_INDEX_DRY_CLOTHING, [](LifeIndexData& d, const CityPtr& c) { return d.GetDryClothingString(c); }},
        {LIFE_INDEX_KHAI, [](LifeIndexData& d, const CityPtr& c) { return d.GetKHAIString(c); }},
    };
    for (const Entry& entry : kEntries) {
        if (entry.kind == lifeIndexType)
            return entry.text;
    }
    return nullptr;
}
