// libFuzzer target for a whole repair: every input is written to a file,
// scanned, and what the scan recovered is saved into a new database, which
// our own engine must then open again. A crash, hang or sanitizer report
// anywhere from the scanner to the saved file shows up with the bytes that
// caused it.
#include <cstdio>

#include "dao/database.h"
#include "dao/recordset.h"
#include "fuzz_input.h"
#include "writer/access_save_repaired_file.h"

namespace {

namespace fs = std::filesystem;

fs::path inputPath;
fs::path outputFolder;

// Opens the saved database, read-only, and every user table in it, as a later append would.
void ReopenSaved(const fs::path& path) {
  try {
    tarvex::dao::Database database;
    database.Open(path, false, true, "");
    for (const auto& name : database.TableNames()) {
      tarvex::dao::Recordset rows(database);
      rows.Open(0, u"SELECT * FROM [" + name + u"]", 0);
      rows.Close();
    }
    database.Close();
  } catch (const tarvex::dao::DaoException& error) {
    std::fprintf(stderr, "the saved database does not open again: %s\n", error.what());
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const auto scratch = tarvex::fuzz::MakeScratchFolder();
  inputPath = scratch / "input.mdb";
  outputFolder = scratch / "saved";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tarvex::model::Job job;
  tarvex::engine::CAccessRepair repair(job, tarvex::engine::ScanSettings::WithoutPause());
  tarvex::fuzz::ScanInput(data, size, inputPath, job, repair);
  if (repair.model() == nullptr) return 0;

  fs::create_directories(outputFolder);
  tarvex::writer::CAccessSaveRepairedFile save(job, tarvex::writer::SaveSettings::WithoutPause());
  save.model = repair.model();
  save.outputPath = outputFolder / "Tarvex_input.mdb";
  job.Start();
  if (save.RunSave()) ReopenSaved(save.outputPath);
  fs::remove_all(outputFolder);
  return 0;
}
