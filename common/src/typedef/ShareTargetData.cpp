#include "typedef/ShareTargetData.h"

#include "db/ShareTargetDBController.h"

bool ShareTargetData::Init()
{
    Ref::Init();
    mShareTargetPtrVector.reset();
    return true;
}

void ShareTargetData::InitializeDB()
{
    ShareTargetDBController::GetInstance();
}

void ShareTargetData::UpgradeDB(double version)
{
    ShareTargetDBController::GetInstance()->UpgradeDB(version);
}

void ShareTargetData::LoadData()
{
    mShareTargetPtrVector = ShareTargetDBController::GetInstance()->SelectAll();
    if (!mShareTargetPtrVector)
        mShareTargetPtrVector = std::make_shared<ShareTargetPtrVector>();
}

void ShareTargetData::InsertShareTarget(const std::shared_ptr<ShareTarget>& shareTargetPtr)
{
    RETURN_IF(!shareTargetPtr);
    // Before the first load the list stays unloaded; LoadData reads the new row with the rest.
    if (mShareTargetPtrVector)
        mShareTargetPtrVector->push_back(shareTargetPtr);
    ShareTargetDBController::GetInstance()->Insert(shareTargetPtr);
}

void ShareTargetData::UpdateShareTarget(const std::shared_ptr<ShareTarget>& shareTargetPtr)
{
    RETURN_IF(!shareTargetPtr);
    RETURN_IF(!mShareTargetPtrVector);

    // The file updates every row of the AppID and adds none; the list does the same.
    for (auto& entry : *mShareTargetPtrVector) {
        if (entry && entry->GetAppID() == shareTargetPtr->GetAppID())
            entry = shareTargetPtr;
    }
    ShareTargetDBController::GetInstance()->Update(shareTargetPtr);
}
