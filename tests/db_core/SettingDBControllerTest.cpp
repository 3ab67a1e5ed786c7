#include <gtest/gtest.h>

#include <device/vconf.h>

#include <sstream>

#include "DeviceFixture.h"
#include "db/SettingDBController.h"
#include "SqliteTestUtil.h"

using namespace sqlite_test;

namespace {

// As SQLite keeps the CREATE TABLE IF NOT EXISTS text.
const char* const kCreateSettingTable =
    "CREATE TABLE SETTING_TABLE (CurrentCityIndex INT, CurrentCityLocationId TEXT,TemperatureUnit INT, "
    "LastRefreshedTime INT64, CurrentLocationAreaRefreshedTime INT64, IsFirstLaunch INT, AutoRefreshOn INT, "
    "AutoRefreshInterval INT, UseCurrentLocationOn INT, ShowCurrentCityAgreement INT, RefreshOnOpeningOn INT, "
    "RefreshOnOpeningOnAgreement INT, NotificationOn INT, NotificationTime INT64, NetworkPositionPopupAgreement INT, "
    "ShowNetworkPopup INT, ChinaDataGPSPerformPopupOn INT, AutoScrollOn INT, AutoScrollInterval INT, "
    "LastUpdateLanguageCode TEXT, CpType TEXT, DaemonType TEXT, IsNowRefreshing INT, IsSupportManualRefresh INT, "
    "RefreshingStartTime INT64, NotificationPopup INT)";

std::string Describe(const Setting& s)
{
    std::ostringstream out;
    out << s.GetCurrentCityIndex() << '|' << s.GetTemperatureUnit() << '|' << s.GetLastRefreshedTime() << '|'
        << s.GetCurrentLocationAreaRefreshedTime() << '|' << s.GetIsFirstLaunch() << s.GetAutoRefreshOn() << '|'
        << s.GetAutoRefreshInterval() << '|' << s.GetShowCurrentCityAgreement() << s.GetUseCurrentLocationOn()
        << s.GetRefreshOnOpeningOn() << s.GetRefreshOnOpeningOnAgreement() << s.GetNotificationOn() << '|'
        << s.GetNotificationTime() << '|' << s.GetNetworkPositionPopupAgreement() << s.GetShowNetworkPopup()
        << s.GetChinaDataGPSPerformPopupOn() << s.GetAutoScrollOn() << '|' << s.GetAutoScrollInterval() << '|'
        << s.GetLastUpdateLanguageCode() << '|' << s.GetCpType() << '|' << s.GetDaemonType() << '|'
        << s.GetCurrentCityLocationId() << '|' << s.GetIsNowRefreshing() << s.GetIsSupportManualRefresh() << '|'
        << s.GetRefreshingStartTime() << '|' << s.GetNotificationPopup();
    return out.str();
}

// Every field away from its default.
std::shared_ptr<Setting> DistinctSetting()
{
    auto s = Setting::Make();
    s->SetCurrentCityIndex(-3);
    s->SetTemperatureUnit(0);
    s->SetLastRefreshedTime(1733400000123);
    s->SetCurrentLocationAreaRefreshedTime(-9000000000);
    s->SetIsFirstLaunch(false);
    s->SetAutoRefreshOn(false);
    s->SetAutoRefreshInterval(24);
    s->SetShowCurrentCityAgreement(true);
    s->SetUseCurrentLocationOn(true);
    s->SetRefreshOnOpeningOn(true);
    s->SetRefreshOnOpeningOnAgreement(true);
    s->SetNotificationOn(false);
    s->SetNotificationTime(4294967295u);
    s->SetNetworkPositionPopupAgreement(true);
    s->SetShowNetworkPopup(true);
    s->SetChinaDataGPSPerformPopupOn(true);
    s->SetAutoScrollOn(true);
    s->SetAutoScrollInterval(15);
    s->SetLastUpdateLanguageCode("zh-Hant");
    s->SetCpType("it's; DROP TABLE SETTING_TABLE;--");
    s->SetDaemonType("");
    s->SetCurrentCityLocationId("Z\xC3\xBCrich\t1");
    s->SetIsNowRefreshing(true);
    s->SetIsSupportManualRefresh(true);
    s->SetRefreshingStartTime(1);
    s->SetNotificationPopup(false);
    return s;
}

std::string Column(const std::string& path, const std::string& column)
{
    std::string joined;
    for (const auto& row : QueryRows(path, "SELECT " + column + " FROM SETTING_TABLE"))
        joined += (joined.empty() ? "" : ",") + row[0];
    return joined;
}

void SetDevice(int standalone, const char* country)
{
    vconf_set_int("db/setup_wizard/standalone", standalone);
    vconf_set_str("db/csc/country_iso", country);
}

} // namespace

TEST(SettingDBController, CreatesTheDefaultRowWithTheCountryRule)
{
    struct Case {
        int standalone;
        const char* country;
        int unit;
    };
    for (const Case& c : {Case{1, "US", 0}, Case{0, "US", 1}, Case{1, "KR", 1}, Case{1, "", 1}}) {
        SCOPED_TRACE(std::string(c.country) + (c.standalone ? " standalone" : " paired"));
        Observations seen = RunIsolated([&](Observations& o) {
            FreshDbDir();
            SetDevice(c.standalone, c.country);
            SettingDBController* controller = SettingDBController::GetInstance();
            std::string path = controller->GetSettingDBFilePath();
            o["columns"] = QueryRows(path, "SELECT sql FROM sqlite_master WHERE name = 'SETTING_TABLE'") ==
                                   Rows{{kCreateSettingTable}}
                               ? "current"
                               : "other";
            o["unit"] = Column(path, "TemperatureUnit");
            auto expected = Setting::Make();
            expected->SetTemperatureUnit(c.unit);
            auto selected = controller->Select();
            o["row"] = selected && Describe(*selected) == Describe(*expected) ? "defaults" : "other";
        });
        EXPECT_EQ(seen, (Observations{{"columns", "current"}, {"unit", std::to_string(c.unit)}, {"row", "defaults"}}));
    }
    SetDevice(0, "");
}

TEST(SettingDBController, KeepsEveryFieldOfTheRow)
{
    Observations seen = RunIsolated([](Observations& o) {
        FreshDbDir();
        SetDevice(0, "");
        SettingDBController* controller = SettingDBController::GetInstance();
        std::string path = controller->GetSettingDBFilePath();
        auto written = DistinctSetting();
        controller->Update(written);
        auto read = controller->Select();
        o["roundTrip"] = read && Describe(*read) == Describe(*written) ? "same" : "differs";
        o["notificationTime"] = Column(path, "NotificationTime");

        // A second row: reads take the first, writes reach both.
        ExecSql(path, "INSERT INTO SETTING_TABLE (CurrentCityIndex, CpType) VALUES (42, 'X');");
        read = controller->Select();
        o["firstRow"] = read && Describe(*read) == Describe(*written) ? "same" : "differs";
        controller->UpdateLastRefreshedTime(1234);
        o["refreshed"] = Column(path, "LastRefreshedTime || ':' || IsNowRefreshing || ':' || CpType");
        controller->UpdateCurrentCityIndex(5);
        controller->UpdateLocationIdOfDisplayCity("loc'2");
        o["city"] = Column(path, "CurrentCityIndex || ':' || CurrentCityLocationId");
        o["integrity"] = IntegrityCheck(path);
    });
    const std::string cpType = DistinctSetting()->GetCpType();
    EXPECT_EQ(seen, (Observations{{"roundTrip", "same"},
                                  {"notificationTime", "4294967295"},
                                  {"firstRow", "same"},
                                  {"refreshed", "1234:0:" + cpType + ",1234:0:" + cpType},
                                  {"city", "5:loc'2,5:loc'2"},
                                  {"integrity", "ok"}}));
}

TEST(SettingDBController, ReadsAnotherProcessesCommittedChangeAfterWaiting)
{
    Observations seen = RunIsolated([](Observations& o) {
        FreshDbDir();
        SetDevice(0, "");
        SettingDBController* controller = SettingDBController::GetInstance();
        WriteLockHolder other;
        if (!other.Start(controller->GetSettingDBFilePath(), 250,
                         "UPDATE SETTING_TABLE SET TemperatureUnit = 0, CpType = 'WNI';"))
            return;
        LogCapture capture;
        auto read = controller->Select();
        o["other"] = std::to_string(other.Wait());
        o["read"] = read ? std::to_string(read->GetTemperatureUnit()) + read->GetCpType() : "none";
        o["waited"] = capture.Contains("Busy Handler Called! : CNT(1)\n") ? "yes" : "no";
    });
    EXPECT_EQ(seen, (Observations{{"other", "0"}, {"read", "0WNI"}, {"waited", "yes"}}));
}
