#include "format/data_page.h"

#include <gtest/gtest.h>

#include <random>

#include "format/row_pointer.h"
#include "support/both_layouts.h"

namespace tarvex::format {
namespace {

using Blob = std::vector<uint8_t>;

class DataPageTest : public test::LayoutTest {};

INSTANTIATE_TEST_SUITE_P(Layouts, DataPageTest, test::BothLayouts(), test::LayoutName);

// Rows of random lengths added until the page is full read back as added, and a
// page continued from its bytes goes on where it stopped.
TEST_P(DataPageTest, RowsAddedReadBack) {
  std::mt19937 random(3);
  for (int round = 0; round < 50; ++round) {
    DataPageBuilder page(layout(), 0x1234);
    std::vector<Blob> rows;
    for (Blob row(1 + random() % 300); page.CanAdd(row.size()); row.assign(1 + random() % 300, 0)) {
      for (auto& b : row) b = static_cast<uint8_t>(random());
      ASSERT_EQ(page.Add(row), rows.size());
      rows.push_back(row);
    }
    const auto header = DecodeDataPageHeader(page.bytes(), layout());
    ASSERT_TRUE(header);
    EXPECT_EQ((std::array{header->owner, header->rowCount, uint32_t{header->freeSpace}}),
              (std::array{0x1234u, static_cast<uint32_t>(rows.size()),
                          static_cast<uint32_t>(page.freeSpace())}));
    RowSlotWalker walker(page.bytes(), layout());
    for (const Blob& row : rows) {
      const RowSlot slot = walker.Next();
      ASSERT_TRUE(slot.located && !slot.deleted && !slot.moved);
      EXPECT_TRUE(std::ranges::equal(slot.Of(page.bytes()), row));
    }
    const auto continued = DataPageBuilder::Continue(page.bytes(), layout());
    ASSERT_TRUE(continued);
    EXPECT_EQ(continued->freeSpace(), page.freeSpace());
  }
}

// One damaged offset word costs its own row only: the next row ends where the
// last located one starts.
TEST(DataPage, ADamagedOffsetWordCostsOnlyItsRow) {
  DataPageBuilder page(kJet4Layout, 7);
  for (size_t length : {100, 50, 20}) page.Add(Blob(length, 1));
  for (uint16_t word : {3, 16, 4090}) {  // in the header, in the offset table, above row 0
    Blob bytes = page.bytes();
    PutU16(bytes, kJet4Layout.dataPageRowTableOffset + 2, word);
    RowSlotWalker walker(bytes, kJet4Layout);
    EXPECT_EQ(walker.Next().end, 4096u);
    EXPECT_FALSE(walker.Next().located) << word;
    EXPECT_EQ(walker.Next().end, 4096u - 100) << word;
    EXPECT_FALSE(LocateRow(bytes, kJet4Layout, 1)) << word;
  }
  EXPECT_FALSE(LocateRow(page.bytes(), kJet4Layout, 3));
  EXPECT_FALSE(DataPageBuilder::Continue(Blob(kJet4Layout.pageSize, 0), kJet4Layout));
  EXPECT_EQ(DecodeMovedRow(Blob{0x05, 0x34, 0x12, 0x00}), (RowPointer{0x1234, 5}));
  EXPECT_FALSE(DecodeMovedRow(Blob{1, 2, 3}));
}

}  // namespace
}  // namespace tarvex::format
