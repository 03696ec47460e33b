#pragma once
// Adds rows to one table: Open on "SELECT * FROM [name]", then per row
// AddNew, SetFieldValue by field position, Update.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dao/database.h"
#include "dao/row_codec.h"
#include "dao/stored_text.h"
#include "dao/table_definition.h"

namespace tarvex::dao {

class TableStore;

// Converts value texts to the stored form of one table's fields, as
// Recordset::SetFieldValue does. It keeps its own copy of what it reads, so
// that it can convert the next records' values on another thread while the
// recordset stores these; it takes cache lines of its own, so that it shares
// none with what the storing thread writes.
class alignas(64) FieldConverter {
 public:
  FieldConverter(std::vector<ColumnDefinition> columns, TextFormat format)
      : columns_(std::move(columns)), format_(format) {}
  // Converts `text` for the field at `index` into `bytes`, whose storage is
  // reused; false where the stored value is null (a False Boolean). Throws
  // DaoException as SetFieldValue does.
  bool Convert(int index, std::u16string_view text, std::vector<uint8_t>& bytes) const;

 private:
  std::vector<ColumnDefinition> columns_;
  TextFormat format_;
};

class Recordset {
 public:
  explicit Recordset(Database& database);

  // Only "SELECT * FROM [table]" (or the name without brackets) is accepted.
  void Open(int type, const std::u16string& sql, int options);
  void AddNew();
  // Converts `text` to the field's type; on failure throws and the field
  // keeps its earlier value.
  void SetFieldValue(int index, std::u16string_view text);
  void SetFieldValue(int index, std::span<const uint8_t> bytes);
  // The converter of this recordset's fields (valid while the table's fields stay as they are).
  FieldConverter Converter() const;
  // Sets a value its converter made: `stored` as Convert left it, `isNull` where it returned false.
  // The bytes are taken, not copied: `stored` is left with the room of an earlier value.
  void SetConvertedValue(int index, std::vector<uint8_t>& stored, bool isNull);
  // Stores the new record; throws when AddNew was not called or the record
  // cannot be stored (then it is dropped).
  void Update();
  void Close();
  bool IsOpen() const { return table_ != nullptr && session_ == database_.session(); }

 private:
  void RequireOpen() const;
  void RequireEditing(int index) const;
  void FillAutomaticValues();
  bool LongValuesFitInRow() const;

  Database& database_;
  TableStore* table_ = nullptr;  // owned by the database, valid while its session lasts
  uint64_t session_ = 0;
  bool editing_ = false;
  bool indexesRebuildable_ = false;
  bool hasLongValues_ = false;
  bool hasAutomaticValues_ = false;
  std::vector<StoredValue> values_;
  // One per field, reused from record to record (see AddNew).
  std::vector<std::vector<uint8_t>> buffers_;
  std::vector<bool> assigned_;
};

}  // namespace tarvex::dao
