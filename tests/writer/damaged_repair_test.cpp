// Damaged copies of fixtures, repaired end to end with the real engine: the
// repaired file opens in both readers and holds every row the scan recovered.
#include <gtest/gtest.h>

#include "format/unicode.h"
#include "support/damage.h"
#include "support/oracle_readers.h"
#include "support/scan_file.h"
#include "support/test_paths.h"
#include "writer/access_save_repaired_file.h"

namespace tarvex::test {
namespace {

namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

class DamagedRepair : public testing::TestWithParam<std::string> {};

TEST_P(DamagedRepair, TheRepairedFileOpensInBothReadersWithEveryRecoveredRow) {
  // Its 50,000-row table costs the sanitizer build minutes; the real files cover its layout there.
  if (kSanitized && GetParam().starts_with("synthetic/")) GTEST_SKIP() << "plain build only";
  const fs::path original = FixturesDir() / GetParam();
  for (const auto& damage : DamageCases(0)) {
    SCOPED_TRACE(damage.plan.Describe());
    ScratchDir scratch;
    const auto damaged = MakeDamagedCopy(original, scratch.path(),
                                         "damaged" + original.extension().string(), damage.plan);
    auto scan = ScanFile(damaged.path);
    ASSERT_NE(scan->model(), nullptr);
    writer::CAccessSaveRepairedFile save(scan->job, writer::SaveSettings::WithoutPause());
    save.model = scan->model();
    save.outputPath = scratch.path() / ("Tarvex_" + original.filename().string());
    scan->job.Start();
    ASSERT_TRUE(save.RunSave()) << save.report().failure;

    const auto dump = MdbReaderDump(save.outputPath);
    const auto tables = MdbTables(save.outputPath);
    for (const auto& table : save.report().tables) {
      if (table.savedName.empty()) continue;
      const std::string name = format::ToUtf8(table.savedName);
      SCOPED_TRACE(name);
      // Damage may make keys collide: those rows go to the companion table, every one of them.
      EXPECT_EQ(table.rowsWritten + table.rowsInRefusedTable, table.rowsRecovered);
      if (table.rowsInRefusedTable) {
        EXPECT_EQ(DumpTable(dump, format::ToUtf8(table.refusedTable))["rows"].size(),
                  table.rowsInRefusedTable);
      }
      const auto read = DumpTable(dump, name);
      ASSERT_FALSE(read.is_null()) << "mdb-reader does not list the table";
      ASSERT_FALSE(read.contains("error")) << read["error"];
      EXPECT_EQ(read["rows"].size(), table.rowsWritten);
      EXPECT_NE(std::find(tables.begin(), tables.end(), name), tables.end())
          << "mdbtools does not list it";
      EXPECT_EQ(MdbExportTable(save.outputPath, name).rows.size(), table.rowsWritten);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, DamagedRepair, testing::ValuesIn(DamagedFixtures()),
                         [](const auto& info) { return TestNameOf(fs::path(info.param).stem()); });

}  // namespace
}  // namespace tarvex::test
