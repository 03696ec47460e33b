#include "engine/row_values.h"

#include <algorithm>
#include <utility>

#include "format/calculated_value.h"
#include "format/long_value.h"
#include "format/value_types.h"
#include "model/ole_file_list.h"

namespace tarvex::engine {
namespace {

using format::Bytes;
using format::CDataReader;

using format::ColumnType;
using format::TypeCode;

struct Cell {
  std::optional<std::vector<uint8_t>> owned;  // long values
  Bytes bytes;                                // the value's bytes: in the row, or `owned`
  bool present = false;
};

bool IsLongValue(uint8_t type) {
  return type == TypeCode(ColumnType::kMemo) || type == TypeCode(ColumnType::kOle);
}

// A long value read into memory; its bytes are the cell's once it has reached its caller.
Cell OwnedCell(std::optional<std::vector<uint8_t>> value) {
  Cell cell;
  cell.present = value.has_value();
  cell.owned = std::move(value);
  return cell;
}

// A variable column's value: a long value's header leads to its bytes; any
// other value is its bytes, zero of them under a set null-mask bit being a
// zero-length value, which differs from null.
Cell VariableCell(Bytes value, const model::CAccessColInfo& column, CLongValueReader& longValues) {
  // An OLE value is the path of its object's file, so an empty object gets an empty file.
  if (value.empty() && column.type == TypeCode(ColumnType::kOle))
    return OwnedCell(longValues.EmptyOleValue());
  if (IsLongValue(column.type) && value.size() >= format::kLongValueHeaderSize) {
    const Bytes header = value.first(format::kLongValueHeaderSize);
    const Bytes rest = value.subspan(format::kLongValueHeaderSize);
    return OwnedCell(column.type == TypeCode(ColumnType::kMemo)
                         ? longValues.MemoValue(header, rest)
                         : longValues.OleValue(header, rest));
  }
  return Cell{std::nullopt, value, true};
}

}  // namespace

format::RowColumn RowColumnOf(const model::CAccessColInfo& column,
                              const format::JetLayout& layout) {
  const bool wideText =
      layout.version == format::JetVersion::kJet4 && column.type == TypeCode(ColumnType::kText);
  return {.number = column.columnNumber,
          .variable = column.IsVariable(),
          .boolean = !column.IsVariable() && column.type == TypeCode(ColumnType::kBoolean),
          .variableIndex = column.variableIndex,
          .fixedOffset = column.fixedOffset,
          .length = wideText ? 2u * column.length : column.length};
}

format::RowShape RowShapeOf(const model::CAccessTable& table) {
  const bool variable = std::any_of(table.columnList.begin(), table.columnList.end(),
                                    [](const auto& column) { return column.colInfo.IsVariable(); });
  return {.maxColumns = table.tableDefInfo.maxColumns, .hasVariableColumns = variable};
}

std::optional<std::vector<std::optional<std::u16string>>> RowValueCutter::Cut(
    Bytes row, const model::CAccessTable& table, std::vector<model::ColumnLosses>* losses) {
  Prepare(table);
  RowCells cells;
  if (!CutCells(row, table, cells, losses)) return std::nullopt;
  std::vector<std::optional<std::u16string>> texts;
  size_t i = 0;
  for (const auto& column : table.columnList) {
    if (i == cells.bytes.size()) break;
    texts.push_back(format::FormatValue(ContextOf(column.colInfo), column.colInfo.type,
                                        cells.bytes[i], cells.nullMaskBit[i]));
    ++i;
  }
  return texts;
}

format::ValueContext RowValueCutter::ContextOf(const model::CAccessColInfo& column) const {
  return {layout_.version, column.Scale(), codePage_};
}

void RowValueCutter::Prepare(const model::CAccessTable& table) {
  shape_ = RowShapeOf(table);
  places_.clear();
  for (const auto& column : table.columnList)
    places_.push_back(RowColumnOf(column.colInfo, layout_));
}

bool RowValueCutter::CutCells(Bytes row, const model::CAccessTable& table, RowCells& cells,
                              std::vector<model::ColumnLosses>* losses,
                              const format::RowDecoder* decoded) {
  if (decoded == nullptr || !decoded->Holds(row, layout_, shape_)) {
    if (row_.Decode(row, layout_, shape_) != format::RowProblem::kNone) return false;
    decoded = &row_;
  }
  const format::RowDecoder& parts = *decoded;
  const size_t columns = places_.size();
  cells.bytes.resize(columns);
  cells.nullMaskBit.resize(columns);
  cells.owned.resize(columns);
  size_t i = 0;
  for (const auto& column : table.columnList) {
    if (i == columns) break;
    const auto& info = column.colInfo;
    const format::RowColumn& place = places_[i];
    const auto value = parts.Value(place);
    // A Boolean's value is its null-mask bit.
    Cell cell{std::nullopt, value.value_or(Bytes{}),
              value.has_value() || (place.boolean && parts.HasValue(place.number))};
    if (value && place.variable) cell = VariableCell(*value, info, longValues_);
    if (cell.owned) {
      cells.owned[i] = std::move(*cell.owned);
      cell.bytes = cells.owned[i];
    }
    if (info.IsCalculated() && cell.present) cell.bytes = format::CalculatedResult(cell.bytes);
    cells.bytes[i] = cell.bytes;
    cells.nullMaskBit[i] = cell.present;
    // Every type but Boolean, the only one that is never null, has a text exactly when present.
    if (info.type == TypeCode(ColumnType::kOle) && cell.present)
      model::AppendOleFileName(*format::FormatValue(ContextOf(info), info.type, cell.bytes, true));
    if (losses && i < losses->size()) {
      // The null mask says a value is there: one that did not come out was lost.
      const bool stored =
          !place.boolean && parts.HasValue(place.number) && (place.variable || place.length > 0);
      auto& lost = (*losses)[i];
      if (stored && !cell.present) ++lost.unreadable;
      if (cell.present && IsLongValue(info.type) && cell.owned && longValues_.lastValuePartial())
        ++lost.partial;
    }
    ++i;
  }
  return true;
}

}  // namespace tarvex::engine
