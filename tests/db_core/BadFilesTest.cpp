#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>

#include <glib.h>

#include "DeviceFixture.h"
#include "db/SettingDBController.h"
#include "db/ShareTargetDBController.h"
#include "typedef/DataManager.h"
#include "typedef/ShareTargetData.h"
#include "SqliteTestUtil.h"
#include "typedef/VersionData.h"
#include "utils/FileHelper.h"

using namespace sqlite_test;

namespace {

const char* kDataLayerFiles[] = {".weather.db", ".setting.db", ".share_target.db", ".version.db"};

std::string Yes(bool value)
{
    return value ? "yes" : "no";
}

std::string ListSize(const std::shared_ptr<ShareTargetPtrVector>& list)
{
    return list ? std::to_string(list->size()) : "null";
}

} // namespace

TEST(BadDatabaseFiles, ForeignContentIsLeftAloneAndReadsAsNothing)
{
    const std::string garbage(600, 'w');
    Observations seen = RunIsolated([&](Observations& o) {
        std::string dir = FreshDbDir();
        for (const char* name : kDataLayerFiles)
            WriteRawFile(dir + "/" + name, garbage);
        LogCapture capture;
        SettingDBController* setting = SettingDBController::GetInstance();
        o["settingAccepted"] =
            Yes(capture.Contains("(FileHelper::GetInstance()->IsExists(GetSettingDBFilePath()) == true) [return]"));
        o["select"] = setting->Select() ? "row" : "none";
        setting->Update(Setting::Make());
        setting->UpgradeDB(0.0);

        auto version = VersionData::Make();
        version->InitializeDB();
        o["versionFatal"] = Yes(capture.Contains("VersionDBController.h: GetInstance("));
        o["versionNeed"] = Yes(version->IsNeedToUpgrade());
        o["versionRead"] = std::to_string(version->GetCurrentDBVersion());
        version->UpgradeDB(2.0);

        auto targets = ShareTargetData::Make();
        targets->InitializeDB();
        targets->LoadData();
        o["targets"] = ListSize(targets->GetShareTargetPtrVector());
        targets->InsertShareTarget(ShareTarget::Make("a", "b"));

        for (const char* name : kDataLayerFiles)
            o["kept"] += Yes(ReadText(dir + "/" + name) == garbage);
        o["notADatabase"] = Yes(capture.Contains("pszErrorMsg : file is not a database"));
        o["recovered"] = Yes(capture.Contains("Recovered and initialized database"));
    });
    EXPECT_EQ(seen, (Observations{{"settingAccepted", "yes"},
                                  {"select", "none"},
                                  {"versionFatal", "yes"},
                                  {"versionNeed", "yes"},
                                  {"versionRead", std::to_string(0.0)},
                                  {"targets", "0"},
                                  {"kept", "yesyesyesyes"},
                                  {"notADatabase", "yes"},
                                  {"recovered", "no"}}));
}

TEST(BadDatabaseFiles, EmptyFileIsAcceptedAndItsMissingTableRemovesTheDatabases)
{
    // Which files go is pinned down in the connector test; here the controller's path to it.
    Observations seen = RunIsolated([&](Observations& o) {
        std::string dir = FreshDbDir();
        for (const char* name : {".weather.db", ".setting.db", ".version.db"})
            WriteRawFile(dir + "/" + name, "");
        WriteRawFile(dir + "/.json.txt", "{}");
        ShareTargetDBController::GetInstance();
        LogCapture capture;
        o["select"] = SettingDBController::GetInstance()->Select() ? "row" : "none";
        for (const auto& line : MessagesStartingWith(capture, "No result"))
            o["log"] += line;
        o["recovered"] = Yes(capture.Contains("Recovered and initialized database : <it causes crash soon>"));
        for (const char* name : kDataLayerFiles)
            o["left"] += Exists(dir + "/" + name) ? std::string(name) + " " : "";
        o["left"] += Exists(dir + "/.json.txt") ? ".json.txt" : "";
    });
    EXPECT_EQ(seen, (Observations{
                        {"select", "none"}, {"log", "No result : 21"}, {"recovered", "yes"}, {"left", ".json.txt"}}));
}

TEST(BadDatabaseFiles, UnwritableDirectoryFailsInitUntilItIsFixed)
{
    Observations seen = RunIsolated([](Observations& o) {
        std::string dir = FreshDbDir();
        chmod(dir.c_str(), 0555);
        if (WriteRawFile(dir + "/.probe", "")) { // root writes anyway: take the directory away
            unlink((dir + "/.probe").c_str());
            rmdir(dir.c_str());
            WriteRawFile(dir, "not a directory");
        }
        LogCapture capture;
        SettingDBController* setting = SettingDBController::GetInstance();
        o["createGuard"] = Yes(
            capture.Contains("(dbConnector->DBInitializeForCreateTable(GetSettingDBFilePath()) == false) [return]"));
        o["fatal"] = Yes(capture.Contains("SettingDBController.h: GetInstance(") &&
                         capture.Contains("[Fatal Error] Instance NOT initialized"));
        o["select"] = setting->Select() ? "row" : "none";
        o["readGuard"] = Yes(capture.Contains("(dbConnector->DBInitialize(GetSettingDBFilePath(), true) == false)"));
        setting->Update(Setting::Make());
        auto targets = ShareTargetData::Make();
        targets->InitializeDB();
        targets->LoadData();
        o["targets"] = ListSize(targets->GetShareTargetPtrVector());

        // Init is tried again at the next use and now creates the file.
        FreshDbDir();
        capture.Clear();
        auto read = SettingDBController::GetInstance()->Select();
        o["retried"] = read ? std::to_string(read->GetAutoRefreshInterval()) : "none";
        o["fatalAgain"] = Yes(capture.Contains("[Fatal Error] Instance NOT initialized"));
    });
    EXPECT_EQ(seen, (Observations{{"createGuard", "yes"},
                                  {"fatal", "yes"},
                                  {"select", "none"},
                                  {"readGuard", "yes"},
                                  {"targets", "0"},
                                  {"retried", "6"},
                                  {"fatalAgain", "no"}}));
}

// Whatever sits at a database path of a device that has started before, in
// place of the file or of its journal: a FIFO (its open, or SQLite's
// hot-journal check, would block the start for good), another user's file
// (their settings would be backed up, their hot journal rolled into yours),
// one others can write, a link. Each is refused at once and left in place,
// nothing is removed, and the refusal names the file. So is every database
// once others can write the "db" directory.
TEST(BadDatabaseFiles, FilesOthersCouldHaveWrittenAreRefusedWhenTheDataLayerStarts)
{
    const bool root = geteuid() == 0;
    struct Variant {
        const char* what;
        bool needsRoot;
        std::function<bool(const std::string& path)> plant; // path: the file, or the directory for "dir"
    };
    const std::string theirs = std::string(g_get_tmp_dir()) + "/weather-theirs-" + std::to_string(getpid());
    const Variant variants[] = {
        {"fifo", false, [](const std::string& p) { return mkfifo(p.c_str(), 0600) == 0; }},
        {"other user's file", true,
         [&](const std::string& p) {
             return WriteRawFile(p, std::string(600, 'x')) && chown(p.c_str(), kOtherUid, kOtherUid) == 0;
         }},
        {"writable by the group", false,
         [&](const std::string& p) { return WriteRawFile(p, std::string(600, 'x')) && chmod(p.c_str(), 0660) == 0; }},
        {"link to another user's file", true,
         [&](const std::string& p) {
             return WriteRawFile(theirs, std::string(600, 'x')) && chown(theirs.c_str(), kOtherUid, kOtherUid) == 0 &&
                    symlink(theirs.c_str(), p.c_str()) == 0;
         }},
        {"link to /dev/zero", false, [](const std::string& p) { return symlink("/dev/zero", p.c_str()) == 0; }},
    };
    for (const Variant& variant : variants) {
        if (variant.needsRoot && !root) {
            std::printf("[  SKIPPED ] %s: another user's file needs root\n", variant.what);
            continue;
        }
        for (const char* name : {".setting.db", ".setting.db-journal", ".version.db", ".weather.db"}) {
            SCOPED_TRACE(std::string(variant.what) + " at " + name);
            const std::string dir = FreshDbDir();
            RunIsolated([](Observations&) { DataManager::GetInstance()->InitializeDB(); });
            const std::string planted = dir + "/" + name;
            unlink(planted.c_str());
            ASSERT_TRUE(variant.plant(planted));
            Observations seen = RunIsolated([&](Observations& o) {
                alarm(10); // a blocked open ends the child, which fails the test
                LogCapture capture;
                auto start = std::chrono::steady_clock::now();
                DataManager::GetInstance()->InitializeDB();
                DataManager::GetInstance()->LoadData();
                o["prompt"] = Yes(std::chrono::steady_clock::now() - start < std::chrono::seconds(2));
                o["refused"] = Yes(capture.Contains(
                    "(IsUntrustedFile(dbFilePath) || IsUntrustedFile(dbFilePath + \"-journal\")) [return]"));
                o["named"] = Yes(capture.Contains("refused file [" + planted + "]"));
                o["recovered"] = Yes(capture.Contains("Recovered"));
            });
            EXPECT_EQ(seen,
                      (Observations{{"prompt", "yes"}, {"refused", "yes"}, {"named", "yes"}, {"recovered", "no"}}));
            struct stat info = {};
            EXPECT_EQ(lstat(planted.c_str(), &info), 0);
            for (const char* file : kDataLayerFiles)
                EXPECT_TRUE(Exists(dir + "/" + file) || std::string(file) == name) << file;
            unlink(theirs.c_str());
        }
    }
    // The directory itself, made writable by a shared group.
    const std::string dir = FreshDbDir();
    RunIsolated([](Observations&) { DataManager::GetInstance()->InitializeDB(); });
    ASSERT_EQ(chmod(dir.c_str(), 0775), 0);
    Observations seen = RunIsolated([&](Observations& o) {
        LogCapture capture;
        DataManager::GetInstance()->InitializeDB();
        o["named"] = Yes(capture.Contains("refused directory [" + dir + "]: writable by others (mode 775)"));
        o["recovered"] = Yes(capture.Contains("Recovered"));
    });
    chmod(dir.c_str(), 0755);
    EXPECT_EQ(seen, (Observations{{"named", "yes"}, {"recovered", "no"}}));
    for (const char* file : kDataLayerFiles)
        EXPECT_TRUE(Exists(dir + "/" + file)) << file;
}

TEST(BadDatabaseFiles, FileOperationsRefuseAFifoAtOnce)
{
    const std::string dir = FreshDbDir();
    const std::string fifo = dir + "/.json.txt", plain = dir + "/plain.txt";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_TRUE(WriteRawFile(plain, "kept"));
    Observations seen = RunIsolated([&](Observations& o) {
        alarm(10); // a blocked open ends the child, which fails the test
        FileHelper* files = FileHelper::GetInstance();
        files->WriteToFile("x", fifo);
        files->CopyFile(fifo, plain);
        files->CopyFile(plain, fifo);
        int handle = -1;
        o["read"] = files->FileOpenForRead(fifo.c_str(), &handle) ? "opened" : "refused";
        o["special"] = Yes(files->IsUntrustedFile(fifo)) + Yes(files->IsUntrustedFile(plain)) +
                       Yes(files->IsUntrustedFile(dir + "/missing")) + Yes(files->IsUntrustedFile(dir)) +
                       Yes(files->IsUntrustedFile("/dev/null"));
    });
    EXPECT_EQ(seen, (Observations{{"read", "refused"}, {"special", "yesnonoyesyes"}}));
    EXPECT_EQ(ReadText(plain), "kept");
}
