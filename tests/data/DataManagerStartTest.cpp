// Start-up of the data layer on a fresh device: directory, databases, upgrade
// chain, version, default row. The data layer caches paths and versions per
// process, so each start runs in a child (this program re-run on one disabled
// test) on a device root of its own.

#include <gtest/gtest.h>
#include <glib.h>
#include <glib/gstdio.h>

#include <device/host.h>
#include <device/system_keys.h>
#include <device/vconf.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "typedef/DataManager.h"
#include "DeviceFixture.h"
#include "utils/FileHelper.h"
#include "SqliteTestUtil.h"
#include "TestProcess.h"
#include "json/WeatherJsonBuilder.h"

namespace {

constexpr const char* kRootArg = "WEATHER_DATA_START_ROOT";
constexpr const char* kCountryArg = "WEATHER_DATA_START_STANDALONE_COUNTRY";

struct StartResult {
    std::string dataDir;  // shared data directory, ends in "/"
    std::string document; // BuildBackupData after the start
    std::string log;      // every log message, one per line
};

// One service start (GetInstance, InitializeDB, LoadData) in a new process on `root`.
StartResult RunStart(const std::string& root, const std::string& standaloneCountry)
{
    test_process::ToolRun run = test_process::RunOwnTests(
        "DataManagerStartChild.DISABLED_Start",
        {std::string(kRootArg) + "=" + root, std::string(kCountryArg) + "=" + standaloneCountry});
    EXPECT_TRUE(test_process::OwnTestsPassed(run, 1)) << run.out << run.err;

    StartResult result;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        const std::string rest = line.size() > 4 ? line.substr(4) : "";
        if (line.rfind("DIR ", 0) == 0)
            result.dataDir = rest;
        else if (line.rfind("DOC ", 0) == 0)
            result.document = rest;
        else if (line.rfind("LOG ", 0) == 0)
            result.log += rest + "\n";
    }
    return result;
}

std::string Cell(const std::string& db, const std::string& sql)
{
    sqlite_test::Rows rows = sqlite_test::QueryRows(db, sql);
    return rows.empty() || rows[0].empty() ? "<none>" : rows[0][0];
}

bool Has(const std::string& log, const std::string& text)
{
    return log.find(text) != std::string::npos;
}

TEST(DataManagerStart, FreshDeviceThenSecondStart)
{
    const TempDir rootDir("weather-start");
    const std::string& root = rootDir.Path();
    StartResult first = RunStart(root, "");
    ASSERT_FALSE(first.dataDir.empty());
    const std::string db = first.dataDir + "db/";
    EXPECT_TRUE(g_file_test(db.c_str(), G_FILE_TEST_IS_DIR));
    for (const char* file : {".weather.db", ".setting.db", ".share_target.db", ".version.db"})
        EXPECT_TRUE(g_file_test((db + file).c_str(), G_FILE_TEST_IS_REGULAR)) << file;

    // The version file is new: the chains run from 0.0 and 2.0 is stored.
    EXPECT_TRUE(Has(first.log, "Need to upgrade DB : CurrentVersion[-1.0], LastestVersion[2.0]"));
    EXPECT_TRUE(Has(first.log, "UpgradeDBTables < 1.0 : ALTER TABLE SETTING_TABLE ADD NotificationPopup INT;"));
    EXPECT_LT(first.log.find("UpgradeDBTables < 0.1 : "),
              first.log.find("UpgradeDBTables < 1.0 : ALTER TABLE SETTING"));
    const sqlite_test::Rows version{{"2.0"}};
    EXPECT_EQ(sqlite_test::QueryRows(db + ".version.db", "SELECT dbVersion FROM VERSION_TABLE"), version);
    EXPECT_LT(first.log.find("newCpTypeStr : TWC"), first.log.find("weather data loaded"));

    // The fresh row's document.
    EXPECT_EQ(first.document,
              R"({"tempUnit":1,"autoRefreshTimeInterval":6,"useCurrentLocationAgreed":false,"useNotification":true})");
    EXPECT_EQ(Cell(db + ".setting.db", "SELECT CpType FROM SETTING_TABLE"), "TWC");

    StartResult second = RunStart(root, "");
    EXPECT_FALSE(Has(second.log, "Need to upgrade DB") || Has(second.log, "UpgradeDBTables"));
    EXPECT_TRUE(Has(second.log, "weather data loaded"));
    EXPECT_EQ(sqlite_test::QueryRows(db + ".version.db", "SELECT dbVersion FROM VERSION_TABLE"), version);
    EXPECT_EQ(second.document, first.document);
}

TEST(DataManagerStart, StandaloneDeviceSetsUnitByCountry)
{
    for (const char* country : {"US", "KR"}) {
        const TempDir root("weather-start");
        StartResult start = RunStart(root.Path(), country);
        const std::string settingDb = start.dataDir + "db/.setting.db";
        const bool us = std::string(country) == "US";
        EXPECT_EQ(Cell(settingDb, "SELECT TemperatureUnit FROM SETTING_TABLE"), us ? "0" : "1") << country;
        // The provider is decided by the country and written back with the whole row.
        EXPECT_EQ(Cell(settingDb, "SELECT CpType FROM SETTING_TABLE"), us ? "TWC" : "weathernews_kr") << country;
        EXPECT_EQ(start.document.rfind(us ? "{\"tempUnit\":0," : "{\"tempUnit\":1,", 0), 0u) << start.document;
    }
}

// The child side of RunStart; disabled so that it runs only when asked for.
TEST(DataManagerStartChild, DISABLED_Start)
{
    const char* root = g_getenv(kRootArg);
    ASSERT_NE(root, nullptr);
    g_setenv(device::kRootEnv, root, TRUE);
    ASSERT_TRUE(device::EnsureDefaultDevice());
    const std::string country = g_getenv(kCountryArg) ? g_getenv(kCountryArg) : "";
    ASSERT_EQ(vconf_set_int(SYSKEY_STANDALONE, country.empty() ? 0 : 1), VCONF_OK);
    ASSERT_EQ(vconf_set_str(SYSKEY_COUNTRY_ISO, country.empty() ? "US" : country.c_str()), VCONF_OK);

    LogCapture log;
    DataManager* dataManager = DataManager::GetInstance();
    dataManager->InitializeDB();
    dataManager->LoadData();
    std::printf("DIR %s\n", FileHelper::GetInstance()->GetSharedDataDirectoryPath().c_str());
    std::printf("DOC %s\n", BackupDataJsonBuilder::Make()->BuildBackupData().c_str());
    for (const std::string& message : log.Messages())
        std::printf("LOG %s\n", message.c_str());
}

} // namespace
