#include "engine/row_values.h"

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
  Bytes bytes;
  bool present = false;
};

bool IsLongValue(uint8_t type) { return type == TypeCode(ColumnType::kMemo) || type == TypeCode(ColumnType::kOle); }

Cell FixedCell(Bytes row, const RowLayout& parts, const model::CAccessColInfo& column, size_t countWidth) {
  Cell cell;
  uint64_t dataEnd = row.size();
  if (!parts.variableOffsets.empty() && parts.variableOffsets[0]) dataEnd = *parts.variableOffsets[0];
  if (uint64_t{column.fixedOffset} + column.length + countWidth > dataEnd) return cell;
  if (!parts.Present(column.columnNumber)) return cell;
  if (column.type == TypeCode(ColumnType::kBoolean)) {
    cell.present = true;
    return cell;
  }
  if (column.length == 0) return cell;
  if (auto bytes = CDataReader::Slice(row, countWidth + column.fixedOffset, column.length)) {
    cell.bytes = *bytes;
    cell.present = true;
  }
  return cell;
}

}  // namespace

std::optional<std::vector<std::u16string>> RowValueCutter::Cut(Bytes row, const model::CAccessTable& table) {
  auto parts = ReadRowLayout(row, layout_, table);
  if (!parts) return std::nullopt;
  const bool jet4 = layout_.version == format::JetVersion::kJet4;
  std::vector<std::u16string> texts;
  texts.reserve(static_cast<size_t>(table.columnList.count()));
  for (const auto& column : table.columnList) {
    const auto& info = column.colInfo;
    Cell cell;
    if (!info.IsVariable()) {
      cell = FixedCell(row, *parts, info, layout_.rowColumnCountSize);
    } else if (info.variableIndex < parts->variableCount && parts->variableOffsets[info.variableIndex] &&
               parts->variableOffsets[info.variableIndex + 1]) {
      const uint32_t start = *parts->variableOffsets[info.variableIndex];
      const uint32_t end = *parts->variableOffsets[info.variableIndex + 1];
      const bool bigEnough = start < end && end - start >= (jet4 ? 2u : 1u);
      if (bigEnough && IsLongValue(info.type) && CDataReader::Fits(row, start, kLongValueHeaderLength)) {
        const Bytes header = row.subspan(start, kLongValueHeaderLength);
        const Bytes rest = row.subspan(start + kLongValueHeaderLength);
        cell.owned = info.type == TypeCode(ColumnType::kMemo) ? longValues_.MemoValue(header, rest)
                                                    : longValues_.OleValue(header, rest);
        if (cell.owned) cell.bytes = *cell.owned;
        cell.present = cell.owned.has_value();
      } else if (bigEnough && end < row.size()) {
        cell.bytes = row.subspan(start, end - start);
        cell.present = true;
      }
    }
    const format::ValueContext context{layout_.version, info.Scale(), codePage_};
    texts.push_back(format::FormatValue(context, info.type, cell.bytes, cell.present));
    if (info.type == TypeCode(ColumnType::kOle) && cell.present) model::AppendOleFileName(texts.back());
  }
  return texts;
}

}  // namespace tarvex::engine
