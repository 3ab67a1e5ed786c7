#ifndef WEATHER_COMMON_SETTING_DB_CONTROLLER_H
#define WEATHER_COMMON_SETTING_DB_CONTROLLER_H

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>

#include "utils/Pattern.h"
#include "db/QueryGenerator.h"
#include "db/Statement.h"
#include "typedef/Setting.h"

// Owns ".setting.db": SETTING_TABLE with its single row of user settings.
// The table has no key; reads take the first row and writes update all rows.
class SettingDBController {
public:
    DECLARE_SINGLETON(SettingDBController);

    virtual bool Init();
    virtual ~SettingDBController() = default;

    std::string GetSettingDBFilePath();
    // A new record with the first row, or empty.
    std::shared_ptr<Setting> Select();
    // Writes every column of the record.
    void Update(const std::shared_ptr<Setting>& settingPtr);
    void UpdateLocationIdOfDisplayCity(const std::string& locationId);
    void UpdateLastRefreshedTime(int64_t lastRefreshedTime);
    void UpdateCurrentCityIndex(int32_t currentCityIndex);
    void UpgradeDB(double version);

private:
    SettingDBController() = default;

    // These run inside Init's opening.
    void CreateTable();
    void InsertDefaultSetting();
    void Insert(const std::shared_ptr<Setting>& settingPtr);

    static void BindSetting(Statement& stmt, const Setting& setting);
    static void ReadSetting(const Statement& stmt, Setting& setting);

    std::shared_ptr<QueryGenernator> mQueryGenerator;
};

#endif
