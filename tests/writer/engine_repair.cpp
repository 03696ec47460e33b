#include "engine_repair.h"

#include <gtest/gtest.h>

#include "support/scan_file.h"
#include "writer/access_save_repaired_file.h"

namespace tarvex::writer::test {

SaveReport Repair(const std::filesystem::path& source, const std::filesystem::path& output) {
  auto scan = tarvex::test::ScanFile(source);
  EXPECT_NE(scan->model(), nullptr);
  if (!scan->model()) return {};
  CAccessSaveRepairedFile save(scan->job, SaveSettings::WithoutPause());
  save.model = scan->model();
  save.outputPath = output;
  scan->job.Start();
  EXPECT_TRUE(save.RunSave()) << save.report().failure;
  return save.report();
}

}  // namespace tarvex::writer::test
