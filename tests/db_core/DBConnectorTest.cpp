#include <gtest/gtest.h>

#include <sqlite3.h>

#include <unistd.h>

#include <chrono>
#include <memory>

#include "db/DBConnector.h"
#include "DeviceFixture.h"
#include "SqliteTestUtil.h"

using namespace sqlite_test;

TEST(DBConnector, OpensOneFileAtATimeInOneTransaction)
{
    std::string dir = FreshDbDir();
    std::string first = dir + "/a.db", second = dir + "/b.db";
    DBConnector* db = DBConnector::GetInstance();
    LogCapture capture;

    ASSERT_TRUE(db->DBInitialize(first, false));
    EXPECT_TRUE(db->DBInitialize(second, false));
    EXPECT_TRUE(capture.Contains("DBInitialize is already called, mDBHandle is not NULL"));
    EXPECT_TRUE(db->DBExecuteQuery("CREATE TABLE T (v INT); INSERT INTO T VALUES (7);"));
    sqlite3_stmt* stmt = db->DBPrepareQuery("PRAGMA synchronous;");
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(stmt, 0), 0);
    sqlite3_finalize(stmt);
    EXPECT_TRUE(QueryRows(first, "SELECT v FROM T").empty()) << "committed before DBFinalize";
    EXPECT_TRUE(db->DBFinalize());
    EXPECT_EQ(QueryRows(first, "SELECT v FROM T"), (Rows{{"7"}}));
    EXPECT_FALSE(Exists(second));

    // The creation opening holds the file exclusively until it is finalized.
    ASSERT_TRUE(db->DBInitializeForCreateTable(first));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open_v2(first.c_str(), &other, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(other, "SELECT v FROM T;", nullptr, nullptr, nullptr), SQLITE_BUSY);
    EXPECT_TRUE(db->DBFinalize());
    EXPECT_EQ(sqlite3_exec(other, "SELECT v FROM T;", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);

    capture.Clear();
    EXPECT_FALSE(db->DBFinalize());
    EXPECT_TRUE(capture.Contains("sqlite3_exec fail") && capture.Contains("mDBHandle is NULL"));
    EXPECT_FALSE(db->DBInitialize("", false));
    EXPECT_TRUE(capture.Contains("(dbFilePath.empty()) [return]"));
    EXPECT_TRUE(capture.Contains("(DBFileOpen(dbFilePath, SQLITE_OPEN_SHAREDCACHE | SQLITE_OPEN_READWRITE | "
                                 "SQLITE_OPEN_CREATE) == false) [return]"));
    EXPECT_FALSE(db->DBInitialize(dir + "/missing.db", true));
    EXPECT_TRUE(capture.Contains("sqlite3_open_open failed. 14 "));
    EXPECT_TRUE(capture.Contains("(DBFileOpen(dbFilePath, SQLITE_OPEN_SHAREDCACHE | SQLITE_OPEN_READONLY) == false)"));
    EXPECT_FALSE(Exists(dir + "/missing.db"));

    ASSERT_TRUE(db->DBInitialize(first, false));
    EXPECT_FALSE(db->DBExecuteQuery("INSERT INTO T VALUES ("));
    EXPECT_TRUE(capture.Contains("Fail: sqlite3_exec Failed rc [1][incomplete input]"));
    EXPECT_TRUE(db->DBFinalize());

    // A rollback drops what the opening wrote and closes the connection.
    ASSERT_TRUE(db->DBInitialize(first, false));
    EXPECT_TRUE(db->DBExecuteQuery("INSERT INTO T VALUES (8);"));
    EXPECT_TRUE(db->DBRollback());
    EXPECT_FALSE(db->DBIsOpen());
    EXPECT_EQ(QueryRows(first, "SELECT v FROM T"), (Rows{{"7"}}));
}

TEST(DBConnector, MissingTableRemovesExactlyTheDataLayerFiles)
{
    const char* files[] = {".weather.db",      ".weather.db-journal",      ".setting.db", ".setting.db-journal",
                           ".share_target.db", ".share_target.db-journal", ".version.db", ".version.db-journal"};
    std::string dir = FreshDbDir();
    for (const char* name : files)
        ASSERT_TRUE(WriteRawFile(dir + "/" + name, ""));
    ASSERT_TRUE(WriteRawFile(dir + "/.json.txt", "{}"));
    ASSERT_TRUE(WriteRawFile(dir + "/.weather.db.bak", "x"));
    DBConnector* db = DBConnector::GetInstance();
    LogCapture capture;

    ASSERT_TRUE(db->DBInitialize(dir + "/.weather.db", false));
    // A syntax error is also SQLITE_ERROR but must not remove anything.
    EXPECT_EQ(db->DBPrepareQuery("SELEC * FROM T"), nullptr);
    EXPECT_TRUE(capture.Contains("Query: SELEC * FROM T"));
    for (const char* name : files)
        EXPECT_TRUE(Exists(dir + "/" + name)) << name;

    EXPECT_EQ(db->DBPrepareQuery("SELECT v FROM NO_TABLE"), nullptr);
    EXPECT_TRUE(capture.Contains("Fail: sqlite3_prepare_v2 Failed rc [1][no such table: NO_TABLE]"));
    EXPECT_EQ(MessagesStartingWith(capture, "Recovered"),
              std::vector<std::string>{"Recovered and initialized database : <it causes crash soon>"});
    for (const char* name : files)
        EXPECT_FALSE(Exists(dir + "/" + name)) << name;
    EXPECT_TRUE(Exists(dir + "/.json.txt") && Exists(dir + "/.weather.db.bak"));
    // The connection stays open on the removed file until the caller finalizes.
    EXPECT_TRUE(db->DBFinalize());
    EXPECT_FALSE(Exists(dir + "/.weather.db"));
}

// Every opening reads the schema in its pragmas, so the opening itself waits
// while another process holds the write lock.
TEST(DBConnector, WaitsForAnotherProcessThroughTheBusyHandler)
{
    std::string path = FreshDbDir() + "/busy.db";
    ASSERT_TRUE(ExecSql(path, "CREATE TABLE T (v INT); INSERT INTO T VALUES (1);"));
    DBConnector* db = DBConnector::GetInstance();

    { // Released within the retries: the opening waits, our write lands after the other one.
        WriteLockHolder holder;
        ASSERT_TRUE(holder.Start(path, 350, "INSERT INTO T VALUES (2);"));
        LogCapture capture;
        ASSERT_TRUE(db->DBInitialize(path, false));
        std::vector<std::string> lines = MessagesStartingWith(capture, "Busy Handler");
        EXPECT_TRUE(db->DBExecuteQuery("INSERT INTO T VALUES (3);"));
        EXPECT_TRUE(db->DBFinalize());
        EXPECT_EQ(holder.Wait(), 0);
        ASSERT_FALSE(lines.empty()) << "the opening did not wait";
        EXPECT_EQ(lines[0], "Busy Handler Called! : CNT(1)\n");
        EXPECT_LT(lines.size(), 10u);
        EXPECT_EQ(QueryRows(path, "SELECT v FROM T ORDER BY rowid"), (Rows{{"1"}, {"2"}, {"3"}}));
    }
    { // Held past the ten retries: the opening fails with SQLITE_BUSY.
        WriteLockHolder holder;
        ASSERT_TRUE(holder.Start(path, -1, "INSERT INTO T VALUES (4);"));
        LogCapture capture;
        auto start = std::chrono::steady_clock::now();
        bool opened = db->DBInitialize(path, false);
        double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (opened)
            db->DBFinalize();
        holder.Release();
        EXPECT_EQ(holder.Wait(), 0);

        EXPECT_FALSE(opened);
        std::vector<std::string> expected;
        for (int i = 1; i <= 10; ++i)
            expected.push_back("Busy Handler Called! : CNT(" + std::to_string(i) + ")\n");
        expected.push_back("Busy Handler will be returned SQLITE_BUSY error");
        EXPECT_EQ(MessagesStartingWith(capture, "Busy Handler"), expected);
        EXPECT_TRUE(capture.Contains("pszErrorMsg : database is locked"));
        EXPECT_TRUE(capture.Contains("(DBExcutePerformanceOptimization() == false) [return]"));
        EXPECT_GE(waited, 5.4) << "sleeps of 0.1 s to 1.0 s";
        EXPECT_EQ(QueryRows(path, "SELECT v FROM T ORDER BY rowid"), (Rows{{"1"}, {"2"}, {"3"}, {"4"}}));
    }
    // The failed opening left no connection behind.
    LogCapture capture;
    ASSERT_TRUE(db->DBInitialize(path, true));
    EXPECT_FALSE(capture.Contains("already called"));
    EXPECT_TRUE(db->DBFinalize());
}

namespace {

// An operation of its own, as a controller writes one: true when its insert ran.
bool InsertInOwnOpening(const std::string& path, bool forCreateTable, int value)
{
    std::unique_ptr<DBOpening> opening = forCreateTable ? std::make_unique<DBOpening>(path, DBOpening::ForCreateTable{})
                                                        : std::make_unique<DBOpening>(path, false);
    if (!opening->IsOpen())
        return false;
    return DBConnector::GetInstance()->DBExecuteQuery(
        ("INSERT INTO T VALUES (" + std::to_string(value) + ");").c_str());
}

} // namespace

// An opening inside another one joins it on the same file and never closes
// it; on another file it refuses, so its statements never reach the outer
// file (where a missing table would remove every database).
TEST(DBConnector, NestedOpeningNeverClosesTheOuterOneNorRunsOnAnotherFile)
{
    const std::string dir = FreshDbDir();
    const std::string outer = dir + "/.weather.db", other = dir + "/.setting.db";
    ASSERT_TRUE(ExecSql(other, "CREATE TABLE U (v INT);"));
    struct Case {
        std::string innerPath;
        bool forCreateTable;
        bool joins;
    } cases[] = {
        {outer, false, true},
        {dir + "/./.weather.db", true, true},
        {other, false, false},
        {other, true, false},
    };
    DBConnector* db = DBConnector::GetInstance();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.innerPath + (c.forCreateTable ? " for create table" : ""));
        ASSERT_TRUE(ExecSql(outer, "DROP TABLE IF EXISTS T; CREATE TABLE T (v INT);"));
        LogCapture capture;
        {
            DBOpening opening(outer, false);
            ASSERT_TRUE(opening.IsOpen());
            EXPECT_EQ(InsertInOwnOpening(c.innerPath, c.forCreateTable, 2), c.joins);
            EXPECT_TRUE(db->DBIsOpenOn(outer)) << "the inner opening closed the outer one";
            EXPECT_TRUE(db->DBExecuteQuery("INSERT INTO T VALUES (3);"));
            EXPECT_EQ(QueryRows(outer, "SELECT count(*) FROM T"), (Rows{{"0"}})) << "committed before the outer end";
        }
        EXPECT_FALSE(db->DBIsOpen());
        EXPECT_EQ(QueryRows(outer, "SELECT v FROM T ORDER BY rowid"), c.joins ? (Rows{{"2"}, {"3"}}) : (Rows{{"3"}}));
        EXPECT_EQ(capture.Contains("(connector->DBIsOpenOn(dbFilePath) == false) [return]"), !c.joins);
        EXPECT_FALSE(capture.Contains("Recovered"));
        EXPECT_TRUE(Exists(outer) && Exists(other));
        EXPECT_EQ(QueryRows(other, "SELECT count(*) FROM U"), (Rows{{"0"}}));
    }
}

TEST(DBConnector, CachedStatementIsLentToOneHolderAndFinalizedByDBFinalize)
{
    std::string path = FreshDbDir() + "/cache.db";
    DBConnector* db = DBConnector::GetInstance();
    ASSERT_TRUE(db->DBInitialize(path, false));
    ASSERT_TRUE(db->DBExecuteQuery("CREATE TABLE T (v INT); INSERT INTO T VALUES (1); INSERT INTO T VALUES (2);"));
    const std::string query = "SELECT v FROM T ORDER BY v";
    {
        Statement first = db->DBPrepareStatement(query);
        ASSERT_EQ(first.Step(), SQLITE_ROW);
        // Still in use: the second holder gets a statement of its own.
        Statement second = db->DBPrepareStatement(query);
        EXPECT_NE(second.Get(), first.Get());
        ASSERT_EQ(second.Step(), SQLITE_ROW);
        EXPECT_EQ(second.ColumnInt(0), 1);
        sqlite3_stmt* cached = first.Get();
        first = Statement();
        // Handed back reset: the next holder reads from the first row again.
        Statement third = db->DBPrepareStatement(query);
        EXPECT_EQ(third.Get(), cached);
        ASSERT_EQ(third.Step(), SQLITE_ROW);
        EXPECT_EQ(third.ColumnInt(0), 1);
    }
    LogCapture capture;
    EXPECT_FALSE(db->DBPrepareStatement("SELEC v FROM T"));
    EXPECT_FALSE(db->DBPrepareStatement("SELEC v FROM T"));
    EXPECT_EQ(capture.Count("Query: SELEC v FROM T"), 2u) << "a failed prepare is tried again";
    // sqlite3_close fails while any statement of the connection is alive.
    EXPECT_TRUE(db->DBFinalize());
}
