#include <iostream>

#include "cli/commands.h"
#include "cli/repair_runner.h"
#include "cli/scan_report.h"
#include "format/unicode.h"
#include "model/table_summary.h"

namespace tarvex::cli {
namespace {

// The summary uses Windows line breaks; a terminal wants plain ones.
std::string PlainLines(const std::u16string& text) {
  std::string out = format::ToUtf8(text);
  std::erase(out, '\r');
  return out;
}

}  // namespace

int RunScan(const ScanOptions& options, bool terminal) {
  session::RepairSession session(engine::ScanSettings::WithoutPause());
  if (!RunRepair(session, {options.dataFile, options.templateFile}, {terminal, false}))
    return kExitFailure;
  const model::CAccessData& model = *session.model();
  if (options.json) {
    std::cout << ScanReport(model).dump(2) << "\n";
  } else {
    std::cout << PlainLines(model::SummariseTables(model).summary) << "\n";
  }
  return ReportRowsNotKept(model) ? kExitFailure : kExitOk;
}

}  // namespace tarvex::cli
