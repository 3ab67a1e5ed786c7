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

    DBConnector* dbConnector = DBConnector::GetInstance();
    RETURN_IF(dbConnector->DBInitializeForCreateTable(GetVersionDBFilePath()) == false, false);
    CreateTable();
    mCurrentVersion = GetCurrentVersion();
    // A new table starts at 0.0 in the file; mCurrentVersion keeps -1.0 so
    // that this start runs every upgrade step.
    if (mCurrentVersion < 0.0)
        InsertVersion(0.0);
    dbConnector->DBFinalize();
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
    std::string query = mQueryGenerator->MakeSelectQuery(kTableName, "dbVersion", "", "", "", "");
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    double version = kNoVersionRow;
    int ret = sqlite3_step(stmt);
    if (ret == SQLITE_ROW)
        version = sqlite3_column_double(stmt, 0);
    else
        LOGE("No result : %d", ret);
    sqlite3_finalize(stmt);
    return version;
}

void VersionDBController::InsertVersion(double version)
{
    std::string query = mQueryGenerator->MakeInsertQuery(kTableName, "dbVersion", "?");
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    sqlite3_bind_double(stmt, 1, version);
    sqlite3_step(stmt);
    sqlite3_finalize(stmt);
}

void VersionDBController::UpdateVersion(double version)
{
    std::string query = mQueryGenerator->MakeUpdateQuery(kTableName, "dbVersion = ?", "");
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    sqlite3_bind_double(stmt, 1, version);
    sqlite3_step(stmt);
    sqlite3_finalize(stmt);
}

double VersionDBController::GetCurrentDBVersion()
{
    DBConnector* dbConnector = DBConnector::GetInstance();
    RETURN_IF(dbConnector->DBInitialize(GetVersionDBFilePath(), true) == false, 0.0);
    double version = GetCurrentVersion();
    dbConnector->DBFinalize();
    return version;
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
    DBConnector* dbConnector = DBConnector::GetInstance();
    RETURN_IF(dbConnector->DBInitialize(GetVersionDBFilePath(), false) == false);
    UpdateVersion(version);
    dbConnector->DBFinalize();
}
