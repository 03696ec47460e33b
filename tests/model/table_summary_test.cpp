#include "model/table_summary.h"

#include <gtest/gtest.h>

namespace tarvex::model {
namespace {

TEST(TableSummary, HidesSystemAndFlatTables) {
  struct Case {
    std::u16string name;
    bool visible;
  } cases[] = {{u"MSysObjects", false},
               {u"f_" + std::u16string(31, u'A'), false},
               {u"f_" + std::u16string(30, u'A'), true},
               {u"f_Tags", true},
               {u"msysobjects", true},
               {u"Customers", true},
               {u"", true}};
  for (const auto& c : cases) EXPECT_EQ(IsVisibleTable(c.name), c.visible);
}

TEST(TableSummary, EmptyModelSumsToZero) {
  CAccessData model;
  model.tableList.Append(4096).name = u"MSysObjects";
  const auto summary = SummariseTables(model);
  EXPECT_TRUE(summary.visibleTables.empty());
  EXPECT_EQ(summary.summary, u"Total 0 records in 0 Tables.");
}

TEST(TableSummary, ListsVisibleTablesAndSumsWithoutOverflow) {
  CAccessData model;
  auto& a = model.tableList.Append(4096 * 3);
  a.name = u"Orders";
  a.tableDefInfo.rowCount = 4000000000u;
  a.columnList.Append({});
  auto& b = model.tableList.Append(4096 * 4);
  b.name = u"Customers";
  b.tableDefInfo.rowCount = 3000000000u;
  b.losses.Skip(RowLoss::kFailedChecks, 4096 * 9);
  b.losses.Skip(RowLoss::kFailedChecks, 4096 * 9);
  b.losses.values.push_back({u"Notes", 1, 0});
  model.tableList.Append(4096 * 5).name = u"MSysACEs";

  const auto summary = SummariseTables(model);
  ASSERT_EQ(summary.visibleTables.size(), 2u);
  EXPECT_EQ(summary.summary,
            u"Total 7000000000 records in 2 Tables.\r\n  Orders : 4000000000 records\r\n"
            u"  Customers : 3000000000 records (2 skipped, 1 partial value)");
  EXPECT_EQ(SelectionText(model, u"Orders", summary.summary),
            u"Table Name : Orders\r\nTotal Column(s) : 1\r\nTotal Row(s) : 4000000000");
  EXPECT_EQ(SelectionText(model, kRecoveredTablesRoot, summary.summary), summary.summary);
  EXPECT_FALSE(SelectionText(model, u"Nowhere", summary.summary));
}

}  // namespace
}  // namespace tarvex::model
