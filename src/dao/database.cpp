#include "dao/database.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "dao/database_file.h"
#include "dao/header_page.h"
#include "format/catalogue_objects.h"
#include "format/jet_layout.h"

namespace tarvex::dao {

Database::Database() = default;

Database::~Database() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; Close() called explicitly does.
  }
}

void Database::Create(const std::filesystem::path& path, const std::string& locale, int options) {
  if (file_) throw DaoException("The database object is already open.");
  using format::DatabaseFormat;
  static constexpr std::pair<int, DatabaseFormat> kOptions[] = {
      {kDbVersion30, DatabaseFormat::kJet3},   {kDbVersion40, DatabaseFormat::kJet4},
      {kDbVersion120, DatabaseFormat::kAce12}, {kDbVersion140, DatabaseFormat::kAce14},
      {kDbVersion150, DatabaseFormat::kAce15}, {kDbVersion160, DatabaseFormat::kAce16},
      {kDbVersion170, DatabaseFormat::kAce17}};
  const auto chosen = std::find_if(std::begin(kOptions), std::end(kOptions),
                                   [&](const auto& option) { return option.first == options; });
  if (chosen == std::end(kOptions))
    throw DaoException("Unknown database format option " + std::to_string(options) + ".");
  file_ = DatabaseFile::CreateNew(path, chosen->second, CodePageOfLocale(locale));
  ++session_;
}

format::DatabaseFormat Database::Format() const { return file().format(); }

void Database::Open(const std::filesystem::path& path, bool exclusive, bool readOnly,
                    const std::string& connect) {
  if (file_) throw DaoException("The database object is already open.");
  if (!connect.empty() && connect.find(";PWD=") != std::string::npos)
    throw DaoException("Password-protected databases are not supported.");
  file_ = DatabaseFile::OpenExisting(path, exclusive, readOnly);
  ++session_;
}

void Database::UseTextKeyCodes(format::TextKeyCodes codes) {
  file().UseTextKeyCodes(std::move(codes));
}

void Database::Close() {
  if (!file_) return;
  auto file = std::move(file_);
  ++session_;
  leftOut_ = file->Close();
}

void Database::CreateRelation(const RelationInfo& info) { file().AddRelation(info); }

void Database::CreateProperty(const std::u16string& document, const Property& property) {
  file().SetDatabaseProperty(document, property);
}

std::vector<std::u16string> Database::TableNames() const {
  std::vector<std::u16string> names;
  for (const auto& entry : file().catalogue())
    if (entry.type == format::kTableObjectType && entry.parentId == format::kTablesContainerId &&
        (entry.flags & (format::kSystemObjectFlags | format::kHiddenObjectFlag)) == 0)
      names.push_back(entry.name);
  return names;
}

DatabaseFile& Database::file() const {
  if (!file_) throw DaoException("The database is not open.");
  return *file_;
}

}  // namespace tarvex::dao
