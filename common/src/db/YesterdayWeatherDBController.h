#ifndef WEATHER_COMMON_YESTERDAY_WEATHER_DB_CONTROLLER_H
#define WEATHER_COMMON_YESTERDAY_WEATHER_DB_CONTROLLER_H

#include <functional>
#include <memory>
#include <string>

#include "db/Column.h"
#include "db/QueryGenerator.h"
#include "typedef/Hourly.h"
#include "utils/Pattern.h"

// YESTERDAY_WEATHER_TABLE of the weather database: a city's hours of yesterday.
// Rows are keyed by the city's primary key and their position in the city's
// vector. Expects the connection to be open on the weather file.
class YesterdayWeatherDBController {
public:
    DECLARE_SINGLETON(YesterdayWeatherDBController);

    // The stored fields (keys without accessors), weatherctl's city file's too.
    static ColumnSpan<Hourly> Columns();

    virtual bool Init();
    virtual ~YesterdayWeatherDBController() = default;

    // The CREATE TABLE IF NOT EXISTS text, "%q" standing for the table name.
    static std::string GetCreateTableText();
    void CreateTable();
    void Insert(const HourlyPtrVectorPtr& ptrVector, int primaryKey);
    // Updates the stored positions only; extra records or rows stay as they are.
    void Update(const HourlyPtrVectorPtr& ptrVector, int primaryKey);
    void Delete(int primaryKey);
    void DeleteAll();
    // Rows in stored order; null when the key has none.
    HourlyPtrVectorPtr Select(int primaryKey);
    // Every row with its city's key, in stored order, in one pass.
    void SelectAll(const std::function<void(int primaryKey, HourlyPtr record)>& each);

private:
    YesterdayWeatherDBController() = default;

    std::shared_ptr<QueryGenernator> mQueryGenerator;
};

#endif
