#pragma once
// The engine's rows, encoded and decoded by the format's row codec: each
// column's place in the row comes from its definition.
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "dao/table_definition.h"
#include "format/row.h"

namespace tarvex::dao {

using StoredValue = format::StoredValue;

// The place of each column in the rows, indexed like definition.columns.
std::vector<format::RowColumn> RowColumns(const TableDefinition& definition);

// The values of one decoded row, indexed like definition.columns; a value
// whose bytes do not lie where they should reads as null.
class RowView {
 public:
  RowView(std::span<const format::RowColumn> columns, const format::RowDecoder& row)
      : columns_(columns), row_(row) {}
  std::optional<std::span<const uint8_t>> Value(size_t columnIndex) const {
    return row_.Value(columns_[columnIndex]);
  }
  bool BooleanValue(size_t columnIndex) const {
    return row_.HasValue(columns_[columnIndex].number);
  }

 private:
  std::span<const format::RowColumn> columns_;
  const format::RowDecoder& row_;
};

}  // namespace tarvex::dao
