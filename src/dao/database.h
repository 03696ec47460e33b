#pragma once
// The database engine's entry points, shaped like the Data Access Objects
// calls the writer makes: Database (create, open, close), TableDef (fields,
// append) and Recordset (add rows). Every failure throws DaoException.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "dao/dao_exception.h"
#include "dao/property.h"
#include "format/database_format.h"
#include "format/index_key.h"

namespace tarvex::dao {

class DatabaseFile;

// Database format options of Create. DAO names no option for the formats of
// Access 2016 and 2019; these two are the engine's own.
inline constexpr int kDbVersion30 = 32;
inline constexpr int kDbVersion40 = 64;
inline constexpr int kDbVersion120 = 128;
inline constexpr int kDbVersion140 = 256;
inline constexpr int kDbVersion150 = 512;
inline constexpr int kDbVersion160 = 1024;
inline constexpr int kDbVersion170 = 2048;

// Field attributes.
inline constexpr long kDbFixedField = 1;
inline constexpr long kDbVariableField = 2;
inline constexpr long kDbAutoIncrField = 16;
inline constexpr long kDbUpdatableField = 32;
inline constexpr long kDbSystemField = 8192;

// Table attributes.
inline constexpr long kDbAttachExclusive = 65536;

// Relation attributes.
inline constexpr long kDbRelationUnique = 0x1;
inline constexpr long kDbRelationDontEnforce = 0x2;
inline constexpr long kDbRelationUpdateCascade = 0x100;
inline constexpr long kDbRelationDeleteCascade = 0x1000;
inline constexpr long kDbRelationDeleteSetNull = 0x2000;  // Access 2010 and later
inline constexpr long kDbRelationLeft = 0x1000000;
inline constexpr long kDbRelationRight = 0x2000000;

struct FieldInfo {
  std::u16string name;
  int type = 0;
  long size = 0;
  long attributes = 0;
  int ordinalPosition = 0;
  bool required = false;
  bool allowZeroLength = false;
  std::u16string validationRule;
  std::u16string validationText;
  std::u16string defaultValue;
  // Decimal fields: digits in all (1 to 28) and after the point (0 to
  // precision); Access's defaults.
  int precision = 18;
  int scale = 0;
};

struct IndexFieldInfo {
  std::u16string name;
  bool descending = false;
};

struct IndexInfo {
  std::u16string name;
  std::vector<IndexFieldInfo> fields;
  bool primary = false;
  bool unique = false;
  bool clustered = false;
  bool ignoreNulls = false;
  bool required = false;
  bool foreign = false;
  long distinctCount = 0;
};

// An index a table was written without, because Access would key the text
// it holds otherwise than this engine can (characters beyond U+00FF; any text
// in a Jet 3 file), or because it enforced a relationship that has such an
// index on either side: the relationship stays, marked not enforced.
struct LeftOutIndex {
  std::u16string table;
  std::u16string index;
  bool enforcedRelationship = false;
};

struct RelationFieldInfo {
  std::u16string name;         // field of the referenced table
  std::u16string foreignName;  // field of the referencing table
};

// A relationship: `table` is the referenced table, `foreignTable` the one that refers to it.
struct RelationInfo {
  std::u16string name;
  std::u16string table;
  std::u16string foreignTable;
  long attributes = 0;
  std::vector<RelationFieldInfo> fields;
  // An ordinary index of the referencing table that was kept only for this relationship: where it
  // is over exactly the referencing fields, an enforced relationship takes it as its own
  // foreign-key index instead of adding one beside it. Empty: none.
  std::u16string foreignIndex;
};

class Database {
 public:
  Database();
  ~Database();  // closes an open database, dropping any error
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // A new, empty database at `path` (which must not exist), of the one format
  // its options name: 32 Jet 3 (Access 97, its text in the locale's code
  // page), 64 Jet 4 (Access 2000), 128 to 2048 ACE 12 to 17 (Access 2007 to 2019).
  void Create(const std::filesystem::path& path, const std::string& locale, int options);
  // Opens an existing database of any of those formats to add tables and rows.
  void Open(const std::filesystem::path& path, bool exclusive, bool readOnly,
            const std::string& connect);
  // Writes everything and releases the file; harmless when not open.
  void Close();
  bool IsOpen() const { return file_ != nullptr; }
  // The format of the open database.
  format::DatabaseFormat Format() const;
  // From now on, keys text beyond Latin-1 with `codes`, learned from an
  // Access file's own indexes; an index holding a character without a code is
  // still left out at Close.
  void UseTextKeyCodes(format::TextKeyCodes codes);
  // The indexes the last Close left out.
  const std::vector<LeftOutIndex>& IndexesLeftOut() const { return leftOut_; }
  // Adds a relationship: its rows in MSysRelationships (one per field pair,
  // in pair order) and its catalogue entry. An enforced one (without
  // kDbRelationDontEnforce) also gets its two foreign-key indexes: on the
  // referenced table over a unique index of the referenced fields, and on the
  // referencing table named as the relationship. Rows that break it, now or
  // added later, are kept. Throws when a table or field is missing, a field
  // pair is empty, the name is taken, or an enforced relationship has no
  // unique index to refer to; the database is then unchanged.
  void CreateRelation(const RelationInfo& info);
  // Sets a property of the database (`document` empty) or of one of its
  // documents ("SummaryInfo", "UserDefined"), replacing one of the same name.
  // Only a database created since it was last opened takes them: they are
  // written when it closes. Throws as StoreProperty does, and for a document
  // name Access refuses.
  void CreateProperty(const std::u16string& document, const Property& property);
  // The user tables, in catalogue order.
  std::vector<std::u16string> TableNames() const;

 private:
  friend class TableDef;
  friend class QueryDef;
  friend class Recordset;
  DatabaseFile& file() const;
  // Changes with every Create and Open, so that a recordset can tell that the
  // database it was opened on has been closed since.
  uint64_t session() const { return session_; }

  std::unique_ptr<DatabaseFile> file_;
  uint64_t session_ = 0;
  std::vector<LeftOutIndex> leftOut_;
};

}  // namespace tarvex::dao
