// weatherctl import is all or nothing when the database refuses the write
// (a lock held elsewhere, a file size limit, a read-only file) and when the
// tool is killed at any moment; the tool's reads never undo a settings change
// another process makes meanwhile.

#include <gtest/gtest.h>

#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <thread>

#include <glib.h>
#include <sqlite3.h>

#include "DeviceFixture.h"
#include "SqliteTestUtil.h"
#include "WeatherctlRun.h"
#include "typedef/DataManager.h"

extern char** environ;

namespace {

std::string WeatherctlPath()
{
    return std::string(WEATHER_BUILD_DIR) + "/tools/weatherctl";
}

// count cities of 24 hours and 5 moon phases each; tag tells two sets apart.
std::string CityFile(const std::string& path, int count, const std::string& tag)
{
    std::string text = "{\"cities\": [";
    for (int c = 0; c < count; ++c) {
        text += std::string(c ? "," : "") + "{\"locationId\": \"" + tag + std::to_string(c) +
                "\", \"cityNameEng\": \"City " + tag + "\", \"hourly\": [";
        for (int h = 0; h < 24; ++h)
            text += std::string(h ? "," : "") + "{\"hour\": " + std::to_string(1773532800 + 3600 * h) +
                    ", \"curTemperature\": " + std::to_string(h % 30) + "}";
        text += "], \"moonPhases\": [";
        for (int d = 0; d < 5; ++d)
            text += std::string(d ? "," : "") + "{\"date\": " + std::to_string(1773532800 + 86400 * d) +
                    ", \"age\": " + std::to_string(d) + "}";
        text += "]}";
    }
    std::ofstream(path, std::ios::binary) << text << "]}";
    return path;
}

std::string Export()
{
    const test_process::ToolRun run = Weatherctl({"export"});
    EXPECT_EQ(run.exit, 0) << run.err;
    return run.out;
}

TEST(WeatherctlImport, WriteLockHeldElsewhere)
{
    const std::string file = CityFile(DeviceFixture::Root() + "/locked.json", 20, "L");
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    const std::string sampleExport = Export();

    // Let go within the busy handler's waits: the import goes through.
    sqlite_test::WriteLockHolder brief;
    ASSERT_TRUE(brief.Start(WeatherDbPath(), 2000));
    test_process::ToolRun run = Weatherctl({"import", file});
    EXPECT_EQ(run.exit, 0) << run.err;
    EXPECT_EQ(brief.Wait(), 0);
    EXPECT_NE(Export().find("\"locationId\" : \"L19\""), std::string::npos);

    // Held past them: nothing changes and the tool says why.
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    const std::string before = ReadText(WeatherDbPath());
    sqlite_test::WriteLockHolder held;
    ASSERT_TRUE(held.Start(WeatherDbPath(), -1));
    run = Weatherctl({"import", file});
    held.Release();
    EXPECT_EQ(held.Wait(), 0);
    EXPECT_EQ(run.exit, 4);
    EXPECT_NE(run.err.find("database is locked"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("nothing was changed"), std::string::npos) << run.err;
    EXPECT_TRUE(ReadText(WeatherDbPath()) == before);
    EXPECT_TRUE(Export() == sampleExport);
}

TEST(WeatherctlImport, FileSizeLimitChangesNothing)
{
    const std::string file = CityFile(DeviceFixture::Root() + "/large.json", 40, "F");
    // A new file, without the free pages earlier imports leave, so the 40 cities must grow it.
    std::remove(WeatherDbPath().c_str());
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    const std::string before = ReadText(WeatherDbPath());
    const std::string sampleExport = Export();

    // The tool itself ignores SIGXFSZ, so the write fails with EFBIG.
    const rlim_t limit = before.size();
    const test_process::ToolRun run = test_process::RunTool({WeatherctlPath(), "import", file}, {}, [limit] {
        const struct rlimit size = {limit, limit};
        setrlimit(RLIMIT_FSIZE, &size);
    });
    EXPECT_EQ(run.exit, 4) << run.err;
    EXPECT_NE(run.err.find("refused"), std::string::npos) << run.err;
    EXPECT_TRUE(ReadText(WeatherDbPath()) == before);
    EXPECT_TRUE(Export() == sampleExport);
}

// A reader that cannot get the weather database within the busy handler's
// waits says so with exit 5; it never shows an empty list as if there were
// no city.
TEST(WeatherctlImport, ReadersOfALockedDatabaseSaySo)
{
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    sqlite_test::WriteLockHolder held;
    ASSERT_TRUE(held.Start(WeatherDbPath(), -1));
    const std::vector<std::vector<std::string>> commands = {{"list"}, {"--json", "show"}, {"export"}};
    std::vector<test_process::ToolRun> runs(commands.size());
    std::vector<std::thread> readers;
    for (size_t i = 0; i < commands.size(); ++i)
        readers.emplace_back([&runs, &commands, i] { runs[i] = Weatherctl(commands[i]); });
    for (std::thread& reader : readers)
        reader.join();
    held.Release();
    EXPECT_EQ(held.Wait(), 0);
    for (size_t i = 0; i < commands.size(); ++i) {
        EXPECT_EQ(runs[i].exit, 5) << commands[i].back() << ": " << runs[i].out;
        EXPECT_NE(runs[i].err.find("stayed locked by another process"), std::string::npos) << runs[i].err;
        EXPECT_EQ(runs[i].out.find("no city"), std::string::npos) << runs[i].out;
        EXPECT_EQ(runs[i].out.find("TSLP002"), std::string::npos) << runs[i].out;
    }
    EXPECT_NE(test_process::JsonValue(runs[1].out, "$.error").find("stayed locked"), std::string::npos) << runs[1].out;
    // Free again, the same reads show the cities.
    const test_process::ToolRun list = Weatherctl({"list"});
    EXPECT_EQ(list.exit, 0);
    EXPECT_NE(list.out.find("TSLP002"), std::string::npos) << list.out;
}

// A backup needs only the settings database: started while an import holds
// the weather database, it waits out the lock where it loads the cities and
// succeeds with the settings as stored.
TEST(WeatherctlImport, ABackupDuringAnImportSucceeds)
{
    const std::string backupctl = std::string(WEATHER_BUILD_DIR) + "/tools/backupctl";
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    ASSERT_EQ(test_process::RunTool({backupctl, "set", "tempUnit", "0"}).exit, 0);
    const std::string log = DeviceFixture::Root() + "/log/device.log";
    const size_t logBefore = ReadText(log).size();

    sqlite_test::WriteLockHolder import;
    ASSERT_TRUE(import.Start(WeatherDbPath(), 1500, "DELETE FROM HOURLY_WEATHER_TABLE;"));
    const test_process::ToolRun backup = test_process::RunTool({backupctl, "--json", "backup"});
    EXPECT_EQ(import.Wait(), 0);
    EXPECT_EQ(backup.exit, 0) << backup.out << backup.err;
    EXPECT_NE(backup.out.find("\\\"tempUnit\\\":0"), std::string::npos) << backup.out;
    const std::string logged = ReadText(log).substr(logBefore);
    EXPECT_NE(logged.find("Busy Handler Called! : CNT(1)"), std::string::npos) << "the backup never met the lock:\n"
                                                                               << logged.substr(0, 2000);
}

// Read-only by mode for a user; for root (whom modes do not stop) by a
// read-only bind mount of the database directory in the tool's own mount
// namespace.
TEST(WeatherctlImport, ReadOnlyDatabaseChangesNothing)
{
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    const std::string before = ReadText(WeatherDbPath());
    const std::string directory = WeatherDbPath().substr(0, WeatherDbPath().rfind('/'));
    constexpr int kNoNamespace = 77;
    const bool root = geteuid() == 0;
    if (!root) {
        ASSERT_EQ(chmod(WeatherDbPath().c_str(), 0444), 0);
    }
    const test_process::ToolRun run =
        test_process::RunTool({WeatherctlPath(), "import", SampleCitiesPath()}, {}, [root, directory] {
            if (root && (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                         mount(directory.c_str(), directory.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
                         mount(nullptr, directory.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0))
                _exit(kNoNamespace);
        });
    chmod(WeatherDbPath().c_str(), 0644);
    if (run.exit == kNoNamespace)
        GTEST_SKIP() << "root needs a mount namespace for a read-only database, and unshare or mount was refused";
    EXPECT_EQ(run.exit, 4) << run.err;
    EXPECT_NE(run.err.find("readonly"), std::string::npos) << run.err;
    EXPECT_TRUE(ReadText(WeatherDbPath()) == before);
}

// SIGKILL at random moments of an import that takes about a second: every
// time, export gives one whole set or the other.
TEST(WeatherctlImport, KilledImportLeavesOldOrNew)
{
    const std::string root = DeviceFixture::Root();
    const std::string files[2] = {CityFile(root + "/a.json", 50, "A"), CityFile(root + "/b.json", 50, "B")};
    std::string exports[2];
    long long importUs = 0;
    for (int i = 0; i < 2; ++i) {
        const auto started = std::chrono::steady_clock::now();
        ASSERT_EQ(Weatherctl({"import", files[i]}).exit, 0);
        importUs =
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started).count();
        exports[i] = Export();
    }

    std::mt19937 random(20261206);
    int stored = 1, completed = 0;
    for (int round = 0; round < 50; ++round) {
        const int next = 1 - stored;
        test_process::Child tool([&] {
            const std::string path = WeatherctlPath();
            const char* argv[] = {path.c_str(), "import", files[next].c_str(), nullptr};
            freopen("/dev/null", "w", stdout);
            execve(path.c_str(), const_cast<char**>(argv), environ);
            return 127;
        });
        std::this_thread::sleep_for(
            std::chrono::microseconds(random() % static_cast<unsigned long long>(importUs + 1)));
        const int status = tool.Kill(SIGKILL);
        completed += WIFEXITED(status) ? 1 : 0;
        const std::string now = Export();
        ASSERT_TRUE(now == exports[0] || now == exports[1]) << "round " << round << ":\n" << now.substr(0, 400);
        stored = now == exports[0] ? 0 : 1;
    }
    std::cout << "an import takes " << importUs / 1000 << " ms; finished before the kill: " << completed << " of 50\n";
}

// A restore (here a column written directly, as backupctl restore writes it)
// while list, show and export run in a loop in other processes.
TEST(WeatherctlImport, ReadsNeverUndoASettingsChange)
{
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    const std::string settings = DeviceFixture::Root() + "/apps/com.velurio.weather/shared/data/db/.setting.db";
    std::vector<std::unique_ptr<test_process::Child>> readers;
    for (const char* command : {"list", "show", "export"}) {
        readers.push_back(std::make_unique<test_process::Child>([command] {
            while (true)
                test_process::RunTool({WeatherctlPath(), command});
            return 0;
        }));
    }
    int undone = 0;
    const int rounds = 150;
    for (int round = 0; round < rounds; ++round) {
        const std::string unit = std::to_string(round % 2);
        ASSERT_TRUE(sqlite_test::ExecSql(settings, "UPDATE SETTING_TABLE SET TemperatureUnit = " + unit + ";"));
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        const sqlite_test::Rows rows = sqlite_test::QueryRows(settings, "SELECT TemperatureUnit FROM SETTING_TABLE;");
        ASSERT_EQ(rows.size(), 1u);
        undone += rows[0][0] != unit ? 1 : 0;
    }
    readers.clear();
    std::cout << "settings changes undone by a read: " << undone << " of " << rounds << "\n";
    EXPECT_EQ(undone, 0);
}

// A writer that died in its transaction: the weather database's journal is
// left hot, with the cities deleted in the file itself.
void LeaveHotJournal()
{
    ASSERT_EQ(test_process::RunInChild([] {
                  sqlite3* db = nullptr;
                  if (sqlite3_open(WeatherDbPath().c_str(), &db) != SQLITE_OK)
                      return 1;
                  // A one-page cache spills the deletions into the file before the commit.
                  const char* sql = "PRAGMA cache_size = 1; BEGIN; DELETE FROM CITY_TABLE; DELETE FROM "
                                    "HOURLY_WEATHER_TABLE; DELETE FROM WEEKLY_WEATHER_TABLE;";
                  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
                      return 2;
                  _exit(0); // no rollback, no close
              }),
              0);
    ASSERT_TRUE(g_file_test((WeatherDbPath() + "-journal").c_str(), G_FILE_TEST_EXISTS));
}

// The data layer's LoadCity only selects; the tool, at its own start, rolls
// an interrupted write back, so every read shows the cities of before.
TEST(WeatherctlImport, AnInterruptedWriteIsRolledBackByTheToolNotByLoadCity)
{
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    const std::string before = Export();
    ASSERT_NE(before.find("MRLB001"), std::string::npos);

    LeaveHotJournal();
    DataManager::GetInstance()->InitializeDB();
    WeatherData::Make()->LoadCity();
    EXPECT_TRUE(g_file_test((WeatherDbPath() + "-journal").c_str(), G_FILE_TEST_EXISTS)) << "LoadCity wrote";

    for (const char* command : {"export", "list", "show"}) {
        LeaveHotJournal();
        const test_process::ToolRun run = Weatherctl({command});
        EXPECT_EQ(run.exit, 0) << command << run.err;
        EXPECT_NE(run.out.find("Marlowe Bay"), std::string::npos) << command << run.out;
        EXPECT_FALSE(g_file_test((WeatherDbPath() + "-journal").c_str(), G_FILE_TEST_EXISTS)) << command;
    }
    EXPECT_EQ(Export(), before);
}

// On a fresh device the first read creates the four databases, as the
// service does at its start; later reads leave every byte of them as it is.
TEST(WeatherctlImport, FirstReadCreatesTheDatabasesLaterReadsChangeNothing)
{
    const char* const files[] = {".setting.db", ".version.db", ".weather.db", ".share_target.db"};
    for (const char* command : {"list", "show", "export"}) {
        const std::string root = DeviceFixture::Root() + "/fresh-" + command;
        const std::string db = root + "/apps/com.velurio.weather/shared/data/db/";
        auto read = [&] {
            const test_process::ToolRun run =
                test_process::RunTool({WeatherctlPath(), command}, {"WEATHER_DEVICE_ROOT=" + root, "TZ=UTC"});
            EXPECT_EQ(run.exit, 0) << command << run.err;
        };
        read();
        std::vector<std::string> first;
        for (const char* file : files) {
            first.push_back(ReadText(db + file));
            EXPECT_FALSE(first.back().empty()) << command << " did not create " << file;
        }
        read();
        for (size_t i = 0; i < first.size(); ++i)
            EXPECT_EQ(ReadText(db + files[i]), first[i]) << command << " changed " << files[i];
    }
}

} // namespace

// A FIFO planted as the weather database's journal: the import refuses it,
// and so does the look at why the opening failed (SQLite would open the
// journal by path and wait for a writer); nothing hangs or changes.
TEST(WeatherctlImport, PlantedJournalIsRefusedNotWaitedOn)
{
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    const std::string before = ReadText(WeatherDbPath());
    const std::string journal = WeatherDbPath() + "-journal";
    ASSERT_EQ(mkfifo(journal.c_str(), 0600), 0);
    const test_process::ToolRun run =
        test_process::RunTool({"timeout", "-s", "KILL", "10", WeatherctlPath(), "import", SampleCitiesPath()}, {});
    unlink(journal.c_str());
    EXPECT_NE(run.exit, -1) << "hung and was killed";
    EXPECT_NE(run.exit, 0);
    EXPECT_NE(run.err.find(journal), std::string::npos) << run.err;
    EXPECT_TRUE(ReadText(WeatherDbPath()) == before);
}
