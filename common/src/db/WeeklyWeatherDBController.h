#ifndef WEATHER_COMMON_WEEKLY_WEATHER_DB_CONTROLLER_H
#define WEATHER_COMMON_WEEKLY_WEATHER_DB_CONTROLLER_H

#include <functional>
#include <memory>
#include <string>

#include "typedef/Weekly.h"
#include "utils/Pattern.h"
#include "db/Column.h"
#include "db/QueryGenerator.h"

// WEEKLY_WEATHER_TABLE of the weather database, rows keyed by the city's
// primary key and their position in the city's vector. Expects the
// connection to be open on the weather file.
class WeeklyWeatherDBController {
public:
    DECLARE_SINGLETON(WeeklyWeatherDBController);

    // The stored fields (keys without accessors), weatherctl's city file's too.
    static ColumnSpan<Weekly> Columns();

    virtual bool Init();
    virtual ~WeeklyWeatherDBController() = default;

    // The CREATE TABLE IF NOT EXISTS text, "%q" standing for the table name.
    static std::string GetCreateTableText();
    void CreateTable();
    void Insert(const WeeklyPtrVectorPtr& ptrVector, int primaryKey);
    // Updates the stored positions only; extra records or rows stay as they are.
    void Update(const WeeklyPtrVectorPtr& ptrVector, int primaryKey);
    void Delete(int primaryKey);
    void DeleteAll();
    // Rows in stored order; null when the key has none.
    WeeklyPtrVectorPtr Select(int primaryKey);
    // Every row with its city's key, in stored order, in one pass.
    void SelectAll(const std::function<void(int primaryKey, WeeklyPtr record)>& each);

private:
    WeeklyWeatherDBController() = default;

    std::shared_ptr<QueryGenernator> mQueryGenerator;
};

#endif
