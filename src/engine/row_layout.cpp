#include "engine/row_layout.h"

#include <algorithm>

namespace tarvex::engine {
namespace {

using format::CDataReader;

constexpr uint16_t kMaxJet4Columns = 255;

bool HasVariableColumns(const model::CAccessTable& table) {
  return std::any_of(table.columnList.begin(), table.columnList.end(),
                     [](const auto& column) { return column.colInfo.IsVariable(); });
}

// Signed position arithmetic: a short row makes these negative, which reads as "outside".
std::optional<uint8_t> ByteAt(format::Bytes row, int64_t position) {
  if (position < 0) return std::nullopt;
  return CDataReader::U8(row, static_cast<size_t>(position));
}

void ReadJet4Offsets(format::Bytes row, size_t maskLength, RowLayout& result) {
  const int64_t length = static_cast<int64_t>(row.size());
  const int64_t countAt = length - static_cast<int64_t>(maskLength) - 2;
  if (countAt < 0) return;
  uint32_t count = *CDataReader::U16(row, static_cast<size_t>(countAt));
  if (count > result.columnCount) count = 1;
  result.variableCount = count;
  for (uint32_t k = 0; k <= count; ++k) {
    const int64_t at = countAt - 2 - 2 * static_cast<int64_t>(k);
    result.variableOffsets.push_back(at < 0 ? std::nullopt : CDataReader::U16(row, static_cast<size_t>(at)));
  }
}

// The jump table's length: the end-of-data entry points at its own position.
int64_t Jet3JumpCount(format::Bytes row, int64_t maskLength, uint32_t count) {
  const int64_t length = static_cast<int64_t>(row.size());
  const int64_t candidates = (length - count - maskLength - 2) / 256 + 1;
  if (candidates <= 0) return 0;
  for (int64_t e = 0; e <= candidates; ++e) {
    const int64_t position = length - maskLength - 2 - count - e;
    auto value = ByteAt(row, position);
    if (value && *value == position % 256) return e;
  }
  return 0;
}

void ReadJet3Offsets(format::Bytes row, size_t maskLength, RowLayout& result) {
  const int64_t length = static_cast<int64_t>(row.size());
  const int64_t mask = static_cast<int64_t>(maskLength);
  auto count = ByteAt(row, length - mask - 1);
  if (!count) return;
  result.variableCount = *count;
  const int64_t jumps = Jet3JumpCount(row, mask, *count);
  std::vector<uint8_t> jumpTable;
  for (int64_t j = 0; j < jumps; ++j) jumpTable.push_back(ByteAt(row, length - mask - 2 - j).value_or(0xFF));
  for (uint32_t i = 0; i <= *count; ++i) {
    auto low = ByteAt(row, length - mask - 2 - jumps - i);
    if (!low) {
      result.variableOffsets.push_back(std::nullopt);
      continue;
    }
    const auto passed = std::count_if(jumpTable.begin(), jumpTable.end(), [i](uint8_t jump) { return jump <= i; });
    result.variableOffsets.push_back(*low + 256 * static_cast<uint32_t>(passed));
  }
}

}  // namespace

bool RowLayout::Present(uint16_t columnNumber) const {
  if (columnNumber >= columnCount) return false;
  const size_t byte = columnNumber / 8;
  return byte < nullMask.size() && (nullMask[byte] >> (columnNumber % 8) & 1) != 0;
}

std::optional<RowLayout> ReadRowLayout(format::Bytes row, const format::JetLayout& layout,
                                       const model::CAccessTable& table) {
  const bool jet4 = layout.version == format::JetVersion::kJet4;
  if (row.size() < layout.rowColumnCountSize) return std::nullopt;
  RowLayout result;
  result.columnCount = jet4 ? *CDataReader::U16(row, 0) : *CDataReader::U8(row, 0);
  if (result.columnCount == 0 || result.columnCount > table.tableDefInfo.maxColumns ||
      (jet4 && result.columnCount > kMaxJet4Columns)) {
    return std::nullopt;
  }
  const size_t maskLength = (result.columnCount - 1) / 8 + 1;
  if (row.size() >= maskLength) result.nullMask.assign(row.end() - static_cast<long>(maskLength), row.end());
  if (HasVariableColumns(table)) {
    if (jet4) {
      ReadJet4Offsets(row, maskLength, result);
    } else {
      ReadJet3Offsets(row, maskLength, result);
    }
  }
  return result;
}

}  // namespace tarvex::engine
