#include "engine/row_values.h"

#include <utility>

#include "engine/row_layout.h"
#include "format/value_types.h"
#include "model/ole_file_list.h"

namespace tarvex::engine {
namespace {

using format::Bytes;
using format::CDataReader;

using format::ColumnType;
using format::TypeCode;

constexpr size_t kLongValueHeaderLength = 12;

struct Cell {
  std::optional<std::vector<uint8_t>> owned;  // long values
  Bytes bytes;                                // the value's bytes: in the row, or `owned`
  bool present = false;
};

bool IsLongValue(uint8_t type) {
  return type == TypeCode(ColumnType::kMemo) || type == TypeCode(ColumnType::kOle);
}

// Bytes a fixed column takes: the model keeps a Jet 4 text column's length in characters.
uint32_t FixedByteLength(const model::CAccessColInfo& column, const format::JetLayout& layout) {
  const bool wideText =
      layout.version == format::JetVersion::kJet4 && column.type == TypeCode(ColumnType::kText);
  return wideText ? 2u * column.length : column.length;
}

Cell FixedCell(Bytes row, const RowLayout& parts, const model::CAccessColInfo& column,
               const format::JetLayout& layout) {
  const size_t countWidth = layout.rowColumnCountSize;
  const uint32_t length = FixedByteLength(column, layout);
  Cell cell;
  // A boolean occupies no bytes: its value is its null-mask bit, wherever its entry says it lies.
  if (column.type == TypeCode(ColumnType::kBoolean)) {
    cell.present = parts.Present(column.columnNumber);
    return cell;
  }
  uint64_t dataEnd = row.size();
  if (!parts.variableOffsets.empty() && parts.variableOffsets[0])
    dataEnd = *parts.variableOffsets[0];
  if (uint64_t{column.fixedOffset} + length + countWidth > dataEnd) return cell;
  if (!parts.Present(column.columnNumber)) return cell;
  if (length == 0) return cell;
  if (auto bytes = CDataReader::Slice(row, countWidth + column.fixedOffset, length)) {
    cell.bytes = *bytes;
    cell.present = true;
  }
  return cell;
}

// A long value read into memory; its bytes are the cell's once it has reached its caller.
Cell OwnedCell(std::optional<std::vector<uint8_t>> value) {
  Cell cell;
  cell.present = value.has_value();
  cell.owned = std::move(value);
  return cell;
}

// A variable column's value. A clear null-mask bit, or offsets that cannot be
// read, make it null; equal start and end offsets under a set bit hold a
// zero-length value, which differs from null.
Cell VariableCell(Bytes row, const RowLayout& parts, const model::CAccessColInfo& column,
                  CLongValueReader& longValues) {
  Cell cell;
  if (!parts.Present(column.columnNumber) || column.variableIndex >= parts.variableCount)
    return cell;
  const std::optional<uint32_t> start = parts.variableOffsets[column.variableIndex];
  const std::optional<uint32_t> end = parts.variableOffsets[column.variableIndex + 1];
  if (!start || !end || *start > *end) return cell;
  if (*start == *end) {
    if (*end >= row.size()) return cell;
    // An OLE value is the path of its object's file, so an empty object gets an empty file.
    if (column.type == TypeCode(ColumnType::kOle)) return OwnedCell(longValues.EmptyOleValue());
    cell.present = true;
    return cell;
  }
  if (IsLongValue(column.type) && CDataReader::Fits(row, *start, kLongValueHeaderLength)) {
    const Bytes header = row.subspan(*start, kLongValueHeaderLength);
    const Bytes rest = row.subspan(*start + kLongValueHeaderLength);
    return OwnedCell(column.type == TypeCode(ColumnType::kMemo)
                         ? longValues.MemoValue(header, rest)
                         : longValues.OleValue(header, rest));
  }
  // Any other value of one byte or more is its bytes: a binary column may hold a single byte.
  if (*end < row.size()) {
    cell.bytes = row.subspan(*start, *end - *start);
    cell.present = true;
  }
  return cell;
}

// A calculated column's stored value: a 16-byte prefix, the result's length, then the result.
Bytes CalculatedResult(Bytes stored) {
  constexpr size_t kLengthOffset = 16;
  constexpr size_t kResultOffset = 20;
  auto length = CDataReader::U32(stored, kLengthOffset);
  if (!length) return {};
  return CDataReader::Slice(stored, kResultOffset, *length).value_or(Bytes{});
}

}  // namespace

std::optional<std::vector<std::optional<std::u16string>>> RowValueCutter::Cut(
    Bytes row, const model::CAccessTable& table) {
  auto parts = ReadRowLayout(row, layout_, table);
  if (!parts) return std::nullopt;
  std::vector<std::optional<std::u16string>> texts;
  texts.reserve(static_cast<size_t>(table.columnList.count()));
  for (const auto& column : table.columnList) {
    const auto& info = column.colInfo;
    Cell cell = info.IsVariable() ? VariableCell(row, *parts, info, longValues_)
                                  : FixedCell(row, *parts, info, layout_);
    if (cell.owned) cell.bytes = *cell.owned;
    if (info.IsCalculated() && cell.present) cell.bytes = CalculatedResult(cell.bytes);
    const format::ValueContext context{layout_.version, info.Scale(), codePage_};
    texts.push_back(format::FormatValue(context, info.type, cell.bytes, cell.present));
    if (info.type == TypeCode(ColumnType::kOle) && texts.back())
      model::AppendOleFileName(*texts.back());
  }
  return texts;
}

}  // namespace tarvex::engine
