#ifndef WEATHER_TESTS_SQLITE_TEST_UTIL_H
#define WEATHER_TESTS_SQLITE_TEST_UTIL_H

// Raw SQLite access for tests of the storage layer: set files up and look at
// them without going through the code under test.

#include <sys/types.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

class LogCapture;

namespace sqlite_test {

// Runs one or more statements on the file (created when missing) in its own
// private connection. False on failure, with SQLite's message in *error.
bool ExecSql(const std::string& path, const std::string& sql, std::string* error = nullptr);

// Creates the database file dbPath from an SQL dump (a file of statements, as
// `sqlite3 FILE .dump` writes it). False when the dump is missing or SQLite
// refuses a statement; the message goes to *error.
bool CreateDatabaseFromSQL(const std::string& dbPath, const std::string& sqlPath, std::string* error = nullptr);

// Every row of a query, each column as text ("NULL" for SQL NULL). Empty on failure.
using Rows = std::vector<std::vector<std::string>>;
Rows QueryRows(const std::string& path, const std::string& sql);

struct ColumnInfo {
    std::string name;
    std::string type;
    bool operator==(const ColumnInfo& other) const { return name == other.name && type == other.type; }
};
// Columns of a table in table order, from PRAGMA table_info. Empty when the
// table or the file is missing.
std::vector<ColumnInfo> TableColumns(const std::string& path, const std::string& table);

// "ok" for a sound database, SQLite's report otherwise.
std::string IntegrityCheck(const std::string& path);

// Writes raw bytes to a file, replacing it.
bool WriteRawFile(const std::string& path, const std::string& content);

// A second process that takes the write lock of a database file, as another
// weather application would. Start() returns once the child holds the lock.
class WriteLockHolder {
public:
    WriteLockHolder() = default;
    ~WriteLockHolder();
    WriteLockHolder(const WriteLockHolder&) = delete;
    WriteLockHolder& operator=(const WriteLockHolder&) = delete;

    // Begins an exclusive transaction on the file in a forked child, runs
    // sqlInside there, then keeps the lock for holdMs milliseconds (or, with
    // holdMs < 0, until Release()), commits and exits.
    bool Start(const std::string& path, int holdMs, const std::string& sqlInside = "");
    // Lets a child with holdMs < 0 commit and exit.
    void Release();
    // Waits for the child; its exit code (0 when it committed), -1 on trouble.
    int Wait();

private:
    pid_t mPid = -1;
    int mReleaseFd = -1;
};

// The table controllers are singletons whose Init runs once per process. A
// case that depends on Init runs its body in a forked child that has never
// touched them; the body records what it saw as key/value pairs, which the
// test compares in the parent. A crash is recorded under "child"; under the
// sanitizers a leak in the child under "leak" (and both fail the test).
using Observations = std::map<std::string, std::string>;
Observations RunIsolated(const std::function<void(Observations&)>& body);

// Texts of the logged messages that start with `start`, without the line's
// prefix and colour codes, in log order.
std::vector<std::string> MessagesStartingWith(const LogCapture& capture, const std::string& start);

// "<shared data directory>db", emptied (or made) and writable.
std::string FreshDbDir();

bool Exists(const std::string& path);

} // namespace sqlite_test

#endif
