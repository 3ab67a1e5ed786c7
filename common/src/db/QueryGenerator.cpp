#include "db/QueryGenerator.h"

#include <sstream>

namespace {

void AppendOptional(std::ostringstream& out, const std::string& piece)
{
    if (!piece.empty())
        out << " " << piece;
}

} // namespace

bool QueryGenernator::Init()
{
    Ref::Init();
    mConditionType = 0;
    mCondition.clear();
    mColumns.clear();
    return true;
}

std::string QueryGenernator::MakeSelectQuery(const std::string& table, const std::string& columns,
                                             const std::string& clause1, const std::string& clause2,
                                             const std::string& clause3, const std::string& clause4) const
{
    std::ostringstream out;
    out << "SELECT"
        << " " << columns << " FROM " << table;
    AppendOptional(out, clause1);
    AppendOptional(out, clause2);
    AppendOptional(out, clause3);
    AppendOptional(out, clause4);
    return out.str();
}

std::string QueryGenernator::MakeWhereClause(const std::string& condition) const
{
    std::ostringstream out;
    out << "WHERE"
        << " " << condition;
    return out.str();
}

std::string QueryGenernator::MakeInsertQuery(const std::string& table, const std::string& columns,
                                             const std::string& values) const
{
    std::ostringstream out;
    out << "INSERT INTO"
        << " " << table << " (" << columns << ") "
        << "VALUES"
        << " ( " << values << ")";
    return out.str();
}

std::string QueryGenernator::MakeInsertOrReplaceQuery(const std::string& table, const std::string& columns,
                                                      const std::string& values) const
{
    std::ostringstream out;
    out << "INSERT OR REPLACE INTO"
        << " " << table << " (" << columns << ") "
        << "VALUES"
        << " ( " << values << ")";
    return out.str();
}

std::string QueryGenernator::MakeUpdateQuery(const std::string& table, const std::string& assignments,
                                             const std::string& clause) const
{
    std::ostringstream out;
    out << "UPDATE"
        << " " << table << " "
        << "SET"
        << " " << assignments;
    AppendOptional(out, clause);
    return out.str();
}

std::string QueryGenernator::MakeDeleteQuery(const std::string& table, const std::string& clause) const
{
    std::ostringstream out;
    out << "DELETE FROM"
        << " " << table;
    AppendOptional(out, clause);
    return out.str();
}

std::string QueryGenernator::MakeLeftOuterJoinQuery(const std::string& leftQuery, const std::string& rightQuery,
                                                    const std::string& columns, const std::string& leftKey,
                                                    const std::string& rightKey, const std::string& clause) const
{
    std::ostringstream out;
    out << "SELECT"
        << " " << columns << " FROM (" << leftQuery << ")"
        << " leftTable "
        << "LEFT OUTER JOIN"
        << " (" << rightQuery << ") rightTable"
        << " ON leftTable." << leftKey << "="
        << "rightTable." << rightKey;
    AppendOptional(out, clause);
    return out.str();
}

std::string QueryGenernator::MakeOrderByClause(const std::string& column, bool ascending) const
{
    std::ostringstream out;
    out << "ORDER BY"
        << " " << column << " " << (ascending ? "ASC" : "DESC");
    return out.str();
}

std::string QueryGenernator::MakeGroupByClause(const std::string& expression) const
{
    std::ostringstream out;
    out << "GROUP BY"
        << " " << expression;
    return out.str();
}

std::string QueryGenernator::MakeLimitClause(int count) const
{
    std::ostringstream out;
    out << "LIMIT"
        << " " << count;
    return out.str();
}

std::string QueryGenernator::MakeLimitClause(const std::string& count) const
{
    std::ostringstream out;
    out << "LIMIT"
        << " " << count;
    return out.str();
}

void QueryGenernator::ResetCondition(int conditionType)
{
    mConditionType = conditionType;
    mCondition.clear();
}

void QueryGenernator::AddCondition(const std::string& condition)
{
    if (mCondition.empty()) {
        mCondition = condition;
        return;
    }
    mCondition += std::string(" ") + (mConditionType == 1 ? "and" : "or") + " " + condition;
}

void QueryGenernator::AddCondition(const std::string& column, const std::string& op, int value)
{
    std::ostringstream out;
    out << column << op << "'" << value << "'";
    AddCondition(out.str());
}

void QueryGenernator::AddCondition(const std::string& column, const std::string& op, int64_t value)
{
    std::ostringstream out;
    out << column << op << "'" << value << "'";
    AddCondition(out.str());
}

void QueryGenernator::AddCondition(const std::string& column, const std::string& op, double value)
{
    std::ostringstream out;
    out << column << op << "'" << value << "'";
    AddCondition(out.str());
}

void QueryGenernator::AddCondition(const std::string& column, const std::string& op, const std::string& value)
{
    AddCondition(column + op + "'" + value + "'");
}

void QueryGenernator::AddCondition(const std::string& column, const std::string& op, const NestedQuery& query)
{
    AddCondition(column + op + "(" + query.text + ")");
}

std::string QueryGenernator::GetCondition() const
{
    return mCondition;
}

void QueryGenernator::AddColumn(const std::string& column)
{
    if (mColumns.empty()) {
        mColumns = column;
        return;
    }
    mColumns += ", " + column;
}

void QueryGenernator::AddFunctionColumn(const std::string& functionName, const std::string& column)
{
    AddColumn(functionName + "(" + column + ")");
}

std::string QueryGenernator::GetColumns() const
{
    return mColumns;
}
