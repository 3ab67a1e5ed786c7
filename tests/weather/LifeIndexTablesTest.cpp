// The life-index grade scales and wind icons: each limit from both sides, the
// provider that picks the scale, and the sector edges of the wind.

#include <gtest/gtest.h>

#include "typedef/CPType.h"
#include "typedef/LifeIndexData.h"

namespace {

constexpr int32_t kAccu = WEATHER_CP_TYPE_ACCUWEATHER, kCma = WEATHER_CP_TYPE_CMAWEATHER,
                  kKw = WEATHER_CP_TYPE_KWEATHER, kWnKr = WEATHER_CP_TYPE_WEATHERNEWS_KR,
                  kWn = WEATHER_CP_TYPE_WEATHERNEWS, kTwc = WEATHER_CP_TYPE_TWC, kWcn = WEATHER_CP_TYPE_WCN;

struct GradeCase {
    int kind;
    int32_t cp;
    int32_t value;
    const char* expected;
};

const char* const kGood = "IDS_HEALTH_BODY_GOOD_M_LEVEL";
const char* const kModerate = "IDS_WGT_SBODY_MODERATE_M_AIR_QUALITY_INDEX_CHN";
const char* const kBad = "IDS_GN_BODY_BAD_M_OUTDOOR_CONDITION";
const char* const kVeryHighPm = "IDS_GN_BODY_VERY_HIGH_M_PM10_CATEGORY_ABB_KOR";
const char* const kLow = "IDS_WGT_BODY_LOW_M_LIFE_INDEX";
const char* const kHigh = "IDS_WGT_BODY_HIGH_M_LIFE_INDEX";
const char* const kVeryHigh = "IDS_WGT_BODY_VERY_HIGH_M_LIFE_INDEX";
const char* const kLowJp = "IDS_WGT_BODY_LOW_M_DISCOMFORTVALUE_ABB_JPN";
const char* const kHighJp = "IDS_WGT_BODY_HIGH_M_DISCOMFORTVALUE_ABB_JPN";
const char* const kVeryHighIdx = "IDS_GN_BODY_VERY_HIGH_M_WEATHER_INDEX";

TEST(LifeIndexGrades, LimitsFromBothSides)
{
    const GradeCase cases[] = {
        // WCN PM2.5: below 36, 76, 116, 151; 151 to 250 heavy; above 250 severe.
        {LIFE_INDEX_PM25, kWcn, 35, "优"},
        {LIFE_INDEX_PM25, kWcn, 36, "良"},
        {LIFE_INDEX_PM25, kWcn, 75, "良"},
        {LIFE_INDEX_PM25, kWcn, 76, "轻度污染"},
        {LIFE_INDEX_PM25, kWcn, 115, "轻度污染"},
        {LIFE_INDEX_PM25, kWcn, 116, "中度污染"},
        {LIFE_INDEX_PM25, kWcn, 150, "中度污染"},
        {LIFE_INDEX_PM25, kWcn, 151, "重度污染"},
        {LIFE_INDEX_PM25, kWcn, 250, "重度污染"},
        {LIFE_INDEX_PM25, kWcn, 251, "严重污染"},
        // Korean PM2.5, and WeatherNews' three grades.
        {LIFE_INDEX_PM25, kKw, 15, kGood},
        {LIFE_INDEX_PM25, kWnKr, 16, kModerate},
        {LIFE_INDEX_PM25, kKw, 50, kModerate},
        {LIFE_INDEX_PM25, kKw, 51, kBad},
        {LIFE_INDEX_PM25, kKw, 100, kBad},
        {LIFE_INDEX_PM25, kKw, 101, kVeryHighPm},
        {LIFE_INDEX_PM25, kWn, 34, "IDS_WGT_BODY_LOW_M_POLLEN_VALUE_ABB_JPN"},
        {LIFE_INDEX_PM25, kWn, 35, "IDS_WGT_BODY_HIGH_M_POLLEN_VALUE_ABB_JPN"},
        {LIFE_INDEX_PM25, kWn, 69, "IDS_WGT_BODY_HIGH_M_POLLEN_VALUE_ABB_JPN"},
        {LIFE_INDEX_PM25, kWn, 70, "IDS_GN_BODY_VERY_HIGH_M_AMOUNT"},
        {LIFE_INDEX_PM25, kTwc, 10, "9999"}, // not a PM2.5 provider
        // PM10: WCN limits; everyone else reads a grade.
        {LIFE_INDEX_PM10, kWcn, 50, "优"},
        {LIFE_INDEX_PM10, kWcn, 51, "良"},
        {LIFE_INDEX_PM10, kWcn, 350, "中度污染"},
        {LIFE_INDEX_PM10, kWcn, 351, "重度污染"},
        {LIFE_INDEX_PM10, kWcn, 420, "重度污染"},
        {LIFE_INDEX_PM10, kWcn, 421, "严重污染"},
        {LIFE_INDEX_PM10, kTwc, 1, kGood},
        {LIFE_INDEX_PM10, kTwc, 2, kModerate},
        {LIFE_INDEX_PM10, kKw, 4, kBad},
        {LIFE_INDEX_PM10, kKw, 5, kVeryHighPm},
        // AQI: WCN only.
        {LIFE_INDEX_AQI, kWcn, 200, "中度污染"},
        {LIFE_INDEX_AQI, kWcn, 201, "重度污染"},
        {LIFE_INDEX_AQI, kWcn, 300, "重度污染"},
        {LIFE_INDEX_AQI, kWcn, 301, "严重污染"},
        {LIFE_INDEX_AQI, kCma, 10, "9999"},
        // UV grades by provider; above 4 is invalid; WeatherNews has no grade 0.
        {LIFE_INDEX_UV, kAccu, 4, "IDS_GN_BODY_SEVERE_M_PARTICULATES_LEVEL"},
        {LIFE_INDEX_UV, kAccu, 5, "9999"},
        {LIFE_INDEX_UV, kCma, 0, "最弱"},
        {LIFE_INDEX_UV, kWcn, 4, "很强"},
        {LIFE_INDEX_UV, kWn, 1, kLowJp},
        {LIFE_INDEX_UV, kWn, 0, "9999"},
        // Limits of the further scales.
        {LIFE_INDEX_FOOD_POISON, kKw, 29, "IDS_IM_BODY_INTERESTS"},
        {LIFE_INDEX_FOOD_POISON, kKw, 30, "IDS_ST_POP_CAUTION"},
        {LIFE_INDEX_FOOD_POISON, kKw, 59, "IDS_ST_POP_CAUTION"},
        {LIFE_INDEX_FOOD_POISON, kKw, 60, "IDS_ST_HEADER_WARNING_ABB2"},
        {LIFE_INDEX_FOOD_POISON, kKw, 89, "IDS_ST_HEADER_WARNING_ABB2"},
        {LIFE_INDEX_FOOD_POISON, kKw, 90, "IDS_GN_BODY_SEVERE_M_PARTICULATES_LEVEL"},
        {LIFE_INDEX_SPOILED_FOOD, kKw, 2, kLow},
        {LIFE_INDEX_SPOILED_FOOD, kKw, 3, kModerate},
        {LIFE_INDEX_SPOILED_FOOD, kKw, 6, kModerate},
        {LIFE_INDEX_SPOILED_FOOD, kKw, 7, kHigh},
        {LIFE_INDEX_FROZEN_PIPES, kKw, 25, kLow},
        {LIFE_INDEX_FROZEN_PIPES, kKw, 26, kModerate},
        {LIFE_INDEX_FROZEN_PIPES, kKw, 50, kModerate},
        {LIFE_INDEX_FROZEN_PIPES, kKw, 51, kHigh},
        {LIFE_INDEX_FROZEN_PIPES, kKw, 75, kHigh},
        {LIFE_INDEX_FROZEN_PIPES, kKw, 76, kVeryHigh},
        {LIFE_INDEX_FROSTBITE, kKw, -6, kHigh},
        {LIFE_INDEX_FROSTBITE, kKw, -5, kModerate},
        {LIFE_INDEX_FROSTBITE, kKw, -2, kModerate},
        {LIFE_INDEX_FROSTBITE, kKw, -1, kLow},
        {LIFE_INDEX_HEAT_STROKE, kWn, 20, kLowJp},
        {LIFE_INDEX_HEAT_STROKE, kWn, 21, kHighJp},
        {LIFE_INDEX_DRY_SKIN, kWn, 70, kHighJp},
        {LIFE_INDEX_DRY_SKIN, kWn, 71, kVeryHighIdx},
        {LIFE_INDEX_AIR_DUST, kWn, 500, "IDS_WGT_BODY_LOW_M_POLLEN_VALUE_ABB_JPN"},
        {LIFE_INDEX_AIR_DUST, kWn, 501, "IDS_WGT_BODY_HIGH_M_POLLEN_VALUE_ABB_JPN"},
        {LIFE_INDEX_AIR_DUST, kWn, 1000, "IDS_WGT_BODY_HIGH_M_POLLEN_VALUE_ABB_JPN"},
        {LIFE_INDEX_AIR_DUST, kWn, 1001, "IDS_GN_BODY_VERY_HIGH_M_AMOUNT"},
        // Heat, discomfort and pollen choose their scale by provider.
        {LIFE_INDEX_HEAT, kWn, 21, kHighJp},
        {LIFE_INDEX_HEAT, kKw, 31, kLow},
        {LIFE_INDEX_HEAT, kKw, 32, kModerate},
        {LIFE_INDEX_HEAT, kKw, 40, kModerate},
        {LIFE_INDEX_HEAT, kKw, 41, kHigh},
        {LIFE_INDEX_HEAT, kWnKr, 53, kHigh},
        {LIFE_INDEX_HEAT, kWnKr, 54, kVeryHighIdx},
        {LIFE_INDEX_DISCOMFORT, kWn, 71, kVeryHighIdx},
        {LIFE_INDEX_DISCOMFORT, kKw, 67, kLow},
        {LIFE_INDEX_DISCOMFORT, kKw, 68, kModerate},
        {LIFE_INDEX_DISCOMFORT, kKw, 74, kModerate},
        {LIFE_INDEX_DISCOMFORT, kKw, 75, "IDS_GN_BODY_HIGH_M_WEATHER_INDEX"},
        {LIFE_INDEX_DISCOMFORT, kKw, 79, "IDS_GN_BODY_HIGH_M_WEATHER_INDEX"},
        {LIFE_INDEX_DISCOMFORT, kKw, 80, kVeryHighIdx},
        {LIFE_INDEX_POLLEN, kWn, 25, "IDS_WGT_BODY_LOW_M_POLLEN_VALUE_ABB_JPN"},
        {LIFE_INDEX_POLLEN, kWn, 26, "IDS_WGT_BODY_HIGH_M_POLLEN_VALUE_ABB_JPN"},
        {LIFE_INDEX_POLLEN, kWn, 51, "IDS_GN_BODY_VERY_HIGH_M_AMOUNT"},
        {LIFE_INDEX_POLLEN, kKw, 1, kLow},
        {LIFE_INDEX_POLLEN, kKw, 2, kModerate},
        {LIFE_INDEX_POLLEN, kKw, 3, kHigh},
        {LIFE_INDEX_POLLEN, kKw, 4, kVeryHigh},
        {LIFE_INDEX_COLD, kWcn, 3, "极易发"},
        {LIFE_INDEX_COLD, kWcn, 4, "9999"},
        {LIFE_INDEX_COLD, kTwc, 4, kVeryHigh},
        // Car wash: Korean default grade, Chinese scale, others unsupported.
        {LIFE_INDEX_CARWASH, kKw, 1, kModerate},
        {LIFE_INDEX_CARWASH, kKw, 2, "IDS_WGT_BODY_GOOD_M_AIR_QUALITY_INDEX"},
        {LIFE_INDEX_CARWASH, kCma, 3, "不宜"},
        {LIFE_INDEX_CARWASH, kTwc, 1, "9999"},
        // Scales without a provider: outdoor exercise's default, a value past the last grade.
        {LIFE_INDEX_OUTDOOR_EXCERCISE, kCma, 7, "适宜"},
        {LIFE_INDEX_CLOTHING, kCma, 7, "9999"},
        {LIFE_INDEX_KHAI, kKw, 0, "9999"},
        {LIFE_INDEX_KHAI, kKw, 4, kVeryHighPm},
    };
    for (const GradeCase& c : cases) {
        EXPECT_EQ(LifeIndexData::GradeKey(c.kind, c.cp, c.value, "en_US.UTF-8"), c.expected)
            << "kind " << c.kind << " cp " << c.cp << " value " << c.value;
    }
}

TEST(LifeIndexGrades, TraditionalChineseForTaiwanAndHongKong)
{
    EXPECT_EQ(LifeIndexData::GradeKey(LIFE_INDEX_PM25, kWcn, 251, "zh_TW.UTF-8"), "嚴重");
    EXPECT_EQ(LifeIndexData::GradeKey(LIFE_INDEX_AQI, kWcn, 10, "zh_HK.UTF-8"), "優質");
    EXPECT_EQ(LifeIndexData::GradeKey(LIFE_INDEX_AQI, kWcn, 10, "zh_CN.UTF-8"), "优");
}

TEST(LifeIndexWind, SectorEdges)
{
    const struct {
        int32_t cp;
        double direction;
        double speed;
        const char* expected;
    } cases[] = {
        {kTwc, 0.0, 3, "north"},   {kTwc, 22.4, 3, "north"},      {kTwc, 22.5, 3, "northwest"},
        {kTwc, 67.5, 3, "east"},   {kTwc, 112.5, 3, "southeast"}, {kTwc, 202.4, 3, "south"},
        {kTwc, 247.5, 3, "west"},  {kTwc, 337.4, 3, "northwest"}, {kTwc, 337.5, 3, "north"},
        {kTwc, 360.0, 3, "north"}, {kTwc, 360.1, 3, "nowind"},    {kTwc, -0.1, 3, "nowind"},
        {kTwc, 90.0, 0, "nowind"}, {kKw, 200.0, 2, "south"},      {kCma, 8, 2, "north"},
        {kCma, 9, 2, "whirlwind"}, {kCma, 10, 2, "nowind"},       {kWn, 90.0, 3, "nowind"},
        {9, 90.0, 3, "nowind"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LifeIndexData::WindDirectionIconBase(c.cp, c.direction, c.speed),
                  std::string("weather_details_lifeindex_icon_wind_") + c.expected)
            << "cp " << c.cp << " direction " << c.direction;
    }
}

} // namespace
