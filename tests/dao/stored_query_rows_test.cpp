// A query keeps the rows it had in its source when, apart from what SQL has no
// words for, they are the rows read from its SQL; any other difference, or
// rows that are not whole, keeps the rows read from the SQL and says why.
#include "dao/stored_query_rows.h"

#include <gtest/gtest.h>

#include <functional>

#include "dao/query_sql_parser.h"

namespace tarvex::dao::test {
namespace {

using format::QueryRowKind;
using Rows = std::vector<SavedQueryRow>;

SavedQueryRow& Find(Rows& rows, QueryRowKind attribute, int32_t order = 1) {
  for (auto& row : rows)
    if (row.attribute == attribute && row.order == order) return row;
  throw std::logic_error("no such row");
}

void Add(Rows& rows, QueryRowKind attribute, int32_t order, std::optional<int32_t> flag = {}) {
  rows.push_back({attribute, {}, {}, {}, flag, {}, order});
}

struct MismatchCase {
  const char* name;
  const char16_t* sql;
  std::function<void(Rows&)> change;  // turns the rows read from the SQL into the stored rows
  std::string mismatch;               // its start; empty when the stored rows are kept
};

const char16_t kSelect[] =
    u"SELECT a.x, b.y AS [Why]\nFROM (a) INNER JOIN (b) ON (a.k = b.k)\nORDER BY a.x DESC";
const char16_t kCrosstab[] =
    u"TRANSFORM Sum(v) AS [Total]\nSELECT r\nFROM [t]\nGROUP BY r\nPIVOT c In (1,2)";

const MismatchCase kCases[] = {
    {"SameRows", kSelect, [](Rows&) {}, ""},
    {"WhatSqlHasNoWordsFor", kSelect,
     [](Rows& rows) {
       std::erase_if(rows, [](const auto& r) { return r.attribute == QueryRowKind::kType; });
       Find(rows, QueryRowKind::kStart).flag = 2;
       Find(rows, QueryRowKind::kOptions).flag.reset();
       Add(rows, QueryRowKind::kExternalDatabase, 1);
       Add(rows, static_cast<QueryRowKind>(12), 1, 1);
       Find(rows, QueryRowKind::kOrderBy).name1 = u"d";
       std::swap(Find(rows, QueryRowKind::kInputTable, 1).name1,
                 Find(rows, QueryRowKind::kInputTable, 2).name1);
     },
     ""},
    {"OtherAlias", kSelect, [](Rows& rows) { Find(rows, QueryRowKind::kColumn, 2).name1 = u"Y"; },
     "its rows read back differently from its SQL: stored 6/2 name1 'Y'"},
    {"ColumnsSwapped", kSelect,
     [](Rows& rows) {
       std::swap(Find(rows, QueryRowKind::kColumn, 1).order,
                 Find(rows, QueryRowKind::kColumn, 2).order);
     },
     "its rows read back differently"},
    {"RowSqlHasNoPlaceFor", kSelect, [](Rows& rows) { Add(rows, QueryRowKind::kWhere, 1); },
     "its rows read back differently from its SQL: stored 8/1"},
    {"OptionsSqlSays", kSelect, [](Rows& rows) { Find(rows, QueryRowKind::kOptions).flag = 2; },
     "its rows read back differently"},
    {"NoLastRow", kSelect,
     [](Rows& rows) {
       std::erase_if(rows, [](const auto& r) { return r.attribute == QueryRowKind::kEnd; });
     },
     "it has no single last row"},
    {"OrderGap", kSelect, [](Rows& rows) { Find(rows, QueryRowKind::kColumn, 2).order = 3; },
     "the rows of attribute 6 are not numbered 1, 2, …"},
    // A crosstab writes each role of its columns in a clause of its own, and
    // PIVOT takes no alias.
    {"CrosstabRolesInterleaved", kCrosstab,
     [](Rows& rows) {
       for (auto& row : rows)
         if (row.attribute == QueryRowKind::kColumn)
           row.order = row.flag == format::kCrosstabValue        ? 2
                       : row.flag == format::kCrosstabRowHeading ? 1
                                                                 : 3;
       Find(rows, QueryRowKind::kColumn, 3).name1 = u"Heading";
     },
     ""},
    {"ClosingZeroOfText", u"CREATE TABLE t (a TEXT)",
     [](Rows& rows) { Find(rows, QueryRowKind::kType).expression += u'\0'; }, ""},
    {"OtherText", u"CREATE TABLE t (a TEXT)",
     [](Rows& rows) { Find(rows, QueryRowKind::kType).expression += u' '; },
     "its rows read back differently"},
};

class StoredRows : public ::testing::TestWithParam<MismatchCase> {};

TEST_P(StoredRows, KeptOnlyWhenTheySayWhatTheSqlSays) {
  const SavedQuery parsed = ParseQuerySql(GetParam().sql);
  Rows stored = parsed.rows;
  GetParam().change(stored);
  SortAsNumbered(stored);
  const std::string mismatch = StoredRowsMismatch(parsed, stored);
  if (GetParam().mismatch.empty()) {
    EXPECT_EQ(mismatch, "");
  } else {
    EXPECT_TRUE(mismatch.starts_with(GetParam().mismatch)) << mismatch;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, StoredRows, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarvex::dao::test
