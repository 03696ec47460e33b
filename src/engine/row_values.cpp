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
  Bytes bytes;  // the value's bytes: in the row, or in the column's storage
  bool present = false;
  bool longValue = false;  // read through the long-value reader
};

bool IsLongValue(uint8_t type) {
  return type == TypeCode(ColumnType::kMemo) || type == TypeCode(ColumnType::kOle);
}

// A long value read into `storage`, when it could be had.
Cell StoredCell(std::optional<std::vector<uint8_t>> value, std::vector<uint8_t>& storage) {
  if (!value) return {{}, false, true};
  storage = std::move(*value);
  return {storage, true, true};
}

// A variable column's value: a long value's header leads to its bytes, which go
// into `storage`; any other value is its bytes, zero of them under a set
// null-mask bit being a zero-length value, which differs from null.
Cell VariableCell(Bytes value, const model::CAccessColInfo& column, CLongValueReader& longValues,
                  std::vector<uint8_t>& storage) {
  // An OLE value is the path of its object's file, so an empty object gets an empty file.
  if (value.empty() && column.type == TypeCode(ColumnType::kOle))
    return StoredCell(longValues.EmptyOleValue(), storage);
  if (IsLongValue(column.type) && value.size() >= format::kLongValueHeaderSize) {
    const Bytes header = value.first(format::kLongValueHeaderSize);
    const Bytes rest = value.subspan(format::kLongValueHeaderSize);
    if (column.type == TypeCode(ColumnType::kOle))
      return StoredCell(longValues.OleValue(header, rest), storage);
    const bool read = longValues.MemoValueInto(header, rest, storage);
    return {read ? Bytes(storage) : Bytes{}, read, true};
  }
  return {value, true, false};
}

// Whether a calculated result of `size` bytes can be of `type`: a fixed-size type takes exactly
// its size (a calculated decimal has a layout of its own).
bool FitsResultType(uint8_t type, size_t size) {
  if (type == TypeCode(ColumnType::kNumeric)) return true;
  const auto info = std::find_if(format::kColumnTypes.begin(), format::kColumnTypes.end(),
                                 [&](const auto& known) { return TypeCode(known.type) == type; });
  return info == format::kColumnTypes.end() || info->fixedSize == 0 || info->fixedSize == size;
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
  return {layout_.version, column.Scale(), codePage_, column.IsCalculated()};
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
    Cell cell{value.value_or(Bytes{}),
              value.has_value() || (place.boolean && parts.HasValue(place.number))};
    if (value && place.variable) cell = VariableCell(*value, info, longValues_, cells.owned[i]);
    bool read = cell.present;
    bool nullMaskBit = cell.present;
    if (info.IsCalculated() && cell.present) {
      cell.bytes = format::CalculatedResult(cell.bytes);
      // A calculated Boolean is not kept in the null mask: its result byte is its value.
      // An empty result of a type other than text stands for null.
      if (info.type == TypeCode(ColumnType::kBoolean))
        nullMaskBit = !cell.bytes.empty() && cell.bytes[0] != 0;
      else if (cell.bytes.empty() && info.type != TypeCode(ColumnType::kText) &&
               info.type != TypeCode(ColumnType::kMemo))
        nullMaskBit = cell.present = false;
      // A result of another size than its type's was read with a type it does not have
      // (the catalogue's properties that name it were lost): not a value.
      else if (!cell.bytes.empty() && !FitsResultType(info.type, cell.bytes.size()))
        nullMaskBit = cell.present = read = false;
    }
    cells.bytes[i] = cell.bytes;
    cells.nullMaskBit[i] = nullMaskBit;
    // Every type but Boolean, the only one that is never null, has a text exactly when present.
    if (info.type == TypeCode(ColumnType::kOle) && cell.present)
      model::AppendOleFileName(*format::FormatValue(ContextOf(info), info.type, cell.bytes, true));
    if (losses && i < losses->size()) {
      // The null mask says a value is there: one that did not come out was lost.
      const bool stored =
          !place.boolean && parts.HasValue(place.number) && (place.variable || place.length > 0);
      auto& lost = (*losses)[i];
      if (stored && !read) ++lost.unreadable;
      if (cell.present && cell.longValue && longValues_.lastValuePartial()) ++lost.partial;
    }
    ++i;
  }
  return true;
}

}  // namespace tarvex::engine
