#ifndef WEATHER_COMMON_DB_FILE_NAMES_H
#define WEATHER_COMMON_DB_FILE_NAMES_H

// The data layer's database files, named once. They live in the "db" folder
// of the shared data directory; each user joins the folder as it always has
// ("/db/" in the connector's recovery, "db/" where the directory path ends in
// its separator).
namespace DBFileName {

constexpr const char* kWeather = ".weather.db";
constexpr const char* kSetting = ".setting.db";
constexpr const char* kShareTarget = ".share_target.db";
constexpr const char* kVersion = ".version.db";

// Every database of the data layer, in the order the connector's recovery
// removes them (each followed by its journal).
constexpr const char* kAll[] = {kWeather, kSetting, kShareTarget, kVersion};
constexpr const char* kJournalSuffix = "-journal";

} // namespace DBFileName

#endif
