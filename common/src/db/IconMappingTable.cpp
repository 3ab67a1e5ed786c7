#include "db/IconMappingTable.h"

#include <algorithm>
#include <cstddef>

#include "typedef/CPType.h"
#include "typedef/DataManager.h"
#include "utils/PreferenceHelper.h"

namespace {

// Sorted by provider code, for a binary search: constant data, so a process
// that never maps an icon pays nothing for the tables at its start.
struct IconPair {
    int32_t code;
    int32_t icon;
};

struct IconMap {
    const IconPair* pairs;
    size_t size;
};

template <size_t N> constexpr bool IsSorted(const IconPair (&pairs)[N])
{
    for (size_t i = 1; i < N; ++i)
        if (pairs[i - 1].code >= pairs[i].code)
            return false;
    return true;
}

template <size_t N> constexpr IconMap MapOf(const IconPair (&pairs)[N])
{
    return {pairs, N};
}

constexpr IconPair kAccuWeatherPairs[] = {
    {1, 1},   {2, 1},   {3, 2},   {4, 2},   {5, 2},   {6, 3},   {7, 3},   {8, 3},   {11, 5},  {12, 6},
    {13, 6},  {14, 7},  {15, 8},  {16, 9},  {17, 9},  {18, 4},  {19, 10}, {20, 11}, {21, 11}, {22, 12},
    {23, 12}, {24, 14}, {25, 14}, {26, 14}, {29, 13}, {30, 15}, {31, 16}, {32, 17}, {33, 1},  {34, 1},
    {35, 2},  {36, 2},  {37, 2},  {38, 3},  {39, 6},  {40, 6},  {41, 8},  {42, 8},  {43, 10}, {44, 12}};

// The daemon of this name reports thunder and flurries without the sun:
// these codes first, then the AccuWeather map.
constexpr const char* kRiDaemon = "RI_DAEMON";
constexpr IconPair kAccuWeatherRiDaemonPairs[] = {{16, 8}, {20, 10}};

constexpr IconPair kTWCPairs[] = {{0, 23},  {1, 23},  {2, 23},  {3, 8},   {4, 20},  {5, 13},  {6, 13},  {7, 13},
                                  {8, 13},  {9, 4},   {10, 13}, {11, 4},  {12, 4},  {13, 10}, {14, 10}, {15, 14},
                                  {16, 12}, {17, 14}, {18, 14}, {19, 22}, {20, 5},  {21, 5},  {22, 5},  {23, 17},
                                  {24, 17}, {25, 16}, {26, 3},  {27, 3},  {28, 3},  {29, 2},  {30, 2},  {31, 1},
                                  {32, 1},  {33, 1},  {34, 1},  {35, 13}, {36, 15}, {37, 9},  {38, 9},  {39, 7},
                                  {40, 6},  {41, 11}, {42, 12}, {43, 12}, {45, 7},  {46, 11}, {47, 9}};

// Codes 26 to 38 are all the same icon.
constexpr IconPair kKWeatherPairs[] = {{1, 1},   {2, 2},   {3, 3},   {4, 3},   {5, 2},   {6, 2},   {7, 6},   {8, 4},
                                       {9, 4},   {10, 4},  {11, 4},  {12, 4},  {13, 4},  {14, 4},  {15, 7},  {16, 7},
                                       {17, 7},  {18, 12}, {19, 12}, {20, 12}, {21, 12}, {22, 12}, {23, 11}, {24, 11},
                                       {25, 11}, {26, 13}, {27, 13}, {28, 13}, {29, 13}, {30, 13}, {31, 13}, {32, 13},
                                       {33, 13}, {34, 13}, {35, 13}, {36, 13}, {37, 13}, {38, 13}, {39, 8},  {40, 5}};

constexpr IconPair kCMAWeatherPairs[] = {{1, 2},   {2, 3},   {3, 7},   {4, 8},   {5, 20},  {6, 13},  {7, 4},   {8, 4},
                                         {9, 4},   {10, 6},  {11, 6},  {12, 6},  {13, 11}, {14, 10}, {15, 10}, {16, 12},
                                         {17, 14}, {18, 5},  {19, 13}, {20, 22}, {21, 4},  {22, 4},  {23, 4},  {24, 6},
                                         {25, 6},  {26, 10}, {27, 12}, {28, 12}, {29, 22}, {30, 22}, {31, 22}, {53, 5}};

constexpr IconPair kWCNPairs[] = {
    {0, 1},  {1, 2},  {2, 3},   {3, 7},   {4, 8},   {5, 20},  {6, 13},  {7, 4},   {8, 4},   {9, 4},   {10, 6},
    {11, 6}, {12, 6}, {13, 11}, {14, 10}, {15, 10}, {16, 12}, {17, 14}, {18, 5},  {19, 13}, {20, 22}, {21, 4},
    {22, 4}, {23, 4}, {24, 6},  {25, 6},  {26, 10}, {27, 12}, {28, 12}, {29, 22}, {30, 22}, {31, 22}, {32, 5},
    {49, 5}, {53, 5}, {54, 5},  {55, 5},  {56, 5},  {57, 5},  {58, 5},  {301, 4}, {302, 10}};

constexpr IconPair kCommonResourcePairs[] = {{0, 1},   {1, 2},   {2, 3},   {3, 5},   {4, 4},   {5, 4},
                                             {6, 4},   {7, 7},   {8, 8},   {9, 9},   {10, 10}, {11, 10},
                                             {12, 11}, {13, 12}, {14, 12}, {15, 13}, {16, 14}, {17, 15},
                                             {18, 16}, {19, 17}, {20, 9},  {21, 4},  {22, 22}, {23, 23}};

static_assert(IsSorted(kAccuWeatherPairs) && IsSorted(kAccuWeatherRiDaemonPairs) && IsSorted(kTWCPairs) &&
                  IsSorted(kKWeatherPairs) && IsSorted(kCMAWeatherPairs) && IsSorted(kWCNPairs) &&
                  IsSorted(kCommonResourcePairs),
              "each icon table is sorted by code");

constexpr IconMap kAccuWeatherMap = MapOf(kAccuWeatherPairs);
constexpr IconMap kAccuWeatherRiDaemonMap = MapOf(kAccuWeatherRiDaemonPairs);
constexpr IconMap kTWCMap = MapOf(kTWCPairs);
constexpr IconMap kKWeatherMap = MapOf(kKWeatherPairs);
constexpr IconMap kCMAWeatherMap = MapOf(kCMAWeatherPairs);
constexpr IconMap kWCNMap = MapOf(kWCNPairs);
constexpr IconMap kCommonResourceMap = MapOf(kCommonResourcePairs);

const IconPair* Find(const IconMap& map, int32_t iconNum)
{
    const IconPair* end = map.pairs + map.size;
    const IconPair* found =
        std::lower_bound(map.pairs, end, iconNum, [](const IconPair& pair, int32_t code) { return pair.code < code; });
    return found != end && found->code == iconNum ? found : nullptr;
}

} // namespace

bool IconMappingTable::Init()
{
    return Ref::Init();
}

int32_t IconMappingTable::GetNightIconNum(int32_t iconNum, bool isDay)
{
    if (isDay)
        return iconNum;
    switch (iconNum) {
    case 1:
    case 15:
        return 18;
    case 2:
        return 19;
    case 7:
        return 6;
    case 9:
        return 8;
    case 11:
        return 10;
    default:
        return iconNum;
    }
}

namespace {

int32_t Lookup(const IconMap& map, int32_t iconNum)
{
    const IconPair* found = Find(map, iconNum);
    if (!found) {
        LOGE("out of range, iconNum:%d", iconNum);
        return 1;
    }
    return found->icon;
}

} // namespace

int32_t IconMappingTable::GetMappingIconNum(int32_t iconNum, bool isDay)
{
    if (PreferenceHelper::GetInstance()->GetIsWeatherIconConvertedToCommonResource())
        return GetNightIconNum(iconNum, isDay);
    return GetMappingIconNumUptoCP(iconNum, isDay);
}

int32_t IconMappingTable::GetMappingIconNumUptoCP(int32_t iconNum, bool isDay)
{
    int32_t cpType = CPType::GetInstance()->GetCPType();
    switch (cpType) {
    case WEATHER_CP_TYPE_ACCUWEATHER:
        return GetMappingIconNumForAccuWeather(iconNum, isDay);
    case WEATHER_CP_TYPE_CMAWEATHER:
        return GetMappingIconNumForCMAWeather(iconNum, isDay);
    case WEATHER_CP_TYPE_KWEATHER:
    case WEATHER_CP_TYPE_WEATHERNEWS_KR:
        return GetMappingIconNumForKWeather(iconNum, isDay);
    case WEATHER_CP_TYPE_WEATHERNEWS:
        // The icon database holds the day and the night number itself.
        return DataManager::GetInstance()->GetWeatherNewsIcon(iconNum, isDay);
    case WEATHER_CP_TYPE_TWC:
        return GetMappingIconNumForTWC(iconNum, isDay);
    case WEATHER_CP_TYPE_WCN:
        return GetMappingIconNumForWCN(iconNum, isDay);
    default:
        LOGE("Not found exception [cpType : %d]", cpType);
        return GetMappingIconNumForAccuWeather(iconNum, isDay);
    }
}

int32_t IconMappingTable::GetMappingIconNumForAccuWeather(int32_t iconNum, bool isDay)
{
    const IconPair* daemonIcon =
        DataManager::GetInstance()->GetDaemonType() == kRiDaemon ? Find(kAccuWeatherRiDaemonMap, iconNum) : nullptr;
    return GetNightIconNum(daemonIcon ? daemonIcon->icon : Lookup(kAccuWeatherMap, iconNum), isDay);
}

int32_t IconMappingTable::GetMappingIconNumForTWC(int32_t iconNum, bool isDay)
{
    return GetNightIconNum(Lookup(kTWCMap, iconNum), isDay);
}

int32_t IconMappingTable::GetMappingIconNumForKWeather(int32_t iconNum, bool isDay)
{
    return GetNightIconNum(Lookup(kKWeatherMap, iconNum), isDay);
}

int32_t IconMappingTable::GetMappingIconNumForCMAWeather(int32_t iconNum, bool isDay)
{
    return GetNightIconNum(Lookup(kCMAWeatherMap, iconNum), isDay);
}

int32_t IconMappingTable::GetMappingIconNumForWCN(int32_t iconNum, bool isDay)
{
    return GetNightIconNum(Lookup(kWCNMap, iconNum), isDay);
}

int32_t IconMappingTable::GetMappingIconNumConvertedToCommonResource(int32_t iconNum, bool isDay)
{
    return GetNightIconNum(Lookup(kCommonResourceMap, iconNum), isDay);
}
