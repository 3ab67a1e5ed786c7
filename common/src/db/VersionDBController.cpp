#include "db/VersionDBController.h"

#include <sqlite3.h>

#include "db/DBConnector.h"
#include "utils/FileHelper.h"

namespace {

constexpr const char* kTableName = "VERSION_TABLE";
constexpr double kLatestDBVersion = 2.0;
constexpr double kNoVersionRow = -1.0;

} // namespace

DEFINE_SINGLETON(VersionDBController)

bool VersionDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();

    DB_OPEN_FOR_CREATE_TABLE_OR_RETURN(GetVersionDBFilePath(), false);
    CreateTable();
    mCurrentVersion = GetCurrentVersion();
    // A new table starts at 0.0 in the file; mCurrentVersion keeps -1.0 so
    // that this start runs every upgrade step.
    if (mCurrentVersion < 0.0)
        InsertVersion(0.0);
    return true;
}

std::string VersionDBController::GetVersionDBFilePath()
{
    std::string ret = FileHelper::GetInstance()->GetSharedDataDirectoryPath();
    RETURN_IF(ret.length() < 1, "");
    return ret + "db/.version.db";
}

void VersionDBController::CreateTable()
{
    char* query = sqlite3_mprintf("CREATE TABLE IF NOT EXISTS %q (dbVersion DOUBLE);", kTableName);
    DBConnector::GetInstance()->DBExecuteQuery(query);
    sqlite3_free(query);
}

double VersionDBController::GetCurrentVersion()
{
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(
        mQueryGenerator->MakeSelectQuery(kTableName, "dbVersion", "", "", "", ""));
    int ret = stmt.Step();
    if (ret == SQLITE_ROW)
        return stmt.ColumnDouble(0);
    LOGE("No result : %d", ret);
    return kNoVersionRow;
}

void VersionDBController::InsertVersion(double version)
{
    Statement stmt =
        DBConnector::GetInstance()->DBPrepareStatement(mQueryGenerator->MakeInsertQuery(kTableName, "dbVersion", "?"));
    stmt.BindDouble(1, version);
    stmt.Step();
}

void VersionDBController::UpdateVersion(double version)
{
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(
        mQueryGenerator->MakeUpdateQuery(kTableName, "dbVersion = ?", ""));
    stmt.BindDouble(1, version);
    stmt.Step();
}

double VersionDBController::GetCurrentDBVersion()
{
    DB_OPEN_OR_RETURN(GetVersionDBFilePath(), true, 0.0);
    return GetCurrentVersion();
}

double VersionDBController::GetLatestDBVersion()
{
    return kLatestDBVersion;
}

bool VersionDBController::IsNeedToUpgrade()
{
    if (mCurrentVersion >= kLatestDBVersion)
        return false;
    LOGE("Need to upgrade DB : CurrentVersion[%.1f], LastestVersion[%.1f]", mCurrentVersion, kLatestDBVersion);
    return true;
}

void VersionDBController::UpgradeDB(double version)
{
    DB_OPEN_OR_RETURN(GetVersionDBFilePath(), false);
    UpdateVersion(version);
}
