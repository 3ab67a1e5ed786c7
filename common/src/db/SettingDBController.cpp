#include "db/SettingDBController.h"

#include "db/ColumnTable.h"
#include "db/DBConnector.h"
#include "utils/DBFileNames.h"
#include "utils/FileHelper.h"
#include "utils/VconfUtilFactory.h"

namespace {

// A failed opening's guard names the opening as these texts write it.
constexpr const char* kOpenForCreating = "dbConnector->DBInitializeForCreateTable(GetSettingDBFilePath()) == false";
constexpr const char* kOpenForReading = "dbConnector->DBInitialize(GetSettingDBFilePath(), true) == false";
constexpr const char* kOpenForWriting = "dbConnector->DBInitialize(GetSettingDBFilePath(), false) == false";

constexpr const char* kTableName = "SETTING_TABLE";

constexpr const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS %q (CurrentCityIndex INT, CurrentCityLocationId TEXT,TemperatureUnit INT, "
    "LastRefreshedTime INT64, CurrentLocationAreaRefreshedTime INT64, IsFirstLaunch INT, AutoRefreshOn INT, "
    "AutoRefreshInterval INT, UseCurrentLocationOn INT, ShowCurrentCityAgreement INT, RefreshOnOpeningOn INT, "
    "RefreshOnOpeningOnAgreement INT, NotificationOn INT, NotificationTime INT64, NetworkPositionPopupAgreement "
    "INT, ShowNetworkPopup INT, ChinaDataGPSPerformPopupOn INT, AutoScrollOn INT, AutoScrollInterval INT, "
    "LastUpdateLanguageCode TEXT, CpType TEXT, DaemonType TEXT, IsNowRefreshing INT, IsSupportManualRefresh INT, "
    "RefreshingStartTime INT64, NotificationPopup INT);";

// The row's columns in table order, each stored from and read into the Setting
// field of the same name. Their types are those of the CREATE text above, which
// stays literal for the stored schema's irregular spacing.
#define SETTING_COLUMN(KIND, Field) KIND##_COLUMN(Setting, #Field, nullptr, Field)
const Column<Setting> kColumns[] = {
    SETTING_COLUMN(INT, CurrentCityIndex),
    SETTING_COLUMN(TEXT, CurrentCityLocationId),
    SETTING_COLUMN(INT, TemperatureUnit),
    SETTING_COLUMN(INT64, LastRefreshedTime),
    SETTING_COLUMN(INT64, CurrentLocationAreaRefreshedTime),
    SETTING_COLUMN(BOOL, IsFirstLaunch),
    SETTING_COLUMN(BOOL, AutoRefreshOn),
    SETTING_COLUMN(INT, AutoRefreshInterval),
    SETTING_COLUMN(BOOL, UseCurrentLocationOn),
    SETTING_COLUMN(BOOL, ShowCurrentCityAgreement),
    SETTING_COLUMN(BOOL, RefreshOnOpeningOn),
    SETTING_COLUMN(BOOL, RefreshOnOpeningOnAgreement),
    SETTING_COLUMN(BOOL, NotificationOn),
    SETTING_COLUMN(TIME, NotificationTime),
    SETTING_COLUMN(BOOL, NetworkPositionPopupAgreement),
    SETTING_COLUMN(BOOL, ShowNetworkPopup),
    SETTING_COLUMN(BOOL, ChinaDataGPSPerformPopupOn),
    SETTING_COLUMN(BOOL, AutoScrollOn),
    SETTING_COLUMN(INT, AutoScrollInterval),
    SETTING_COLUMN(TEXT, LastUpdateLanguageCode),
    SETTING_COLUMN(TEXT, CpType),
    SETTING_COLUMN(TEXT, DaemonType),
    SETTING_COLUMN(BOOL, IsNowRefreshing),
    SETTING_COLUMN(BOOL, IsSupportManualRefresh),
    SETTING_COLUMN(INT64, RefreshingStartTime),
    SETTING_COLUMN(BOOL, NotificationPopup),
};
#undef SETTING_COLUMN

constexpr const char* kAddNotificationPopup = "ALTER TABLE SETTING_TABLE ADD NotificationPopup INT;";

} // namespace

DEFINE_SINGLETON(SettingDBController)

bool SettingDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    // An existing file is used as it is; a missing table shows at the first read.
    RETURN_IF(FileHelper::GetInstance()->IsExists(GetSettingDBFilePath()) == true, true);

    DBOpening opening(GetSettingDBFilePath(), DBOpening::ForCreateTable{});
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForCreating, false);
    CreateTable();
    InsertDefaultSetting();
    return true;
}

std::string SettingDBController::GetSettingDBFilePath()
{
    std::string ret = FileHelper::GetInstance()->GetSharedDataDirectoryPath();
    RETURN_IF(ret.length() < 1, "");
    return ret + "db/" + DBFileName::kSetting;
}

void SettingDBController::CreateTable()
{
    ColumnTable::CreateTable(kCreateTable, kTableName);
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
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(mQueryGenerator->MakeInsertQuery(
        kTableName, ColumnTable::Names(kColumns, 0, ", "), ColumnTable::Placeholders(std::size(kColumns))));
    BindSetting(stmt, *settingPtr);
    stmt.Step();
}

std::shared_ptr<Setting> SettingDBController::Select()
{
    DBOpening opening(GetSettingDBFilePath(), true);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForReading, nullptr);

    std::shared_ptr<Setting> settingPtr = Setting::Make();
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(
        mQueryGenerator->MakeSelectQuery(kTableName, ColumnTable::Names(kColumns, 0, ", "), "", "", "", ""));
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
    DBOpening opening(GetSettingDBFilePath(), false);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForWriting);

    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(
        mQueryGenerator->MakeUpdateQuery(kTableName, ColumnTable::Assignments(kColumns, 0, SIZE_MAX, ", "), ""));
    BindSetting(stmt, *settingPtr);
    stmt.Step();
}

void SettingDBController::UpdateLocationIdOfDisplayCity(const std::string& locationId)
{
    DBOpening opening(GetSettingDBFilePath(), false);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForWriting);

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

    DBOpening opening(GetSettingDBFilePath(), false);
    RETURN_IF_MSG(!opening.IsOpen(), kOpenForWriting);
    // On a table that already has the column this fails and is only logged.
    DBConnector::GetInstance()->DBExecuteQuery(kAddNotificationPopup);
}

void SettingDBController::BindSetting(Statement& stmt, const Setting& setting)
{
    ColumnTable::Bind(kColumns, 0, stmt, 1, setting);
}

void SettingDBController::ReadSetting(const Statement& stmt, Setting& setting)
{
    ColumnTable::Read(kColumns, 0, stmt, setting);
}
