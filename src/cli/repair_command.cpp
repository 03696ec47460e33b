// tarvex repair: scans a damaged database and writes the repaired one.
#include <fstream>
#include <iostream>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/repair_runner.h"
#include "cli/save_report_json.h"
#include "format/unicode.h"
#include "writer/output_naming.h"
#include "writer/save_summary.h"

namespace tarvex::cli {
namespace {

namespace fs = std::filesystem;

// The output path for the options, or the reason (printed) why there is none.
std::optional<fs::path> ChooseOutput(const RepairOptions& options) {
  const auto defaults = writer::DefaultOutputNameFor(options.dataFile);
  std::error_code error;
  const fs::path chosen = fs::absolute(options.output.value_or(fs::path(defaults.name)), error);
  const auto decision =
      writer::DecideOutputPath(chosen, defaults.extension, [](const fs::path& path) {
        std::error_code ignored;
        return fs::exists(fs::symlink_status(path, ignored));
      });
  if (decision.path.empty()) {
    std::cerr << "tarvex: " << chosen.string() << ": " << decision.message << "\n";
    return std::nullopt;
  }
  if (fs::is_directory(decision.path, error)) {
    std::cerr << "tarvex: " << decision.path.string() << ": is a folder; name the output file\n";
    return std::nullopt;
  }
  if (decision.replacesFile && !options.force) {
    std::cerr << "tarvex: " << decision.path.string()
              << " already exists; use --force to replace it\n";
    return std::nullopt;
  }
  const fs::path folder =
      decision.path.parent_path().empty() ? fs::path(".") : decision.path.parent_path();
  if (!fs::is_directory(folder, error)) {
    std::cerr << "tarvex: " << folder.string() << ": no such folder\n";
    return std::nullopt;
  }
  if (decision.path != chosen)
    std::cerr << "tarvex: the repaired database keeps the damaged file's type: writing "
              << decision.path.string() << "\n";
  return decision.path;
}

bool WriteReport(const fs::path& path, const writer::SaveReport& report) {
  std::ofstream out(path);
  out << SaveReportJson(report).dump(2) << "\n";
  out.close();
  if (out) return true;
  std::cerr << "tarvex: " << path.string() << ": the report cannot be written\n";
  return false;
}

}  // namespace

int RunRepair(const RepairOptions& options, bool terminal) {
  InstallInterruptHandler();
  const auto output = ChooseOutput(options);
  if (!output) return kExitUsage;
  const MonitorOptions monitor{terminal, true};

  session::RepairSession session(engine::ScanSettings::WithoutPause(),
                                 writer::SaveSettings::WithoutPause());
  if (!RunRepair(session, {options.dataFile, options.templateFile}, monitor))
    return Interrupted() ? kExitInterrupted : kExitFailure;
  session.StartSave(*output);
  MonitorJob(session, monitor);

  const writer::SaveReport& report = session.writer()->report();
  const bool reported = !options.report || WriteReport(*options.report, report);
  if (Interrupted() && !report.saved) {
    std::cerr << "tarvex: stopped; nothing was written to " << output->string() << "\n";
    return kExitInterrupted;
  }
  if (!report.saved) {
    std::cerr << "tarvex: the database could not be saved: " << report.failure << "\n";
    return kExitFailure;
  }
  std::cout << writer::SaveSummaryText(report);
  const bool rowsKept = !ReportRowsNotKept(*session.model());
  return reported && rowsKept ? kExitOk : kExitFailure;
}

}  // namespace tarvex::cli
