#ifndef WEATHER_COMMON_LIFE_INDEX_DATA_TABLES_H
#define WEATHER_COMMON_LIFE_INDEX_DATA_TABLES_H

#include <cstdint>

// Title keys and icon base names by life-index kind, for LifeIndexData.
// Both give nullptr for a kind outside 0 to 34; the wind's icon (kind 26)
// depends on the wind and is nullptr here.
namespace life_index_tables {

const char* TitleKey(int kind, int32_t cpType, bool isDay);
const char* IconBase(int kind, int32_t cpType);

} // namespace life_index_tables

#endif
