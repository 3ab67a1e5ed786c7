#ifndef WEATHER_COMMON_QUERY_GENERATOR_H
#define WEATHER_COMMON_QUERY_GENERATOR_H

#include <cstdint>
#include <string>

#include "utils/Pattern.h"
#include "utils/Ref.h"

// Joins SQL pieces with fixed keywords and spacing. Callers bring their own
// spaces, semicolons and "?" placeholders; nothing is quoted or checked.
class QueryGenernator : public Ref {
public:
    DECLARE_MAKE_NAMED(QueryGenernator, "QueryGenerator.h")

    bool Init() override;
    ~QueryGenernator() override = default;

    std::string MakeSelectQuery(const std::string& table, const std::string& columns, const std::string& clause1,
                                const std::string& clause2, const std::string& clause3,
                                const std::string& clause4) const;
    std::string MakeWhereClause(const std::string& condition) const;
    std::string MakeInsertQuery(const std::string& table, const std::string& columns, const std::string& values) const;
    std::string MakeInsertOrReplaceQuery(const std::string& table, const std::string& columns,
                                         const std::string& values) const;
    std::string MakeUpdateQuery(const std::string& table, const std::string& assignments,
                                const std::string& clause) const;
    std::string MakeDeleteQuery(const std::string& table, const std::string& clause) const;
    std::string MakeLeftOuterJoinQuery(const std::string& leftQuery, const std::string& rightQuery,
                                       const std::string& columns, const std::string& leftKey,
                                       const std::string& rightKey, const std::string& clause) const;
    std::string MakeOrderByClause(const std::string& column, bool ascending) const;
    std::string MakeGroupByClause(const std::string& expression) const;
    std::string MakeLimitClause(int count) const;
    std::string MakeLimitClause(const std::string& count) const;

    void ResetCondition(int conditionType);
    void AddCondition(const std::string& condition);
    void AddCondition(const std::string& column, const std::string& op, int value);
    void AddCondition(const std::string& column, const std::string& op, int64_t value);
    void AddCondition(const std::string& column, const std::string& op, double value);
    void AddCondition(const std::string& column, const std::string& op, const std::string& value);
    // A nested query as the value, written between parentheses.
    struct NestedQuery {
        std::string text;
    };
    void AddCondition(const std::string& column, const std::string& op, const NestedQuery& query);
    std::string GetCondition() const;

    void AddColumn(const std::string& column);
    void AddFunctionColumn(const std::string& functionName, const std::string& column);
    std::string GetColumns() const;

private:
    QueryGenernator() = default;

    int mConditionType = 0;
    std::string mCondition;
    std::string mColumns;
};

#endif
