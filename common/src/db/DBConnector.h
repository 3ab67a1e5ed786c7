#ifndef WEATHER_COMMON_DB_CONNECTOR_H
#define WEATHER_COMMON_DB_CONNECTOR_H

#include <sqlite3.h>

#include <cstdint>
#include <string>

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

    // Null on failure; a missing table removes every database file of the data layer.
    sqlite3_stmt* DBPrepareQuery(const char* query);
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

    bool RunTransactionStatement(const char* statement);
    // Closes a connection whose set-up failed after the open, so that the next
    // operation does not silently reuse a half-initialised handle.
    void CloseAfterFailedSetup();

    sqlite3* mDBHandle = nullptr;
};

#endif
