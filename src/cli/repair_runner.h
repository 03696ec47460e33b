#pragma once
// Runs one job (a repair, a save) in the foreground for the command line:
// checks the input files, follows the repair log and shows a progress line
// on a terminal, and passes Ctrl-C on as a stop request.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "engine/repair_file_manager.h"
#include "model/access_data.h"

namespace tarvex::cli {

struct MonitorOptions {
  bool showProgress = false;  // a progress line on standard error (a terminal)
  bool showLog = false;       // the repair log's lines on standard error as they come
};

struct RepairRequest {
  std::filesystem::path dataFile;
  std::optional<std::filesystem::path> templateFile;
  MonitorOptions monitor;
};

// Why a file cannot be repaired ("FILE: reason"), or nothing when it can be read.
std::optional<std::string> CheckReadable(const std::filesystem::path& path);

// Waits while `running` holds, showing what `options` ask for; on Ctrl-C calls
// `requestStop` once and goes on waiting for the job to end.
void MonitorJob(const std::function<bool()>& running, const std::function<void()>& requestStop,
                const MonitorOptions& options);

// Runs the repair on a worker thread and waits for it. The manager keeps the
// result; false (with a message on stderr) when an input file cannot be read,
// the repair was stopped or it recovered no table.
bool RunRepair(engine::CMTRepairFileManager& manager, const RepairRequest& request);

// Names on stderr every table whose recovered rows the working folder could
// not hold whole; true when there is one (the job then did not succeed).
bool ReportRowsNotKept(const model::CAccessData& model);

}  // namespace tarvex::cli
