#include "db/ShareTargetDBController.h"

#include <sqlite3.h>

#include "db/DBConnector.h"
#include "utils/FileHelper.h"

namespace {

constexpr const char* kTableName = "SHARE_TARGET_TABLE";

std::string ColumnText(sqlite3_stmt* stmt, int index)
{
    const unsigned char* text = sqlite3_column_text(stmt, index);
    return text ? reinterpret_cast<const char*>(text) : "";
}

void BindText(sqlite3_stmt* stmt, int index, const std::string& value)
{
    sqlite3_bind_text(stmt, index, value.c_str(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
}

} // namespace

DEFINE_SINGLETON(ShareTargetDBController)

bool ShareTargetDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    RETURN_IF(FileHelper::GetInstance()->IsExists(GetShareTargetDataDBFilePath()) == true, true);

    DBConnector* dbConnector = DBConnector::GetInstance();
    RETURN_IF(dbConnector->DBInitializeForCreateTable(GetShareTargetDataDBFilePath()) == false, false);
    CreateTable();
    dbConnector->DBFinalize();
    return true;
}

std::string ShareTargetDBController::GetShareTargetDataDBFilePath()
{
    std::string ret = FileHelper::GetInstance()->GetSharedDataDirectoryPath();
    RETURN_IF(ret.length() < 1, "");
    return ret + "db/.share_target.db";
}

void ShareTargetDBController::CreateTable()
{
    char* query = sqlite3_mprintf(
        "CREATE TABLE IF NOT EXISTS %q (PK_ID\tINTEGER NOT NULL PRIMARY KEY AUTOINCREMENT,AppID\tTEXT, PortID\tTEXT);",
        kTableName);
    DBConnector::GetInstance()->DBExecuteQuery(query);
    sqlite3_free(query);
}

void ShareTargetDBController::Insert(const std::shared_ptr<ShareTarget>& shareTargetPtr)
{
    RETURN_IF(!shareTargetPtr);
    DBConnector* dbConnector = DBConnector::GetInstance();
    RETURN_IF(dbConnector->DBInitialize(GetShareTargetDataDBFilePath(), false) == false);

    std::string query = mQueryGenerator->MakeInsertQuery(kTableName, "AppID, PortID", "?, ?");
    sqlite3_stmt* stmt = dbConnector->DBPrepareQuery(query.c_str());
    BindText(stmt, 1, shareTargetPtr->GetAppID());
    BindText(stmt, 2, shareTargetPtr->GetPortID());
    sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    dbConnector->DBFinalize();
}

void ShareTargetDBController::Update(const std::shared_ptr<ShareTarget>& shareTargetPtr)
{
    RETURN_IF(!shareTargetPtr);
    DBConnector* dbConnector = DBConnector::GetInstance();
    RETURN_IF(dbConnector->DBInitialize(GetShareTargetDataDBFilePath(), false) == false);

    std::string query = mQueryGenerator->MakeUpdateQuery(kTableName, "AppID = ?, PortID = ?",
                                                         mQueryGenerator->MakeWhereClause("AppID = ?;"));
    sqlite3_stmt* stmt = dbConnector->DBPrepareQuery(query.c_str());
    BindText(stmt, 1, shareTargetPtr->GetAppID());
    BindText(stmt, 2, shareTargetPtr->GetPortID());
    BindText(stmt, 3, shareTargetPtr->GetAppID());
    sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    dbConnector->DBFinalize();
}

std::shared_ptr<ShareTargetPtrVector> ShareTargetDBController::SelectAll()
{
    DBConnector* dbConnector = DBConnector::GetInstance();
    RETURN_IF(dbConnector->DBInitialize(GetShareTargetDataDBFilePath(), true) == false, nullptr);

    auto shareTargets = std::make_shared<ShareTargetPtrVector>();
    std::string query = mQueryGenerator->MakeSelectQuery(kTableName, "AppID,PortID", "", "", "", "");
    sqlite3_stmt* stmt = dbConnector->DBPrepareQuery(query.c_str());
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        std::shared_ptr<ShareTarget> shareTargetPtr = ShareTarget::Make();
        if (!shareTargetPtr)
            continue;
        shareTargetPtr->SetAppID(ColumnText(stmt, 0));
        shareTargetPtr->SetPortID(ColumnText(stmt, 1));
        shareTargets->push_back(shareTargetPtr);
    }
    sqlite3_finalize(stmt);
    dbConnector->DBFinalize();
    return shareTargets;
}

void ShareTargetDBController::UpgradeDB(double version)
{
    (void)version;
}
