#include "db/SettingDBController.h"

#include "db/DBConnector.h"
#include "utils/FileHelper.h"
#include "utils/VconfUtilFactory.h"

namespace {

constexpr const char* kTableName = "SETTING_TABLE";

constexpr const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS %q (CurrentCityIndex INT, CurrentCityLocationId TEXT,TemperatureUnit INT, "
    "LastRefreshedTime INT64, CurrentLocationAreaRefreshedTime INT64, IsFirstLaunch INT, AutoRefreshOn INT, "
    "AutoRefreshInterval INT, UseCurrentLocationOn INT, ShowCurrentCityAgreement INT, RefreshOnOpeningOn INT, "
    "RefreshOnOpeningOnAgreement INT, NotificationOn INT, NotificationTime INT64, NetworkPositionPopupAgreement "
    "INT, ShowNetworkPopup INT, ChinaDataGPSPerformPopupOn INT, AutoScrollOn INT, AutoScrollInterval INT, "
    "LastUpdateLanguageCode TEXT, CpType TEXT, DaemonType TEXT, IsNowRefreshing INT, IsSupportManualRefresh INT, "
    "RefreshingStartTime INT64, NotificationPopup INT);";

constexpr const char* kColumns =
    "CurrentCityIndex, CurrentCityLocationId, TemperatureUnit, LastRefreshedTime, "
    "CurrentLocationAreaRefreshedTime, IsFirstLaunch, AutoRefreshOn, AutoRefreshInterval, UseCurrentLocationOn, "
    "ShowCurrentCityAgreement, RefreshOnOpeningOn, RefreshOnOpeningOnAgreement, NotificationOn, NotificationTime, "
    "NetworkPositionPopupAgreement, ShowNetworkPopup, ChinaDataGPSPerformPopupOn, AutoScrollOn, AutoScrollInterval, "
    "LastUpdateLanguageCode, CpType, DaemonType, IsNowRefreshing, IsSupportManualRefresh, RefreshingStartTime, "
    "NotificationPopup";

constexpr const char* kPlaceholders = "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?";

constexpr const char* kAssignments =
    "CurrentCityIndex = ?, CurrentCityLocationId = ?, TemperatureUnit = ?, LastRefreshedTime = ?, "
    "CurrentLocationAreaRefreshedTime = ?, IsFirstLaunch = ?, AutoRefreshOn = ?, AutoRefreshInterval = ?, "
    "UseCurrentLocationOn = ?, ShowCurrentCityAgreement = ?, RefreshOnOpeningOn = ?, RefreshOnOpeningOnAgreement = "
    "?, NotificationOn = ?, NotificationTime = ?, NetworkPositionPopupAgreement = ?, ShowNetworkPopup = ?, "
    "ChinaDataGPSPerformPopupOn = ?, AutoScrollOn = ?, AutoScrollInterval = ?, LastUpdateLanguageCode = ?, CpType = "
    "?, DaemonType = ?, IsNowRefreshing = ?, IsSupportManualRefresh = ?, RefreshingStartTime = ?, NotificationPopup "
    "= ?";

constexpr const char* kAddNotificationPopup = "ALTER TABLE SETTING_TABLE ADD NotificationPopup INT;";

} // namespace

DEFINE_SINGLETON(SettingDBController)

bool SettingDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    // An existing file is used as it is; a missing table shows at the first read.
    RETURN_IF(FileHelper::GetInstance()->IsExists(GetSettingDBFilePath()) == true, true);

    DB_OPEN_FOR_CREATE_TABLE_OR_RETURN(GetSettingDBFilePath(), false);
    CreateTable();
    InsertDefaultSetting();
    return true;
}

std::string SettingDBController::GetSettingDBFilePath()
{
    std::string ret = FileHelper::GetInstance()->GetSharedDataDirectoryPath();
    RETURN_IF(ret.length() < 1, "");
    return ret + "db/.setting.db";
}

void SettingDBController::CreateTable()
{
    char* query = sqlite3_mprintf(kCreateTable, kTableName);
    DBConnector::GetInstance()->DBExecuteQuery(query);
    sqlite3_free(query);
}

void SettingDBController::InsertDefaultSetting()
{
    std::shared_ptr<Setting> settingPtr = Setting::Make();
    RETURN_IF(!settingPtr);

    std::shared_ptr<VconfUtil> standaloneVconf = VconfUtilFactory::Make();
    bool isStandalone = standaloneVconf && standaloneVconf->GetIsStandalone();
    std::shared_ptr<VconfUtil> countryVconf = VconfUtilFactory::Make();
    std::string countryIso = countryVconf ? countryVconf->GetCountryIso() : "";
    // A standalone watch set up in the US starts with the US unit.
    if (isStandalone && countryIso == "US")
        settingPtr->SetTemperatureUnit(0);

    Insert(settingPtr);
}

void SettingDBController::Insert(const std::shared_ptr<Setting>& settingPtr)
{
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(
        mQueryGenerator->MakeInsertQuery(kTableName, kColumns, kPlaceholders));
    BindSetting(stmt, *settingPtr);
    stmt.Step();
}

std::shared_ptr<Setting> SettingDBController::Select()
{
    DB_OPEN_OR_RETURN(GetSettingDBFilePath(), true, nullptr);

    std::shared_ptr<Setting> settingPtr = Setting::Make();
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(
        mQueryGenerator->MakeSelectQuery(kTableName, kColumns, "", "", "", ""));
    int ret = stmt.Step();
    if (ret == SQLITE_ROW && settingPtr) {
        ReadSetting(stmt, *settingPtr);
    } else {
        LOGE("No result : %d", ret);
        settingPtr.reset();
    }
    return settingPtr;
}

void SettingDBController::Update(const std::shared_ptr<Setting>& settingPtr)
{
    RETURN_IF(!settingPtr);
    DB_OPEN_OR_RETURN(GetSettingDBFilePath(), false);

    Statement stmt =
        DBConnector::GetInstance()->DBPrepareStatement(mQueryGenerator->MakeUpdateQuery(kTableName, kAssignments, ""));
    BindSetting(stmt, *settingPtr);
    stmt.Step();
}

void SettingDBController::UpdateLocationIdOfDisplayCity(const std::string& locationId)
{
    DB_OPEN_OR_RETURN(GetSettingDBFilePath(), false);

    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(
        mQueryGenerator->MakeUpdateQuery(kTableName, "CurrentCityLocationId = ?", ""));
    stmt.BindText(1, locationId);
    stmt.Step();
}

void SettingDBController::UpdateLastRefreshedTime(int64_t lastRefreshedTime)
{
    // Re-read the row: the in-memory record of the settings object may be stale.
    std::shared_ptr<Setting> settingPtr = Select();
    if (!settingPtr)
        return;
    settingPtr->SetLastRefreshedTime(lastRefreshedTime);
    settingPtr->SetIsNowRefreshing(false);
    Update(settingPtr);
}

void SettingDBController::UpdateCurrentCityIndex(int32_t currentCityIndex)
{
    std::shared_ptr<Setting> settingPtr = Select();
    if (!settingPtr)
        return;
    settingPtr->SetCurrentCityIndex(currentCityIndex);
    Update(settingPtr);
}

void SettingDBController::UpgradeDB(double version)
{
    if (version >= 1.0)
        return;
    LOGE("UpgradeDBTables < 1.0 : %s", kAddNotificationPopup);

    DB_OPEN_OR_RETURN(GetSettingDBFilePath(), false);
    // On a table that already has the column this fails and is only logged.
    DBConnector::GetInstance()->DBExecuteQuery(kAddNotificationPopup);
}

void SettingDBController::BindSetting(Statement& stmt, const Setting& setting)
{
    stmt.BindInt(1, setting.GetCurrentCityIndex());
    stmt.BindText(2, setting.GetCurrentCityLocationId());
    stmt.BindInt(3, setting.GetTemperatureUnit());
    stmt.BindInt64(4, setting.GetLastRefreshedTime());
    stmt.BindInt64(5, setting.GetCurrentLocationAreaRefreshedTime());
    stmt.BindBool(6, setting.GetIsFirstLaunch());
    stmt.BindBool(7, setting.GetAutoRefreshOn());
    stmt.BindInt(8, setting.GetAutoRefreshInterval());
    stmt.BindBool(9, setting.GetUseCurrentLocationOn());
    stmt.BindBool(10, setting.GetShowCurrentCityAgreement());
    stmt.BindBool(11, setting.GetRefreshOnOpeningOn());
    stmt.BindBool(12, setting.GetRefreshOnOpeningOnAgreement());
    stmt.BindBool(13, setting.GetNotificationOn());
    // Zero-extended: 4294967295 stays 4294967295, not -1.
    stmt.BindInt64(14, static_cast<sqlite3_int64>(setting.GetNotificationTime()));
    stmt.BindBool(15, setting.GetNetworkPositionPopupAgreement());
    stmt.BindBool(16, setting.GetShowNetworkPopup());
    stmt.BindBool(17, setting.GetChinaDataGPSPerformPopupOn());
    stmt.BindBool(18, setting.GetAutoScrollOn());
    stmt.BindInt(19, setting.GetAutoScrollInterval());
    stmt.BindText(20, setting.GetLastUpdateLanguageCode());
    stmt.BindText(21, setting.GetCpType());
    stmt.BindText(22, setting.GetDaemonType());
    stmt.BindBool(23, setting.GetIsNowRefreshing());
    stmt.BindBool(24, setting.GetIsSupportManualRefresh());
    stmt.BindInt64(25, setting.GetRefreshingStartTime());
    stmt.BindBool(26, setting.GetNotificationPopup());
}

void SettingDBController::ReadSetting(const Statement& stmt, Setting& setting)
{
    setting.SetCurrentCityIndex(stmt.ColumnInt(0));
    setting.SetCurrentCityLocationId(stmt.ColumnText(1));
    setting.SetTemperatureUnit(stmt.ColumnInt(2));
    setting.SetLastRefreshedTime(stmt.ColumnInt64(3));
    setting.SetCurrentLocationAreaRefreshedTime(stmt.ColumnInt64(4));
    setting.SetIsFirstLaunch(stmt.ColumnBool(5));
    setting.SetAutoRefreshOn(stmt.ColumnBool(6));
    setting.SetAutoRefreshInterval(stmt.ColumnInt(7));
    setting.SetUseCurrentLocationOn(stmt.ColumnBool(8));
    setting.SetShowCurrentCityAgreement(stmt.ColumnBool(9));
    setting.SetRefreshOnOpeningOn(stmt.ColumnBool(10));
    setting.SetRefreshOnOpeningOnAgreement(stmt.ColumnBool(11));
    setting.SetNotificationOn(stmt.ColumnBool(12));
    setting.SetNotificationTime(stmt.ColumnTime(13));
    setting.SetNetworkPositionPopupAgreement(stmt.ColumnBool(14));
    setting.SetShowNetworkPopup(stmt.ColumnBool(15));
    setting.SetChinaDataGPSPerformPopupOn(stmt.ColumnBool(16));
    setting.SetAutoScrollOn(stmt.ColumnBool(17));
    setting.SetAutoScrollInterval(stmt.ColumnInt(18));
    setting.SetLastUpdateLanguageCode(stmt.ColumnText(19));
    setting.SetCpType(stmt.ColumnText(20));
    setting.SetDaemonType(stmt.ColumnText(21));
    setting.SetIsNowRefreshing(stmt.ColumnBool(22));
    setting.SetIsSupportManualRefresh(stmt.ColumnBool(23));
    setting.SetRefreshingStartTime(stmt.ColumnInt64(24));
    setting.SetNotificationPopup(stmt.ColumnBool(25));
}
