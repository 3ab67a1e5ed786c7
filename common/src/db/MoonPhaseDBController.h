#ifndef WEATHER_COMMON_MOON_PHASE_DB_CONTROLLER_H
#define WEATHER_COMMON_MOON_PHASE_DB_CONTROLLER_H

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "typedef/MoonPhase.h"
#include "utils/Pattern.h"
#include "db/Column.h"
#include "db/QueryGenerator.h"

// MOON_PHASE_TABLE of the weather database. Rows carry the city's location ID
// as well as its key, so that the phases of removed cities can be found and
// cleaned up by ID. Expects the connection to be open on the weather file.
class MoonPhaseDBController {
public:
    DECLARE_SINGLETON(MoonPhaseDBController);

    // The stored fields (keys without accessors), weatherctl's city file's too.
    static ColumnSpan<MoonPhase> Columns();

    virtual bool Init();
    virtual ~MoonPhaseDBController() = default;

    // The CREATE TABLE IF NOT EXISTS text, "%q" standing for the table name.
    static std::string GetCreateTableText();
    void CreateTable();
    void Insert(const MoonPhasePtrVectorPtr& moonPhasePtrVector, int primaryKey);
    void Update(const MoonPhasePtrVectorPtr& moonPhasePtrVector, int primaryKey);
    void Delete(int primaryKey);
    void Delete(const std::string& locationID);
    void DeleteAll();
    // Null when the key has no rows.
    MoonPhasePtrVectorPtr Select(int primaryKey);
    // Every row with its city's key, in stored order, in one pass.
    void SelectAll(const std::function<void(int primaryKey, MoonPhasePtr record)>& each);
    // One ID per city that has a first day stored.
    std::vector<std::string> SelectAllLocationId();

private:
    MoonPhaseDBController() = default;

    std::shared_ptr<QueryGenernator> mQueryGenerator;
};

#endif
