#include "cli/repair_runner.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <thread>

#include "engine/db_file_reader.h"
#include "engine/job_status.h"
#include "engine/process_manager.h"
#include "format/unicode.h"

namespace tarvex::cli {
namespace {

void DrawProgress() {
  const int maximum = engine::ProgressStatus().Maximum();
  const int position = std::clamp(engine::ProgressStatus().Position(), 0, maximum);
  const int percent = static_cast<int>(100LL * position / maximum);
  std::string caption = format::ToUtf8(engine::StatusProgress().Caption());
  if (caption.size() > 60) caption.resize(60);
  std::cerr << "\r\033[K" << percent << "% " << caption << std::flush;
}

}  // namespace

std::optional<std::string> CheckReadable(const std::filesystem::path& path) {
  engine::CDBFileReader reader;
  reader.SetPath(path);
  model::CErrorHandler error;
  if (reader.Open(error)) {
    reader.Close();
    return std::nullopt;
  }
  return path.string() + ": " + format::ToUtf8(error.Message());
}

bool RunRepair(engine::CMTRepairFileManager& manager, const RepairRequest& request) {
  for (const auto* path : {&request.dataFile, request.templateFile ? &*request.templateFile : nullptr}) {
    if (!path) continue;
    if (auto problem = CheckReadable(*path)) {
      std::cerr << "tarvex: " << *problem << "\n";
      return false;
    }
  }
  engine::CProcessManager::EndAll(engine::kConflictingProcessName);
  manager.SetDataFilePath(request.dataFile);
  if (request.templateFile) {
    manager.SetTemplatePath(*request.templateFile);
    manager.mode().Set(engine::CRepairModeStatus::kTemplateMode);
  }
  manager.StartRepair();
  while (engine::RepairingFileStatus().IsRepairing()) {
    if (request.showProgress) DrawProgress();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  manager.Wait();
  if (request.showProgress) std::cerr << "\r\033[K" << std::flush;
  if (!manager.lastResult() || !manager.lastResult()->model()) {
    std::cerr << "tarvex: the repair was stopped\n";
    return false;
  }
  return true;
}

}  // namespace tarvex::cli
