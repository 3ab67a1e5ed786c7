#include "SqliteTestUtil.h"
#include "TestProcess.h"

#include <glib.h>
#include <poll.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "DeviceFixture.h"
#include "utils/FileHelper.h"

namespace sqlite_test {

namespace {

// Private cache: the test's own connection must never share state with the
// connector's shared-cache connection of the same process.
sqlite3* OpenRaw(const std::string& path, int flags)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_PRIVATECACHE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 10000);
    return db;
}

} // namespace

bool ExecSql(const std::string& path, const std::string& sql, std::string* error)
{
    sqlite3* db = OpenRaw(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (!db) {
        if (error)
            *error = "cannot open " + path;
        return false;
    }
    char* message = nullptr;
    int ret = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    if (error)
        *error = message ? message : "";
    sqlite3_free(message);
    sqlite3_close(db);
    return ret == SQLITE_OK;
}

Rows QueryRows(const std::string& path, const std::string& sql)
{
    Rows rows;
    sqlite3* db = OpenRaw(path, SQLITE_OPEN_READONLY);
    if (!db)
        return rows;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                const unsigned char* text = sqlite3_column_text(stmt, i);
                row.push_back(text ? reinterpret_cast<const char*>(text) : "NULL");
            }
            rows.push_back(std::move(row));
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

std::vector<ColumnInfo> TableColumns(const std::string& path, const std::string& table)
{
    std::vector<ColumnInfo> columns;
    for (const auto& row : QueryRows(path, "PRAGMA table_info(\"" + table + "\");")) {
        if (row.size() >= 3)
            columns.push_back({row[1], row[2]});
    }
    return columns;
}

std::string IntegrityCheck(const std::string& path)
{
    Rows rows = QueryRows(path, "PRAGMA integrity_check;");
    if (rows.empty() || rows[0].empty())
        return "cannot check " + path;
    return rows[0][0];
}

bool WriteRawFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out);
}

WriteLockHolder::~WriteLockHolder()
{
    Release();
    Wait();
}

bool WriteLockHolder::Start(const std::string& path, int holdMs, const std::string& sqlInside)
{
    int ready[2] = {-1, -1}, release[2] = {-1, -1};
    pid_t pid = mPid > 0 || pipe(ready) != 0 || pipe(release) != 0 ? -1 : fork();
    if (pid < 0) {
        for (int fd : {ready[0], ready[1], release[0], release[1]})
            if (fd >= 0)
                close(fd);
        return false;
    }
    if (pid == 0) {
        // Child: only SQLite and raw system calls, then _exit.
        sqlite3* db = OpenRaw(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        char status = 'x';
        if (db && sqlite3_exec(db, "BEGIN EXCLUSIVE TRANSACTION;", nullptr, nullptr, nullptr) == SQLITE_OK &&
            (sqlInside.empty() || sqlite3_exec(db, sqlInside.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK))
            status = 'L';
        if (write(ready[1], &status, 1) != 1 || status != 'L')
            _exit(2);
        struct pollfd waitRelease = {release[0], POLLIN, 0};
        close(release[1]); // only the parent's end may hang up
        poll(&waitRelease, 1, holdMs < 0 ? -1 : holdMs);
        int ret = sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        _exit(ret == SQLITE_OK ? 0 : 3);
    }
    close(ready[1]);
    close(release[0]);
    mPid = pid;
    mReleaseFd = release[1];
    char status = 0;
    ssize_t got;
    do {
        got = read(ready[0], &status, 1);
    } while (got < 0 && errno == EINTR);
    close(ready[0]);
    return got == 1 && status == 'L';
}

void WriteLockHolder::Release()
{
    if (mReleaseFd >= 0) {
        close(mReleaseFd); // the child's poll wakes up on the hang-up
        mReleaseFd = -1;
    }
}

int WriteLockHolder::Wait()
{
    if (mPid <= 0)
        return -1;
    int status = 0;
    pid_t got;
    do {
        got = waitpid(mPid, &status, 0);
    } while (got < 0 && errno == EINTR);
    mPid = -1;
    if (got < 0 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

Observations RunIsolated(const std::function<void(Observations&)>& body)
{
    DeviceFixture::Ensure();
    Observations result;
    int fds[2];
    if (pipe(fds) != 0) {
        ADD_FAILURE() << "pipe failed";
        return {{"child", "no pipe"}};
    }
    test_process::Child child([&] {
        close(fds[0]);
        Observations seen;
        body(seen);
#if defined(__SANITIZE_ADDRESS__)
        // The child leaves with _exit, so look for leaks before that.
        if (__lsan_do_recoverable_leak_check() != 0)
            seen["leak"] = "yes";
#endif
        FILE* out = fdopen(fds[1], "w");
        if (!out)
            _exit(1);
        for (const auto& [key, value] : seen)
            fwrite((key + '\0' + value + '\0').data(), 1, key.size() + value.size() + 2, out);
        return fclose(out) == 0 ? 0 : 1;
    });
    close(fds[1]);
    std::string wire;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof(buffer))) > 0)
        wire.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    const int exit = child.Wait();
    if (exit != 0)
        result["child"] = exit < 0 ? "crashed" : "exit " + std::to_string(exit);
    std::vector<std::string> parts;
    for (size_t pos = 0, end; (end = wire.find('\0', pos)) != std::string::npos; pos = end + 1)
        parts.push_back(wire.substr(pos, end - pos));
    for (size_t i = 0; i + 1 < parts.size(); i += 2)
        result[parts[i]] = parts[i + 1];
    EXPECT_EQ(result.count("child"), 0u) << "isolated child: " << result["child"];
    EXPECT_EQ(result.count("leak"), 0u) << "leak in the isolated child";
    return result;
}

std::vector<std::string> MessagesStartingWith(const LogCapture& capture, const std::string& start)
{
    const std::string colour = "\033[0;40;31m";
    std::vector<std::string> found;
    for (const auto& message : capture.Messages()) {
        size_t at = message.find(colour + start);
        if (at == std::string::npos)
            continue;
        at += colour.size();
        found.push_back(message.substr(at, message.find('\033', at) - at));
    }
    return found;
}

std::string FreshDbDir()
{
    DeviceFixture::Ensure();
    std::string dir = FileHelper::GetInstance()->GetSharedDataDirectoryPath() + "db";
    chmod(dir.c_str(), 0755);
    if (GDir* handle = g_dir_open(dir.c_str(), 0, nullptr)) {
        while (const gchar* name = g_dir_read_name(handle))
            unlink((dir + "/" + name).c_str());
        g_dir_close(handle);
    } else {
        unlink(dir.c_str());
    }
    g_mkdir_with_parents(dir.c_str(), 0755);
    return dir;
}

bool CreateDatabaseFromSQL(const std::string& dbPath, const std::string& sqlPath, std::string* error)
{
    if (!Exists(sqlPath)) {
        if (error)
            *error = "no dump " + sqlPath;
        return false;
    }
    return ExecSql(dbPath, ReadText(sqlPath), error);
}

bool Exists(const std::string& path)
{
    return g_file_test(path.c_str(), G_FILE_TEST_EXISTS);
}

} // namespace sqlite_test
