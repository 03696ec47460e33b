#pragma once
// Turns one stored row into one value text per column of its table.
#include <optional>
#include <string>
#include <vector>

#include "engine/long_value_reader.h"
#include "format/row.h"
#include "format/value_format.h"
#include "model/access_table.h"

namespace tarvex::engine {

// Where a column of the model lies in its table's rows; the model keeps a Jet 4
// text column's length in characters.
format::RowColumn RowColumnOf(const model::CAccessColInfo& column, const format::JetLayout& layout);
format::RowShape RowShapeOf(const model::CAccessTable& table);

class RowValueCutter {
 public:
  RowValueCutter(const format::JetLayout& layout, uint16_t codePage, CLongValueReader& longValues)
      : layout_(layout), codePage_(codePage), longValues_(longValues) {}

  // The value texts of the row, one per column in column-list order, each
  // nothing for a null value; nothing at all when the row is rejected. Values
  // read in part or not at all are counted in `losses` (one per column) when given.
  std::optional<std::vector<std::optional<std::u16string>>> Cut(
      format::Bytes row, const model::CAccessTable& table,
      std::vector<model::ColumnLosses>* losses = nullptr);

 private:
  const format::JetLayout& layout_;
  uint16_t codePage_;
  CLongValueReader& longValues_;
  format::RowDecoder row_;
};

}  // namespace tarvex::engine
