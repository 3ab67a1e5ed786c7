#ifndef WEATHER_COMMON_CITY_DB_CONTROLLER_H
#define WEATHER_COMMON_CITY_DB_CONTROLLER_H

#include <memory>
#include <string>
#include <vector>

#include "typedef/City.h"
#include "utils/Pattern.h"
#include "db/Column.h"
#include "db/QueryGenerator.h"

// CITY_TABLE of the weather database: one row per city, its PK_ID keying the
// city's rows in the other weather tables. Expects the connection to be open
// on the weather file; the weather database controller opens and closes it.
class CityDBController {
public:
    DECLARE_SINGLETON(CityDBController);

    // The stored fields (keys without accessors), weatherctl's city file's too.
    static ColumnSpan<City> Columns();

    virtual bool Init();
    virtual ~CityDBController() = default;

    void CreateTable();
    void Insert(const CityPtr& cityPtr);
    void Update(const CityPtr& cityPtr, int primaryKey);
    // Deletes the row and renumbers the remaining pages in key order.
    void Delete(int primaryKey);
    void DeleteAll();
    // Cities in their new order, each still carrying its old page index.
    void Reorder(const CityPtrVectorPtr& reorderPtrVector);
    void SetPageIndexAsAscending();
    void UpdateWidgetReferenceCount(const std::string& locationID, int count);
    void UpdateMobileLink(const CityPtr& cityPtr, int primaryKey);

    CityPtr Select(int primaryKey);
    CityPtr Select(const std::string& locationID);
    int GetLastInsertedPrimaryKey();
    // Every key, in page order.
    std::vector<int> GetPrimaryKeysInPageOrder();
    int GetPrimaryKey(int pageIndex);
    int GetPrimaryKey(const std::string& locationID);
    int GetNumberOfCities();
    int GetPageIndexOfCurrentCity();
    int GetPageIndexWithLocationID(const std::string& locationID);
    std::string GetLocationIDWithPageIndex(int pageIndex);
    std::string GetLocationIdOfCurrentCity();
    bool IsCurrentLocationExist();

private:
    CityDBController() = default;

    CityPtr SelectWith(const std::string& condition, int primaryKey, const std::string* locationID);
    // Column 0 of a one-row lookup; fallback when there is no row.
    int SelectInt(const std::string& columns, const std::string& condition, const int* intArg,
                  const std::string* textArg, int fallback);
    std::string SelectText(const std::string& columns, const std::string& condition, const int* intArg);

    std::shared_ptr<QueryGenernator> mQueryGenerator;
    std::string mInsertQuery;
    std::string mUpdateQuery;
};

#endif
