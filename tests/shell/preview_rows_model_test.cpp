// The preview's rows come in batches, as they are asked for, and a new
// selection stops the worker of the old one.
#include "shell/preview_rows_model.h"

#include <gtest/gtest.h>

#include <QTest>

#include "model/table_preview.h"
#include "support/scan_file.h"
#include "window_test_util.h"

namespace tarvex::test {
namespace {

const model::CAccessTable* TableNamed(const model::CAccessData& data, const std::u16string& name) {
  for (const auto& table : data.tableList)
    if (table->name == name) return table.get();
  return nullptr;
}

TEST(PreviewRowsModel, FetchesBatchesUntilTheTableEndsWithTheRowsTheCommandLineShows) {
  const auto repair = ScanFile(Fixture("jet4_northwind2000.mdb").toStdString());
  ASSERT_TRUE(repair && repair->model());
  const model::CAccessTable* orders = TableNamed(*repair->model(), u"Orders");
  ASSERT_TRUE(orders);

  std::vector<std::vector<std::u16string>> expected;
  model::PreviewTable(*orders, [] { return false; }, {.header = {}, .row = [&](const auto& row) {
                                                        expected.push_back(row.cells);
                                                      }});
  ASSERT_GT(expected.size(), 300u);

  shell::PreviewRowsModel rows(*orders, nullptr, 100);
  EXPECT_EQ(rows.rowCount(), 0);
  EXPECT_EQ(rows.columnCount(), static_cast<int>(expected.front().size()));
  int batches = 0;
  while (rows.canFetchMore({}) && batches < 100) {
    rows.fetchMore({});
    EXPECT_FALSE(rows.canFetchMore({}));  // one batch at a time
    ASSERT_TRUE(QTest::qWaitFor([&] { return rows.canFetchMore({}) || rows.finished(); }));
    ++batches;
    EXPECT_LE(rows.rowCount(), 100 * batches);
  }
  EXPECT_TRUE(rows.finished());
  ASSERT_EQ(rows.rowCount(), static_cast<int>(expected.size()));
  for (int row : {0, 150, rows.rowCount() - 1})
    for (int column = 0; column < rows.columnCount(); ++column)
      EXPECT_EQ(rows.data(rows.index(row, column), Qt::DisplayRole).toString().toStdU16String(),
                expected[static_cast<size_t>(row)][static_cast<size_t>(column)]);

  // A model dropped while its worker waits, or while a batch is on its way, ends cleanly.
  auto dropped = std::make_unique<shell::PreviewRowsModel>(*orders, nullptr, 100);
  dropped->fetchMore({});
  dropped.reset();
  QTest::qWait(20);
}

}  // namespace
}  // namespace tarvex::test
