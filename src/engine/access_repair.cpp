#include "engine/access_repair.h"

#include "engine/version_handler.h"

namespace tarvex::engine {
namespace {

std::u16string Ascii(const std::string& text) { return {text.begin(), text.end()}; }

// What could not be kept or read, once the tables have their names.
void LogLosses(model::CRepairLog& log, const model::CAccessData& model) {
  size_t unreadable = model.unreadablePages.size();
  for (const auto& table : model.tableList) {
    unreadable += table->losses.unreadablePages.size();
    if (table->losses.dataFileFailed)
      log.AppendLine(u"The rows of table '" + table->name +
                     u"' could not all be kept in the working folder.");
  }
  if (unreadable == 1) log.AppendLine(u"1 page could not be read and was skipped.");
  if (unreadable > 1)
    log.AppendLine(
        Ascii(std::to_string(unreadable) + " pages could not be read and were skipped."));
}

}  // namespace

void CAccessRepair::Repair(const std::filesystem::path& dataPath,
                           const std::filesystem::path& definitionPath) {
  model::CRepairLog& log = job_.log();
  log.Set(u"");
  model_.reset();
  model_ = std::make_unique<model::CAccessData>();
  scanner_.reset();
  const bool jet4 =
      CAccessVersionHandler::IsJet4Layout(dataPath, [this] { return !job_.Running(); });
  job_.SetSourceLayout(jet4 ? format::kJet4Layout : format::kJet3Layout);
  if (settings_.makeScanner) {
    scanner_ = settings_.makeScanner(jet4);
  } else if (jet4) {
    scanner_ = std::make_unique<CAccessProcessFileJet4>();
  } else {
    scanner_ = std::make_unique<CAccessProcessFileJet3>();
  }
  scanner_->SetJob(job_, settings_);
  scanner_->SetDataFile(dataPath);
  scanner_->SetDefinitionFile(definitionPath);

  model::CAccessData& model = *model_;
  if (job_.Running()) {
    log.AppendLine(u"Scanning file for table definition...");
    scanner_->ScanTableDefinitions(model);
    scanner_->RemoveContinuationDefinitions(model);
    log.AppendLine(u"Scanning file for table data...");
    scanner_->ScanDataPages(model);
  }
  if (job_.Running()) {
    log.AppendLine(u"Parsing file data for table fields...");
    scanner_->ParseTableDefinitions(model);
    scanner_->SortColumns(model);
  }
  if (job_.Running()) {
    job_.progress().SetPosition(0);
    scanner_->ExtractRecords(model);
    job_.progress().SetPosition(0);
    log.AppendLine(u"Parsing file data for table name...");
    scanner_->RecoverTableNames(model);
    scanner_->PostProcessComplexColumns(model);
    LogLosses(log, model);
  }
  scanner_.reset();
  if (!job_.Running()) model_.reset();
}

}  // namespace tarvex::engine
