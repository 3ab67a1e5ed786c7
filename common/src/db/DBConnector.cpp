#include "db/DBConnector.h"

#include <glib.h>

#include <sys/stat.h>

#include <cstring>

#include "utils/DBFileNames.h"
#include "utils/FileHelper.h"
#include "utils/StringHelper.h"

namespace {

constexpr int kBusyRetryLimit = 10;
constexpr gulong kBusySleepStepUsec = 100000;

unsigned sBusyGiveUps = 0;

bool IsUntrustedFile(const std::string& path)
{
    return FileHelper::GetInstance()->IsUntrustedFile(path);
}

} // namespace

DEFINE_SINGLETON(DBConnector)

bool DBConnector::Init()
{
    mDBHandle = nullptr;
    return true;
}

DBConnector::~DBConnector()
{
    if (mDBHandle)
        CloseHandle();
}

bool DBConnector::DBInitialize(const std::string& dbFilePath, bool readOnly)
{
    if (mDBHandle != nullptr) {
        LOGE("DBInitialize is already called, mDBHandle is not NULL");
        return true;
    }
    if (readOnly) {
        RETURN_IF(DBFileOpen(dbFilePath, SQLITE_OPEN_SHAREDCACHE | SQLITE_OPEN_READONLY) == false, false);
    } else {
        RETURN_IF(DBFileOpen(dbFilePath, SQLITE_OPEN_SHAREDCACHE | SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) == false,
                  false);
    }
    RETURN_IF(DBSetBusyHandler() == false, false);
    RETURN_IF(DBExcutePerformanceOptimization() == false, CloseAfterFailedSetup());
    RETURN_IF(DBStartTransaction() == false, CloseAfterFailedSetup());
    return true;
}

bool DBConnector::DBInitializeForCreateTable(const std::string& dbFilePath)
{
    if (mDBHandle != nullptr) {
        LOGE("DBInitialize is already called, mDBHandle is not NULL");
        return true;
    }
    RETURN_IF(DBFileOpen(dbFilePath, SQLITE_OPEN_SHAREDCACHE | SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) == false,
              false);
    RETURN_IF(DBSetBusyHandler() == false, false);
    RETURN_IF(DBExcutePerformanceOptimization() == false, CloseAfterFailedSetup());
    RETURN_IF(DBStartTransactionForCreateTable() == false, CloseAfterFailedSetup());
    return true;
}

bool DBConnector::DBFinalize()
{
    DBEndTransaction();
    if (mDBHandle == nullptr) {
        LOGE("mDBHandle is NULL");
        return false;
    }
    return CloseHandle() == SQLITE_OK;
}

bool DBConnector::DBRollback()
{
    FinalizeStatementCache();
    if (mDBHandle == nullptr) {
        LOGE("mDBHandle is NULL");
        return false;
    }
    const bool rolledBack = ExecTransactionStatement("ROLLBACK TRANSACTION;");
    if (!rolledBack)
        LOGE("sqlite3_exec fail");
    const int ret = sqlite3_close(mDBHandle);
    mDBHandle = nullptr;
    return rolledBack && ret == SQLITE_OK;
}

sqlite3_stmt* DBConnector::DBPrepareQuery(const char* query)
{
    sqlite3_stmt* stmt = nullptr;
    int ret =
        sqlite3_prepare_v2(mDBHandle, query ? query : "", query ? static_cast<int>(strlen(query)) : 0, &stmt, nullptr);
    if (ret == SQLITE_OK)
        return stmt;

    const char* errorMsg = sqlite3_errmsg(mDBHandle);
    LOGE("Fail: sqlite3_prepare_v2 Failed rc [%d][%s]", ret, errorMsg ? errorMsg : "");
    LOGE("Query: %s", query ? query : "");
    sqlite3_finalize(stmt);

    if (ret == SQLITE_ERROR && errorMsg && StringHelper::GetInstance()->Contains(errorMsg, "no such table")) {
        // Last resort: every weather application recreates the files at its next start.
        LOGE("Recovered and initialized database : <it causes crash soon>");
        std::string sharedDataDirectory = FileHelper::GetInstance()->GetSharedDataDirectoryPath();
        RETURN_IF(sharedDataDirectory.length() < 1, nullptr);
        for (const char* name : DBFileName::kAll) {
            const std::string path = sharedDataDirectory + "/db/" + name;
            FileHelper::GetInstance()->RemoveFile(path);
            FileHelper::GetInstance()->RemoveFile(path + DBFileName::kJournalSuffix);
        }
    }
    return nullptr;
}

Statement DBConnector::DBPrepareStatement(const std::string& query)
{
    auto cached = mStatementCache.find(query);
    if (cached != mStatementCache.end()) {
        if (cached->second.lent)
            return Statement(DBPrepareQuery(query.c_str()));
        cached->second.lent = true;
        return Statement(cached->second.stmt, &cached->second.lent);
    }
    sqlite3_stmt* stmt = DBPrepareQuery(query.c_str());
    if (stmt == nullptr)
        return Statement();
    CachedStatement& entry = mStatementCache.emplace(query, CachedStatement{stmt, true}).first->second;
    return Statement(stmt, &entry.lent);
}

void DBConnector::FinalizeStatementCache()
{
    for (auto& cached : mStatementCache)
        sqlite3_finalize(cached.second.stmt);
    mStatementCache.clear();
}

bool DBConnector::DBExecuteQuery(const char* query)
{
    char* errorMsg = nullptr;
    int ret = sqlite3_exec(mDBHandle, query, nullptr, nullptr, &errorMsg);
    if (ret == SQLITE_OK) {
        sqlite3_free(errorMsg);
        return true;
    }
    if (errorMsg) {
        LOGE("Fail: sqlite3_exec Failed rc [%d][%s]", ret, errorMsg);
        sqlite3_free(errorMsg);
    }
    return false;
}

int64_t DBConnector::DBGetLastInsertRowId()
{
    RETURN_IF(mDBHandle == nullptr, 0);
    return sqlite3_last_insert_rowid(mDBHandle);
}

bool DBConnector::DBFileOpen(const std::string& dbFilePath, int flags)
{
    RETURN_IF(dbFilePath.empty(), false);
    // SQLite opens by path: the database and its journal (a hot journal is
    // rolled into the database) pass the platform's file checks first.
    RETURN_IF(IsUntrustedFile(dbFilePath) || IsUntrustedFile(dbFilePath + "-journal"), false);
    int ret = sqlite3_open_v2(dbFilePath.c_str(), &mDBHandle, flags, nullptr);
    if (ret != SQLITE_OK) {
        LOGE("sqlite3_open_open failed. %d %p, %s", ret, static_cast<void*>(mDBHandle), dbFilePath.c_str());
        CloseHandle();
        return false;
    }
    mDBPath = dbFilePath;
    return true;
}

bool DBConnector::DBSetBusyHandler()
{
    if (sqlite3_busy_handler(mDBHandle, DBUtilBusyHandler, nullptr) != SQLITE_OK) {
        LOGE("Fail to register busy handler");
        CloseHandle();
        return false;
    }
    return true;
}

bool DBConnector::DBExcutePerformanceOptimization()
{
    char* errorMsg = nullptr;
    int ret = sqlite3_exec(mDBHandle, "PRAGMA synchronous=OFF; PRAGMA count_changes=OFF; PRAGMA temp_store=memory;",
                           nullptr, nullptr, &errorMsg);
    if (ret != SQLITE_OK) {
        LOGE("Fail to sqlite3_exec for performance optimization.");
        LOGE("pszErrorMsg : %s", errorMsg ? errorMsg : "");
        sqlite3_free(errorMsg);
        return false;
    }
    sqlite3_free(errorMsg);
    return true;
}

bool DBConnector::ExecTransactionStatement(const char* statement)
{
    // A closed connection fails like a failed exec; SQLite is not asked.
    return mDBHandle != nullptr && sqlite3_exec(mDBHandle, statement, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool DBConnector::DBStartTransaction()
{
    if (!ExecTransactionStatement("BEGIN TRANSACTION;")) {
        LOGE("sqlite3_exec fail");
        return false;
    }
    return true;
}

bool DBConnector::DBStartTransactionForCreateTable()
{
    if (!ExecTransactionStatement("BEGIN EXCLUSIVE TRANSACTION;")) {
        LOGE("sqlite3_exec fail");
        return false;
    }
    return true;
}

bool DBConnector::DBEndTransaction()
{
    if (!ExecTransactionStatement("END TRANSACTION;")) {
        LOGE("sqlite3_exec fail");
        return false;
    }
    return true;
}

bool DBConnector::CloseAfterFailedSetup()
{
    CloseHandle();
    return false;
}

int DBConnector::CloseHandle()
{
    FinalizeStatementCache();
    int ret = sqlite3_close(mDBHandle);
    mDBHandle = nullptr;
    mDBPath.clear();
    return ret;
}

bool DBConnector::DBIsOpen() const
{
    return mDBHandle != nullptr;
}

bool DBConnector::DBIsOpenOn(const std::string& dbFilePath) const
{
    if (mDBHandle == nullptr)
        return false;
    if (dbFilePath == mDBPath)
        return true;
    // Another spelling of the same name (a "./", a link) reaches the same file.
    struct stat wanted = {}, open = {};
    return stat(dbFilePath.c_str(), &wanted) == 0 && stat(mDBPath.c_str(), &open) == 0 &&
           wanted.st_dev == open.st_dev && wanted.st_ino == open.st_ino;
}

int DBConnector::DBUtilBusyHandler(void* context, int count)
{
    (void)context;
    if (count >= kBusyRetryLimit) {
        LOGE("Busy Handler will be returned SQLITE_BUSY error");
        ++sBusyGiveUps;
        return 0;
    }
    LOGE("Busy Handler Called! : CNT(%d)\n", count + 1);
    g_usleep(kBusySleepStepUsec * static_cast<gulong>(count + 1));
    return 1;
}

unsigned DBConnector::DBBusyGiveUps()
{
    return sBusyGiveUps;
}

bool DBOpening::Open(const std::string& dbFilePath, bool forCreateTable, bool readOnly)
{
    DBConnector* connector = DBConnector::GetInstance();
    if (connector->DBIsOpen()) {
        // An outer opening owns the connection: join it on its own file only,
        // since statements meant for another file would run on the outer one.
        RETURN_IF(connector->DBIsOpenOn(dbFilePath) == false, false);
        return true;
    }
    mOwner = forCreateTable ? connector->DBInitializeForCreateTable(dbFilePath)
                            : connector->DBInitialize(dbFilePath, readOnly);
    return mOwner;
}
