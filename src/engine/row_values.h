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

// One row's values as cut, before they become texts: one per column in
// column-list order, kept from row to row so that their storage is reused.
struct RowCells {
  std::vector<format::Bytes> bytes;         // in the row, or in `owned`
  std::vector<bool> nullMaskBit;            // as FormatValue takes it
  std::vector<std::vector<uint8_t>> owned;  // long values, read from their own pages
};

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

  // Takes the columns of `table`, whose rows CutCells then cuts.
  void Prepare(const model::CAccessTable& table);
  // The values of a row of the prepared table into `cells`, their texts still
  // to be made; false when the row is rejected. Losses are counted as by Cut,
  // and an OLE value's file is listed.
  // `decoded` may hold the row decoded already (by a frame check), which then
  // is not decoded again.
  bool CutCells(format::Bytes row, const model::CAccessTable& table, RowCells& cells,
                std::vector<model::ColumnLosses>* losses = nullptr,
                const format::RowDecoder* decoded = nullptr);
  // How the values of `column` become texts.
  format::ValueContext ContextOf(const model::CAccessColInfo& column) const;

 private:
  const format::JetLayout& layout_;
  uint16_t codePage_;
  CLongValueReader& longValues_;
  format::RowDecoder row_;
  // Of the prepared table: its row shape, and where each column lies in its rows.
  format::RowShape shape_;
  std::vector<format::RowColumn> places_;
};

}  // namespace tarvex::engine
