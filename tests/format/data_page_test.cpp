#include "format/data_page.h"

#include <gtest/gtest.h>

#include <random>

#include "format/row_pointer.h"

namespace tarvex::format {
namespace {

using Blob = std::vector<uint8_t>;

// Rows of random lengths added until the page is full read back as added, and a
// page continued from its bytes goes on where it stopped.
TEST(DataPage, RowsAddedReadBackInBothLayouts) {
  for (const JetLayout* layout : {&kJet3Layout, &kJet4Layout}) {
    std::mt19937 random(3);
    for (int round = 0; round < 50; ++round) {
      DataPageBuilder page(*layout, 0x1234);
      std::vector<Blob> rows;
      for (Blob row(std::uniform_int_distribution<size_t>(1, 300)(random), 0);
           page.CanAdd(row.size());
           row.assign(std::uniform_int_distribution<size_t>(1, 300)(random), 0)) {
        for (auto& b : row) b = static_cast<uint8_t>(random());
        ASSERT_EQ(page.Add(row), rows.size());
        rows.push_back(row);
      }
      const auto header = DecodeDataPageHeader(page.bytes(), *layout);
      ASSERT_TRUE(header);
      EXPECT_EQ(header->owner, 0x1234u);
      EXPECT_EQ(header->rowCount, rows.size());
      EXPECT_EQ(header->freeSpace, page.freeSpace());
      RowSlotWalker walker(page.bytes(), *layout);
      for (const Blob& row : rows) {
        const RowSlot slot = walker.Next();
        ASSERT_TRUE(slot.located && !slot.deleted && !slot.moved);
        const Bytes stored = slot.Of(page.bytes());
        EXPECT_TRUE(std::equal(stored.begin(), stored.end(), row.begin(), row.end()));
      }
      auto continued = DataPageBuilder::Continue(page.bytes(), *layout);
      ASSERT_TRUE(continued);
      EXPECT_EQ(continued->freeSpace(), page.freeSpace());
      EXPECT_EQ(continued->rowCount(), page.rowCount());
    }
  }
}

// One damaged offset word costs its own row only: the next row ends where the
// last located one starts.
TEST(DataPage, ADamagedOffsetWordCostsOnlyItsRow) {
  DataPageBuilder page(kJet4Layout, 7);
  for (size_t length : {100, 50, 20}) page.Add(Blob(length, 1));
  struct Case {
    const char* what;
    uint16_t word;  // of row 1
  };
  for (const Case& c : {Case{"in the page header", 3}, Case{"in the offset table", 16},
                        Case{"above the previous row", 4090}}) {
    Blob bytes = page.bytes();
    PutU16(bytes, kJet4Layout.dataPageRowTableOffset + 2, c.word);
    RowSlotWalker walker(bytes, kJet4Layout);
    EXPECT_EQ(walker.Next().end, 4096u) << c.what;
    EXPECT_FALSE(walker.Next().located) << c.what;
    const RowSlot last = walker.Next();
    EXPECT_TRUE(last.located) << c.what;
    EXPECT_EQ(last.end, 4096u - 100) << c.what;
    EXPECT_FALSE(LocateRow(bytes, kJet4Layout, 1)) << c.what;
  }
  EXPECT_FALSE(LocateRow(page.bytes(), kJet4Layout, 3));
  EXPECT_FALSE(DataPageBuilder::Continue(Blob(kJet4Layout.pageSize, 0), kJet4Layout));
}

TEST(RowPointer, MovedRowsPointWhereTheRowLies) {
  const auto where = DecodeMovedRow(Blob{0x05, 0x34, 0x12, 0x00});
  ASSERT_TRUE(where);
  EXPECT_EQ(*where, (RowPointer{0x1234, 5}));
  EXPECT_EQ(where->ToU32(), 0x123405u);
  EXPECT_FALSE(DecodeMovedRow(Blob{1, 2, 3}));
}

}  // namespace
}  // namespace tarvex::format
