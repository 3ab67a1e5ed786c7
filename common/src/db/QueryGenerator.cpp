#include "db/QueryGenerator.h"

#include <glib.h>

#include <initializer_list>
#include <string_view>

// Plain appends, no stream: a stream's first use builds the C++ locale,
// which costs a started service more than all its query texts.
namespace {

void AppendOptional(std::string& out, const std::string& piece)
{
    if (!piece.empty()) {
        out += ' ';
        out += piece;
    }
}

// Each piece appended in order into one string sized for all of them.
std::string Join(std::initializer_list<std::string_view> pieces)
{
    size_t size = 0;
    for (std::string_view piece : pieces)
        size += piece.size();
    std::string out;
    out.reserve(size + 16);
    for (std::string_view piece : pieces)
        out.append(piece.data(), piece.size());
    return out;
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
    std::string out = Join({"SELECT ", columns, " FROM ", table});
    AppendOptional(out, clause1);
    AppendOptional(out, clause2);
    AppendOptional(out, clause3);
    AppendOptional(out, clause4);
    return out;
}

std::string QueryGenernator::MakeWhereClause(const std::string& condition) const
{
    return Join({"WHERE ", condition});
}

std::string QueryGenernator::MakeInsertQuery(const std::string& table, const std::string& columns,
                                             const std::string& values) const
{
    return Join({"INSERT INTO ", table, " (", columns, ") VALUES ( ", values, ")"});
}

std::string QueryGenernator::MakeInsertOrReplaceQuery(const std::string& table, const std::string& columns,
                                                      const std::string& values) const
{
    return Join({"INSERT OR REPLACE INTO ", table, " (", columns, ") VALUES ( ", values, ")"});
}

std::string QueryGenernator::MakeUpdateQuery(const std::string& table, const std::string& assignments,
                                             const std::string& clause) const
{
    std::string out = Join({"UPDATE ", table, " SET ", assignments});
    AppendOptional(out, clause);
    return out;
}

std::string QueryGenernator::MakeDeleteQuery(const std::string& table, const std::string& clause) const
{
    std::string out = Join({"DELETE FROM ", table});
    AppendOptional(out, clause);
    return out;
}

std::string QueryGenernator::MakeLeftOuterJoinQuery(const std::string& leftQuery, const std::string& rightQuery,
                                                    const std::string& columns, const std::string& leftKey,
                                                    const std::string& rightKey, const std::string& clause) const
{
    std::string out = Join({"SELECT ", columns, " FROM (", leftQuery, ") leftTable LEFT OUTER JOIN (", rightQuery,
                            ") rightTable ON leftTable.", leftKey, "=rightTable.", rightKey});
    AppendOptional(out, clause);
    return out;
}

std::string QueryGenernator::MakeOrderByClause(const std::string& column, bool ascending) const
{
    return Join({"ORDER BY ", column, ascending ? " ASC" : " DESC"});
}

std::string QueryGenernator::MakeGroupByClause(const std::string& expression) const
{
    return Join({"GROUP BY ", expression});
}

std::string QueryGenernator::MakeLimitClause(int count) const
{
    return Join({"LIMIT ", std::to_string(count)});
}

std::string QueryGenernator::MakeLimitClause(const std::string& count) const
{
    return Join({"LIMIT ", count});
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
    AddCondition(Join({column, op, "'", std::to_string(value), "'"}));
}

void QueryGenernator::AddCondition(const std::string& column, const std::string& op, int64_t value)
{
    AddCondition(Join({column, op, "'", std::to_string(value), "'"}));
}

void QueryGenernator::AddCondition(const std::string& column, const std::string& op, double value)
{
    // A stream's default: six significant digits, a point whatever the locale.
    char text[G_ASCII_DTOSTR_BUF_SIZE];
    g_ascii_formatd(text, sizeof text, "%g", value);
    AddCondition(Join({column, op, "'", text, "'"}));
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
