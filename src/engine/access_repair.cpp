#include "engine/access_repair.h"

#include "engine/job_status.h"
#include "engine/step_progress.h"
#include "engine/version_handler.h"
#include "model/repair_log.h"

namespace tarvex::engine {
namespace {

void Log(const std::u16string& line) { model::CRepairLog::Instance().AppendLine(line); }

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
  }
  scanner_.reset();
  if (!Repairing()) model_.reset();
}

}  // namespace tarvex::engine
