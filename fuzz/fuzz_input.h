#pragma once
// What the fuzz targets share: a scratch folder of their own, and each input
// written to a file and scanned whole, as a repair would.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/access_repair.h"
#include "model/job.h"

namespace tarvex::fuzz {

// A new folder under the system's temporary folder; the scan's table data and
// OLE files go into it as well.
inline std::filesystem::path MakeScratchFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarvex-fuzz-XXXXXX").string();
  if (!mkdtemp(pattern.data())) std::abort();
  const std::filesystem::path scratch = pattern;
  setenv("TARVEX_WORK_DIR", (scratch / "work").c_str(), 1);
  return scratch;
}

// Writes the input to `path` and scans it with `repair`, which reports to `job`.
inline void ScanInput(const uint8_t* data, size_t size, const std::filesystem::path& path,
                      model::Job& job, engine::CAccessRepair& repair) {
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  job.Start();
  repair.Repair(path, path);
  job.Stop();
}

}  // namespace tarvex::fuzz
