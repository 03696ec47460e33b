#pragma once
// The decoded table definition (TDEF) of one table and its encoder. Each
// descriptor keeps the bytes it was read from, so a definition read from a
// file is written back unchanged apart from the fields this engine updates.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dao/field_type.h"
#include "dao/jet4_constants.h"
#include "dao/row_pointer.h"

namespace tarvex::dao {

struct ColumnDefinition {
  std::u16string name;
  uint8_t type = 0;
  uint16_t number = 0;    // bit in the null mask; never reused
  uint16_t varIndex = 0;  // slot in the row's variable-offset table (variable columns)
  uint16_t position = 0;  // ordinal among the live columns
  uint8_t flags = 0;
  uint8_t extraFlags = 0;
  uint16_t fixedOffset = 0;  // in the row's fixed area (fixed columns)
  uint16_t length = 0;       // bytes
  std::vector<uint8_t> raw;  // the descriptor as read (empty for a new column)

  // Asked for every value of every row: kept inline.
  bool IsFixed() const { return (flags & jet4::kColumnFixed) != 0; }
  bool IsLongValue() const {
    return type == static_cast<uint8_t>(FieldType::kMemo) ||
           type == static_cast<uint8_t>(FieldType::kLongBinary);
  }
};

struct IndexKeyColumn {
  uint16_t columnNumber = 0;
  bool ascending = true;
};

struct RealIndexDefinition {
  std::vector<IndexKeyColumn> keys;
  RowPointer usageMap;
  uint32_t rootPage = 0;
  uint8_t flags = 0;
  uint32_t uniqueCount = 0;       // from the row-count block
  std::vector<uint8_t> rawBlock;  // row-count block as read
  std::vector<uint8_t> raw;       // descriptor as read
};

struct LogicalIndexDefinition {
  std::u16string name;
  uint32_t number = 0;
  uint32_t realNumber = 0;
  uint8_t indexType = 0;     // 0 ordinary, 1 primary key, 2 foreign key
  std::vector<uint8_t> raw;  // descriptor as read
};

struct LongValueMaps {
  uint16_t columnNumber = 0;
  RowPointer owned;
  RowPointer free;
};

struct TableDefinition {
  uint8_t tableType = 0;
  uint32_t rowCount = 0;
  uint32_t autoNumber = 0;  // last value handed out
  uint16_t maxColumns = 0;
  RowPointer ownedMap;
  RowPointer freeMap;
  std::vector<ColumnDefinition> columns;  // in column-number order
  std::vector<RealIndexDefinition> realIndexes;
  std::vector<LogicalIndexDefinition> logicalIndexes;
  std::vector<LongValueMaps> longValueMaps;
  std::vector<uint8_t> rawHeader;  // header as read (empty for a new table)

  const ColumnDefinition* ColumnByNumber(uint16_t number) const;
  uint16_t VariableColumnCount() const;
  uint16_t FixedAreaLength() const;
};

// The logical definition stream (page header included, continuation headers
// excluded) of `definition`.
std::vector<uint8_t> EncodeTableDefinition(const TableDefinition& definition);

// Decodes a logical definition stream; throws DaoException when it is damaged.
TableDefinition DecodeTableDefinition(std::span<const uint8_t> stream);

// Lays out a new table's columns: numbers, positions, fixed offsets, max
// columns and variable indexes (in column order, or with memo and long binary
// columns after the others when `longValuesLast`).
void AssignColumnLayout(TableDefinition& definition, bool longValuesLast);

}  // namespace tarvex::dao
