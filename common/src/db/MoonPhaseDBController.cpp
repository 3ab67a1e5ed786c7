#include "db/MoonPhaseDBController.h"

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

CityRecordsTable<MoonPhase> sTable(kTableName, kColumns);

} // namespace

DEFINE_SINGLETON(MoonPhaseDBController)

ColumnSpan<MoonPhase> MoonPhaseDBController::Columns()
{
    return {kColumns, std::size(kColumns)};
}

bool MoonPhaseDBController::Init()
{
    mQueryGenerator = QueryGenernator::Make();
    if (!mQueryGenerator)
        return false;
    sTable.MakeQueries(*mQueryGenerator);
    return true;
}

std::string MoonPhaseDBController::GetCreateTableText()
{
    return sTable.CreateText();
}

void MoonPhaseDBController::CreateTable()
{
    sTable.CreateTable();
}

void MoonPhaseDBController::Insert(const MoonPhasePtrVectorPtr& moonPhasePtrVector, int primaryKey)
{
    RETURN_IF(!moonPhasePtrVector);
    sTable.Insert(*moonPhasePtrVector, primaryKey);
}

void MoonPhaseDBController::Update(const MoonPhasePtrVectorPtr& moonPhasePtrVector, int primaryKey)
{
    RETURN_IF(!moonPhasePtrVector);
    sTable.Update(*moonPhasePtrVector, primaryKey);
}

void MoonPhaseDBController::Delete(int primaryKey)
{
    sTable.Delete(primaryKey);
}

void MoonPhaseDBController::DeleteAll()
{
    sTable.DeleteAll();
}

MoonPhasePtrVectorPtr MoonPhaseDBController::Select(int primaryKey)
{
    return sTable.Select(primaryKey);
}

void MoonPhaseDBController::SelectAll(const std::function<void(int primaryKey, MoonPhasePtr record)>& each)
{
    sTable.SelectAll(each);
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
