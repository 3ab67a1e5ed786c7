#include <gtest/gtest.h>

#include <sqlite3.h>

#include "DeviceFixture.h"
#include "Regex.h"
#include "SqliteTestUtil.h"
#include "db/SettingDBController.h"
#include "db/ShareTargetDBController.h"
#include "db/VersionDBController.h"
#include "db/WeatherDBController.h"

using namespace sqlite_test;

namespace {

// A default VFS that refuses to open database files, so that every opening of
// the data layer fails the way a broken or locked file would. Writable
// openings may be let through a given number of times first, to reach the
// guards that follow a successful read or a first step.
struct RefusingVfs {
    static inline sqlite3_vfs* base = nullptr;
    static inline sqlite3_vfs shim{};
    static inline int writableLeft = 0; // negative: every writable opening passes
    static inline bool readsPass = false;

    static int Open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags)
    {
        if (flags & SQLITE_OPEN_MAIN_DB) {
            const bool writable = (flags & SQLITE_OPEN_READWRITE) != 0;
            if (!writable && !readsPass)
                return SQLITE_CANTOPEN;
            if (writable && writableLeft == 0)
                return SQLITE_CANTOPEN;
            if (writable && writableLeft > 0)
                writableLeft--;
        }
        return base->xOpen(base, name, file, flags, outFlags);
    }

    // Only in a forked child: the process's default VFS changes for good.
    static void Install(int writable, bool reads)
    {
        writableLeft = writable;
        readsPass = reads;
        if (base)
            return;
        base = sqlite3_vfs_find(nullptr);
        shim = *base;
        shim.zName = "refusing";
        shim.xOpen = &Open;
        sqlite3_vfs_register(&shim, 1);
    }
};

// "Function: condition" of every failed-opening guard logged, in order.
std::string OpeningGuards(const LogCapture& capture)
{
    static const std::regex guard(R"(\[(\w+)\(\): \d+\] \((dbConnector->DBInitialize.*)\) \[return\])");
    std::string found;
    for (const std::string& message : capture.Messages()) {
        std::smatch match;
        if (std::regex_search(message, match, guard))
            found += match[1].str() + ": " + match[2].str() + "\n";
    }
    return found;
}

std::string Lines(std::initializer_list<const char*> lines)
{
    std::string text;
    for (const char* line : lines)
        text += std::string(line) + "\n";
    return text;
}

} // namespace

// Every operation that opens a database names the opening that failed, in its
// own name, as "dbConnector->DBInitialize(<path getter>(), <read-only>) == false"
// (or DBInitializeForCreateTable for the creation at start).
TEST(OpeningGuards, EveryOperationNamesTheOpeningThatFailed)
{
    Observations seen = RunIsolated([](Observations& o) {
        const std::string dir = FreshDbDir();
        // A journal left behind makes the roll-back at start open the file.
        WriteRawFile(dir + "/.weather.db-journal", "");
        RefusingVfs::Install(0, false);
        LogCapture capture;
        SettingDBController* setting = SettingDBController::GetInstance();
        setting->Select();
        setting->Update(Setting::Make());
        setting->UpdateLocationIdOfDisplayCity("id");
        setting->UpgradeDB(0.0);

        VersionDBController* version = VersionDBController::GetInstance();
        version->GetCurrentDBVersion();
        version->UpgradeDB(2.0);

        ShareTargetDBController* targets = ShareTargetDBController::GetInstance();
        targets->Insert(ShareTarget::Make());
        targets->Update(ShareTarget::Make());
        targets->SelectAll();

        WeatherDBController* weather = WeatherDBController::GetInstance();
        weather->UpgradeDB(0.0);
        weather->InsertCity(City::Make());
        weather->UpdateCity(City::Make());
        weather->DeleteCity(0);
        weather->DeleteCity("id");
        weather->DeleteAllCity();
        weather->DeleteAndInsertCity(nullptr);
        weather->RollBackInterruptedWrite();
        weather->ReorderCity(nullptr);
        weather->UpdateWidgetReferenceCount("id", true);
        weather->UpdateMobileLink(City::Make());
        weather->UpdateMoonPhase(City::Make());
        weather->DeleteUselessMoonPhase();
        weather->SelectCity(0);
        weather->SelectCity("id");
        weather->SelectAllCity();
        weather->GetNumberOfCities();
        weather->GetPageIndexOfCurrentCity();
        weather->GetPageIndexWithLocationID("id");
        weather->IsCurrentLocationExist();
        weather->GetLocationIdOfCurrentCity();
        weather->SelectNeedToUpdateLocationID();
        weather->SelectAllLocationID();
        o["guards"] = OpeningGuards(capture);
    });
    EXPECT_EQ(seen["guards"],
              Lines({
                  "Init: dbConnector->DBInitializeForCreateTable(GetSettingDBFilePath()) == false",
                  "Select: dbConnector->DBInitialize(GetSettingDBFilePath(), true) == false",
                  "Update: dbConnector->DBInitialize(GetSettingDBFilePath(), false) == false",
                  "UpdateLocationIdOfDisplayCity: dbConnector->DBInitialize(GetSettingDBFilePath(), false) == false",
                  "UpgradeDB: dbConnector->DBInitialize(GetSettingDBFilePath(), false) == false",
                  "Init: dbConnector->DBInitializeForCreateTable(GetVersionDBFilePath()) == false",
                  "GetCurrentDBVersion: dbConnector->DBInitialize(GetVersionDBFilePath(), true) == false",
                  "UpgradeDB: dbConnector->DBInitialize(GetVersionDBFilePath(), false) == false",
                  "Init: dbConnector->DBInitializeForCreateTable(GetShareTargetDataDBFilePath()) == false",
                  "Insert: dbConnector->DBInitialize(GetShareTargetDataDBFilePath(), false) == false",
                  "Update: dbConnector->DBInitialize(GetShareTargetDataDBFilePath(), false) == false",
                  "SelectAll: dbConnector->DBInitialize(GetShareTargetDataDBFilePath(), true) == false",
                  "Init: dbConnector->DBInitializeForCreateTable(GetWeatherDBFilePath()) == false",
                  "UpgradeDB: dbConnector->DBInitialize(GetWeatherDBFilePath(), false) == false",
                  "InsertCity: dbConnector->DBInitialize(GetWeatherDBFilePath(), false) == false",
                  "UpdateCity: dbConnector->DBInitialize(GetWeatherDBFilePath(), false) == false",
                  "DeleteCity: dbConnector->DBInitialize(GetWeatherDBFilePath(), false) == false",
                  "DeleteCity: dbConnector->DBInitialize(GetWeatherDBFilePath(), false) == false",
                  "DeleteAllCity: dbConnector->DBInitialize(GetWeatherDBFilePath(), false) == false",
                  "DeleteAndInsertCity: dbConnector->DBInitialize(GetWeatherDBFilePath(), false) == false",
                  "RollBackInterruptedWrite: dbConnector->DBInitialize(GetWeatherDBFilePath(), false) == false",
                  "ReorderCity: dbConnector->DBInitialize(GetWeatherDBFilePath(), false) == false",
                  "UpdateWidgetReferenceCount: dbConnector->DBInitialize(GetWeatherDBFilePath(), false) == false",
                  "UpdateMobileLink: dbConnector->DBInitialize(GetWeatherDBFilePath(), false) == false",
                  "UpdateMoonPhase: dbConnector->DBInitialize(GetWeatherDBFilePath(), false) == false",
                  "DeleteUselessMoonPhase: dbConnector->DBInitialize(GetWeatherDBFilePath(), false) == false",
                  "SelectCity: dbConnector->DBInitialize(GetWeatherDBFilePath(), true) == false",
                  "SelectCity: dbConnector->DBInitialize(GetWeatherDBFilePath(), true) == false",
                  "SelectAllCity: dbConnector->DBInitialize(GetWeatherDBFilePath(), true) == false",
                  "GetNumberOfCities: dbConnector->DBInitialize(GetWeatherDBFilePath(), true) == false",
                  "GetPageIndexOfCurrentCity: dbConnector->DBInitialize(GetWeatherDBFilePath(), true) == false",
                  "GetPageIndexWithLocationID: dbConnector->DBInitialize(GetWeatherDBFilePath(), true) == false",
                  "IsCurrentLocationExist: dbConnector->DBInitialize(GetWeatherDBFilePath(), true) == false",
                  "GetLocationIdOfCurrentCity: dbConnector->DBInitialize(GetWeatherDBFilePath(), true) == false",
                  "SelectNeedToUpdateLocationID: dbConnector->DBInitialize(GetWeatherDBFilePath(), true) == false",
                  "SelectAllLocationID: dbConnector->DBInitialize(GetWeatherDBFilePath(), true) == false",
              }));
}

// The two weather openings that only fail after an earlier one succeeded: the
// follow-up of the 0.2 step, and the yesterday-hours migration after its read.
TEST(OpeningGuards, WeatherOpeningsAfterASuccessfulOneNameTheirOwnFailure)
{
    struct Case {
        const char* name;
        double storedVersion;
        const char* expected;
    } cases[] = {
        {"0.2 follow-up", 0.15, "UpgradeDB: dbConnector->DBInitialize(GetWeatherDBFilePath(), false) == false\n"},
        {"yesterday hours", 1.95,
         "AddYesterdayHourData: dbConnector->DBInitialize(GetWeatherDBFilePath(), false) == false\n"
         "DeleteAndInsertCity: dbConnector->DBInitialize(GetWeatherDBFilePath(), false) == false\n"
         "DeleteAndInsertCity: dbConnector->DBInitialize(GetWeatherDBFilePath(), false) == false\n"
         "DeleteAndInsertCity: dbConnector->DBInitialize(GetWeatherDBFilePath(), false) == false\n"
         "DeleteAndInsertCity: dbConnector->DBInitialize(GetWeatherDBFilePath(), false) == false\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Observations seen = RunIsolated([&](Observations& o) {
            FreshDbDir();
            RefusingVfs::Install(-1, true);
            WeatherDBController* weather = WeatherDBController::GetInstance();
            CityPtr city = City::Make();
            city->SetLocationId("loc");
            weather->InsertCity(city);
            o["cities"] = std::to_string(weather->GetNumberOfCities());
            RefusingVfs::Install(1, true);
            LogCapture capture;
            weather->UpgradeDB(c.storedVersion);
            o["guards"] = OpeningGuards(capture);
        });
        EXPECT_EQ(seen, (Observations{{"cities", "1"}, {"guards", c.expected}}));
    }
}
