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

RowEncoder::RowEncoder(const TableDefinition& definition)
    : definition_(definition),
      fixedEnd_(kJet4Layout.rowColumnCountSize + definition.FixedAreaLength()),
      varCount_(definition.VariableColumnCount()),
      columnOfVarIndex_(varCount_, SIZE_MAX) {
  for (size_t i = 0; i < definition.columns.size(); ++i) {
    const auto& c = definition.columns[i];
    if (!c.IsFixed() && c.varIndex < varCount_) columnOfVarIndex_[c.varIndex] = i;
  }
}

std::span<const uint8_t> RowEncoder::Encode(std::span<const StoredValue> values) {
  const TableDefinition& d = definition_;
  size_t varLength = 0;
  for (size_t i : columnOfVarIndex_)
    if (i != SIZE_MAX && values[i]) varLength += values[i]->size();
  // Fixed area, variable data, offset table (end of data, one offset per
  // variable column from the last, their count), null mask.
  const size_t tableStart = fixedEnd_ + varLength;
  const size_t maskStart = varCount_ > 0 ? tableStart + 2 * (varCount_ + 2) : fixedEnd_;
  const size_t maskLength = MaskLength(d.maxColumns);
  row_.assign(maskStart + maskLength, 0);
  format::PutU16(row_, 0, d.maxColumns);
  for (size_t i = 0; i < d.columns.size(); ++i) {
    const auto& c = d.columns[i];
    if (!values[i]) continue;
    if (c.number / 8u < maskLength)
      row_[maskStart + c.number / 8] |= static_cast<uint8_t>(1u << (c.number % 8));
    if (c.IsFixed() && c.type != kBooleanType)
      std::copy_n(values[i]->begin(), std::min<size_t>(values[i]->size(), c.length),
                  row_.begin() +
                      static_cast<std::ptrdiff_t>(kJet4Layout.rowColumnCountSize + c.fixedOffset));
  }
  if (varCount_ > 0) {
    size_t at = fixedEnd_;
    for (uint16_t v = 0; v < varCount_; ++v) {
      format::PutU16(row_, tableStart + 2 * (varCount_ - v), static_cast<uint16_t>(at));
      const size_t i = columnOfVarIndex_[v];
      if (i == SIZE_MAX || !values[i]) continue;
      std::copy(values[i]->begin(), values[i]->end(),
                row_.begin() + static_cast<std::ptrdiff_t>(at));
      at += values[i]->size();
    }
    format::PutU16(row_, tableStart, static_cast<uint16_t>(tableStart));
    format::PutU16(row_, tableStart + 2 * (varCount_ + 1), varCount_);
  }
  return row_;
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
