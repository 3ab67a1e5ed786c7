#include "db/CityDBController.h"

#include <sqlite3.h>

#include <stdexcept>
#include <vector>

#include "db/DBConnector.h"
#include "db/WeatherStatement.h"

using namespace WeatherStatement;

namespace {

constexpr const char* kTableName = "CITY_TABLE";
constexpr const char* kCurrentCitySuffix = ":CurrentCity";

constexpr const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS %q (PK_ID\t\t\t\tINTEGER NOT NULL PRIMARY KEY AUTOINCREMENT, "
    "pageIndex\t\t\tINTEGER, locationId\t\t\tTEXT, cityName\t\t\tTEXT, cityNameEng\t\t\tTEXT, "
    "countryName\t\t\tTEXT, countryNameEng\t\tTEXT, isCurrentLocation\tINTEGER, isSummerTime\t\tINTEGER, "
    "isDayTime\t\t\tINTEGER, gmtOffset\t\t\tDOUBLE, refreshedTime\t\tINT64, localTime\t\t\tINT64, "
    "widgetReferenceCount\tINTEGER, needToUpdate\t\tINTEGER, websiteUrl \t\tTEXT, stateName\t\t\tTEXT, "
    "stateNameEng\t\tTEXT);";

constexpr const char* kColumns =
    "pageIndex,locationId,cityName,cityNameEng,countryName,countryNameEng,isCurrentLocation,isDayTime,"
    "isSummerTime,gmtOffset,refreshedTime,localTime,widgetReferenceCount,needToUpdate,websiteUrl,stateName,"
    "stateNameEng";
constexpr const char* kPlaceholders = "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?";
constexpr const char* kAssignments =
    "pageIndex = ?,locationId = ?,cityName = ?,cityNameEng = ?,countryName = ?,countryNameEng = ?,"
    "isCurrentLocation = ?,isDayTime = ?,isSummerTime = ?,gmtOffset = ?,refreshedTime = ?,localTime = ?,"
    "needToUpdate = ?,websiteUrl = ?,stateName = ?,stateNameEng = ?";

// The current-location city is told apart by its id suffix; the record
// itself is corrected so that callers see the id that was stored.
void AddCurrentCitySuffix(const CityPtr& cityPtr)
{
    do {
        BREAK_IF(cityPtr->GetIsCurrentLocation() == false);
        if (cityPtr->GetLocationId().find(kCurrentCitySuffix) == std::string::npos)
            cityPtr->SetLocationId(cityPtr->GetLocationId() + kCurrentCitySuffix);
    } while (0);
}

// Binds the values shared by insert and update, from index first on.
// widgetReferenceCount sits between localTime and needToUpdate only on insert.
void BindCityValues(sqlite3_stmt* stmt, const CityPtr& cityPtr, bool withWidgetCount)
{
    int i = 1;
    sqlite3_bind_int(stmt, i++, cityPtr->GetPageIndex());
    BindText(stmt, i++, cityPtr->GetLocationId());
    BindText(stmt, i++, cityPtr->GetCityName());
    BindText(stmt, i++, cityPtr->GetCityNameEng());
    BindText(stmt, i++, cityPtr->GetCountryName());
    BindText(stmt, i++, cityPtr->GetCountryNameEng());
    sqlite3_bind_int(stmt, i++, cityPtr->GetIsCurrentLocation() ? 1 : 0);
    sqlite3_bind_int(stmt, i++, cityPtr->GetIsDayTime() ? 1 : 0);
    sqlite3_bind_int(stmt, i++, cityPtr->GetIsSummerTime() ? 1 : 0);
    sqlite3_bind_double(stmt, i++, cityPtr->GetGmtOffset());
    BindTime(stmt, i++, cityPtr->GetRefreshedTime());
    BindTime(stmt, i++, cityPtr->GetLocalTime());
    if (withWidgetCount)
        sqlite3_bind_int(stmt, i++, cityPtr->GetWidgetReferenceCount());
    sqlite3_bind_int(stmt, i++, cityPtr->GetNeedToUpdate() ? 1 : 0);
    BindText(stmt, i++, cityPtr->GetWebsiteUrl());
    BindText(stmt, i++, cityPtr->GetStateName());
    BindText(stmt, i++, cityPtr->GetStateNameEng());
}

} // namespace

DEFINE_SINGLETON(CityDBController)

bool CityDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    return mQueryGenerator != nullptr;
}

void CityDBController::CreateTable()
{
    char* query = sqlite3_mprintf(kCreateTable, kTableName);
    DBConnector::GetInstance()->DBExecuteQuery(query);
    sqlite3_free(query);
}

void CityDBController::Insert(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr);
    AddCurrentCitySuffix(cityPtr);

    std::string query = mQueryGenerator->MakeInsertQuery(kTableName, kColumns, kPlaceholders);
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    BindCityValues(stmt, cityPtr, true);
    sqlite3_step(stmt);
    sqlite3_finalize(stmt);
}

void CityDBController::Update(const CityPtr& cityPtr, int primaryKey)
{
    RETURN_IF(!cityPtr);
    AddCurrentCitySuffix(cityPtr);

    std::string query = mQueryGenerator->MakeUpdateQuery(kTableName, kAssignments,
                                                         mQueryGenerator->MakeWhereClause("PK_ID = ?;"));
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    BindCityValues(stmt, cityPtr, false);
    sqlite3_bind_int(stmt, 17, primaryKey);
    sqlite3_step(stmt);
    sqlite3_finalize(stmt);
}

void CityDBController::UpdateWidgetReferenceCount(const std::string& locationID, int count)
{
    std::string query = mQueryGenerator->MakeUpdateQuery(kTableName, "widgetReferenceCount = ?",
                                                         mQueryGenerator->MakeWhereClause("locationId = ?;"));
    LOGE("query : %s [%d]", query.c_str(), count);
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    sqlite3_bind_int(stmt, 1, count);
    BindText(stmt, 2, locationID);
    sqlite3_step(stmt);
    sqlite3_finalize(stmt);
}

void CityDBController::UpdateMobileLink(const CityPtr& cityPtr, int primaryKey)
{
    RETURN_IF(!cityPtr);
    std::string query = mQueryGenerator->MakeUpdateQuery(kTableName, "websiteUrl = ?",
                                                         mQueryGenerator->MakeWhereClause("PK_ID = ?;"));
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    BindText(stmt, 1, cityPtr->GetWebsiteUrl());
    sqlite3_bind_int(stmt, 2, primaryKey);
    sqlite3_step(stmt);
    sqlite3_finalize(stmt);
}

void CityDBController::Delete(int primaryKey)
{
    std::string query = std::string("DELETE FROM ") + kTableName + " WHERE PK_ID=?;";
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    sqlite3_bind_int(stmt, 1, primaryKey);
    if (sqlite3_step(stmt) != SQLITE_DONE)
        LOGE("Fail to Delete");
    sqlite3_finalize(stmt);
    SetPageIndexAsAscending();
}

void CityDBController::SetPageIndexAsAscending()
{
    DBConnector* dbConnector = DBConnector::GetInstance();
    std::string selectQuery = std::string("SELECT PK_ID FROM ") + kTableName + " ORDER BY PK_ID ASC;";
    std::string updateQuery = std::string("UPDATE ") + kTableName + " SET pageIndex=? WHERE PK_ID=?;";
    sqlite3_stmt* stmt = dbConnector->DBPrepareQuery(selectQuery.c_str());
    int pageIndex = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        int primaryKey = sqlite3_column_int(stmt, 0);
        if (primaryKey < 1) {
            LOGE("Fail to Get PrmaryKey From CityTable : %d", primaryKey);
            break;
        }
        sqlite3_stmt* updateStmt = dbConnector->DBPrepareQuery(updateQuery.c_str());
        sqlite3_bind_int(updateStmt, 1, pageIndex++);
        sqlite3_bind_int(updateStmt, 2, primaryKey);
        if (sqlite3_step(updateStmt) != SQLITE_DONE)
            LOGE("Fail to Delete");
        sqlite3_finalize(updateStmt);
    }
    sqlite3_finalize(stmt);
}

void CityDBController::DeleteAll()
{
    std::string query = std::string("DELETE FROM ") + kTableName + ";";
    DBConnector::GetInstance()->DBExecuteQuery(query.c_str());
}

void CityDBController::Reorder(const CityPtrVectorPtr& reorderPtrVector)
{
    RETURN_IF(!reorderPtrVector);
    try {
        std::vector<int> primaryKeys;
        for (size_t i = 0; i < reorderPtrVector->size(); i++) {
            const CityPtr& cityPtr = reorderPtrVector->at(i);
            primaryKeys.push_back(cityPtr ? GetPrimaryKey(cityPtr->GetPageIndex()) : 0);
        }
        std::string query = std::string("UPDATE ") + kTableName + " SET pageIndex=? " + "WHERE PK_ID = ?";
        DBConnector* dbConnector = DBConnector::GetInstance();
        for (size_t i = 0; i < reorderPtrVector->size(); i++) {
            sqlite3_stmt* stmt = dbConnector->DBPrepareQuery(query.c_str());
            sqlite3_bind_int(stmt, 1, static_cast<int>(i));
            sqlite3_bind_int(stmt, 2, primaryKeys.at(i));
            sqlite3_step(stmt);
            sqlite3_finalize(stmt);
        }
    } catch (const std::out_of_range&) {
        LOGE("exception caught: out of range");
    } catch (const std::exception& e) {
        LOGE("[%s]", e.what());
    }
}

CityPtr CityDBController::SelectWith(const std::string& condition, int primaryKey, const std::string* locationID)
{
    std::string query = mQueryGenerator->MakeSelectQuery(kTableName, kColumns,
                                                         mQueryGenerator->MakeWhereClause(condition), "", "", "");
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    if (locationID)
        BindText(stmt, 1, *locationID);
    else
        sqlite3_bind_int(stmt, 1, primaryKey);

    CityPtr cityPtr;
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        cityPtr = City::Make();
        if (cityPtr) {
            cityPtr->SetPageIndex(sqlite3_column_int(stmt, 0));
            cityPtr->SetLocationId(ColumnText(stmt, 1));
            cityPtr->SetCityName(ColumnText(stmt, 2));
            cityPtr->SetCityNameEng(ColumnText(stmt, 3));
            cityPtr->SetCountryName(ColumnText(stmt, 4));
            cityPtr->SetCountryNameEng(ColumnText(stmt, 5));
            cityPtr->SetIsCurrentLocation(sqlite3_column_int(stmt, 6) != 0);
            cityPtr->SetIsDayTime(sqlite3_column_int(stmt, 7) != 0);
            cityPtr->SetIsSummerTime(sqlite3_column_int(stmt, 8) != 0);
            cityPtr->SetGmtOffset(sqlite3_column_double(stmt, 9));
            cityPtr->SetRefreshedTime(ColumnTime(stmt, 10));
            cityPtr->SetLocalTime(ColumnTime(stmt, 11));
            cityPtr->SetWidgetReferenceCount(sqlite3_column_int(stmt, 12));
            cityPtr->SetNeedToUpdate(sqlite3_column_int(stmt, 13) != 0);
            cityPtr->SetWebsiteUrl(ColumnText(stmt, 14));
            cityPtr->SetStateName(ColumnText(stmt, 15));
            cityPtr->SetStateNameEng(ColumnText(stmt, 16));
        }
    } else {
        LOGE("No result : %d", rc);
    }
    sqlite3_finalize(stmt);
    return cityPtr;
}

CityPtr CityDBController::Select(int primaryKey)
{
    return SelectWith("PK_ID = ?", primaryKey, nullptr);
}

CityPtr CityDBController::Select(const std::string& locationID)
{
    LOGE("locationID : %s", locationID.c_str());
    return SelectWith("locationId = ?;", 0, &locationID);
}

int CityDBController::GetLastInsertedPrimaryKey()
{
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery("SELECT MAX(PK_ID) FROM CITY_TABLE;");
    int ret = 0;
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW)
        ret = sqlite3_column_int(stmt, 0);
    else
        LOGE("No result : %d", rc);
    sqlite3_finalize(stmt);
    return ret;
}

int CityDBController::SelectInt(const std::string& columns, const std::string& condition, const int* intArg,
                                const std::string* textArg, int fallback)
{
    std::string clause = condition.empty() ? "" : mQueryGenerator->MakeWhereClause(condition);
    std::string query = mQueryGenerator->MakeSelectQuery(kTableName, columns, clause, "", "", "");
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    if (intArg)
        sqlite3_bind_int(stmt, 1, *intArg);
    if (textArg)
        BindText(stmt, 1, *textArg);
    int ret = fallback;
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW)
        ret = sqlite3_column_int(stmt, 0);
    else
        LOGE("No result : %d", rc);
    sqlite3_finalize(stmt);
    return ret;
}

std::string CityDBController::SelectText(const std::string& columns, const std::string& condition, const int* intArg)
{
    std::string query = mQueryGenerator->MakeSelectQuery(kTableName, columns,
                                                         mQueryGenerator->MakeWhereClause(condition), "", "", "");
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    if (intArg)
        sqlite3_bind_int(stmt, 1, *intArg);
    std::string ret;
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW)
        ret = ColumnText(stmt, 0);
    else
        LOGE("No result : %d", rc);
    sqlite3_finalize(stmt);
    return ret;
}

int CityDBController::GetPrimaryKey(int pageIndex)
{
    return SelectInt("PK_ID", "pageIndex = ?", &pageIndex, nullptr, 0);
}

int CityDBController::GetPrimaryKey(const std::string& locationID)
{
    return SelectInt("PK_ID", "locationId = ?", nullptr, &locationID, 0);
}

int CityDBController::GetNumberOfCities()
{
    return SelectInt("COUNT(*)", "", nullptr, nullptr, -1);
}

int CityDBController::GetPageIndexOfCurrentCity()
{
    return SelectInt("pageIndex", "isCurrentLocation = 1", nullptr, nullptr, -1);
}

int CityDBController::GetPageIndexWithLocationID(const std::string& locationID)
{
    return SelectInt("pageIndex", "locationID = ?", nullptr, &locationID, -1);
}

std::string CityDBController::GetLocationIDWithPageIndex(int pageIndex)
{
    return SelectText("locationId", "pageIndex = ?", &pageIndex);
}

std::string CityDBController::GetLocationIdOfCurrentCity()
{
    return SelectText("locationId", "isCurrentLocation = 1", nullptr);
}

bool CityDBController::IsCurrentLocationExist()
{
    return GetPageIndexOfCurrentCity() != -1;
}
