#pragma once
// One recovered table: the summary of its definition page header, its
// columns, real indexes, data pages and the file that holds its rows.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "format/property_blob.h"
#include "model/column_list.h"
#include "model/index_list.h"
#include "model/table_losses.h"

namespace tarvex::model {

// Fields of the definition page header, stored as read.
struct CAccessTableDefInfo {
  uint32_t headerWord1 = 0;
  uint32_t headerWord2 = 0;
  uint32_t rowCount = 0;
  uint32_t headerWord3 = 0;
  uint8_t tableType = 0;
  uint16_t maxColumns = 0;
  uint16_t variableColumnCount = 0;
  uint16_t columnCount = 0;  // values per row in the table data file
  uint32_t indexCount = 0;
  uint32_t realIndexCount = 0;
  uint32_t headerWord4 = 0;
  uint32_t headerWord5 = 0;
};

class CAccessTable {
 public:
  explicit CAccessTable(uint64_t tableDefOffset) : tableDefOffset(tableDefOffset) {}
  CAccessTable(const CAccessTable&) = delete;
  CAccessTable& operator=(const CAccessTable&) = delete;
  // Deletes the table's data file.
  ~CAccessTable();

  // Decimal text of the definition page number in 4096-byte pages: what
  // MSysComplexColumns rows (which only .accdb files have) refer to.
  std::u16string IdText() const;
  std::filesystem::path DataFilePath() const;

  CAccessTableDefInfo tableDefInfo;
  CAccessTableIndexList indexList;
  CAccessColumnList columnList;
  std::vector<uint64_t> dataPageList;  // file offsets, in the order the scan found them
  bool keep = true;                    // false: removed by the next purge
  bool textBeyondLatin1 = false;       // an indexed text value holds a character beyond U+00FF
  TableLosses losses;                  // what the scan could not bring back
  // The table's own properties and its columns', as the source stores them;
  // read when the catalogue has the table's row (none may be set there).
  std::vector<format::PropertyObject> properties;
  bool propertiesRead = false;
  std::u16string name;                 // empty until the catalogue names it
  const uint64_t tableDefOffset;       // the table's identity
};

}  // namespace tarvex::model
