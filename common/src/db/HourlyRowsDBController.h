#ifndef WEATHER_COMMON_HOURLY_ROWS_DB_CONTROLLER_H
#define WEATHER_COMMON_HOURLY_ROWS_DB_CONTROLLER_H

#include <memory>

#include "typedef/Hourly.h"
#include "db/QueryGenerator.h"

struct sqlite3_stmt;

// What sets one table of hourly rows apart: its texts and the record values
// stored after FK_ID and hourlyIndex, in column order.
struct HourlyRowsTable {
    const char* tableName;
    const char* createTable;
    const char* insertColumns;
    const char* placeholders;
    const char* assignments;
    const char* selectColumns;
    int valueCount;
    // Binds the values at first .. first + valueCount - 1.
    void (*bindValues)(sqlite3_stmt* stmt, int first, const HourlyPtr& hourlyPtr);
    // Fills the record from the selected columns 0 .. valueCount - 1.
    void (*readValues)(sqlite3_stmt* stmt, const HourlyPtr& hourlyPtr);
};

// A table of the weather database whose rows are keyed by the city's
// primary key and their position in the city's vector. Expects the
// connection to be open on the weather file.
class HourlyRowsDBController {
public:
    virtual bool Init();
    virtual ~HourlyRowsDBController() = default;

    void CreateTable();
    void Insert(const HourlyPtrVectorPtr& ptrVector, int primaryKey);
    // Updates the stored positions only; extra records or rows stay as they are.
    void Update(const HourlyPtrVectorPtr& ptrVector, int primaryKey);
    void Delete(int primaryKey);
    void DeleteAll();
    // Rows in stored order; null when the key has none.
    HourlyPtrVectorPtr Select(int primaryKey);

protected:
    explicit HourlyRowsDBController(const HourlyRowsTable& table) : mTable(table) {}

private:
    const HourlyRowsTable& mTable;
    std::shared_ptr<QueryGenernator> mQueryGenerator;
};

#endif
