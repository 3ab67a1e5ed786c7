#ifndef WEATHER_COMMON_LIFE_INDEX_WEATHER_DB_CONTROLLER_H
#define WEATHER_COMMON_LIFE_INDEX_WEATHER_DB_CONTROLLER_H

#include <functional>
#include <memory>
#include <string>

#include "typedef/LifeIndex.h"
#include "utils/Pattern.h"
#include "db/Column.h"
#include "db/QueryGenerator.h"

// The table's row: the record and its sub-records; missing sub-records are
// written as their defaults.
struct LifeIndexRow {
    LifeIndex& lifeIndex;
    Precipitation& precipitation;
    Wind& wind;
};

// LIFE_INDEX_WEATHER_TABLE of the weather database (EXTRA_WEATHER_TABLE in
// older files): one row per city, keyed by the city's primary key. Expects
// the connection to be open on the weather file.
class LifeIndexWeatherDBController {
public:
    DECLARE_SINGLETON(LifeIndexWeatherDBController);

    // The stored fields (keys without accessors), weatherctl's city file's too.
    static ColumnSpan<LifeIndexRow> Columns();

    virtual bool Init();
    virtual ~LifeIndexWeatherDBController() = default;

    // The CREATE TABLE IF NOT EXISTS text, "%q" standing for the table name.
    static std::string GetCreateTableText();
    void CreateTable();
    void Insert(const LifeIndexPtr& lifeIndexPtr, int primaryKey);
    void Update(const LifeIndexPtr& lifeIndexPtr, int primaryKey);
    void Delete(int primaryKey);
    void DeleteAll();
    // Null when the key has no row.
    LifeIndexPtr Select(int primaryKey);
    // Every row with its city's key, in stored order, in one pass.
    void SelectAll(const std::function<void(int primaryKey, LifeIndexPtr record)>& each);

private:
    LifeIndexWeatherDBController() = default;

    std::shared_ptr<QueryGenernator> mQueryGenerator;
};

#endif
