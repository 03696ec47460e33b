#include "engine/access_repair.h"

#include "engine/job_status.h"
#include "engine/source_format.h"
#include "engine/step_progress.h"
#include "engine/version_handler.h"
#include "model/repair_log.h"

namespace tarvex::engine {
namespace {

void Log(const std::u16string& line) { model::CRepairLog::Instance().AppendLine(line); }

std::u16string Ascii(const std::string& text) { return {text.begin(), text.end()}; }

// What could not be kept or read, once the tables have their names.
void LogLosses(const model::CAccessData& model) {
  size_t unreadable = model.unreadablePages.size();
  for (const auto& table : model.tableList) {
    unreadable += table->losses.unreadablePages.size();
    if (table->losses.dataFileFailed)
      Log(u"The rows of table '" + table->name + u"' could not all be kept in the working folder.");
  }
  if (unreadable == 1) Log(u"1 page could not be read and was skipped.");
  if (unreadable > 1)
    Log(Ascii(std::to_string(unreadable) + " pages could not be read and were skipped."));
}

}  // namespace

void CAccessRepair::Repair(const std::filesystem::path& dataPath,
                           const std::filesystem::path& definitionPath) {
  model::CRepairLog::Instance().Set(u"");
  model_.reset();
  model_ = std::make_unique<model::CAccessData>();
  scanner_.reset();
  const bool jet4 = CAccessVersionHandler::IsJet4Layout(dataPath, [] { return !Repairing(); });
  if (settings_.makeScanner) {
    scanner_ = settings_.makeScanner(jet4);
  } else if (jet4) {
    scanner_ = std::make_unique<CAccessProcessFileJet4>();
  } else {
    scanner_ = std::make_unique<CAccessProcessFileJet3>();
  }
  scanner_->SetSettings(settings_);
  scanner_->SetDataFile(dataPath);
  scanner_->SetDefinitionFile(definitionPath);

  model::CAccessData& model = *model_;
  if (Repairing()) {
    Log(u"Scanning file for table definition...");
    scanner_->ScanTableDefinitions(model);
    scanner_->RemoveContinuationDefinitions(model);
    Log(u"Scanning file for table data...");
    scanner_->ScanDataPages(model);
  }
  if (Repairing()) {
    Log(u"Parsing file data for table fields...");
    scanner_->ParseTableDefinitions(model);
    scanner_->SortColumns(model);
  }
  if (Repairing()) {
    ProgressStatus().SetPosition(0);
    scanner_->ExtractRecords(model);
    ProgressStatus().SetPosition(0);
    Log(u"Parsing file data for table name...");
    scanner_->RecoverTableNames(model);
    scanner_->PostProcessComplexColumns(model);
    model.sourceFormat =
        SourceFormat(dataPath, jet4 ? format::kJet4Layout : format::kJet3Layout, model);
    LogLosses(model);
  }
  scanner_.reset();
  if (!Repairing()) model_.reset();
}

}  // namespace tarvex::engine
