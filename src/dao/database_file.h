#pragma once
// An open Jet 3 or Jet 4 file: its pages, the catalogue (MSysObjects) read into
// memory, the storage of every table touched so far, and the page 1 map of
// free pages. Database, TableDef and Recordset work through it.
#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "dao/database.h"
#include "dao/page_file.h"
#include "dao/property.h"
#include "dao/saved_query_rows.h"
#include "dao/table_definition.h"
#include "dao/table_store.h"
#include "dao/usage_map.h"
#include "format/data_page.h"
#include "format/database_format.h"
#include "format/index_key.h"
#include "format/row_pointer.h"

namespace tarvex::dao {

struct CatalogueEntry {
  int32_t id = 0;
  int32_t parentId = 0;
  std::u16string name;
  int16_t type = 0;
  int32_t flags = 0;
};

class DatabaseFile {
 public:
  static std::unique_ptr<DatabaseFile> CreateNew(const std::filesystem::path& path,
                                                 format::DatabaseFormat format, uint16_t codePage);
  static std::unique_ptr<DatabaseFile> OpenExisting(const std::filesystem::path& path,
                                                    bool exclusive, bool readOnly);

  bool readOnly() const { return file_->readOnly(); }
  format::DatabaseFormat format() const { return format_; }
  const TextFormat& textFormat() const { return file_->textFormat(); }
  const std::vector<CatalogueEntry>& catalogue() const { return catalogue_; }
  // The definition page of the user or system table `name` (case-insensitive).
  std::optional<uint32_t> FindTable(std::u16string_view name) const;
  // True when a table or query already has this name (case-insensitive).
  bool NameInUse(std::u16string_view name) const;
  TableStore& Table(uint32_t definitionPage);
  // Codes for keying text beyond Latin-1 in every table, the catalogue included.
  void UseTextKeyCodes(format::TextKeyCodes codes) { textKeys_ = std::move(codes); }

  // Creates a user table: places its maps, writes its catalogue and
  // permission rows; returns its definition page (its object id).
  uint32_t AddTable(const std::u16string& name, TableDefinition definition,
                    const std::vector<uint8_t>& properties);

  // Creates a relationship (Database::CreateRelation says what it holds).
  void AddRelation(const RelationInfo& info);
  // Writes a saved query's rows and its catalogue entry; throws, having
  // written nothing, when the name is refused or taken or a row does not fit.
  void AddQuery(const std::u16string& name, const SavedQuery& query);

  // Sets a property of the database or one of its documents (Database::CreateProperty).
  void SetDatabaseProperty(const std::u16string& document, const Property& property);

  // Writes every change and closes the file; returns the indexes of new
  // tables it left out.
  std::vector<LeftOutIndex> Close();

 private:
  DatabaseFile(std::unique_ptr<PageFile> file, format::DatabaseFormat format);
  void CreateSystemTables(uint16_t codePage);
  void PlaceMaps(TableDefinition& definition);
  format::RowPointer AddMapRow();
  void AddCatalogueRow(const CatalogueEntry& entry, const std::vector<uint8_t>& owner,
                       const std::vector<uint8_t>& properties);
  void AddAceRow(int32_t objectId, const std::vector<uint8_t>& sid, int32_t access,
                 bool inheritable);
  TableStore& Keep(uint32_t definitionPage, std::unique_ptr<TableStore> table);
  int32_t NextSyntheticId() const;
  std::u16string TableName(uint32_t definitionPage) const;
  // The table at `definitionPage`, or nothing when no table can be read there.
  TableStore* ReadableTable(uint32_t definitionPage);
  // Removes the logical indexes on the real indexes `unbuilt` (by table),
  // and with a foreign key its partner in the other table; links follow the
  // new numbers and relationships that lost their indexes are marked not
  // enforced. Returns the indexes removed.
  std::vector<LeftOutIndex> LeaveOutIndexes(
      const std::map<uint32_t, std::vector<uint32_t>>& unbuilt, std::vector<uint32_t>& freedPages);
  // Marks the MSysRelationships rows of the relationships `names` not enforced.
  void MarkNotEnforced(const std::set<std::u16string>& names);
  // The catalogue rows of the database object and its documents, with their properties.
  void AddDatabaseRows();
  void ReadCatalogue();
  void ReadSecurityIds();
  void WriteGlobalMap();

  std::unique_ptr<PageFile> file_;
  format::DatabaseFormat format_;
  format::TextKeyCodes textKeys_;  // before tables_: every store points to it
  std::map<uint32_t, std::unique_ptr<TableStore>> tables_;
  std::vector<CatalogueEntry> catalogue_;
  PageSet freePages_;  // free in page 1's map when the file was opened
  std::optional<format::DataPageBuilder> mapPage_;
  uint32_t mapPageNumber_ = 0;
  std::vector<uint8_t> ownerSid_;
  std::vector<std::vector<uint8_t>> tableGrantSids_;
  double now_ = 0;
  // A new file's database object and documents, written when it closes:
  // the database's own properties first (its name empty), then each document's.
  std::vector<format::PropertyObject> databaseProperties_;
};

}  // namespace tarvex::dao
