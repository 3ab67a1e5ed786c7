#ifndef WEATHER_COMMON_DB_CONNECTOR_H
#define WEATHER_COMMON_DB_CONNECTOR_H

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <unordered_map>

#include "db/Statement.h"
#include "utils/Pattern.h"

// The process's one SQLite connection. A database operation opens it on one
// file (which begins a transaction), runs its statements and closes it again
// (which commits). Other weather processes share the files; shared cache and
// the busy handler are the only coordination.
class DBConnector {
public:
    DECLARE_SINGLETON(DBConnector);

    virtual bool Init();
    virtual ~DBConnector();

    bool DBInitialize(const std::string& dbFilePath, bool readOnly);
    // Writable, with an exclusive transaction: for creating and upgrading schemas.
    bool DBInitializeForCreateTable(const std::string& dbFilePath);
    bool DBFinalize();
    // Undoes this opening's transaction and closes the connection, for a
    // caller that writes a whole set at once and finds it incomplete. False
    // when nothing was open or SQLite could not roll back (closing the
    // connection then rolls back instead).
    bool DBRollback();

    // Null on failure; a missing table removes every database file of the data layer.
    sqlite3_stmt* DBPrepareQuery(const char* query);
    // The statement for query, lent from this opening's cache (prepared on its
    // first use, reset when handed back); a fresh one when the cached one is
    // still in use. A failed prepare is not cached, so it is retried and logged
    // at the next call. DBFinalize finalizes the cache.
    Statement DBPrepareStatement(const std::string& query);
    bool DBExecuteQuery(const char* query);
    int64_t DBGetLastInsertRowId();

    bool DBFileOpen(const std::string& dbFilePath, int flags);
    bool DBSetBusyHandler();
    bool DBExcutePerformanceOptimization();
    bool DBStartTransaction();
    bool DBStartTransactionForCreateTable();
    bool DBEndTransaction();

    // SQLite busy callback: 1 retries after a growing sleep, 0 gives up.
    static int DBUtilBusyHandler(void* context, int count);

private:
    DBConnector() = default;

    bool ExecTransactionStatement(const char* statement);
    void FinalizeStatementCache();
    // Closes a connection whose set-up failed after the open, so that the next
    // operation does not silently reuse a half-initialised handle. Always false.
    bool CloseAfterFailedSetup();

    struct CachedStatement {
        sqlite3_stmt* stmt;
        bool lent;
    };

    sqlite3* mDBHandle = nullptr;
    // Keyed by SQL text; node-based, so a lent flag's address stays valid.
    std::unordered_map<std::string, CachedStatement> mStatementCache;
};

// One opening of the connection for the rest of a scope: DBInitialize (or
// DBInitializeForCreateTable) on construction, DBFinalize on destruction when
// the open succeeded. Statements made inside the scope are released first.
class DBOpening {
public:
    struct ForCreateTable {};

    DBOpening(const std::string& dbFilePath, bool readOnly)
        : mOpen(DBConnector::GetInstance()->DBInitialize(dbFilePath, readOnly))
    {
    }
    DBOpening(const std::string& dbFilePath, ForCreateTable)
        : mOpen(DBConnector::GetInstance()->DBInitializeForCreateTable(dbFilePath))
    {
    }
    ~DBOpening()
    {
        if (mOpen)
            DBConnector::GetInstance()->DBFinalize();
    }
    DBOpening(const DBOpening&) = delete;
    DBOpening& operator=(const DBOpening&) = delete;

    bool IsOpen() const { return mOpen; }

private:
    bool mOpen;
};

// Opens the connection on path for the rest of the scope. A failed open logs
// the guard "dbConnector->DBInitialize(<path>, <readOnly>) == false" in the
// caller's name and returns the remaining arguments.
#define DB_OPEN_OR_RETURN(path, readOnly, ...)                                                                         \
    DBOpening dbOpening_((path), (readOnly));                                                                          \
    RETURN_IF_MSG(!dbOpening_.IsOpen(), "dbConnector->DBInitialize(" #path ", " #readOnly ") == false", ##__VA_ARGS__)

#define DB_OPEN_FOR_CREATE_TABLE_OR_RETURN(path, ...)                                                                  \
    DBOpening dbOpening_((path), DBOpening::ForCreateTable{});                                                         \
    RETURN_IF_MSG(!dbOpening_.IsOpen(), "dbConnector->DBInitializeForCreateTable(" #path ") == false", ##__VA_ARGS__)

#endif
