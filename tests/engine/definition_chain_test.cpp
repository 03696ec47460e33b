// A definition whose next-page pointer was damaged to name another table's
// first page: that other table still comes back whole.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "format/jet_layout.h"
#include "format/unicode.h"
#include "support/scan_file.h"
#include "support/test_paths.h"

namespace tarvex::engine {
namespace {

namespace fs = std::filesystem;

TEST(DefinitionChain, APointerToAnotherTablesDefinitionDropsNoTable) {
  const fs::path original = test::FixturesDir() / "real" / "jet4_northwind2000.mdb";
  if (!fs::exists(original)) GTEST_SKIP() << "fixture missing";
  const auto healthy = test::ScanFile(original);
  std::vector<const model::CAccessTable*> tables;
  for (const auto& table : healthy->model()->tableList)
    if (table->tableDefInfo.rowCount > 0 && !table->name.starts_with(u"MSys"))
      tables.push_back(table.get());
  ASSERT_GE(tables.size(), 2u);

  test::ScratchDir scratch;
  const fs::path damaged = scratch.path() / "damaged.mdb";
  fs::copy_file(original, damaged);
  {
    std::fstream file(damaged, std::ios::in | std::ios::out | std::ios::binary);
    const auto target = static_cast<uint32_t>(tables[1]->tableDefOffset / 4096);
    file.seekp(static_cast<std::streamoff>(tables[0]->tableDefOffset +
                                           format::kJet4Layout.tableDefNextPageOffset));
    for (int shift = 0; shift < 32; shift += 8) file.put(static_cast<char>(target >> shift));
  }
  const auto scanned = test::ScanFile(damaged);
  const auto& list = scanned->model()->tableList;
  const auto found = std::find_if(list.begin(), list.end(), [&](const auto& t) {
    return t->tableDefOffset == tables[1]->tableDefOffset;
  });
  ASSERT_NE(found, list.end()) << format::ToUtf8(tables[1]->name) << " was dropped";
  EXPECT_EQ((*found)->name, tables[1]->name);
  EXPECT_EQ((*found)->tableDefInfo.rowCount, tables[1]->tableDefInfo.rowCount);
}

}  // namespace
}  // namespace tarvex::engine
