#pragma once
// Complex (multi-valued and attachment) columns of .accdb files. The system
// table MSysComplexColumns names, for each complex column, the hidden flat
// table that holds its values; the owning row's column value is the key of its
// rows in that flat table.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "model/access_data.h"
#include "model/table_data_file.h"

namespace tarvex::model {

// The rows of MSysComplexColumns, in file order.
class CMSysComplexColumns {
 public:
  // Reads the table data file in groups of five values (column name, complex
  // type, flat table id, owner table id, complex id); a trailing incomplete
  // group is dropped. False when the file does not open.
  bool Read(const std::filesystem::path& dataFile);
  // Gives every record to the owning tables' columns of that name.
  void AttachTo(CAccessTableList& tables) const;
  const std::vector<CMSysComplexColumnsData>& records() const { return records_; }

 private:
  std::vector<CMSysComplexColumnsData> records_;
};

// Streams the value texts of one table data file.
class CFlatTableParser {
 public:
  void SetPath(std::filesystem::path path) { reader_.SetPath(std::move(path)); }
  bool Open() { return reader_.Open(); }
  // The next value text; false at the end or at a record cut short.
  bool ReadNext(std::u16string& text) { return reader_.ReadTextRecord(text); }
  bool AtEnd() const { return reader_.AtEnd(); }
  void Close() { reader_.Close(); }

 private:
  CDataFileReader reader_;
};

// The items of a multi-valued column. A multi-valued column's flat table has
// three columns, in column-number order: the owning row's key, the item's own
// number and the item.
class CComplexParser : public CFlatTableParser {
 public:
  // The items of every flat-table row whose key equals `key` exactly, in the
  // flat table's row order, joined by ", "; the empty text when none match or
  // the file does not open.
  std::u16string MultiValuedList(const std::u16string& key);
};

// The table data file of the record's flat table; nothing when its id is not a page number.
std::optional<std::filesystem::path> FlatTableDataFilePath(const CMSysComplexColumnsData& record);

// Finds the first table named MSysComplexColumns (any case) and attaches its
// records to the model's columns. False when there is no such table.
bool ApplyComplexColumns(CAccessData& model);

}  // namespace tarvex::model
