#ifndef WEATHER_COMMON_ICON_MAPPING_TABLE_H
#define WEATHER_COMMON_ICON_MAPPING_TABLE_H

#include <cstdint>

#include "utils/Pattern.h"
#include "utils/Ref.h"

// Provider icon codes -> the common icon numbers 1 to 23 of the applications'
// image set, day or night.
class IconMappingTable : public Ref {
public:
    DECLARE_MAKE(IconMappingTable)

    bool Init() override;
    ~IconMappingTable() override = default;

    // With the common-resource preference set the code already is a common
    // number; otherwise by the current provider.
    int32_t GetMappingIconNum(int32_t iconNum, bool isDay);
    int32_t GetMappingIconNumUptoCP(int32_t iconNum, bool isDay);
    // One provider's map; a code it lacks logs and counts as 1.
    int32_t GetMappingIconNumForAccuWeather(int32_t iconNum, bool isDay);
    int32_t GetMappingIconNumForTWC(int32_t iconNum, bool isDay);
    int32_t GetMappingIconNumForKWeather(int32_t iconNum, bool isDay);
    int32_t GetMappingIconNumForCMAWeather(int32_t iconNum, bool isDay);
    int32_t GetMappingIconNumForWCN(int32_t iconNum, bool isDay);
    int32_t GetMappingIconNumConvertedToCommonResource(int32_t iconNum, bool isDay);
    // The night image of a common number (1 and 15 -> 18, 2 -> 19, ...).
    int32_t GetNightIconNum(int32_t iconNum, bool isDay);

private:
    IconMappingTable() = default;
};

#endif
