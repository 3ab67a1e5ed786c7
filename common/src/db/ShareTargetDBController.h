#ifndef WEATHER_COMMON_SHARE_TARGET_DB_CONTROLLER_H
#define WEATHER_COMMON_SHARE_TARGET_DB_CONTROLLER_H

#include <memory>
#include <string>

#include "utils/Pattern.h"
#include "db/QueryGenerator.h"
#include "typedef/ShareTargetData.h"

// Owns ".share_target.db" and its SHARE_TARGET_TABLE. Every operation opens
// and closes the connection itself.
class ShareTargetDBController {
public:
    DECLARE_SINGLETON(ShareTargetDBController);

    virtual bool Init();
    virtual ~ShareTargetDBController() = default;

    std::string GetShareTargetDataDBFilePath();
    void Insert(const std::shared_ptr<ShareTarget>& shareTargetPtr);
    // Sets the PortID of every row with the target's AppID.
    void Update(const std::shared_ptr<ShareTarget>& shareTargetPtr);
    // Null when the file cannot be opened.
    std::shared_ptr<ShareTargetPtrVector> SelectAll();
    // The table has had one form only: nothing to do for any version.
    void UpgradeDB(double version);

private:
    ShareTargetDBController() = default;

    void CreateTable();

    std::shared_ptr<QueryGenernator> mQueryGenerator;
};

#endif
