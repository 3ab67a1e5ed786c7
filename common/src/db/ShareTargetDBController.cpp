#include "db/ShareTargetDBController.h"

#include <sqlite3.h>

#include "db/ColumnTable.h"
#include "db/DBConnector.h"
#include "utils/DBFileNames.h"
#include "utils/FileHelper.h"

namespace {

// A failed opening's guard names the opening as these texts write it.
constexpr const char* kOpenForCreating =
    "dbConnector->DBInitializeForCreateTable(GetShareTargetDataDBFilePath()) == false";
constexpr const char* kOpenForReading = "dbConnector->DBInitialize(GetShareTargetDataDBFilePath(), true) == false";
constexpr const char* kOpenForWriting = "dbConnector->DBInitialize(GetShareTargetDataDBFilePath(), false) == false";

constexpr const char* kTableName = "SHARE_TARGET_TABLE";

} // namespace

DEFINE_SINGLETON(ShareTargetDBController)

bool ShareTargetDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    RETURN_IF(FileHelper::GetInstance()->IsExists(GetShareTargetDataDBFilePath()) == true, true);

    DBOpening opening(GetShareTargetDataDBFilePath(), DBOpening::ForCreateTable{});
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForCreating, false);
    CreateTable();
    return true;
}

std::string ShareTargetDBController::GetShareTargetDataDBFilePath()
{
    std::string ret = FileHelper::GetInstance()->GetSharedDataDirectoryPath();
    RETURN_IF(ret.length() < 1, "");
    return ret + "db/" + DBFileName::kShareTarget;
}

void ShareTargetDBController::CreateTable()
{
    ColumnTable::CreateTable(
        "CREATE TABLE IF NOT EXISTS %q (PK_ID\tINTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,AppID\tTEXT, PortID\tTEXT);",
        kTableName);
}

void ShareTargetDBController::Insert(const std::shared_ptr<ShareTarget>& shareTargetPtr)
{
    RETURN_IF(!shareTargetPtr);
    DBOpening opening(GetShareTargetDataDBFilePath(), false);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForWriting);

    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(
        mQueryGenerator->MakeInsertQuery(kTableName, "AppID, PortID", "?, ?"));
    stmt.BindText(1, shareTargetPtr->GetAppID());
    stmt.BindText(2, shareTargetPtr->GetPortID());
    stmt.Step();
}

void ShareTargetDBController::Update(const std::shared_ptr<ShareTarget>& shareTargetPtr)
{
    RETURN_IF(!shareTargetPtr);
    DBOpening opening(GetShareTargetDataDBFilePath(), false);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForWriting);

    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(mQueryGenerator->MakeUpdateQuery(
        kTableName, "AppID = ?, PortID = ?", mQueryGenerator->MakeWhereClause("AppID = ?;")));
    stmt.BindText(1, shareTargetPtr->GetAppID());
    stmt.BindText(2, shareTargetPtr->GetPortID());
    stmt.BindText(3, shareTargetPtr->GetAppID());
    stmt.Step();
}

std::shared_ptr<ShareTargetPtrVector> ShareTargetDBController::SelectAll()
{
    DBOpening opening(GetShareTargetDataDBFilePath(), true);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForReading, nullptr);

    auto shareTargets = std::make_shared<ShareTargetPtrVector>();
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(
        mQueryGenerator->MakeSelectQuery(kTableName, "AppID,PortID", "", "", "", ""));
    while (stmt.Step() == SQLITE_ROW) {
        std::shared_ptr<ShareTarget> shareTargetPtr = ShareTarget::Make();
        if (!shareTargetPtr)
            continue;
        shareTargetPtr->SetAppID(stmt.ColumnText(0));
        shareTargetPtr->SetPortID(stmt.ColumnText(1));
        shareTargets->push_back(shareTargetPtr);
    }
    return shareTargets;
}

void ShareTargetDBController::UpgradeDB(double version)
{
    (void)version;
}
