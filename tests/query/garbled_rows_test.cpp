// Damaged MSysQueries rows: every builder and the whole reconstruction must end,
// without crashing, on any mix of codes, names, flags and ids.
#include <gtest/gtest.h>

#include <random>

#include "query/qb_append.h"
#include "query/qb_crosstab.h"
#include "query/qb_delete.h"
#include "query/qb_select.h"
#include "query/qb_union.h"
#include "query/qb_update.h"
#include "query/recovered_queries.h"
#include "query_test_rows.h"

namespace tarvex::query::test {
namespace {

class RowGarbler {
 public:
  explicit RowGarbler(uint32_t seed) : random_(seed) {}

  // Values of one MSysQueries row, sometimes cut short.
  std::vector<std::u16string> Values() {
    std::vector<std::u16string> values = {Pick(kIds),   Pick(kCodes), u"",          Pick(kNames),
                                          Pick(kNames), Expression(), Pick(kFlags), u""};
    values.resize(Below(20) == 0 ? Below(8) : 8);
    return values;
  }

  void Fill(QueryRowList& rows, size_t count) {
    for (size_t i = 0; i < count; ++i)
      rows.Append(CQueryAttributes::FromRowValues(Values()).release());
  }

  size_t Below(size_t bound) {
    return std::uniform_int_distribution<size_t>(0, bound - 1)(random_);
  }

 private:
  template <size_t N>
  std::u16string Pick(const std::u16string (&pool)[N]) {
    return pool[Below(N)];
  }

  std::u16string Expression() {
    std::u16string text = Pick(kExpressions);
    if (Below(10) == 0) text.append(Below(3000), u'x');
    return text;
  }

  static inline const std::u16string kIds[] = {u"1",  u"2",   u"-2147483640", u"",
                                               u" 1", u"abc", u"1e9",         u"\u0000"};
  static inline const std::u16string kCodes[] = {
      u"0",  u"1",  u"2",  u"3",   u"4", u"5", u"6",  u"7",  u"8",           u"9",
      u"10", u"11", u"12", u"255", u"",  u"x", u"-5", u" 7", u"99999999999", u"5"};
  static inline const std::u16string kNames[] = {
      u"",           u"A", u"B", u"C",       u"Order Details", u"X7YZ_____1",
      u"X7YZ_____2", u"D", u"[", u"#<<A>>#", u"a.b c",         u"Ünïcode"};
  static inline const std::u16string kFlags[] = {u"0",  u"1",  u"2", u"3",  u"8", u"9",
                                                 u"16", u"24", u"",  u"-1", u"x"};
  static inline const std::u16string kExpressions[] = {u"",         u"A.x=B.x", u"Sum(q)",
                                                       u"SELECT 1", u"(",       u"\r\n"};

  std::mt19937 random_;
};

template <typename B>
void BuildOnce(const QueryRowList& rows) {
  B builder;
  std::u16string sql;
  builder.Build(rows, sql);
  // Every piece of text comes from a row: the output cannot grow beyond the
  // rows' own text by more than a bounded overhead per row.
  EXPECT_LT(sql.size(), 64u * 1024u * 1024u);
}

TEST(GarbledRows, EveryBuilderEndsOnRandomRows) {
  RowGarbler garbler(20261207);
  for (int round = 0; round < 400; ++round) {
    QueryRowList rows;
    garbler.Fill(rows, garbler.Below(60));
    BuildOnce<CQBSelect>(rows);
    BuildOnce<CQBAppend>(rows);
    BuildOnce<CQBCrosstab>(rows);
    BuildOnce<CQBDelete>(rows);
    BuildOnce<CQBUpdate>(rows);
    BuildOnce<CQBUnion>(rows);
  }
}

TEST(GarbledRows, RecoveryGroupsAndBuildsEveryQuery) {
  RowGarbler garbler(7);
  for (int round = 0; round < 100; ++round) {
    QueryRowList rows;
    garbler.Fill(rows, garbler.Below(200));
    const int32_t rowCount = rows.count();
    model::CTList<model::CQuerySysObject> catalogue;
    for (const char16_t* flags : {u"0", u"16", u"32", u"48", u"64", u"80", u"128", u"x", u"-1"}) {
      auto* entry = new model::CQuerySysObject();
      entry->id = garbler.Values()[0];
      entry->flags = flags;
      catalogue.Append(entry);
    }
    const std::vector<RecoveredQuery> queries = RecoverQueries(rows, catalogue);
    EXPECT_TRUE(rows.empty());
    EXPECT_LE(static_cast<int32_t>(queries.size()), rowCount);
  }
}

// Joins that form cycles, join a table to itself or name tables that are no input.
TEST(GarbledRows, JoinCyclesSelfJoinsAndUnknownTables) {
  const std::vector<RowSpec> rows = {
      {.attribute = u"5", .name1 = u"A"},
      {.attribute = u"7", .name1 = u"A", .name2 = u"B", .expression = u"1", .flag = u"1"},
      {.attribute = u"7", .name1 = u"B", .name2 = u"C", .expression = u"2", .flag = u"2"},
      {.attribute = u"7", .name1 = u"C", .name2 = u"A", .expression = u"3", .flag = u"3"},
      {.attribute = u"7", .name1 = u"A", .name2 = u"A", .expression = u"4", .flag = u"1"},
      {.attribute = u"7", .name1 = u"", .name2 = u"", .expression = u"5", .flag = u"1"},
      {.attribute = u"7", .name1 = u"Q", .name2 = u"Q", .expression = u"6", .flag = u"x"},
  };
  const std::u16string sql = BuildWith<CQBSelect>(rows);
  // The cycle closes with a condition on the group it joined; no condition is lost.
  EXPECT_EQ(
      sql.rfind(
          u"SELECT *\nFROM ((A) INNER JOIN (B) ON (1)) LEFT JOIN (C) ON (2) AND (3) AND (4), ", 0),
      0u)
      << ToUtf8(sql);
  EXPECT_NE(sql.find(u"(5)"), std::u16string::npos);
  EXPECT_NE(sql.find(u"(6)"), std::u16string::npos);
}

// A long chain of join rows must not make the nested text grow without bound.
TEST(GarbledRows, LongJoinChainStaysBounded) {
  QueryRowList rows;
  for (int i = 0; i < 20000; ++i) {
    AppendRows(rows, {{.attribute = u"7",
                       .name1 = u"T" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
                                std::u16string(1, static_cast<char16_t>(u'0' + i / 26 % 10)),
                       .name2 = u"N",
                       .expression = u"x",
                       .flag = u"1"}});
  }
  CQBSelect builder;
  std::u16string sql;
  builder.Build(rows, sql);
  EXPECT_LT(sql.size(), 1024u * 1024u);
}

}  // namespace
}  // namespace tarvex::query::test
