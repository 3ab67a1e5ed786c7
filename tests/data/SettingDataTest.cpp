// Settings access through the data manager on the test device: guards,
// equality tests, whole-row writes observed from outside the process's
// connections, and the backup document built from the settings.

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <string>

#include "typedef/DataManager.h"
#include "DeviceFixture.h"
#include "parser/RestoreMessageParser.h"
#include "db/SettingDBController.h"
#include "SqliteTestUtil.h"
#include "utils/TimeHelper.h"
#include "json/WeatherJsonBuilder.h"

namespace {

// Another process changes the row, as another weather application would.
void OtherProcessRuns(const std::string& path, const std::string& sql)
{
    sqlite_test::WriteLockHolder other;
    ASSERT_TRUE(other.Start(path, 0, sql));
    ASSERT_EQ(other.Wait(), 0);
}

class SettingAccess : public ::testing::Test {
protected:
    void SetUp() override
    {
        static bool started = false;
        if (!started) {
            DataManager::GetInstance()->InitializeDB();
            started = true;
        }
        mPath = SettingDBController::GetInstance()->GetSettingDBFilePath();
        sqlite_test::ExecSql(mPath,
                             "DELETE FROM SETTING_TABLE; INSERT INTO SETTING_TABLE (TemperatureUnit) VALUES (1);");
        DataManager::GetInstance()->SetSetting(Setting::Make());
        DataManager::GetInstance()->LoadData();
    }
    std::string Column(const std::string& column)
    {
        sqlite_test::Rows rows = sqlite_test::QueryRows(mPath, "SELECT " + column + " FROM SETTING_TABLE");
        return rows.size() == 1 ? rows[0][0] : "<" + std::to_string(rows.size()) + " rows>";
    }
    std::string mPath;
    DataManager* mDm = DataManager::GetInstance();
};

// A skipped write shows as a column that another process changed staying
// changed; a whole-row write puts the in-memory value back.
TEST_F(SettingAccess, WritesStoreTheWholeRowUnlessSkipped)
{
    ASSERT_EQ(mDm->GetTemperatureUnit(), 1);
    OtherProcessRuns(mPath, "UPDATE SETTING_TABLE SET AutoRefreshInterval = 99;");
    LogCapture log;
    mDm->SetTemperatureUnit(1);
    EXPECT_TRUE(log.Contains("same temp unit type. so we don't need to set to DB [return]"));
    EXPECT_EQ(Column("AutoRefreshInterval"), "99");

    mDm->SetTemperatureUnit(0);
    EXPECT_EQ(Column("TemperatureUnit"), "0");
    EXPECT_EQ(Column("AutoRefreshInterval"), "6");

    // The interval is written even when unchanged, with every other column.
    OtherProcessRuns(mPath, "UPDATE SETTING_TABLE SET TemperatureUnit = 7, CpType = 'WCN';");
    mDm->SetAutoRefreshInterval(6);
    EXPECT_EQ(Column("TemperatureUnit"), "0");
    EXPECT_EQ(Column("CpType"), mDm->GetCpType());
    mDm->SetNotificationOn(false);
    mDm->SetNotificationPopup(false);
    EXPECT_EQ(Column("NotificationOn") + Column("NotificationPopup"), "00");
}

TEST_F(SettingAccess, AgreementStampsTimeAndSkipsEqualValue)
{
    ASSERT_FALSE(mDm->GetShowCurrentCityAgreement());
    const long long before = TimeHelper::GetInstance()->GetCurrentTimeMSec();
    mDm->SetShowCurrentCityAgreement(true);
    EXPECT_GE(std::stoll(Column("LastRefreshedTime")), before);
    EXPECT_LE(std::stoll(Column("LastRefreshedTime")), (long long)TimeHelper::GetInstance()->GetCurrentTimeMSec());
    EXPECT_EQ(Column("ShowCurrentCityAgreement"), "1");

    sqlite_test::ExecSql(mPath, "UPDATE SETTING_TABLE SET ShowCurrentCityAgreement = 0;");
    LogCapture log;
    mDm->SetShowCurrentCityAgreement(true);
    EXPECT_EQ(Column("ShowCurrentCityAgreement"), "0");
    EXPECT_TRUE(log.Messages().empty());
}

TEST_F(SettingAccess, NoRowMeansGuardedReadsAndNoWrites)
{
    sqlite_test::ExecSql(mPath, "DELETE FROM SETTING_TABLE;");
    LogCapture log;
    mDm->LoadData();
    EXPECT_TRUE(log.Contains("weather data loaded")); // SetCpType had nothing to write
    EXPECT_EQ(mDm->GetCpType(), "");
    EXPECT_EQ(BackupDataJsonBuilder::Make()->BuildBackupData(),
              R"({"tempUnit":0,"autoRefreshTimeInterval":0,"useCurrentLocationAgreed":false,"useNotification":false})");

    // Writes without a record do nothing and reach no statement.
    mDm->SetTemperatureUnit(0);
    mDm->SetNotificationOn(true);
    EXPECT_EQ(sqlite_test::QueryRows(mPath, "SELECT * FROM SETTING_TABLE").size(), 0u);
}

// BuildBackupData text, and the parser reading it back, over the 32-bit range.
TEST_F(SettingAccess, BackupDocumentRoundTrip)
{
    const int32_t values[] = {INT32_MIN, -1, 0, 1, INT32_MAX};
    for (size_t i = 0; i < 5; ++i) {
        const int32_t unit = values[i], interval = values[4 - i];
        const bool odd = i % 2 == 1;
        auto setting = Setting::Make();
        setting->SetTemperatureUnit(unit);
        setting->SetAutoRefreshInterval(interval);
        setting->SetShowCurrentCityAgreement(!odd);
        setting->SetNotificationOn(odd);
        setting->SetUseCurrentLocationOn(odd); // not backed up
        mDm->SetSetting(setting);

        const std::string doc = BackupDataJsonBuilder::Make()->BuildBackupData();
        EXPECT_EQ(doc, "{\"tempUnit\":" + std::to_string(unit) + ",\"autoRefreshTimeInterval\":" +
                           std::to_string(interval) + ",\"useCurrentLocationAgreed\":" + (odd ? "false" : "true") +
                           ",\"useNotification\":" + (odd ? "true" : "false") + "}");
        auto parser = RestoreMessageParser::Make(doc.c_str(), static_cast<int>(doc.size()));
        EXPECT_EQ((std::array<int32_t, 4>{parser->GetTempUnit(), parser->GetAutoRefreshTimeInterval(),
                                          parser->GetUseCurrentLocationAgreed(), parser->GetUseNotification()}),
                  (std::array<int32_t, 4>{unit, interval, !odd, odd}));
    }
    // The stored record is what LoadData reads back.
    mDm->LoadData();
    EXPECT_EQ(mDm->GetTemperatureUnit(), INT32_MAX);
    EXPECT_EQ(mDm->GetAutoRefreshInterval(), INT32_MIN);
}

} // namespace
