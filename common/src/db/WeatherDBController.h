#ifndef WEATHER_COMMON_WEATHER_DB_CONTROLLER_H
#define WEATHER_COMMON_WEATHER_DB_CONTROLLER_H

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "typedef/City.h"
#include "utils/Pattern.h"

// Owns ".weather.db": creates it with its seven tables, upgrades old files
// step by step, and stores whole cities across the tables. Every public
// city operation is one opening of the connection, hence one transaction;
// the Do... operations run inside their caller's opening.
class WeatherDBController {
public:
    DECLARE_SINGLETON(WeatherDBController);

    virtual bool Init();
    virtual ~WeatherDBController() = default;

    std::string GetWeatherDBFilePath();
    // The schema version of the data layer's databases: where the upgrade
    // chain ends.
    static double GetLatestSchemaVersion();
    std::string GetWeatherNewsIconDBFilePath();

    // Runs every step above the stored version, then the data migrations.
    void UpgradeDB(double version);

    void InsertCity(const CityPtr& cityPtr);
    void UpdateCity(const CityPtr& cityPtr);
    void DeleteCity(int pageIndex);
    void DeleteCity(const std::string& locationID);
    void DeleteAllCity();
    void DeleteAndInsertCity(const CityPtrVectorPtr& cityPtrVector);
    void ReorderCity(const CityPtrVectorPtr& cityPtrVector);
    void UpdateWidgetReferenceCount(const std::string& locationID, bool increase);
    void UpdateMobileLink(const CityPtr& cityPtr);
    // Replaces the stored phases of the city's location ID.
    void UpdateMoonPhase(const CityPtr& cityPtr);
    // Removes the phases of location IDs that no city has any more.
    void DeleteUselessMoonPhase();

    // Replaces every city and every moon phase with cities, in one opening:
    // either all of it is committed or nothing is. accept sees what the
    // transaction holds before it is committed; a refusal there or a write
    // the database refuses rolls the whole set back. False with the reason
    // in why when nothing was written. Pages are the cities' positions.
    bool ReplaceAllCity(const CityPtrVector& cities, const std::function<bool(const CityPtrVectorPtr&)>& accept,
                        std::string& why);

    // A writer killed inside its transaction leaves a hot journal, which a
    // read-only opening cannot roll back (SQLite counts that as a write): a
    // writable opening that reads once rolls it back, as the next writer would.
    void RollBackInterruptedWrite();

    CityPtr SelectCity(int pageIndex);
    CityPtr SelectCity(const std::string& locationID);
    // Null when there are no cities.
    CityPtrVectorPtr SelectAllCity();
    int GetNumberOfCities();
    int GetPageIndexOfCurrentCity();
    int GetPageIndexWithLocationID(const std::string& locationID);
    bool IsCurrentLocationExist();
    std::string GetLocationIdOfCurrentCity();
    std::vector<std::string> SelectNeedToUpdateLocationID();
    // Null when there are no cities.
    std::shared_ptr<std::vector<std::string>> SelectAllLocationID();

    // Day or night number of a provider icon from the icon database; 0 when unknown.
    int GetWeatherNewsIcon(int iconNum, bool isDay);

    void DoInsertCity(const CityPtr& cityPtr);
    void DoUpdateCity(const CityPtr& cityPtr);
    void DoDeleteCity(int primaryKey);
    void DoDeleteAllCity();
    CityPtr DoSelectCityWithPrimaryKey(int primaryKey);
    CityPtr DoSelectCity(int pageIndex);
    CityPtr DoSelectCity(const std::string& locationID);
    CityPtrVectorPtr DoSelectAllCity();
    // The same cities as DoSelectAllCity for a list paged 0, 1, ... (as
    // ReplaceAllCity stores it), with each table read once instead of once
    // per city: linear in the number of rows, for reading a whole set back.
    CityPtrVectorPtr DoSelectAllCityInOnePass();

private:
    WeatherDBController() = default;

    void CreateTables();
    void MigrateData();

    void AddIndicationForCurrentCity();
    void AddYesterdayHourData();
    // Reads every city, changes each until the change answers false, and
    // writes them all back.
    void RewriteEveryCity(const std::function<bool(const CityPtr&)>& change);
    void ResetUnSupportedValue();
    void InsertYesterdayInfoAsEmpty();
    void InsertLifeIndexInfoAsEmpty();
    void DeleteLastWeeklyPtr();
};

#endif
