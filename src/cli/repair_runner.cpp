#include "cli/repair_runner.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <thread>

#include "cli/interrupt.h"
#include "format/unicode.h"

namespace tarvex::cli {
namespace {

// The progress line and the log are redrawn this often; the end of the job is
// looked for more often, so that a fast job is not kept waiting for a redraw.
constexpr auto kDrawInterval = std::chrono::milliseconds(100);
constexpr auto kPollInterval = std::chrono::milliseconds(5);

void DrawProgress(const model::Job& job) {
  const int maximum = job.progress().Maximum();
  const int position = std::clamp(job.progress().Position(), 0, maximum);
  const int percent = static_cast<int>(100LL * position / maximum);
  std::string caption = format::ToUtf8(job.Caption());
  if (caption.size() > 60) caption.resize(60);
  std::cerr << "\r\033[K" << percent << "% " << caption << std::flush;
}

// Prints the lines the repair log gained since the last call. The log is one
// text with "\r\n" between lines; a save starts it anew.
class LogFollower {
 public:
  void PrintNewLines(const model::CRepairLog& log, bool clearProgressLine) {
    const std::u16string text = log.Get();
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

void MonitorJob(session::RepairSession& session, const MonitorOptions& options) {
  const model::Job& job = session.job();
  LogFollower log;
  bool stopRequested = false;
  auto nextDraw = std::chrono::steady_clock::now();
  while (session.Running()) {
    if (Interrupted() && !stopRequested) {
      stopRequested = true;
      session.RequestStop();
    }
    if (const auto now = std::chrono::steady_clock::now(); now >= nextDraw) {
      if (options.showLog) log.PrintNewLines(job.log(), options.showProgress);
      if (options.showProgress) DrawProgress(job);
      nextDraw = now + kDrawInterval;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  session.Wait();
  if (options.showLog) log.PrintNewLines(job.log(), options.showProgress);
  if (options.showProgress) std::cerr << "\r\033[K" << std::flush;
}

bool RunRepair(session::RepairSession& session, const session::RepairRequest& request,
               const MonitorOptions& options) {
  if (const auto refusal = session.StartRepair(request)) {
    std::cerr << "tarvex: " << (refusal->file.empty() ? "" : refusal->file.string() + ": ")
              << refusal->reason << "\n";
    return false;
  }
  MonitorJob(session, options);
  if (!session.model()) {
    std::cerr << "tarvex: the repair was stopped\n";
    return false;
  }
  if (const std::string failure = session.Failure(); !failure.empty()) {
    std::cerr << "tarvex: " << request.damagedFile.string() << ": " << failure << "\n";
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
