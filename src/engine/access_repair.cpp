#include "engine/access_repair.h"

#include "engine/source_format.h"
#include "engine/version_handler.h"
#include "format/jet_layout.h"

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

std::string Counted(uint64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

std::optional<std::string> NoTableRecovered(const model::CAccessData& model, bool jet4,
                                            bool ownDefinitions) {
  const uint64_t catalogue =
      (jet4 ? format::kJet4Layout : format::kJet3Layout).PageOffset(
          format::JetLayout::kCatalogueDefinitionPage);
  for (const auto& table : model.tableList) {
    // The catalogue's definition is built in, and a template's come from elsewhere: only rows
    // tell that those were found.
    const bool found = table->tableDefInfo.rowCount > 0 ||
                       (ownDefinitions && table->tableDefOffset != catalogue &&
                        table->columnList.count() > 0);
    if (found) return std::nullopt;
  }
  const auto& pages = model.pagesFound;
  return "no table could be recovered: its " + Counted(pages.pages, "page", "pages") +
         " (read as " + (jet4 ? "Jet 4" : "Jet 3") + ") hold " +
         Counted(pages.dataPages, "data page", "data pages") + " and " +
         Counted(pages.definitions, "table definition", "table definitions");
}

void CAccessRepair::Repair(const std::filesystem::path& dataPath,
                           const std::filesystem::path& definitionPath) {
  model::CRepairLog& log = job_.log();
  log.Set(u"");
  model_.reset();
  failure_.clear();
  model_ = std::make_unique<model::CAccessData>();
  scanner_.reset();
  const LayoutDecision layout =
      CAccessVersionHandler::DecideLayout(dataPath, [this] { return !job_.Running(); });
  if (!layout.note.empty()) log.AppendLine(layout.note);
  const bool jet4 = layout.jet4;
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
    model.sourceFormat =
        SourceFormat(dataPath, jet4 ? format::kJet4Layout : format::kJet3Layout, model);
    LogLosses(log, model);
  }
  scanner_.reset();
  if (!job_.Running()) {
    model_.reset();
    return;
  }
  if (auto nothing = NoTableRecovered(model, jet4, dataPath == definitionPath))
    failure_ = std::move(*nothing);
}

}  // namespace tarvex::engine
