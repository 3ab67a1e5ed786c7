#ifndef WEATHER_COMMON_CURRENT_WEATHER_DB_CONTROLLER_H
#define WEATHER_COMMON_CURRENT_WEATHER_DB_CONTROLLER_H

#include <functional>
#include <memory>
#include <string>

#include "typedef/Current.h"
#include "utils/Pattern.h"
#include "db/Column.h"
#include "db/QueryGenerator.h"

// CURRENT_WEATHER_TABLE of the weather database: one row per city, keyed by
// the city's primary key. Expects the connection to be open on the weather file.
class CurrentWeatherDBController {
public:
    DECLARE_SINGLETON(CurrentWeatherDBController);

    // The stored fields (keys without accessors), weatherctl's city file's too.
    static ColumnSpan<Current> Columns();

    virtual bool Init();
    virtual ~CurrentWeatherDBController() = default;

    void CreateTable();
    void Insert(const CurrentPtr& currentPtr, int primaryKey);
    void Update(const CurrentPtr& currentPtr, int primaryKey);
    void Delete(int primaryKey);
    void DeleteAll();
    // Null when the key has no row.
    CurrentPtr Select(int primaryKey);
    // Every row with its city's key, in stored order, in one pass.
    void SelectAll(const std::function<void(int primaryKey, CurrentPtr record)>& each);

private:
    CurrentWeatherDBController() = default;

    std::shared_ptr<QueryGenernator> mQueryGenerator;
};

#endif
