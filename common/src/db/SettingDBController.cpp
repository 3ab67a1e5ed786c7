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

constexpr const char* kPlaceholders =
    "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?";

constexpr const char* kAssignments =
    "CurrentCityIndex = ?, CurrentCityLocationId = ?, TemperatureUnit = ?, LastRefreshedTime = ?, "
    "CurrentLocationAreaRefreshedTime = ?, IsFirstLaunch = ?, AutoRefreshOn = ?, AutoRefreshInterval = ?, "
    "UseCurrentLocationOn = ?, ShowCurrentCityAgreement = ?, RefreshOnOpeningOn = ?, RefreshOnOpeningOnAgreement = "
    "?, NotificationOn = ?, NotificationTime = ?, NetworkPositionPopupAgreement = ?, ShowNetworkPopup = ?, "
    "ChinaDataGPSPerformPopupOn = ?, AutoScrollOn = ?, AutoScrollInterval = ?, LastUpdateLanguageCode = ?, CpType = "
    "?, DaemonType = ?, IsNowRefreshing = ?, IsSupportManualRefresh = ?, RefreshingStartTime = ?, NotificationPopup "
    "= ?";

constexpr const char* kAddNotificationPopup = "ALTER TABLE SETTING_TABLE ADD NotificationPopup INT;";

void BindText(sqlite3_stmt* stmt, int index, const std::string& value)
{
    sqlite3_bind_text(stmt, index, value.c_str(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
}

std::string ColumnText(sqlite3_stmt* stmt, int index)
{
    const unsigned char* text = sqlite3_column_text(stmt, index);
    return text ? reinterpret_cast<const char*>(text) : "";
}

bool ColumnBool(sqlite3_stmt* stmt, int index)
{
    return sqlite3_column_int(stmt, index) != 0;
}

} // namespace

DEFINE_SINGLETON(SettingDBController)

bool SettingDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    // An existing file is used as it is; a missing table shows at the first read.
    RETURN_IF(FileHelper::GetInstance()->IsExists(GetSettingDBFilePath()) == true, true);

    DBConnector* dbConnector = DBConnector::GetInstance();
    RETURN_IF(dbConnector->DBInitializeForCreateTable(GetSettingDBFilePath()) == false, false);
    CreateTable();
    InsertDefaultSetting();
    dbConnector->DBFinalize();
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
    std::string query = mQueryGenerator->MakeInsertQuery(kTableName, kColumns, kPlaceholders);
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    BindSetting(stmt, *settingPtr);
    sqlite3_step(stmt);
    sqlite3_finalize(stmt);
}

std::shared_ptr<Setting> SettingDBController::Select()
{
    DBConnector* dbConnector = DBConnector::GetInstance();
    RETURN_IF(dbConnector->DBInitialize(GetSettingDBFilePath(), true) == false, nullptr);

    std::shared_ptr<Setting> settingPtr = Setting::Make();
    std::string query = mQueryGenerator->MakeSelectQuery(kTableName, kColumns, "", "", "", "");
    sqlite3_stmt* stmt = dbConnector->DBPrepareQuery(query.c_str());
    int ret = sqlite3_step(stmt);
    if (ret == SQLITE_ROW && settingPtr) {
        ReadSetting(stmt, *settingPtr);
    } else {
        LOGE("No result : %d", ret);
        settingPtr.reset();
    }
    sqlite3_finalize(stmt);
    dbConnector->DBFinalize();
    return settingPtr;
}

void SettingDBController::Update(const std::shared_ptr<Setting>& settingPtr)
{
    RETURN_IF(!settingPtr);
    DBConnector* dbConnector = DBConnector::GetInstance();
    RETURN_IF(dbConnector->DBInitialize(GetSettingDBFilePath(), false) == false);

    std::string query = mQueryGenerator->MakeUpdateQuery(kTableName, kAssignments, "");
    sqlite3_stmt* stmt = dbConnector->DBPrepareQuery(query.c_str());
    BindSetting(stmt, *settingPtr);
    sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    dbConnector->DBFinalize();
}

void SettingDBController::UpdateLocationIdOfDisplayCity(const std::string& locationId)
{
    DBConnector* dbConnector = DBConnector::GetInstance();
    RETURN_IF(dbConnector->DBInitialize(GetSettingDBFilePath(), false) == false);

    std::string query = mQueryGenerator->MakeUpdateQuery(kTableName, "CurrentCityLocationId = ?", "");
    sqlite3_stmt* stmt = dbConnector->DBPrepareQuery(query.c_str());
    BindText(stmt, 1, locationId);
    sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    dbConnector->DBFinalize();
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

    DBConnector* dbConnector = DBConnector::GetInstance();
    RETURN_IF(dbConnector->DBInitialize(GetSettingDBFilePath(), false) == false);
    // On a table that already has the column this fails and is only logged.
    dbConnector->DBExecuteQuery(kAddNotificationPopup);
    dbConnector->DBFinalize();
}

void SettingDBController::BindSetting(sqlite3_stmt* stmt, const Setting& setting)
{
    sqlite3_bind_int(stmt, 1, setting.GetCurrentCityIndex());
    BindText(stmt, 2, setting.GetCurrentCityLocationId());
    sqlite3_bind_int(stmt, 3, setting.GetTemperatureUnit());
    sqlite3_bind_int64(stmt, 4, setting.GetLastRefreshedTime());
    sqlite3_bind_int64(stmt, 5, setting.GetCurrentLocationAreaRefreshedTime());
    sqlite3_bind_int(stmt, 6, setting.GetIsFirstLaunch() ? 1 : 0);
    sqlite3_bind_int(stmt, 7, setting.GetAutoRefreshOn() ? 1 : 0);
    sqlite3_bind_int(stmt, 8, setting.GetAutoRefreshInterval());
    sqlite3_bind_int(stmt, 9, setting.GetUseCurrentLocationOn() ? 1 : 0);
    sqlite3_bind_int(stmt, 10, setting.GetShowCurrentCityAgreement() ? 1 : 0);
    sqlite3_bind_int(stmt, 11, setting.GetRefreshOnOpeningOn() ? 1 : 0);
    sqlite3_bind_int(stmt, 12, setting.GetRefreshOnOpeningOnAgreement() ? 1 : 0);
    sqlite3_bind_int(stmt, 13, setting.GetNotificationOn() ? 1 : 0);
    // Zero-extended: 4294967295 stays 4294967295, not -1.
    sqlite3_bind_int64(stmt, 14, static_cast<sqlite3_int64>(setting.GetNotificationTime()));
    sqlite3_bind_int(stmt, 15, setting.GetNetworkPositionPopupAgreement() ? 1 : 0);
    sqlite3_bind_int(stmt, 16, setting.GetShowNetworkPopup() ? 1 : 0);
    sqlite3_bind_int(stmt, 17, setting.GetChinaDataGPSPerformPopupOn() ? 1 : 0);
    sqlite3_bind_int(stmt, 18, setting.GetAutoScrollOn() ? 1 : 0);
    sqlite3_bind_int(stmt, 19, setting.GetAutoScrollInterval());
    BindText(stmt, 20, setting.GetLastUpdateLanguageCode());
    BindText(stmt, 21, setting.GetCpType());
    BindText(stmt, 22, setting.GetDaemonType());
    sqlite3_bind_int(stmt, 23, setting.GetIsNowRefreshing() ? 1 : 0);
    sqlite3_bind_int(stmt, 24, setting.GetIsSupportManualRefresh() ? 1 : 0);
    sqlite3_bind_int64(stmt, 25, setting.GetRefreshingStartTime());
    sqlite3_bind_int(stmt, 26, setting.GetNotificationPopup() ? 1 : 0);
}

void SettingDBController::ReadSetting(sqlite3_stmt* stmt, Setting& setting)
{
    setting.SetCurrentCityIndex(sqlite3_column_int(stmt, 0));
    setting.SetCurrentCityLocationId(ColumnText(stmt, 1));
    setting.SetTemperatureUnit(sqlite3_column_int(stmt, 2));
    setting.SetLastRefreshedTime(sqlite3_column_int64(stmt, 3));
    setting.SetCurrentLocationAreaRefreshedTime(sqlite3_column_int64(stmt, 4));
    setting.SetIsFirstLaunch(ColumnBool(stmt, 5));
    setting.SetAutoRefreshOn(ColumnBool(stmt, 6));
    setting.SetAutoRefreshInterval(sqlite3_column_int(stmt, 7));
    setting.SetUseCurrentLocationOn(ColumnBool(stmt, 8));
    setting.SetShowCurrentCityAgreement(ColumnBool(stmt, 9));
    setting.SetRefreshOnOpeningOn(ColumnBool(stmt, 10));
    setting.SetRefreshOnOpeningOnAgreement(ColumnBool(stmt, 11));
    setting.SetNotificationOn(ColumnBool(stmt, 12));
    setting.SetNotificationTime(static_cast<uint32_t>(sqlite3_column_int64(stmt, 13)));
    setting.SetNetworkPositionPopupAgreement(ColumnBool(stmt, 14));
    setting.SetShowNetworkPopup(ColumnBool(stmt, 15));
    setting.SetChinaDataGPSPerformPopupOn(ColumnBool(stmt, 16));
    setting.SetAutoScrollOn(ColumnBool(stmt, 17));
    setting.SetAutoScrollInterval(sqlite3_column_int(stmt, 18));
    setting.SetLastUpdateLanguageCode(ColumnText(stmt, 19));
    setting.SetCpType(ColumnText(stmt, 20));
    setting.SetDaemonType(ColumnText(stmt, 21));
    setting.SetIsNowRefreshing(ColumnBool(stmt, 22));
    setting.SetIsSupportManualRefresh(ColumnBool(stmt, 23));
    setting.SetRefreshingStartTime(sqlite3_column_int64(stmt, 24));
    setting.SetNotificationPopup(ColumnBool(stmt, 25));
}
