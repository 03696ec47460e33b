#include "dao/row_codec.h"

#include <algorithm>

#include "dao/field_type.h"
#include "format/data_reader.h"
#include "format/jet_layout.h"

namespace tarvex::dao {
namespace {

using format::CDataReader;
using format::kJet4Layout;

constexpr uint8_t kBooleanType = static_cast<uint8_t>(FieldType::kBoolean);

size_t MaskLength(uint16_t columnCount) { return (static_cast<size_t>(columnCount) + 7) / 8; }

}  // namespace

std::vector<uint8_t> EncodeRow(const TableDefinition& d, std::span<const StoredValue> values) {
  const size_t countSize = kJet4Layout.rowColumnCountSize;
  std::vector<uint8_t> row(countSize + d.FixedAreaLength(), 0);
  format::PutU16(row, 0, d.maxColumns);
  std::vector<uint8_t> mask(MaskLength(d.maxColumns), 0);
  uint16_t varCount = d.VariableColumnCount();
  std::vector<uint16_t> varOffsets(varCount, 0);
  std::vector<size_t> byVarIndex(varCount, SIZE_MAX);
  for (size_t i = 0; i < d.columns.size(); ++i) {
    const auto& c = d.columns[i];
    if (values[i]) mask[c.number / 8] |= static_cast<uint8_t>(1u << (c.number % 8));
    if (!c.IsFixed() && c.varIndex < varCount) byVarIndex[c.varIndex] = i;
    if (c.IsFixed() && c.type != kBooleanType && values[i])
      std::copy_n(values[i]->begin(), std::min<size_t>(values[i]->size(), c.length),
                  row.begin() + static_cast<std::ptrdiff_t>(countSize + c.fixedOffset));
  }
  if (varCount > 0) {
    for (uint16_t v = 0; v < varCount; ++v) {
      varOffsets[v] = static_cast<uint16_t>(row.size());
      size_t i = byVarIndex[v];
      if (i != SIZE_MAX && values[i]) row.insert(row.end(), values[i]->begin(), values[i]->end());
    }
    uint16_t eod = static_cast<uint16_t>(row.size());
    size_t at = row.size();
    row.resize(at + 2 * (varCount + 2));
    format::PutU16(row, at, eod);
    for (uint16_t v = 0; v < varCount; ++v)
      format::PutU16(row, at + 2 * (varCount - v), varOffsets[v]);
    format::PutU16(row, at + 2 * (varCount + 1), varCount);
  }
  row.insert(row.end(), mask.begin(), mask.end());
  return row;
}

RowView::RowView(const TableDefinition& definition, std::span<const uint8_t> row)
    : definition_(definition), row_(row) {
  auto count = CDataReader::U16(row, 0);
  if (!count) return;
  columnCount_ = *count;
  size_t maskLength = MaskLength(columnCount_);
  if (maskLength + 2 > row.size()) return;
  maskStart_ = row.size() - maskLength;
  if (definition.VariableColumnCount() > 0) {
    auto vars = CDataReader::U16(row, maskStart_ - 2);
    if (!vars) return;
    varCount_ = *vars;
    if (maskStart_ < 2 + 2 * (static_cast<size_t>(varCount_) + 1)) return;
  }
  sound_ = true;
}

bool RowView::NullMaskBit(uint16_t number) const {
  if (!sound_ || number >= columnCount_) return false;
  return (row_[maskStart_ + number / 8] >> (number % 8)) & 1;
}

bool RowView::BooleanValue(size_t columnIndex) const {
  return NullMaskBit(definition_.columns[columnIndex].number);
}

std::optional<std::span<const uint8_t>> RowView::Value(size_t columnIndex) const {
  const auto& c = definition_.columns[columnIndex];
  if (!NullMaskBit(c.number)) return std::nullopt;
  if (c.IsFixed())
    return CDataReader::Slice(row_, kJet4Layout.rowColumnCountSize + c.fixedOffset, c.length);
  if (c.varIndex >= varCount_) return std::nullopt;
  // Offsets are stored from the mask backwards: n, then column 0, 1, ... and eod.
  size_t tableEnd = maskStart_ - 2;
  auto start = CDataReader::U16(row_, tableEnd - 2 * (static_cast<size_t>(c.varIndex) + 1));
  auto end = CDataReader::U16(row_, tableEnd - 2 * (static_cast<size_t>(c.varIndex) + 2));
  if (!start || !end || *end < *start || *end > tableEnd) return std::nullopt;
  return row_.subspan(*start, *end - *start);
}

}  // namespace tarvex::dao
