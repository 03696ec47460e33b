// libFuzzer target: every input is written to a file and scanned whole, as a
// repair would, so that any crash, hang or sanitizer report in the scanner
// shows up with the bytes that caused it.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/access_repair.h"
#include "engine/job_status.h"

namespace {

std::filesystem::path inputPath;

std::filesystem::path MakeScratchFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarvex-fuzz-XXXXXX").string();
  if (!mkdtemp(pattern.data())) std::abort();
  return pattern;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const auto scratch = MakeScratchFolder();
  // The scan's table data and OLE files go into the scratch folder too.
  setenv("TARVEX_WORK_DIR", (scratch / "work").c_str(), 1);
  inputPath = scratch / "input.mdb";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    std::ofstream out(inputPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  tarvex::engine::RepairingFileStatus().Set(true);
  tarvex::engine::CAccessRepair repair(tarvex::engine::ScanSettings::WithoutPause());
  repair.Repair(inputPath, inputPath);
  tarvex::engine::RepairingFileStatus().Set(false);
  return 0;
}
