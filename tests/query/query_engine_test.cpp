#include "query/query_engine.h"

#include <gtest/gtest.h>

#include <typeinfo>

#include "query/qb_append.h"
#include "query/qb_crosstab.h"
#include "query/qb_delete.h"
#include "query/qb_make_table.h"
#include "query/qb_select.h"
#include "query/qb_stored_text.h"
#include "query/qb_union.h"
#include "query/qb_update.h"
#include "query/query_text.h"
#include "query/recovered_queries.h"
#include "query_test_rows.h"

namespace tarvex::query::test {
namespace {

// The objectId of every row of each query, in list order.
std::vector<std::vector<std::u16string>> Grouping(const QueryList& queries) {
  std::vector<std::vector<std::u16string>> groups;
  for (const CQuery* query = queries.head(); query; query = query->next) {
    groups.emplace_back();
    for (const CQueryAttributes* row = query->GetRows().head(); row; row = row->next) {
      groups.back().push_back(row->objectId + u":" + row->name1);
    }
  }
  return groups;
}

void AddEntry(QueryCatalogue& catalogue, std::u16string name, std::u16string id,
              std::u16string flags) {
  auto* entry = new model::CQuerySysObject();
  entry->name = std::move(name);
  entry->id = std::move(id);
  entry->flags = std::move(flags);
  catalogue.Append(entry);
}

TEST(QueryEngine, GroupsRowsByObjectIdInOrderOfFirstRows) {
  QueryRowList rows;
  AppendRows(rows, {{.name1 = u"a1", .objectId = u"7"},
                    {.name1 = u"b1", .objectId = u"-3"},
                    {.name1 = u"a2", .objectId = u"7"},
                    {.name1 = u"c1", .objectId = u" 7"},
                    {.name1 = u"e1", .objectId = u""},
                    {.name1 = u"b2", .objectId = u"-3"},
                    {.name1 = u"a3", .objectId = u"7"}});
  QueryList queries;
  CQueryEngine().GroupRows(queries, rows);
  EXPECT_TRUE(rows.empty());
  EXPECT_EQ(rows.head(), nullptr);
  using G = std::vector<std::u16string>;
  EXPECT_EQ(Grouping(queries), (std::vector<G>{G{u"7:a1", u"7:a2", u"7:a3"}, G{u"-3:b1", u"-3:b2"},
                                               G{u" 7:c1"}, G{u":e1"}}));
  EXPECT_EQ(queries.count(), 4);
  EXPECT_EQ(queries.head()->GetRows().count(), 3);
}

TEST(QueryEngine, NoRowsNoQueries) {
  QueryRowList rows;
  QueryList queries;
  CQueryEngine().GroupRows(queries, rows);
  EXPECT_TRUE(queries.empty());
}

TEST(QueryEngine, AttachesCatalogueLaterEntryWins) {
  QueryRowList rows;
  AppendRows(rows, {{.objectId = u"1"}, {.objectId = u"2"}, {.objectId = u"3"}});
  QueryList queries;
  const CQueryEngine engine;
  engine.GroupRows(queries, rows);
  QueryCatalogue catalogue;
  AddEntry(catalogue, u"First", u"1", u"0");
  AddEntry(catalogue, u"Orphan", u"99", u"48");
  AddEntry(catalogue, u"Two", u"2", u"32");
  AddEntry(catalogue, u"Again", u"1", u"128");
  engine.AttachCatalogue(queries, catalogue);
  const CQuery* q1 = queries.head();
  const CQuery* q2 = q1->next;
  const CQuery* q3 = q2->next;
  EXPECT_EQ(q1->GetName(), u"Again");
  EXPECT_EQ(q1->GetTypeText(), u"128");
  EXPECT_EQ(q2->GetName(), u"Two");
  EXPECT_EQ(q2->GetTypeText(), u"32");
  EXPECT_EQ(q3->GetName(), u"");
  EXPECT_EQ(q3->GetTypeText(), u"");
}

struct KindCase {
  std::u16string flags;
  const std::type_info* builder;  // null: no builder
  std::u16string kindText;
};

class BuilderChoice : public ::testing::TestWithParam<KindCase> {};

TEST_P(BuilderChoice, PicksBuilderAndKindText) {
  std::unique_ptr<CQB> builder = CQueryEngine().CreateBuilder(GetParam().flags);
  if (GetParam().builder) {
    ASSERT_NE(builder, nullptr);
    EXPECT_EQ(typeid(*builder), *GetParam().builder);
  } else {
    EXPECT_EQ(builder, nullptr);
  }
  EXPECT_EQ(QueryKindText(GetParam().flags), GetParam().kindText);
}

// Beside the kind, real catalogues carry attribute bits in Flags: 3 marks the
// hidden "~sq_" queries behind forms and reports, and 8, 262144, 262147,
// 134217731 and 268435456 all occur on select queries.
INSTANTIATE_TEST_SUITE_P(
    Kinds, BuilderChoice,
    ::testing::Values(KindCase{u"", &typeid(CQBSelect), u"Select"},
                      KindCase{u"0", &typeid(CQBSelect), u"Select"},
                      KindCase{u"8", &typeid(CQBSelect), u"Select"},
                      KindCase{u"3", &typeid(CQBSelect), u"Select"},
                      KindCase{u"262147", &typeid(CQBSelect), u"Select"},
                      KindCase{u"134217731", &typeid(CQBSelect), u"Select"},
                      KindCase{u"268435456", &typeid(CQBSelect), u"Select"},
                      KindCase{u"16", &typeid(CQBCrosstab), u"Crosstab"},
                      KindCase{u"32", &typeid(CQBDelete), u"Delete"},
                      KindCase{u"48", &typeid(CQBUpdate), u"Update"},
                      KindCase{u"64", &typeid(CQBAppend), u"Append"},
                      KindCase{u"128", &typeid(CQBUnion), u"Union"},
                      KindCase{u" +72", &typeid(CQBAppend), u"Append"},
                      KindCase{u"80", &typeid(CQBMakeTable), u"Make-Table"},
                      KindCase{u"96", &typeid(CQBStoredText), u"DDL"},
                      KindCase{u"112", &typeid(CQBStoredText), u"Pass-Through"},
                      KindCase{u"144", nullptr, u"144"}, KindCase{u"-1", nullptr, u"-1"}));

TEST(QueryEngine, BuildSqlWithAndWithoutBuilder) {
  CQuery query;
  AppendRows(query.GetRows(), {{.attribute = u"5", .name1 = u"T"}});
  EXPECT_EQ(query.BuildSQL(), u"SELECT *\nFROM [T]");
  EXPECT_EQ(query.sql, u"SELECT *\nFROM [T]");
  CQuery unknownKind;
  unknownKind.typeText = u"144";
  AppendRows(unknownKind.GetRows(), {{.attribute = u"5", .name1 = u"T"}});
  EXPECT_EQ(unknownKind.BuildSQL(), u"");
}

TEST(RecoverQueries, NamesKindsAndTextInOrderOfFirstRows) {
  QueryRowList rows;
  AppendRows(rows, {{.attribute = u"5", .name1 = u"T", .objectId = u"2"},
                    {.attribute = u"5", .name1 = u"U", .objectId = u"1"},
                    {.attribute = u"8", .expression = u"x=1", .objectId = u"1"},
                    {.attribute = u"5", .name1 = u"V", .objectId = u"3"},
                    {.attribute = u"1", .name1 = u"V copy", .objectId = u"3"}});
  QueryCatalogue catalogue;
  AddEntry(catalogue, u"Purge", u"1", u"32");
  AddEntry(catalogue, u"Listing", u"2", u"8");
  AddEntry(catalogue, u"Make", u"3", u"80");
  const std::vector<RecoveredQuery> queries = RecoverQueries(rows, catalogue);
  ASSERT_EQ(queries.size(), 3u);
  EXPECT_EQ(queries[0].name, u"Listing");
  EXPECT_EQ(queries[0].kind, u"Select");
  EXPECT_EQ(queries[0].sql, u"SELECT *\nFROM [T]");
  EXPECT_EQ(queries[1].name, u"Purge");
  EXPECT_EQ(queries[1].kind, u"Delete");
  EXPECT_EQ(queries[1].sql, u"DELETE FROM [U]\nWHERE x=1");
  EXPECT_EQ(queries[2].kind, u"Make-Table");
  EXPECT_EQ(queries[2].sql, u"SELECT * INTO [V copy]\nFROM [V]");
  EXPECT_TRUE(rows.empty());
}

TEST(QueryText, ParsesNumbersLikeTheRuntime) {
  const std::pair<std::u16string, int32_t> cases[] = {{u"", 0},
                                                      {u"abc", 0},
                                                      {u"12", 12},
                                                      {u"  -7x", -7},
                                                      {u"\t+5", 5},
                                                      {u"- 5", 0},
                                                      {u"3.9", 3},
                                                      {u"0x10", 0},
                                                      {u"-2147483648", INT32_MIN},
                                                      {u"2147483647", INT32_MAX},
                                                      {u"99999999999999999999", INT32_MAX},
                                                      {u"-99999999999999999999", INT32_MIN},
                                                      {u"\u0661", 0}};
  for (const auto& [text, value] : cases) EXPECT_EQ(ParseNumber(text), value) << ToUtf8(text);
}

TEST(QueryAttributes, FromRowValuesByPositionAndShortRows) {
  auto row = CQueryAttributes::FromRowValues(
      {u"id", u"6", u"ord", u"n1", u"n2", u"expr", u"fl", u"lv", u"extra"});
  EXPECT_EQ(row->objectId, u"id");
  EXPECT_EQ(row->attribute, u"6");
  EXPECT_EQ(row->spare2, u"ord");
  EXPECT_EQ(row->name1, u"n1");
  EXPECT_EQ(row->name2, u"n2");
  EXPECT_EQ(row->expression, u"expr");
  EXPECT_EQ(row->flag, u"fl");
  EXPECT_EQ(row->spare7, u"lv");
  auto shortRow = CQueryAttributes::FromRowValues({u"id", u"5"});
  EXPECT_EQ(shortRow->attribute, u"5");
  EXPECT_EQ(shortRow->name1, u"");
  EXPECT_EQ(shortRow->spare7, u"");
}

}  // namespace
}  // namespace tarvex::query::test
