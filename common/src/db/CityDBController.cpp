#include "db/CityDBController.h"

#include <sqlite3.h>

#include <stdexcept>
#include <vector>

#include "db/DBConnector.h"
#include "db/ColumnTable.h"

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

// The row's values in the order of the column list that INSERT and SELECT
// share (not the CREATE text's, which stays literal for its spacing).
const Column<City> kColumns[] = {
    INT_COLUMN(City, "pageIndex", nullptr, PageIndex),
    TEXT_COLUMN(City, "locationId", nullptr, LocationId),
    TEXT_COLUMN(City, "cityName", nullptr, CityName),
    TEXT_COLUMN(City, "cityNameEng", nullptr, CityNameEng),
    TEXT_COLUMN(City, "countryName", nullptr, CountryName),
    TEXT_COLUMN(City, "countryNameEng", nullptr, CountryNameEng),
    BOOL_COLUMN(City, "isCurrentLocation", nullptr, IsCurrentLocation),
    BOOL_COLUMN(City, "isDayTime", nullptr, IsDayTime),
    BOOL_COLUMN(City, "isSummerTime", nullptr, IsSummerTime),
    DOUBLE_COLUMN(City, "gmtOffset", nullptr, GmtOffset),
    TIME_COLUMN(City, "refreshedTime", nullptr, RefreshedTime),
    TIME_COLUMN(City, "localTime", nullptr, LocalTime),
    INT_COLUMN(City, "widgetReferenceCount", nullptr, WidgetReferenceCount),
    BOOL_COLUMN(City, "needToUpdate", nullptr, NeedToUpdate),
    TEXT_COLUMN(City, "websiteUrl", nullptr, WebsiteUrl),
    TEXT_COLUMN(City, "stateName", nullptr, StateName),
    TEXT_COLUMN(City, "stateNameEng", nullptr, StateNameEng),
};
constexpr size_t kColumnCount = sizeof(kColumns) / sizeof(kColumns[0]);
// The widgets keep their own count (UpdateWidgetReferenceCount): a city's
// update leaves it as stored.
constexpr size_t kWidgetCount = 12;
const std::string kColumnNames = ColumnTable::Names(kColumns, 0);

// Binds the values from index 1 on; the update's without the widget count.
void BindCityValues(Statement& stmt, const City& city, bool withWidgetCount)
{
    ColumnValue value;
    int index = 1;
    for (size_t i = 0; i < kColumnCount; i++) {
        if (i == kWidgetCount && !withWidgetCount)
            continue;
        kColumns[i].get(city, value);
        ColumnTable::BindValue(stmt, index++, kColumns[i].kind, value);
    }
}

// The current-location city is told apart by its id suffix; the record
// itself is corrected so that callers see the id that was stored.
void AppendCurrentCitySuffix(City& city)
{
    if (city.GetLocationId().find(kCurrentCitySuffix) == std::string::npos)
        city.SetLocationId(city.GetLocationId() + kCurrentCitySuffix);
}

} // namespace

DEFINE_SINGLETON(CityDBController)

ColumnSpan<City> CityDBController::Columns()
{
    return {kColumns, std::size(kColumns)};
}

bool CityDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    if (!mQueryGenerator)
        return false;
    mInsertQuery = mQueryGenerator->MakeInsertQuery(kTableName, kColumnNames, ColumnTable::Placeholders(kColumnCount));
    std::string assignments = ColumnTable::Assignments(kColumns, 0, kWidgetCount) + "," +
                              ColumnTable::Assignments(kColumns, kWidgetCount + 1);
    mUpdateQuery =
        mQueryGenerator->MakeUpdateQuery(kTableName, assignments, mQueryGenerator->MakeWhereClause("PK_ID = ?;"));
    return true;
}

void CityDBController::CreateTable()
{
    ColumnTable::CreateTable(kCreateTable, kTableName);
}

void CityDBController::Insert(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr);
    do {
        BREAK_IF(cityPtr->GetIsCurrentLocation() == false);
        AppendCurrentCitySuffix(*cityPtr);
    } while (0);

    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(mInsertQuery);
    BindCityValues(stmt, *cityPtr, true);
    stmt.Step();
}

void CityDBController::Update(const CityPtr& cityPtr, int primaryKey)
{
    RETURN_IF(!cityPtr);
    do {
        BREAK_IF(cityPtr->GetIsCurrentLocation() == false);
        AppendCurrentCitySuffix(*cityPtr);
    } while (0);

    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(mUpdateQuery);
    BindCityValues(stmt, *cityPtr, false);
    stmt.BindInt(17, primaryKey);
    stmt.Step();
}

void CityDBController::UpdateWidgetReferenceCount(const std::string& locationID, int count)
{
    std::string query = mQueryGenerator->MakeUpdateQuery(kTableName, "widgetReferenceCount = ?",
                                                         mQueryGenerator->MakeWhereClause("locationId = ?;"));
    LOGE("query : %s [%d]", query.c_str(), count);
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(query);
    stmt.BindInt(1, count);
    stmt.BindText(2, locationID);
    stmt.Step();
}

void CityDBController::UpdateMobileLink(const CityPtr& cityPtr, int primaryKey)
{
    RETURN_IF(!cityPtr);
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(
        mQueryGenerator->MakeUpdateQuery(kTableName, "websiteUrl = ?", mQueryGenerator->MakeWhereClause("PK_ID = ?;")));
    stmt.BindText(1, cityPtr->GetWebsiteUrl());
    stmt.BindInt(2, primaryKey);
    stmt.Step();
}

void CityDBController::Delete(int primaryKey)
{
    {
        Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(std::string("DELETE FROM ") + kTableName +
                                                                        " WHERE PK_ID=?;");
        stmt.BindInt(1, primaryKey);
        if (stmt.Step() != SQLITE_DONE)
            LOGE("Fail to Delete");
    }
    SetPageIndexAsAscending();
}

void CityDBController::SetPageIndexAsAscending()
{
    DBConnector* dbConnector = DBConnector::GetInstance();
    const std::string updateQuery = std::string("UPDATE ") + kTableName + " SET pageIndex=? WHERE PK_ID=?;";
    Statement stmt =
        dbConnector->DBPrepareStatement(std::string("SELECT PK_ID FROM ") + kTableName + " ORDER BY PK_ID ASC;");
    int pageIndex = 0;
    while (stmt.Step() == SQLITE_ROW) {
        int primaryKey = stmt.ColumnInt(0);
        if (primaryKey < 1) {
            LOGE("Fail to Get PrmaryKey From CityTable : %d", primaryKey);
            break;
        }
        Statement updateStmt = dbConnector->DBPrepareStatement(updateQuery);
        updateStmt.BindInt(1, pageIndex++);
        updateStmt.BindInt(2, primaryKey);
        if (updateStmt.Step() != SQLITE_DONE)
            LOGE("Fail to Delete");
    }
}

void CityDBController::DeleteAll()
{
    ColumnTable::DeleteAllRows(kTableName);
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
        const std::string query = std::string("UPDATE ") + kTableName + " SET pageIndex=? " + "WHERE PK_ID = ?";
        DBConnector* dbConnector = DBConnector::GetInstance();
        for (size_t i = 0; i < reorderPtrVector->size(); i++) {
            Statement stmt = dbConnector->DBPrepareStatement(query);
            stmt.BindInt(1, static_cast<int>(i));
            stmt.BindInt(2, primaryKeys.at(i));
            stmt.Step();
        }
    } catch (const std::out_of_range&) {
        LOGE("exception caught: out of range");
    } catch (const std::exception& e) {
        LOGE("[%s]", e.what());
    }
}

CityPtr CityDBController::SelectWith(const std::string& condition, int primaryKey, const std::string* locationID)
{
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(mQueryGenerator->MakeSelectQuery(
        kTableName, kColumnNames, mQueryGenerator->MakeWhereClause(condition), "", "", ""));
    if (locationID)
        stmt.BindText(1, *locationID);
    else
        stmt.BindInt(1, primaryKey);

    int rc = stmt.Step();
    if (rc != SQLITE_ROW) {
        LOGE("No result : %d", rc);
        return nullptr;
    }
    CityPtr cityPtr = City::Make();
    if (cityPtr)
        ColumnTable::Read(kColumns, 0, stmt, *cityPtr);
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

std::vector<int> CityDBController::GetPrimaryKeysInPageOrder()
{
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(
        mQueryGenerator->MakeSelectQuery(kTableName, "PK_ID", "ORDER BY pageIndex ASC", "", "", ""));
    std::vector<int> keys;
    while (stmt.Step() == SQLITE_ROW)
        keys.push_back(stmt.ColumnInt(0));
    return keys;
}

int CityDBController::GetLastInsertedPrimaryKey()
{
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement("SELECT MAX(PK_ID) FROM CITY_TABLE;");
    int rc = stmt.Step();
    if (rc == SQLITE_ROW)
        return stmt.ColumnInt(0);
    LOGE("No result : %d", rc);
    return 0;
}

int CityDBController::SelectInt(const std::string& columns, const std::string& condition, const int* intArg,
                                const std::string* textArg, int fallback)
{
    std::string clause = condition.empty() ? "" : mQueryGenerator->MakeWhereClause(condition);
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(
        mQueryGenerator->MakeSelectQuery(kTableName, columns, clause, "", "", ""));
    if (intArg)
        stmt.BindInt(1, *intArg);
    if (textArg)
        stmt.BindText(1, *textArg);
    int rc = stmt.Step();
    if (rc == SQLITE_ROW)
        return stmt.ColumnInt(0);
    LOGE("No result : %d", rc);
    return fallback;
}

std::string CityDBController::SelectText(const std::string& columns, const std::string& condition, const int* intArg)
{
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(
        mQueryGenerator->MakeSelectQuery(kTableName, columns, mQueryGenerator->MakeWhereClause(condition), "", "", ""));
    if (intArg)
        stmt.BindInt(1, *intArg);
    int rc = stmt.Step();
    if (rc == SQLITE_ROW)
        return stmt.ColumnText(0);
    LOGE("No result : %d", rc);
    return "";
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
