#pragma once
// The calls a save makes on the database engine, in the shape of the Data
// Access Objects it follows: one database, one table definition and one
// recordset open at a time. Every failure throws dao::DaoException. The save
// holds the engine through this interface so that tests can record its calls.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dao/database.h"
#include "dao/saved_query_rows.h"

namespace tarvex::writer {

// A value text converted for its field ahead of the record it goes into.
struct ConvertedValue {
  std::vector<uint8_t> bytes;  // the field's stored form; room reused from value to value
  bool isNull = false;         // the stored value is null (a False Boolean)
  std::string failure;         // why the text does not convert; empty when it does
};

class CDatabaseEngine {
 public:
  virtual ~CDatabaseEngine() = default;

  virtual void CreateDatabase(const std::filesystem::path& path, const std::string& locale,
                              int options) = 0;
  // Opens the database for writing (not exclusive, not read-only, no connect string).
  virtual void OpenDatabase(const std::filesystem::path& path) = 0;
  virtual void CloseDatabase() = 0;
  // The indexes the last CloseDatabase left out of new tables.
  virtual std::vector<dao::LeftOutIndex> IndexesLeftOut() const { return {}; }
  // Keys text beyond Latin-1 with `codes` in every database created or opened from now on.
  virtual void UseTextKeyCodes(format::TextKeyCodes) {}

  // Sets a property of the new database (`document` empty) or of one of its documents.
  virtual void CreateDatabaseProperty(const std::u16string& document,
                                      const dao::Property& property) = 0;

  virtual void CreateTableDef(const std::u16string& name, long attributes) = 0;
  virtual void CreateField(const dao::FieldInfo& info) = 0;
  virtual void CreateIndex(const dao::IndexInfo& info) = 0;
  // Sets a property of the table definition (`field` empty) or of one of its fields.
  virtual void CreateTableProperty(const std::u16string& field, const dao::Property& property) = 0;
  virtual void AppendTableDef() = 0;
  virtual void CloseTableDef() = 0;

  virtual void CreateRelation(const dao::RelationInfo& info) = 0;

  // A saved query; a non-empty `connect` makes it a pass-through query, whose
  // text goes to that data source as it stands. `storedRows`, the rows the
  // query had in the damaged file, are kept where they say what the SQL says;
  // returns why they were not kept (empty when they were, or none were given).
  virtual std::string CreateQueryDef(
      const std::u16string& name, const std::u16string& sql, const std::u16string& connect,
      std::optional<std::vector<dao::SavedQueryRow>> storedRows = std::nullopt) = 0;
  virtual void AppendQueryDef() = 0;
  virtual void CloseQueryDef() = 0;

  virtual void OpenRecordset(const std::u16string& sql) = 0;
  virtual void AddNew() = 0;
  virtual void SetFieldValue(int field, std::u16string_view text) = 0;
  virtual void SetFieldValue(int field, std::span<const uint8_t> bytes) = 0;
  // Converting texts is most of the cost of adding records, so a save
  // converts the next records' values on a thread of their own while these
  // are stored. ConvertValue converts for a field of the open recordset and may
  // run on that thread: it touches nothing the other calls change.
  virtual void ConvertValue(int field, std::u16string_view text, ConvertedValue& value) const = 0;
  // Sets a value ConvertValue made, taking its bytes (`value` is left with room to convert
  // another into); throws the failure it found.
  virtual void SetFieldValue(int field, ConvertedValue& value) = 0;
  virtual void Update() = 0;
  virtual void CloseRecordset() = 0;
};

// The engine of src/dao.
std::unique_ptr<CDatabaseEngine> MakeDaoEngine();

}  // namespace tarvex::writer
