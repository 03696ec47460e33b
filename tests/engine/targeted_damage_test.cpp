// Damage of one chosen field that costs no rows: the tables it touches come
// back whole, with the rows of the healthy file.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "format/jet_layout.h"
#include "format/unicode.h"
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

// With the catalogue's rows lost, the system tables are told by their columns
// and keep their names, so their rows never pass for a user's.
TEST(TargetedDamage, LostCatalogueRowsLeaveSystemTablesTheirNames) {
  const fs::path original = test::FixturesDir() / "real" / "ace12_northwind2007.accdb";
  if (!fs::exists(original)) GTEST_SKIP() << "fixture missing";
  const auto healthy = test::ScanFile(original);
  test::ScratchDir scratch;
  const fs::path damaged = scratch.path() / "damaged.accdb";
  fs::copy_file(original, damaged);
  {
    std::fstream file(damaged, std::ios::in | std::ios::out | std::ios::binary);
    std::vector<char> page(4096);
    for (std::streamoff at = 0; file.seekg(at).read(page.data(), 4096); at += 4096) {
      const bool catalogueRows =
          page[0] == 0x01 && page[4] == 0x02 && !page[5] && !page[6] && !page[7];
      if (catalogueRows) file.seekp(at).write(std::vector<char>(4096).data(), 4096);
    }
  }
  const auto scanned = test::ScanFile(damaged);
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

}  // namespace
}  // namespace tarvex::engine
