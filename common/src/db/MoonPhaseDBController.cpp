#include "db/MoonPhaseDBController.h"

#include <sqlite3.h>

#include "db/DBConnector.h"
#include "db/WeatherStatement.h"

using namespace WeatherStatement;

namespace {

constexpr const char* kTableName = "MOON_PHASE_TABLE";

constexpr const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS %q (FK_ID\t\t\t\tINTEGER, moonPhaseIndex\t\tINTEGER, locationID\t\t\tTEXT, "
    "date\t\t\t\tINT64, moonRiseTime\t\tINT64, moonSetTime\t\t\tINT64, phaseText\t\t\tTEXT, age\t\t\t\tINTEGER, "
    "FOREIGN KEY(FK_ID) REFERENCES CITY_TABLE(PK_ID) ON DELETE CASCADE ON UPDATE CASCADE);";

constexpr const char* kInsertColumns = "FK_ID,moonPhaseIndex,locationID,date,moonRiseTime,moonSetTime,phaseText,age";
constexpr const char* kPlaceholders = "?, ?, ?, ?, ?, ?, ?, ?";
constexpr const char* kAssignments =
    "locationID = ?,date = ?,moonRiseTime = ?,moonSetTime = ?,phaseText = ?,age = ?";
constexpr const char* kSelectColumns = "locationID,date,moonRiseTime,moonSetTime,phaseText,age";

void BindValues(sqlite3_stmt* stmt, int first, const MoonPhasePtr& moonPhasePtr)
{
    BindText(stmt, first, moonPhasePtr->GetLocationID());
    BindTime(stmt, first + 1, moonPhasePtr->GetDate());
    BindTime(stmt, first + 2, moonPhasePtr->GetMoonRiseTime());
    BindTime(stmt, first + 3, moonPhasePtr->GetMoonSetTime());
    BindText(stmt, first + 4, moonPhasePtr->GetPhaseText());
    sqlite3_bind_int(stmt, first + 5, moonPhasePtr->GetAge());
}

} // namespace

DEFINE_SINGLETON(MoonPhaseDBController)

bool MoonPhaseDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    return mQueryGenerator != nullptr;
}

void MoonPhaseDBController::CreateTable()
{
    WeatherStatement::CreateTable(kCreateTable, kTableName);
}

void MoonPhaseDBController::Insert(const MoonPhasePtrVectorPtr& moonPhasePtrVector, int primaryKey)
{
    RETURN_IF(!moonPhasePtrVector);
    DBConnector* dbConnector = DBConnector::GetInstance();
    std::string query = mQueryGenerator->MakeInsertQuery(kTableName, kInsertColumns, kPlaceholders);
    // One statement for the whole vector, reset per record: parsing the text
    // again for every row was the bulk of the cost of writing a city.
    sqlite3_stmt* stmt = dbConnector->DBPrepareQuery(query.c_str());
    for (size_t i = 0; i < moonPhasePtrVector->size(); i++) {
        const MoonPhasePtr& moonPhasePtr = (*moonPhasePtrVector)[i];
        if (!moonPhasePtr)
            continue;
        sqlite3_reset(stmt);
        sqlite3_bind_int(stmt, 1, primaryKey);
        sqlite3_bind_int(stmt, 2, static_cast<int>(i));
        BindValues(stmt, 3, moonPhasePtr);
        sqlite3_step(stmt);
    }
    sqlite3_finalize(stmt);
}

void MoonPhaseDBController::Update(const MoonPhasePtrVectorPtr& moonPhasePtrVector, int primaryKey)
{
    RETURN_IF(!moonPhasePtrVector);
    DBConnector* dbConnector = DBConnector::GetInstance();
    std::string query = mQueryGenerator->MakeUpdateQuery(
        kTableName, kAssignments, mQueryGenerator->MakeWhereClause("FK_ID = ? AND moonPhaseIndex = ?;"));
    sqlite3_stmt* stmt = dbConnector->DBPrepareQuery(query.c_str());
    for (size_t i = 0; i < moonPhasePtrVector->size(); i++) {
        const MoonPhasePtr& moonPhasePtr = (*moonPhasePtrVector)[i];
        if (!moonPhasePtr)
            continue;
        sqlite3_reset(stmt);
        BindValues(stmt, 1, moonPhasePtr);
        sqlite3_bind_int(stmt, 7, primaryKey);
        sqlite3_bind_int(stmt, 8, static_cast<int>(i));
        sqlite3_step(stmt);
    }
    sqlite3_finalize(stmt);
}

void MoonPhaseDBController::Delete(int primaryKey)
{
    DeleteRowsOfKey(kTableName, primaryKey);
}

void MoonPhaseDBController::Delete(const std::string& locationID)
{
    std::string query = std::string("DELETE FROM ") + kTableName + " WHERE locationID = ?;";
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    BindText(stmt, 1, locationID);
    if (sqlite3_step(stmt) != SQLITE_DONE)
        LOGE("Fail to Delete");
    sqlite3_finalize(stmt);
}

void MoonPhaseDBController::DeleteAll()
{
    DeleteAllRows(kTableName);
}

MoonPhasePtrVectorPtr MoonPhaseDBController::Select(int primaryKey)
{
    std::string query = mQueryGenerator->MakeSelectQuery(kTableName, kSelectColumns,
                                                         mQueryGenerator->MakeWhereClause("FK_ID = ?"), "", "", "");
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    sqlite3_bind_int(stmt, 1, primaryKey);
    auto moonPhasePtrVector = std::make_shared<MoonPhasePtrVector>();
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        MoonPhasePtr moonPhasePtr = MoonPhase::Make();
        if (!moonPhasePtr)
            continue;
        moonPhasePtr->SetLocationID(ColumnText(stmt, 0));
        moonPhasePtr->SetDate(ColumnTime(stmt, 1));
        moonPhasePtr->SetMoonRiseTime(ColumnTime(stmt, 2));
        moonPhasePtr->SetMoonSetTime(ColumnTime(stmt, 3));
        moonPhasePtr->SetPhaseText(ColumnText(stmt, 4));
        moonPhasePtr->SetAge(sqlite3_column_int(stmt, 5));
        moonPhasePtrVector->push_back(moonPhasePtr);
    }
    sqlite3_finalize(stmt);
    if (moonPhasePtrVector->empty())
        return nullptr;
    return moonPhasePtrVector;
}

std::vector<std::string> MoonPhaseDBController::SelectAllLocationId()
{
    std::string query = mQueryGenerator->MakeSelectQuery(
        kTableName, "locationID", mQueryGenerator->MakeWhereClause("moonPhaseIndex = 0"), "", "", "");
    sqlite3_stmt* stmt = DBConnector::GetInstance()->DBPrepareQuery(query.c_str());
    std::vector<std::string> retStringVector;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        retStringVector.push_back(ColumnText(stmt, 0));
    if (retStringVector.size() < 1)
        LOGE("retStringVector.size() < 1");
    sqlite3_finalize(stmt);
    return retStringVector;
}
