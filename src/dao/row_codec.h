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

// Encodes the rows of one table into a buffer it keeps, so that appending a
// row allocates nothing. The row layout is worked out once: the definition's
// columns must not change while the encoder is in use (a stored table's never do).
class RowEncoder {
 public:
  explicit RowEncoder(const TableDefinition& definition);
  RowEncoder(const RowEncoder&) = delete;
  RowEncoder& operator=(const RowEncoder&) = delete;
  // The encoded row, valid until the next call; `values` is indexed like definition.columns.
  std::span<const uint8_t> Encode(std::span<const StoredValue> values);

 private:
  const TableDefinition& definition_;
  size_t fixedEnd_ = 0;  // the column count and the fixed area
  uint16_t varCount_ = 0;
  std::vector<size_t> columnOfVarIndex_;  // SIZE_MAX: no column
  std::vector<uint8_t> row_;
};

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
