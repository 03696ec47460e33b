// Append, delete and update builders.
#include <gtest/gtest.h>

#include "query/qb_append.h"
#include "query/qb_delete.h"
#include "query/qb_update.h"
#include "query_test_rows.h"

namespace tarvex::query::test {
namespace {

class AppendBuilder : public ::testing::TestWithParam<BuilderCase> {};
TEST_P(AppendBuilder, BuildsText) {
  EXPECT_EQ(BuildWith<CQBAppend>(GetParam().rows), GetParam().expected);
}

const BuilderCase kAppendCases[] = {
    {"ExampleWithOutputName",
     {{.attribute = u"1", .name1 = u"Archive"},
      {.attribute = u"5", .name1 = u"Orders", .name2 = u"O"},
      {.attribute = u"6", .name2 = u"ID", .expression = u"O.ID"},
      {.attribute = u"6", .name1 = u"Expr1", .name2 = u"Stamp", .expression = u"Now()"}},
     u"INSERT INTO Archive ( [ID], [Stamp] )\nSELECT O.ID, Now() AS [Expr1]\nFROM [Orders] AS O"},
    // Access keeps INSERT … VALUES as column rows flagged 0x8000 and no table.
    {"Values",
     {{.attribute = u"1", .name1 = u"T"},
      {.attribute = u"6", .name2 = u"a", .expression = u"'x'", .flag = u"-32768"},
      {.attribute = u"6", .name2 = u"b", .expression = u"2", .flag = u"-32768"}},
     u"INSERT INTO T ( [a], [b] )\nVALUES ('x', 2)"},
    {"ValuesFlagWithATableIsASelect",
     {{.attribute = u"1", .name1 = u"T"},
      {.attribute = u"5", .name1 = u"S"},
      {.attribute = u"6", .name2 = u"a", .expression = u"S.a", .flag = u"-32768"}},
     u"INSERT INTO T ( [a] )\nSELECT S.a\nFROM [S]"},
    {"NoColumnsNoStar",
     {{.attribute = u"1", .name1 = u"T"}, {.attribute = u"5", .name1 = u"S"}},
     u"INSERT INTO T (  )\nSELECT \nFROM [S]"},
    {"TargetWithBlankAndLastTargetWins",
     {{.attribute = u"1", .name1 = u"First"},
      {.attribute = u"1", .name1 = u"Old Orders"},
      {.attribute = u"3", .flag = u"8"},
      {.attribute = u"6", .name2 = u"a", .expression = u"a"},
      {.attribute = u"5", .name1 = u"S"},
      {.attribute = u"8", .expression = u"a>1"},
      {.attribute = u"9", .expression = u"a"},
      {.attribute = u"10", .expression = u"Count(*)>1"},
      {.attribute = u"11", .expression = u"a"}},
     u"INSERT INTO [Old Orders] ( [a] )\nSELECT DISTINCTROW a\nFROM [S]\nWHERE a>1\nGROUP BY "
     u"a\nHAVING Count(*)>1\nORDER BY a"},
    // The target table is also an input table that takes part in no join.
    {"UnjoinedInputTableKept",
     {{.attribute = u"1", .name1 = u"Table3"},
      {.attribute = u"5", .name1 = u"Table3"},
      {.attribute = u"5", .name1 = u"Table1"},
      {.attribute = u"5", .name1 = u"Table2"},
      {.attribute = u"6", .name2 = u"col2", .expression = u"[Table1].[col2]"},
      {.attribute = u"7",
       .name1 = u"Table1",
       .name2 = u"Table2",
       .expression = u"[Table1].[col1]=[Table2].[col1]",
       .flag = u"1"}},
     u"INSERT INTO Table3 ( [col2] )\nSELECT [Table1].[col2]\n"
     u"FROM [Table3], (Table1) INNER JOIN (Table2) ON ([Table1].[col1]=[Table2].[col1])"},
};
INSTANTIATE_TEST_SUITE_P(Cases, AppendBuilder, ::testing::ValuesIn(kAppendCases),
                         [](const auto& info) { return std::string(info.param.name); });

class DeleteBuilder : public ::testing::TestWithParam<BuilderCase> {};
TEST_P(DeleteBuilder, BuildsText) {
  EXPECT_EQ(BuildWith<CQBDelete>(GetParam().rows), GetParam().expected);
}

const BuilderCase kDeleteCases[] = {
    {"ColumnsAliasWhereAndHaving",
     {{.attribute = u"5", .name1 = u"Old Orders", .name2 = u"O"},
      {.attribute = u"6", .expression = u"O.*"},
      {.attribute = u"6", .expression = u"O.ID"},
      {.attribute = u"8", .expression = u"O.ID>5"},
      {.attribute = u"10", .expression = u"h"}},
     u"DELETE O.*, O.ID\nFROM [Old Orders] AS O\nWHERE O.ID>5\nHAVING h"},
    {"JoinedTablesAndNoOtherClauses",
     {{.attribute = u"5", .name1 = u"A"},
      {.attribute = u"5", .name1 = u"B"},
      {.attribute = u"3", .flag = u"2"},
      {.attribute = u"7", .name1 = u"A", .name2 = u"B", .expression = u"j", .flag = u"1"},
      {.attribute = u"9", .expression = u"g"},
      {.attribute = u"11", .expression = u"o"}},
     u"DELETE FROM (A) INNER JOIN (B) ON (j)"},
    {"NoRows", {}, u"DELETE FROM "},
};
INSTANTIATE_TEST_SUITE_P(Cases, DeleteBuilder, ::testing::ValuesIn(kDeleteCases),
                         [](const auto& info) { return std::string(info.param.name); });

class UpdateBuilder : public ::testing::TestWithParam<BuilderCase> {};
TEST_P(UpdateBuilder, BuildsText) {
  EXPECT_EQ(BuildWith<CQBUpdate>(GetParam().rows), GetParam().expected);
}

const BuilderCase kUpdateCases[] = {
    {"TwoAssignments",
     {{.attribute = u"5", .name1 = u"t"},
      {.attribute = u"6", .name2 = u"t.a", .expression = u"1"},
      {.attribute = u"6", .name2 = u"t.b", .expression = u"2"},
      {.attribute = u"8", .expression = u"t.c>0"},
      {.attribute = u"10", .expression = u"h"},
      {.attribute = u"9", .expression = u"never"},
      {.attribute = u"11", .expression = u"never"}},
     u"UPDATE [t]\nSET t.a = 1, t.b = 2\nWHERE t.c>0\nHAVING h"},
    {"TargetFieldBracketing",
     {{.attribute = u"5", .name1 = u"T"},
      {.attribute = u"6", .name2 = u"Order Info.Qty", .expression = u"1"},
      {.attribute = u"6", .name2 = u"[My T].f", .expression = u"2"},
      {.attribute = u"6", .name2 = u"T.f", .expression = u"3"},
      {.attribute = u"6", .name2 = u" Lead.f", .expression = u"4"},
      {.attribute = u"6", .name2 = u"T.Unit Price", .expression = u"5"}},
     u"UPDATE [T]\nSET [Order Info].Qty = 1, [My T].f = 2, T.f = 3,  Lead.f = 4, T.Unit Price = 5"},
    {"Joins",
     {{.attribute = u"5", .name1 = u"A"},
      {.attribute = u"5", .name1 = u"B", .name2 = u"BB"},
      {.attribute = u"7", .name1 = u"A", .name2 = u"BB", .expression = u"A.k=BB.k", .flag = u"2"},
      {.attribute = u"6", .name2 = u"A.x", .expression = u"BB.y"}},
     u"UPDATE (A) LEFT JOIN (B AS BB) ON (A.k=BB.k)\nSET A.x = BB.y"},
    // Tables that take part in no join keep their aliases, which the SET and
    // WHERE refer to.
    {"UnjoinedAliases",
     {{.attribute = u"5", .name1 = u"OnlineOrder", .name2 = u"O"},
      {.attribute = u"5", .name1 = u"DeliveryBoy", .name2 = u"D"},
      {.attribute = u"6", .name2 = u"DeliveryBoyID", .expression = u"D.ID"},
      {.attribute = u"8", .expression = u"O.zipCode = D.zipCode"}},
     u"UPDATE [OnlineOrder] AS O, [DeliveryBoy] AS D\nSET DeliveryBoyID = D.ID\n"
     u"WHERE O.zipCode = D.zipCode"},
    // Every input table stays in the UPDATE clause, not only the last one.
    {"SeveralTablesWithoutJoin",
     {{.attribute = u"5", .name1 = u"Agenti"}, {.attribute = u"5", .name1 = u"Produse"}},
     u"UPDATE [Agenti], [Produse]\nSET"},
};
INSTANTIATE_TEST_SUITE_P(Cases, UpdateBuilder, ::testing::ValuesIn(kUpdateCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarvex::query::test
