// Damage of one chosen field that costs no rows: the tables it touches come
// back whole, with the rows of the healthy file.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <functional>

#include "format/jet_layout.h"
#include "format/unicode.h"
#include "format/value_types.h"
#include "support/damage.h"
#include "support/scan_file.h"
#include "support/test_paths.h"

namespace tarvex::engine {
namespace {

namespace fs = std::filesystem;

const model::CAccessTable* Find(const engine::CAccessRepair& scan, uint64_t definitionOffset) {
  for (const auto& table : scan.model()->tableList)
    if (table->tableDefOffset == definitionOffset) return table.get();
  return nullptr;
}

struct TargetedDamage {
  const char* what;
  // Writes the damage into the copy, given the two user tables with the most rows.
  std::function<void(std::fstream&, const model::CAccessTable&, const model::CAccessTable&)> damage;
};

void PutU32(std::fstream& file, uint64_t at, uint32_t value) {
  file.seekp(static_cast<std::streamoff>(at));
  for (int shift = 0; shift < 32; shift += 8) file.put(static_cast<char>(value >> shift));
}

uint16_t U16At(std::fstream& file, uint64_t at) {
  std::array<char, 2> bytes{};
  file.seekg(static_cast<std::streamoff>(at)).read(bytes.data(), 2);
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[0]) | static_cast<uint8_t>(bytes[1])
                                                                    << 8);
}

TEST(TargetedDamage, TheTablesItTouchesComeBackWhole) {
  const fs::path original = test::FixturesDir() / "real" / "jet4_northwind2000.mdb";
  if (!fs::exists(original)) GTEST_SKIP() << "fixture missing";
  const auto healthy = test::ScanFile(original);
  std::vector<const model::CAccessTable*> tables;
  for (const auto& table : healthy->model()->tableList)
    if (!table->name.starts_with(u"MSys")) tables.push_back(table.get());
  std::sort(tables.begin(), tables.end(), [](const auto* a, const auto* b) {
    return a->tableDefInfo.rowCount > b->tableDefInfo.rowCount;
  });
  ASSERT_GE(tables.size(), 2u);
  ASSERT_GE(tables[0]->dataPageList.size(), 2u);

  const TargetedDamage cases[] = {
      {"a next-page pointer naming another table's definition",
       [](std::fstream& file, const auto& a, const auto& b) {
         PutU32(file, b.tableDefOffset + format::kJet4Layout.tableDefNextPageOffset,
                static_cast<uint32_t>(a.tableDefOffset / 4096));
       }},
      {"a data page's type byte",
       [](std::fstream& file, const auto& a, const auto&) {
         file.seekp(static_cast<std::streamoff>(a.dataPageList[1]));
         file.put('\x55');
       }},
      {"a definition's table type byte",
       [](std::fstream& file, const auto& a, const auto&) {
         file.seekp(
             static_cast<std::streamoff>(a.tableDefOffset + format::kJet4Layout.tableTypeOffset));
         file.put('\x0F');
       }},
      {"a row's count of variable values",
       [](std::fstream& file, const auto&, const auto& b) {
         // The first row ends at its page's end, its count just before its null mask.
         const uint64_t page = b.dataPageList[0];
         const uint16_t start = U16At(file, page + format::kJet4Layout.dataPageRowTableOffset);
         const uint16_t columns = U16At(file, page + start);
         file.seekp(static_cast<std::streamoff>(page + 4096 - (columns + 7u) / 8 - 2));
         file.put('\xDF');
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::ScratchDir scratch;
    const fs::path damaged = scratch.path() / "damaged.mdb";
    fs::copy_file(original, damaged);
    {
      std::fstream file(damaged, std::ios::in | std::ios::out | std::ios::binary);
      c.damage(file, *tables[0], *tables[1]);
    }
    const auto scanned = test::ScanFile(damaged);
    for (const auto* before : {tables[0], tables[1]}) {
      const auto* after = Find(*scanned, before->tableDefOffset);
      ASSERT_NE(after, nullptr) << format::ToUtf8(before->name) << " was dropped";
      EXPECT_EQ(after->name, before->name);
      EXPECT_EQ(after->tableDefInfo.rowCount, before->tableDefInfo.rowCount)
          << format::ToUtf8(before->name);
    }
  }
}

// A copy of an .accdb file whose catalogue rows (the data pages page 2 owns) are zeroed.
fs::path WithoutCatalogueRows(const fs::path& original, const fs::path& folder) {
  const fs::path damaged = folder / "damaged.accdb";
  fs::copy_file(original, damaged);
  std::fstream file(damaged, std::ios::in | std::ios::out | std::ios::binary);
  std::vector<char> page(4096);
  for (std::streamoff at = 0; file.seekg(at).read(page.data(), 4096); at += 4096) {
    const bool catalogueRows =
        page[0] == 0x01 && page[4] == 0x02 && !page[5] && !page[6] && !page[7];
    if (catalogueRows) file.seekp(at).write(std::vector<char>(4096).data(), 4096);
  }
  return damaged;
}

// With the catalogue's rows lost, the system tables are told by their columns
// and keep their names, so their rows never pass for a user's.
TEST(TargetedDamage, LostCatalogueRowsLeaveSystemTablesTheirNames) {
  const fs::path original = test::FixturesDir() / "real" / "ace12_northwind2007.accdb";
  if (!fs::exists(original)) GTEST_SKIP() << "fixture missing";
  const auto healthy = test::ScanFile(original);
  test::ScratchDir scratch;
  const auto scanned = test::ScanFile(WithoutCatalogueRows(original, scratch.path()));
  int named = 0;
  for (const auto& table : healthy->model()->tableList) {
    const bool toldByColumns =
        table->name == u"MSysACEs" || table->name == u"MSysQueries" ||
        table->name == u"MSysRelationships" || table->name == u"MSysComplexColumns" ||
        table->name == u"MSysAccessStorage" || table->name.starts_with(u"MSysNavPaneGroup") ||
        table->name == u"MSysComplexType_Attachment";
    if (!toldByColumns) continue;
    const auto* after = Find(*scanned, table->tableDefOffset);
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(format::ToUtf8(after->name), format::ToUtf8(table->name));
    ++named;
  }
  EXPECT_GE(named, 8);
}

// Multi-valued and attachment columns are tied to their hidden tables by page
// numbers, not names: they still read whole when the catalogue's rows are lost.
TEST(TargetedDamage, ComplexColumnsResolveWithoutCatalogueRows) {
  const fs::path original = test::FixturesDir() / "real" / "ace12_complex_columns.accdb";
  if (!fs::exists(original)) GTEST_SKIP() << "fixture missing";
  const auto healthy = test::ScanFile(original);
  const model::CAccessTable* table = healthy->model()->tableList.FindNamed(u"Table1");
  ASSERT_NE(table, nullptr);
  const auto rows = test::ReadRows(*table);
  test::ScratchDir scratch;
  const auto scanned = test::ScanFile(WithoutCatalogueRows(original, scratch.path()));
  const auto* found = Find(*scanned, table->tableDefOffset);
  ASSERT_NE(found, nullptr);
  EXPECT_TRUE(test::ReadRows(*found) == rows);
}

// Every non-empty value of a table's variable text and memo columns, sorted:
// what a table read with columns of its own has in common with the healthy one.
std::vector<std::u16string> TextValues(const model::CAccessTable& table) {
  std::vector<bool> text;
  for (const auto& column : table.columnList) {
    const auto type = column.colInfo.type;
    text.push_back(column.colInfo.IsVariable() &&
                   (type == format::TypeCode(format::ColumnType::kText) ||
                    type == format::TypeCode(format::ColumnType::kMemo)));
  }
  std::vector<std::u16string> values;
  for (const auto& row : test::ReadRows(table))
    for (size_t i = 0; i < row.size() && i < text.size(); ++i)
      if (text[i] && row[i] && !row[i]->empty()) values.push_back(*row[i]);
  std::sort(values.begin(), values.end());
  return values;
}

// With its definition pages zeroed, a table's rows still come back, under
// the name the catalogue gives it, with columns read from the rows.
TEST(TargetedDamage, RowsOfALostDefinitionComeBack) {
  for (const auto& entry : fs::directory_iterator(test::FixturesDir() / "real")) {
    const fs::path original = entry.path();
    if (original.extension() != ".mdb" && original.extension() != ".accdb") continue;
    SCOPED_TRACE(original.filename().string());
    const auto healthy = test::ScanFile(original);
    const model::CAccessTable* lost = nullptr;
    for (const auto& table : healthy->model()->tableList)
      if (!table->name.starts_with(u"MSys") &&
          (!lost || table->tableDefInfo.rowCount > lost->tableDefInfo.rowCount))
        lost = table.get();
    if (!lost || lost->tableDefInfo.rowCount == 0) continue;
    // Read now: a second scan writes its tables' data files in the same folder.
    const auto texts = TextValues(*lost);
    test::ScratchDir scratch;
    const fs::path damaged = scratch.path() / ("damaged" + original.extension().string());
    fs::copy_file(original, damaged);
    {
      const auto& layout =
          test::PageSizeOf(original) == 2048 ? format::kJet3Layout : format::kJet4Layout;
      std::fstream file(damaged, std::ios::in | std::ios::out | std::ios::binary);
      const std::vector<char> zeros(layout.pageSize);
      for (uint64_t page = lost->tableDefOffset / layout.pageSize, chain = 0; page && chain < 64;
           ++chain) {
        std::array<char, 4> next{};
        file.seekg(
            static_cast<std::streamoff>(page * layout.pageSize + layout.tableDefNextPageOffset));
        file.read(next.data(), next.size());
        file.seekp(static_cast<std::streamoff>(page * layout.pageSize));
        file.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
        page = static_cast<uint8_t>(next[0]) | static_cast<uint8_t>(next[1]) << 8 |
               static_cast<uint8_t>(next[2]) << 16 | uint64_t{static_cast<uint8_t>(next[3])} << 24;
      }
    }
    const auto scanned = test::ScanFile(damaged);
    const auto* found = Find(*scanned, lost->tableDefOffset);
    ASSERT_NE(found, nullptr);
    EXPECT_TRUE(found->losses.definitionLost);
    EXPECT_EQ(format::ToUtf8(found->name), format::ToUtf8(lost->name));
    EXPECT_EQ(found->tableDefInfo.rowCount, lost->tableDefInfo.rowCount);
    // Rows keep the values of columns deleted since: those come back too.
    const auto foundTexts = TextValues(*found);
    EXPECT_TRUE(std::includes(foundTexts.begin(), foundTexts.end(), texts.begin(), texts.end()))
        << "text values lost";
  }
}

// Four flipped bytes among the rows of one Access 97 data page (a copy of a
// damage the sweep met): a row read wrongly from its end must not swallow the
// rows below it, so at most the four rows the bytes lie in are lost.
TEST(TargetedDamage, FlippedRowBytesCostOnlyTheirRows) {
  const fs::path original = test::FixturesDir() / "real" / "jet3_index_codes.mdb";
  if (!fs::exists(original)) GTEST_SKIP() << "fixture missing";
  const auto healthy = test::ScanFile(original);
  const model::CAccessTable* table = healthy->model()->tableList.FindNamed(u"Table14_desc");
  ASSERT_NE(table, nullptr);
  test::ScratchDir scratch;
  const fs::path damaged = scratch.path() / "damaged.mdb";
  fs::copy_file(original, damaged);
  {
    std::fstream file(damaged, std::ios::in | std::ios::out | std::ios::binary);
    constexpr uint64_t kPage = 125 * 2048;
    for (const auto& [at, value] : {std::pair{521, 0xA9}, {1009, 0xAC}, {1353, 0x20}, {1893, 0xD4}})
      file.seekp(static_cast<std::streamoff>(kPage + at)).put(static_cast<char>(value));
  }
  const auto scanned = test::ScanFile(damaged);
  const auto* found = Find(*scanned, table->tableDefOffset);
  ASSERT_NE(found, nullptr);
  EXPECT_GE(found->tableDefInfo.rowCount + 4, table->tableDefInfo.rowCount);
}

// Damage on one page of a table: sectors zeroed as a torn write leaves them, an offset word past
// the page's end, a whole page zeroed. Only the rows the damage reaches are lost (some counted as
// skipped, as whether a row whose word is lost was live cannot be known), and none comes back with
// zeros for values or read from a deleted row's bytes.
TEST(TargetedDamage, DamageOnOnePageCostsOnlyTheRowsItReaches) {
  struct Damage {
    const char* what;
    const char* file;
    uint64_t definitionPage, at;
    std::vector<char> bytes;
    uint32_t rowsLost, rowsSkipped;
  };
  const std::vector<char> sector(512);
  const Damage cases[] = {
      {"five rows of a page that holds others", "ace14_sales_ro.accdb", 41, 44 * 4096 + 512, sector,
       5, 5},
      {"every row of a table with one page", "ace14_sales_ro.accdb", 48, 50 * 4096 + 3584, sector,
       7, 7},
      // Reading rows from their ends would make one long row of the zeros.
      {"32 short rows", "jet3_index_codes.mdb", 56, 58 * 2048 + 1024, sector, 32, 32},
      // Its rows all deleted; the words of six are lost.
      {"the end of an offset table", "jet4_northwind2000.mdb", 4, 367 * 4096 + 512, sector, 0, 6},
      // The row below must not take in the bytes of the row whose word is lost.
      {"an offset word",
       "synthetic/synthetic-V2016.accdb",
       53,
       55 * 4096 + 16,
       {'\xFF', '\x1F'},
       1,
       1},
      // Its two moved rows are still found where they went: no pointer reaches those places any
      // more, and the definition's row count leaves room for them.
      {"the page of seven rows and two moved rows' pointers", "ace17_ext_date.accdb", 89, 92 * 4096,
       std::vector<char>(4096), 7, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = c.file;
    const fs::path original =
        test::FixturesDir() / (file.find('/') == std::string::npos ? "real/" + file : file);
    if (!fs::exists(original)) GTEST_SKIP() << "fixture missing";
    const uint32_t pageSize = test::PageSizeOf(original);
    const auto healthy = test::ScanFile(original);
    const auto* table = Find(*healthy, c.definitionPage * pageSize);
    ASSERT_NE(table, nullptr);
    auto before = test::ReadRows(*table);
    std::sort(before.begin(), before.end());
    test::ScratchDir scratch;
    const fs::path damaged = scratch.path() / ("damaged" + original.extension().string());
    fs::copy_file(original, damaged);
    std::fstream(damaged, std::ios::in | std::ios::out | std::ios::binary)
        .seekp(static_cast<std::streamoff>(c.at))
        .write(c.bytes.data(), static_cast<std::streamsize>(c.bytes.size()));
    const auto scanned = test::ScanFile(damaged);
    const auto* found = Find(*scanned, c.definitionPage * pageSize);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->tableDefInfo.rowCount + c.rowsLost, before.size());
    EXPECT_EQ(found->losses.SkippedRowCount(), c.rowsSkipped);
    auto rows = test::ReadRows(*found);
    std::sort(rows.begin(), rows.end());
    EXPECT_TRUE(std::includes(before.begin(), before.end(), rows.begin(), rows.end()))
        << "a row came back that the file did not hold";
  }
}

}  // namespace
}  // namespace tarvex::engine
