#pragma once
// Runs one repair job in the foreground for the command line: checks the input
// files, shows a progress line on a terminal, and hands back the result.
#include <filesystem>
#include <optional>
#include <string>

#include "engine/repair_file_manager.h"

namespace tarvex::cli {

struct RepairRequest {
  std::filesystem::path dataFile;
  std::optional<std::filesystem::path> templateFile;
  bool showProgress = false;
};

// Why a file cannot be repaired ("FILE: reason"), or nothing when it can be read.
std::optional<std::string> CheckReadable(const std::filesystem::path& path);

// Runs the repair on a worker thread and waits for it. The manager keeps the
// result; false (with a message on stderr) when an input file cannot be read
// or the repair was stopped.
bool RunRepair(engine::CMTRepairFileManager& manager, const RepairRequest& request);

}  // namespace tarvex::cli
