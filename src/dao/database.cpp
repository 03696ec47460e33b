#include "dao/database.h"

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
  const bool jet3 = (options & kDbVersion30) != 0;
  if (jet3 == ((options & kDbVersion40) != 0))
    throw DaoException("Unknown database format option " + std::to_string(options) + ".");
  file_ = DatabaseFile::CreateNew(path, jet3 ? format::kJet3Layout : format::kJet4Layout,
                                  CodePageOfLocale(locale));
  ++session_;
}

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
