#ifndef WEATHER_COMMON_VERSION_DB_CONTROLLER_H
#define WEATHER_COMMON_VERSION_DB_CONTROLLER_H

#include <memory>
#include <string>

#include "utils/Pattern.h"
#include "db/QueryGenerator.h"

// Owns ".version.db": the one schema version number of all databases of the
// data layer.
class VersionDBController {
public:
    DECLARE_SINGLETON(VersionDBController);

    virtual bool Init();
    virtual ~VersionDBController() = default;

    std::string GetVersionDBFilePath();
    // Read in its own opening; 0.0 when the file cannot be opened.
    double GetCurrentDBVersion();
    double GetLatestDBVersion();
    // Answers from the version read by Init, not from the file.
    bool IsNeedToUpgrade();
    void UpgradeDB(double version);

private:
    VersionDBController() = default;

    // These expect the connection to be open already.
    void CreateTable();
    double GetCurrentVersion();
    void InsertVersion(double version);
    void UpdateVersion(double version);

    std::shared_ptr<QueryGenernator> mQueryGenerator;
    double mCurrentVersion = 0.0;
};

#endif
