#include "db/MoonPhaseDBController.h"

#include <sqlite3.h>

#include "db/ColumnTable.h"

namespace {

constexpr const char* kTableName = "MOON_PHASE_TABLE";

const Column<MoonPhase> kColumns[] = {
    KEY_COLUMN("FK_ID", "\t\t\t\tINTEGER"),
    KEY_COLUMN("moonPhaseIndex", "\t\tINTEGER"),
    TEXT_COLUMN(MoonPhase, "locationID", "\t\t\tTEXT", LocationID),
    TIME_COLUMN(MoonPhase, "date", "\t\t\t\tINT64", Date),
    TIME_COLUMN(MoonPhase, "moonRiseTime", "\t\tINT64", MoonRiseTime),
    TIME_COLUMN(MoonPhase, "moonSetTime", "\t\t\tINT64", MoonSetTime),
    TEXT_COLUMN(MoonPhase, "phaseText", "\t\t\tTEXT", PhaseText),
    INT_COLUMN(MoonPhase, "age", "\t\t\t\tINTEGER", Age),
};

constexpr const char* kForeignKey =
    "FOREIGN KEY(FK_ID) REFERENCES CITY_TABLE(PK_ID) ON DELETE CASCADE ON UPDATE CASCADE";
constexpr size_t kColumnCount = sizeof(kColumns) / sizeof(kColumns[0]);

} // namespace

DEFINE_SINGLETON(MoonPhaseDBController)

bool MoonPhaseDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    if (!mQueryGenerator)
        return false;
    mInsertQuery = mQueryGenerator->MakeInsertQuery(kTableName, ColumnTable::Names(kColumns, 0),
                                                    ColumnTable::Placeholders(kColumnCount));
    mUpdateQuery =
        mQueryGenerator->MakeUpdateQuery(kTableName, ColumnTable::Assignments(kColumns, 2),
                                         mQueryGenerator->MakeWhereClause("FK_ID = ? AND moonPhaseIndex = ?;"));
    mSelectQuery = mQueryGenerator->MakeSelectQuery(kTableName, ColumnTable::Names(kColumns, 2),
                                                    mQueryGenerator->MakeWhereClause("FK_ID = ?"), "", "", "");
    return true;
}

std::string MoonPhaseDBController::GetCreateTableText()
{
    return ColumnTable::CreateText(kColumns, kForeignKey);
}

void MoonPhaseDBController::CreateTable()
{
    WeatherStatement::CreateTable(GetCreateTableText().c_str(), kTableName);
}

void MoonPhaseDBController::Insert(const MoonPhasePtrVectorPtr& moonPhasePtrVector, int primaryKey)
{
    RETURN_IF(!moonPhasePtrVector);
    ColumnTable::InsertRows(kColumns, mInsertQuery, *moonPhasePtrVector, primaryKey);
}

void MoonPhaseDBController::Update(const MoonPhasePtrVectorPtr& moonPhasePtrVector, int primaryKey)
{
    RETURN_IF(!moonPhasePtrVector);
    ColumnTable::UpdateRows(kColumns, mUpdateQuery, *moonPhasePtrVector, primaryKey);
}

void MoonPhaseDBController::Delete(int primaryKey)
{
    if (!WeatherStatement::DeleteRowsOfKey(kTableName, primaryKey))
        LOGE("Fail to Delete");
}

void MoonPhaseDBController::DeleteAll()
{
    WeatherStatement::DeleteAllRows(kTableName);
}

MoonPhasePtrVectorPtr MoonPhaseDBController::Select(int primaryKey)
{
    return ColumnTable::SelectRows(kColumns, mSelectQuery, primaryKey);
}

void MoonPhaseDBController::Delete(const std::string& locationID)
{
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(std::string("DELETE FROM ") + kTableName +
                                                                    " WHERE locationID = ?;");
    stmt.BindText(1, locationID);
    if (stmt.Step() != SQLITE_DONE)
        LOGE("Fail to Delete");
}

std::vector<std::string> MoonPhaseDBController::SelectAllLocationId()
{
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(mQueryGenerator->MakeSelectQuery(
        kTableName, "locationID", mQueryGenerator->MakeWhereClause("moonPhaseIndex = 0"), "", "", ""));
    std::vector<std::string> retStringVector;
    while (stmt.Step() == SQLITE_ROW)
        retStringVector.push_back(stmt.ColumnText(0));
    if (retStringVector.size() < 1)
        LOGE("retStringVector.size() < 1");
    return retStringVector;
}
