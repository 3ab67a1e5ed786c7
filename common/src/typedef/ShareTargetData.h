#ifndef WEATHER_COMMON_SHARE_TARGET_DATA_H
#define WEATHER_COMMON_SHARE_TARGET_DATA_H

#include <memory>
#include <vector>

#include "utils/Pattern.h"
#include "utils/Ref.h"
#include "typedef/ShareTarget.h"

using ShareTargetPtrVector = std::vector<std::shared_ptr<ShareTarget>>;

// The share target list in memory, loaded from and written through to the
// share target database.
class ShareTargetData : public Ref {
public:
    DECLARE_MAKE(ShareTargetData)

    bool Init() override;
    ~ShareTargetData() override = default;

    void InitializeDB();
    void UpgradeDB(double version);
    void LoadData();
    std::shared_ptr<ShareTargetPtrVector> GetShareTargetPtrVector() const { return mShareTargetPtrVector; }
    void InsertShareTarget(const std::shared_ptr<ShareTarget>& shareTargetPtr);
    // Replaces the in-memory entries with the same AppID (a target not in the
    // list is not added) and updates the file's rows of that AppID.
    void UpdateShareTarget(const std::shared_ptr<ShareTarget>& shareTargetPtr);

private:
    ShareTargetData() = default;

    std::shared_ptr<ShareTargetPtrVector> mShareTargetPtrVector;
};

#endif
