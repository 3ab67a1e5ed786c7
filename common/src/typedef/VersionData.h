#ifndef WEATHER_COMMON_VERSION_DATA_H
#define WEATHER_COMMON_VERSION_DATA_H

#include "utils/Pattern.h"
#include "utils/Ref.h"

// The data manager's access to the schema version; forwards to VersionDBController.
class VersionData : public Ref {
public:
    DECLARE_MAKE(VersionData)

    bool Init() override;
    ~VersionData() override = default;

    void InitializeDB();
    bool IsNeedToUpgrade();
    double GetCurrentDBVersion();
    double GetLatestDBVersion();
    void UpgradeDB(double version);

private:
    VersionData() = default;
};

#endif
