#pragma once
// Jet 4 rows: the column count, the fixed area, the variable data with its
// offset table, and the null mask (whose bit is also a Boolean's value).
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "dao/table_definition.h"

namespace tarvex::dao {

// One column's value as stored: nothing for null; for a Boolean, an empty
// vector means True (its bit set) and nullopt False.
using StoredValue = std::optional<std::vector<uint8_t>>;

// Encodes a row; `values` is indexed like definition.columns.
std::vector<uint8_t> EncodeRow(const TableDefinition& definition,
                               std::span<const StoredValue> values);

// The bytes each column holds in an existing row, bounds-checked against the
// row (a value that does not fit reads as null). Indexed like definition.columns.
class RowView {
 public:
  RowView(const TableDefinition& definition, std::span<const uint8_t> row);
  // Null when the column is null, or when its bytes do not lie inside the row.
  std::optional<std::span<const uint8_t>> Value(size_t columnIndex) const;
  bool BooleanValue(size_t columnIndex) const;

 private:
  bool NullMaskBit(uint16_t columnNumber) const;

  const TableDefinition& definition_;
  std::span<const uint8_t> row_;
  uint16_t columnCount_ = 0;
  size_t maskStart_ = 0;
  uint16_t varCount_ = 0;
  bool sound_ = false;
};

}  // namespace tarvex::dao
