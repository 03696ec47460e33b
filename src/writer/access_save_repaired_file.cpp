#include "writer/access_save_repaired_file.h"

#include <unistd.h>

#include <thread>

#include "format/unicode.h"

namespace tarvex::writer {
namespace {

// A name beside `output` that no file has: the database is built there.
std::filesystem::path FreshBuildPath(const std::filesystem::path& output) {
  const std::string stem = "." + output.filename().string() + ".tarvex-" + std::to_string(getpid());
  std::filesystem::path candidate;
  std::error_code error;
  for (unsigned number = 0;; ++number) {
    candidate = output.parent_path() / (stem + "-" + std::to_string(number) + ".tmp");
    if (!std::filesystem::exists(std::filesystem::symlink_status(candidate, error)))
      return candidate;
  }
}

}  // namespace

CAccessSaveRepairedFile::CAccessSaveRepairedFile(model::Job& job, SaveSettings settings)
    : job_(job),
      settings_(std::move(settings)),
      database_(settings_.makeEngine ? settings_.makeEngine() : MakeDaoEngine()) {}

CAccessSaveRepairedFile::~CAccessSaveRepairedFile() = default;

bool CAccessSaveRepairedFile::RunSave() {
  report_ = {};
  report_.outputPath = outputPath;
  savedTables_.clear();
  usedTableNames_.clear();
  buildPath_ = FreshBuildPath(outputPath);
  if (model) database_->UseTextKeyCodes(model->textKeyCodes);

  bool complete = SaveStructure();
  if (complete) {
    SaveQueries();
    SaveRelations();
    OrderTables();
    complete = SaveTableData();
    if (complete) ReportOrphanRows();
  }
  complete = complete && Saving() && !job_.SaveFailed() && Publish();
  if (!complete) {
    std::error_code ignored;
    std::filesystem::remove(buildPath_, ignored);
  }
  report_.saved = complete;
  return complete;
}

bool CAccessSaveRepairedFile::OpenTableDataFile(uint64_t tableDefOffset) {
  dataFile_.SetPath(model::TableDataFilePath(tableDefOffset));
  if (dataFile_.Open()) return true;
  Log(u"Error code : - 004");
  return false;
}

void CAccessSaveRepairedFile::ReadRowTexts(int columnCount, std::vector<std::u16string>& values) {
  values.clear();
  for (int position = 0; position < columnCount; ++position) {
    const model::RecordKind kind = dataFile_.ReadRecord(text_);
    if (kind == model::RecordKind::kEnd || kind == model::RecordKind::kRowEnd) break;
    values.push_back(text_);
  }
}

bool CAccessSaveRepairedFile::OpenDatabase() {
  try {
    database_->OpenDatabase(buildPath_);
    return true;
  } catch (const dao::DaoException& error) {
    Fail(std::string("The new database cannot be opened: ") + error.what());
    return false;
  }
}

bool CAccessSaveRepairedFile::CloseDatabase() {
  try {
    database_->CloseDatabase();
    return true;
  } catch (const dao::DaoException& error) {
    Fail(std::string("The new database cannot be written: ") + error.what());
    return false;
  }
}

void CAccessSaveRepairedFile::Fail(const std::string& reason) {
  Log(reason);
  if (report_.failure.empty()) report_.failure = reason;
  job_.SetSaveFailed(true);
  job_.Stop();
}

bool CAccessSaveRepairedFile::SourceIsJet4() const {
  return job_.sourceLayout().version == format::JetVersion::kJet4;
}

void CAccessSaveRepairedFile::Log(std::string_view utf8Line) { Log(format::FromUtf8(utf8Line)); }

void CAccessSaveRepairedFile::FinishStep() {
  job_.progress().Complete();
  if (settings_.stepPause.count() > 0) std::this_thread::sleep_for(settings_.stepPause);
}

bool CAccessSaveRepairedFile::Publish() {
  std::error_code error;
  const bool replacing = std::filesystem::exists(outputPath, error);
  std::filesystem::rename(buildPath_, outputPath, error);
  if (!error) return true;
  Fail("File " + outputPath.string() +
       (replacing ? " cannot be overwritten.\n" : " cannot be written.\n") + error.message());
  return false;
}

const CAccessSaveRepairedFile::SavedTable* CAccessSaveRepairedFile::SavedTableNamed(
    const std::u16string& recoveredName) const {
  if (!model) return nullptr;
  for (const auto& table : model->tableList) {
    if (table->name != recoveredName) continue;
    auto found = savedTables_.find(table.get());
    if (found != savedTables_.end()) return &found->second;
  }
  return nullptr;
}

}  // namespace tarvex::writer
