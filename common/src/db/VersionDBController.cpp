#include "db/VersionDBController.h"

#include <sqlite3.h>

#include "db/ColumnTable.h"
#include "db/DBConnector.h"
#include "db/WeatherDBController.h"
#include "utils/DBFileNames.h"
#include "utils/FileHelper.h"

namespace {

// A failed opening's guard names the opening as these texts write it.
constexpr const char* kOpenForCreating = "dbConnector->DBInitializeForCreateTable(GetVersionDBFilePath()) == false";
constexpr const char* kOpenForReading = "dbConnector->DBInitialize(GetVersionDBFilePath(), true) == false";
constexpr const char* kOpenForWriting = "dbConnector->DBInitialize(GetVersionDBFilePath(), false) == false";

constexpr const char* kTableName = "VERSION_TABLE";
constexpr double kNoVersionRow = -1.0;

} // namespace

DEFINE_SINGLETON(VersionDBController)

bool VersionDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();

    DBOpening opening(GetVersionDBFilePath(), DBOpening::ForCreateTable{});
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForCreating, false);
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
    return ret + "db/" + DBFileName::kVersion;
}

void VersionDBController::CreateTable()
{
    ColumnTable::CreateTable("CREATE TABLE IF NOT EXISTS %q (dbVersion DOUBLE);", kTableName);
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
    DBOpening opening(GetVersionDBFilePath(), true);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForReading, 0.0);
    return GetCurrentVersion();
}

// The weather database's upgrade chain ends at the data layer's version.
double VersionDBController::GetLatestDBVersion()
{
    return WeatherDBController::GetLatestSchemaVersion();
}

bool VersionDBController::IsNeedToUpgrade()
{
    if (mCurrentVersion >= GetLatestDBVersion())
        return false;
    LOGE("Need to upgrade DB : CurrentVersion[%.1f], LastestVersion[%.1f]", mCurrentVersion, GetLatestDBVersion());
    return true;
}

void VersionDBController::UpgradeDB(double version)
{
    DBOpening opening(GetVersionDBFilePath(), false);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForWriting);
    UpdateVersion(version);
}
