#include <gtest/gtest.h>

#include "DeviceFixture.h"
#include "db/ShareTargetDBController.h"
#include "typedef/ShareTargetData.h"
#include "SqliteTestUtil.h"
#include "typedef/VersionData.h"

using namespace sqlite_test;

TEST(VersionDBController, ReadsTheStoredVersionOnceAtStart)
{
    const std::string need = "Need to upgrade DB : CurrentVersion[";
    struct Case {
        std::string stored, need, log;
        double read;
    } cases[] = {{"", "yes", "No result : 101;" + need + "-1.0], LastestVersion[2.0];", 0.0},
                 {"1.9", "yes", need + "1.9], LastestVersion[2.0];", 1.9},
                 {"2.0", "no", "", 2.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE("stored version: " + c.stored);
        Observations seen = RunIsolated([&](Observations& o) {
            std::string path = FreshDbDir() + "/.version.db";
            if (!c.stored.empty())
                ExecSql(path, "CREATE TABLE VERSION_TABLE (dbVersion DOUBLE); INSERT INTO VERSION_TABLE VALUES (" +
                                  c.stored + ");");
            LogCapture capture;
            auto version = VersionData::Make();
            version->InitializeDB();
            o["need"] = version->IsNeedToUpgrade() ? "yes" : "no";
            for (const char* start : {"No result", "Need to upgrade"})
                for (const auto& line : MessagesStartingWith(capture, start))
                    o["log"] += line + ";";
            o["read"] = std::to_string(version->GetCurrentDBVersion());
            version->UpgradeDB(version->GetLatestDBVersion());
            // Still answered from the version read at start.
            o["needAfter"] = version->IsNeedToUpgrade() ? "yes" : "no";
            o["rows"] = std::to_string(QueryRows(path, "SELECT dbVersion FROM VERSION_TABLE").size());
            o["readAfter"] = std::to_string(version->GetCurrentDBVersion());
        });
        Observations expected{{"need", c.need},
                              {"needAfter", c.need},
                              {"rows", "1"},
                              {"read", std::to_string(c.read)},
                              {"readAfter", std::to_string(2.0)}};
        if (!c.log.empty())
            expected["log"] = c.log;
        EXPECT_EQ(seen, expected);
    }
}

TEST(ShareTargetDBController, KeepsTheListInMemoryAndInTheFile)
{
    auto describe = [](const std::shared_ptr<ShareTargetPtrVector>& list) {
        std::string text = list ? "" : "null";
        for (const auto& target : list ? *list : ShareTargetPtrVector{})
            text += "[" + target->GetAppID() + "|" + target->GetPortID() + "]";
        return text;
    };
    Observations seen = RunIsolated([&](Observations& o) {
        FreshDbDir();
        auto data = ShareTargetData::Make();
        data->InitializeDB();
        std::string path = ShareTargetDBController::GetInstance()->GetShareTargetDataDBFilePath();
        for (const auto& column : TableColumns(path, "SHARE_TARGET_TABLE"))
            o["columns"] += column.name + " " + column.type + ";";
        data->LoadData();
        o["empty"] = describe(data->GetShareTargetPtrVector());

        data->InsertShareTarget(ShareTarget::Make("com.app.one", "port'1"));
        data->InsertShareTarget(ShareTarget::Make("com.app.two", ""));
        data->InsertShareTarget(ShareTarget::Make("com.app.one", "port 2"));
        data->UpdateShareTarget(ShareTarget::Make("com.app.one", "\xE2\x9C\x93 new"));
        data->UpdateShareTarget(ShareTarget::Make("com.app.unknown", "x"));
        o["memory"] = describe(data->GetShareTargetPtrVector());
        ExecSql(path, "INSERT INTO SHARE_TARGET_TABLE (AppID) VALUES ('com.app.null');");
        data->LoadData();
        o["reloaded"] = describe(data->GetShareTargetPtrVector());

        std::string before = ReadText(path);
        data->UpgradeDB(0.0);
        data->UpgradeDB(2.0);
        o["upgradeTouched"] = ReadText(path) == before ? "no" : "yes";
    });
    const std::string updated = "[com.app.one|\xE2\x9C\x93 new][com.app.two|][com.app.one|\xE2\x9C\x93 new]";
    EXPECT_EQ(seen, (Observations{{"columns", "PK_ID INTEGER;AppID TEXT;PortID TEXT;"},
                                  {"empty", ""},
                                  {"memory", updated},
                                  {"reloaded", updated + "[com.app.null|]"},
                                  {"upgradeTouched", "no"}}));
}
