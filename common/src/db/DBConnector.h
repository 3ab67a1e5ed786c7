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
// (which commits). Other weather processes share the files; the busy handler
// is the only coordination. Nothing stays open between operations.
//
// Ownership: the connector owns the connection and every statement of its
// cache; a Statement from DBPrepareStatement borrows one, a DBPrepareQuery
// statement belongs to the caller, who finalizes it before DBFinalize.
class DBConnector {
public:
    DECLARE_SINGLETON(DBConnector);

    virtual bool Init();
    virtual ~DBConnector();

    // Success: open on dbFilePath (created unless readOnly) with a transaction
    // begun. Already open: true, and the open connection, on whatever file, is
    // kept. Failure (empty path, a file or journal that is not a regular file,
    // an open, pragma or begin failure, e.g. while another process holds the
    // write lock past the busy retries): false and closed.
    bool DBInitialize(const std::string& dbFilePath, bool readOnly);
    // The same, writable, with an exclusive transaction: for creating and
    // upgrading schemas.
    bool DBInitializeForCreateTable(const std::string& dbFilePath);
    // Ends the transaction (committing it), finalizes the statement cache and
    // closes: afterwards the connector is closed in every case. False when it
    // was not open or the close failed.
    bool DBFinalize();
    // Undoes this opening's transaction and closes the connection, for a
    // caller that writes a whole set at once and finds it incomplete. False
    // when nothing was open or SQLite could not roll back (closing the
    // connection then rolls back instead).
    bool DBRollback();

    // Success: a statement the caller finalizes. Failure: null; a missing
    // table also removes every database file of the data layer (the
    // connection stays open on the removed file until DBFinalize).
    sqlite3_stmt* DBPrepareQuery(const char* query);
    // The statement for query, lent from this opening's cache (prepared on its
    // first use, reset when handed back); a fresh one when the cached one is
    // still in use. A failed prepare is not cached, so it is retried and logged
    // at the next call. DBFinalize finalizes the cache: a Statement must not
    // outlive the opening.
    Statement DBPrepareStatement(const std::string& query);
    // True when every statement of query ran; a failure leaves the statements
    // before it applied inside the open transaction.
    bool DBExecuteQuery(const char* query);
    int64_t DBGetLastInsertRowId();

    bool DBIsOpen() const;
    // Open on the file dbFilePath names (under any spelling of it).
    bool DBIsOpenOn(const std::string& dbFilePath) const;

    // The steps of an opening. Each failure that closes the connection says so.
    // Fails without opening when the path is empty or it or its journal exists
    // and is not a regular file; a failed open closes the handle.
    bool DBFileOpen(const std::string& dbFilePath, int flags);
    // A failure closes the connection.
    bool DBSetBusyHandler();
    bool DBExcutePerformanceOptimization();
    bool DBStartTransaction();
    bool DBStartTransactionForCreateTable();
    bool DBEndTransaction();

    // SQLite busy callback: 1 retries after a growing sleep, 0 gives up.
    static int DBUtilBusyHandler(void* context, int count);
    // How many times the busy callback gave up in this process. A statement
    // failed then with SQLITE_BUSY, which a read answers like "no row": a
    // caller that must tell a locked database from an empty one compares
    // the count before and after its reads.
    static unsigned DBBusyGiveUps();

private:
    DBConnector() = default;

    bool ExecTransactionStatement(const char* statement);
    void FinalizeStatementCache();
    // Closes a connection whose set-up failed after the open, so that the next
    // operation does not silently reuse a half-initialised handle. Always false.
    bool CloseAfterFailedSetup();
    // The one way the connection is closed; sqlite3_close's result.
    int CloseHandle();

    struct CachedStatement {
        sqlite3_stmt* stmt;
        bool lent;
    };

    sqlite3* mDBHandle = nullptr;
    std::string mDBPath;
    // Keyed by SQL text; node-based, so a lent flag's address stays valid.
    std::unordered_map<std::string, CachedStatement> mStatementCache;
};

// One opening of the connection for the rest of a scope: DBInitialize (or
// DBInitializeForCreateTable) on construction, DBFinalize on destruction.
// Nested inside another opening it joins the open connection when that is on
// the same file and never closes it; on another file it refuses (a guard
// line, IsOpen() false) and leaves the outer opening as it was. Statements
// made inside the scope must be released before it ends.
class DBOpening {
public:
    struct ForCreateTable {};

    DBOpening(const std::string& dbFilePath, bool readOnly) : mOpen(Open(dbFilePath, false, readOnly)) {}
    DBOpening(const std::string& dbFilePath, ForCreateTable) : mOpen(Open(dbFilePath, true, false)) {}
    ~DBOpening()
    {
        if (mOwner)
            DBConnector::GetInstance()->DBFinalize();
    }
    DBOpening(const DBOpening&) = delete;
    DBOpening& operator=(const DBOpening&) = delete;

    bool IsOpen() const { return mOpen; }

private:
    bool Open(const std::string& dbFilePath, bool forCreateTable, bool readOnly);

    bool mOwner = false;
    bool mOpen;
};

#endif
