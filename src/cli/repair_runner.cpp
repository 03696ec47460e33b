#include "cli/repair_runner.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <thread>

#include "cli/interrupt.h"
#include "engine/input_check.h"
#include "engine/job_status.h"
#include "engine/process_manager.h"
#include "format/unicode.h"
#include "model/repair_log.h"
#include "model/working_folder.h"

namespace tarvex::cli {
namespace {

// The progress line and the log are redrawn this often; the end of the job is
// looked for more often, so that a fast job is not kept waiting for a redraw.
constexpr auto kDrawInterval = std::chrono::milliseconds(100);
constexpr auto kPollInterval = std::chrono::milliseconds(5);

void DrawProgress() {
  const int maximum = engine::ProgressStatus().Maximum();
  const int position = std::clamp(engine::ProgressStatus().Position(), 0, maximum);
  const int percent = static_cast<int>(100LL * position / maximum);
  std::string caption = format::ToUtf8(engine::StatusProgress().Caption());
  if (caption.size() > 60) caption.resize(60);
  std::cerr << "\r\033[K" << percent << "% " << caption << std::flush;
}

// Prints the lines the repair log gained since the last call. The log is one
// text with "\r\n" between lines; a save starts it anew.
class LogFollower {
 public:
  void PrintNewLines(bool clearProgressLine) {
    const std::u16string text = model::CRepairLog::Instance().Get();
    if (text.size() < printed_) printed_ = 0;
    if (text.size() == printed_) return;
    std::string lines = format::ToUtf8(std::u16string_view(text).substr(printed_));
    printed_ = text.size();
    if (lines.starts_with("\r\n")) lines.erase(0, 2);
    std::erase(lines, '\r');
    std::cerr << (clearProgressLine ? "\r\033[K" : "") << lines << "\n";
  }

 private:
  size_t printed_ = 0;
};

}  // namespace

void MonitorJob(const std::function<bool()>& running, const std::function<void()>& requestStop,
                const MonitorOptions& options) {
  LogFollower log;
  bool stopRequested = false;
  auto nextDraw = std::chrono::steady_clock::now();
  while (running()) {
    if (Interrupted() && !stopRequested) {
      stopRequested = true;
      requestStop();
    }
    if (const auto now = std::chrono::steady_clock::now(); now >= nextDraw) {
      if (options.showLog) log.PrintNewLines(options.showProgress);
      if (options.showProgress) DrawProgress();
      nextDraw = now + kDrawInterval;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  if (options.showLog) log.PrintNewLines(options.showProgress);
  if (options.showProgress) std::cerr << "\r\033[K" << std::flush;
}

std::optional<std::string> CheckReadable(const std::filesystem::path& path) {
  if (auto reason = engine::WhyNotRepairable(path)) return path.string() + ": " + *reason;
  return std::nullopt;
}

bool RunRepair(engine::CMTRepairFileManager& manager, const RepairRequest& request) {
  for (const auto* path :
       {&request.dataFile, request.templateFile ? &*request.templateFile : nullptr}) {
    if (!path) continue;
    if (auto problem = CheckReadable(*path)) {
      std::cerr << "tarvex: " << *problem << "\n";
      return false;
    }
  }
  if (!model::WorkingFolder::Available()) {
    std::cerr << "tarvex: no working folder of this process's own can be made under "
              << model::WorkingFolder::Base().string() << "\n";
    return false;
  }
  engine::CProcessManager::EndAll(engine::kConflictingProcessName);
  manager.SetDataFilePath(request.dataFile);
  if (request.templateFile) {
    manager.SetTemplatePath(*request.templateFile);
    manager.mode().Set(engine::CRepairModeStatus::kTemplateMode);
  }
  manager.StartRepair();
  MonitorJob([] { return engine::RepairingFileStatus().IsRepairing(); },
             [] { engine::RepairingFileStatus().Set(false); }, request.monitor);
  manager.Wait();
  if (!manager.lastResult() || !manager.lastResult()->model()) {
    std::cerr << "tarvex: the repair was stopped\n";
    return false;
  }
  if (const std::string& failure = manager.lastResult()->failure(); !failure.empty()) {
    std::cerr << "tarvex: " << request.dataFile.string() << ": " << failure << "\n";
    return false;
  }
  return true;
}

bool ReportRowsNotKept(const model::CAccessData& model) {
  bool any = false;
  for (const auto& table : model.tableList) {
    if (!table->losses.dataFileFailed) continue;
    std::cerr << "tarvex: the recovered rows of table '" << format::ToUtf8(table->name)
              << "' could not all be kept in the working folder\n";
    any = true;
  }
  return any;
}

}  // namespace tarvex::cli
