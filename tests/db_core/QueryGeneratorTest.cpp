#include <gtest/gtest.h>

#include "db/QueryGenerator.h"

TEST(QueryGenerator, BuildersJoinPiecesWithFixedSpacing)
{
    auto query = QueryGenernator::Make();
    ASSERT_TRUE(query);
    EXPECT_EQ(query->MakeSelectQuery("VERSION_TABLE", "dbVersion", "", "", "", ""),
              "SELECT dbVersion FROM VERSION_TABLE");
    // An empty clause in the middle leaves no double space.
    EXPECT_EQ(query->MakeSelectQuery("T", "a, b", "", "WHERE a = ?", "", "LIMIT 1;"),
              "SELECT a, b FROM T WHERE a = ? LIMIT 1;");
    EXPECT_EQ(query->MakeInsertQuery("VERSION_TABLE", "dbVersion", "?"),
              "INSERT INTO VERSION_TABLE (dbVersion) VALUES ( ?)");
    EXPECT_EQ(query->MakeInsertQuery("T", "", ""), "INSERT INTO T () VALUES ( )");
    EXPECT_EQ(query->MakeInsertOrReplaceQuery("T", "a", "?"), "INSERT OR REPLACE INTO T (a) VALUES ( ?)");
    EXPECT_EQ(query->MakeUpdateQuery("VERSION_TABLE", "dbVersion = ?", ""), "UPDATE VERSION_TABLE SET dbVersion = ?");
    EXPECT_EQ(query->MakeUpdateQuery("T", "a = ?", query->MakeWhereClause("FK_ID = ?;")),
              "UPDATE T SET a = ? WHERE FK_ID = ?;");
    EXPECT_EQ(query->MakeDeleteQuery("T", ""), "DELETE FROM T");
    EXPECT_EQ(query->MakeDeleteQuery("T", " WHERE FK_ID=?;"), "DELETE FROM T  WHERE FK_ID=?;");
    EXPECT_EQ(query->MakeLeftOuterJoinQuery("SELECT * FROM A", "SELECT * FROM B", "x", "id", "fk", ""),
              "SELECT x FROM (SELECT * FROM A) leftTable LEFT OUTER JOIN (SELECT * FROM B) rightTable "
              "ON leftTable.id=rightTable.fk");
    EXPECT_EQ(query->MakeOrderByClause("t", false), "ORDER BY t DESC");
    EXPECT_EQ(query->MakeGroupByClause("g"), "GROUP BY g");
    EXPECT_EQ(query->MakeLimitClause(3), "LIMIT 3");
    EXPECT_EQ(query->MakeLimitClause("?"), "LIMIT ?");
}

TEST(QueryGenerator, AccumulatesConditionsAndColumns)
{
    auto query = QueryGenernator::Make();
    ASSERT_TRUE(query);
    query->ResetCondition(1);
    query->AddCondition("a = 1");
    EXPECT_EQ(query->GetCondition(), "a = 1");
    query->AddCondition("b", "=", 2.5);
    query->AddCondition("c", " <> ", std::string("x"));
    query->AddCondition("d", " IN ", QueryGenernator::NestedQuery{"SELECT 1"});
    EXPECT_EQ(query->GetCondition(), "a = 1 and b='2.5' and c <> 'x' and d IN (SELECT 1)");
    query->ResetCondition(0);
    query->AddCondition("e", "=", 7);
    query->AddCondition("f", "=", int64_t{8});
    EXPECT_EQ(query->GetCondition(), "e='7' or f='8'");

    query->AddColumn("a");
    query->AddFunctionColumn("MAX", "PK_ID");
    EXPECT_EQ(query->GetColumns(), "a, MAX(PK_ID)");
}
