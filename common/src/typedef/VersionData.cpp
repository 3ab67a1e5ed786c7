#include "typedef/VersionData.h"

#include "db/VersionDBController.h"

bool VersionData::Init()
{
    return Ref::Init();
}

void VersionData::InitializeDB()
{
    VersionDBController::GetInstance();
}

bool VersionData::IsNeedToUpgrade()
{
    return VersionDBController::GetInstance()->IsNeedToUpgrade();
}

double VersionData::GetCurrentDBVersion()
{
    return VersionDBController::GetInstance()->GetCurrentDBVersion();
}

double VersionData::GetLatestDBVersion()
{
    return VersionDBController::GetInstance()->GetLatestDBVersion();
}

void VersionData::UpgradeDB(double version)
{
    VersionDBController::GetInstance()->UpgradeDB(version);
}
