#include "format/row.h"

#include <algorithm>

namespace tarvex::format {
namespace {

// The jump-table entry no offset reaches.
constexpr uint8_t kJet3DummyJump = 0xFF;

size_t MaskLength(uint16_t columnCount) { return (size_t{columnCount} + 7) / 8; }

// Signed position arithmetic: a short row makes these negative, which reads as "outside".
std::optional<uint8_t> ByteAt(Bytes row, int64_t position) {
  if (position < 0) return std::nullopt;
  return CDataReader::U8(row, static_cast<size_t>(position));
}

// One jump-table entry per 256 bytes the row reaches past its first; the last
// may be one no offset reaches (the row's own trailer crossed the boundary).
int64_t Jet3JumpCount(Bytes row) { return (static_cast<int64_t>(row.size()) - 1) / 256; }

}  // namespace

RowProblem RowDecoder::Decode(Bytes row, const JetLayout& layout, const RowShape& shape) {
  row_ = row;
  countSize_ = layout.rowColumnCountSize;
  columnCount_ = 0;
  nullMask_ = {};
  variableCount_ = 0;
  offsets_.clear();
  fixedEnd_ = valuesEnd_ = 0;
  if (row.size() < countSize_) return RowProblem::kTooShort;
  const uint16_t count = countSize_ == 2 ? *CDataReader::U16(row, 0) : row[0];
  if (count == 0) return RowProblem::kNoColumns;
  if (count > shape.maxColumns || count > kMaxColumns) return RowProblem::kTooManyColumns;
  columnCount_ = count;
  const size_t maskLength = MaskLength(count);
  if (row.size() >= maskLength) {
    nullMask_ = row.last(maskLength);
    valuesEnd_ = row.size() - maskLength;
  }
  if (shape.hasVariableColumns) {
    if (layout.rowVariableOffsetSize == 2) {
      ReadJet4Offsets(maskLength);
    } else {
      ReadJet3Offsets(maskLength);
    }
  }
  fixedEnd_ = !offsets_.empty() && offsets_[0] >= 0 ? static_cast<size_t>(offsets_[0]) : valuesEnd_;
  return RowProblem::kNone;
}

// A count above the row's column count is damage; the first value is still worth a try.
void RowDecoder::ReadJet4Offsets(size_t maskLength) {
  const int64_t countAt = static_cast<int64_t>(row_.size()) - static_cast<int64_t>(maskLength) - 2;
  if (countAt < 0) return;
  uint32_t count = *CDataReader::U16(row_, static_cast<size_t>(countAt));
  if (count > columnCount_) count = 1;
  variableCount_ = count;
  for (uint32_t k = 0; k <= count; ++k) {
    const int64_t at = countAt - 2 - 2 * static_cast<int64_t>(k);
    offsets_.push_back(at < 0 ? -1 : *CDataReader::U16(row_, static_cast<size_t>(at)));
  }
  valuesEnd_ = static_cast<size_t>(std::max<int64_t>(0, countAt - 2 - 2 * int64_t{count}));
}

void RowDecoder::ReadJet3Offsets(size_t maskLength) {
  const int64_t length = static_cast<int64_t>(row_.size());
  const int64_t mask = static_cast<int64_t>(maskLength);
  const auto count = ByteAt(row_, length - mask - 1);
  if (!count) return;
  variableCount_ = *count;
  const int64_t jumps = Jet3JumpCount(row_);
  const int64_t firstOffset = length - mask - 2 - jumps;
  for (uint32_t i = 0; i <= *count; ++i) {
    const auto low = ByteAt(row_, firstOffset - i);
    if (!low) {
      offsets_.push_back(-1);
      continue;
    }
    int64_t passed = 0;
    for (int64_t j = 0; j < jumps; ++j)
      passed += ByteAt(row_, length - mask - 2 - j).value_or(0xFF) <= i;
    offsets_.push_back(*low + 256 * passed);
  }
  valuesEnd_ = static_cast<size_t>(std::max<int64_t>(0, firstOffset - *count));
}

bool RowDecoder::HasValue(uint16_t columnNumber) const {
  if (columnNumber >= columnCount_) return false;
  const size_t byte = columnNumber / 8u;
  return byte < nullMask_.size() && (nullMask_[byte] >> (columnNumber % 8) & 1) != 0;
}

std::optional<Bytes> RowDecoder::Value(const RowColumn& column) const {
  if (column.boolean || !HasValue(column.number)) return std::nullopt;
  if (!column.variable) {
    const uint64_t start = countSize_ + column.fixedOffset;
    if (column.length == 0 || start + column.length > fixedEnd_) return std::nullopt;
    return row_.subspan(start, column.length);
  }
  if (column.variableIndex >= variableCount_) return std::nullopt;
  const int64_t start = offsets_[column.variableIndex];
  const int64_t end = offsets_[column.variableIndex + 1u];
  if (start < 0 || end < start || static_cast<uint64_t>(end) > valuesEnd_) return std::nullopt;
  return row_.subspan(static_cast<size_t>(start), static_cast<size_t>(end - start));
}

RowEncoder::RowEncoder(const JetLayout& layout, std::vector<RowColumn> columns,
                       uint16_t columnCount, size_t fixedAreaLength, uint16_t variableCount)
    : layout_(layout),
      columns_(std::move(columns)),
      columnCount_(columnCount),
      fixedEnd_(layout.rowColumnCountSize + fixedAreaLength),
      columnOfVariable_(variableCount, SIZE_MAX),
      offsets_(size_t{variableCount} + 1) {
  for (size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i].variable && columns_[i].variableIndex < variableCount)
      columnOfVariable_[columns_[i].variableIndex] = i;
}

Bytes RowEncoder::Encode(std::span<const StoredValue> values) {
  const size_t variables = columnOfVariable_.size();
  size_t tableStart = fixedEnd_;
  for (size_t i : columnOfVariable_)
    if (i != SIZE_MAX && values[i]) tableStart += values[i]->size();
  const size_t maskLength = MaskLength(columnCount_);
  size_t trailer = 0;
  size_t jumps = 0;
  if (variables > 0 && layout_.rowVariableOffsetSize == 2) trailer = 2 * (variables + 2);
  if (variables > 0 && layout_.rowVariableOffsetSize == 1) {
    trailer = variables + 2;
    jumps = tableStart / 256;
    if ((tableStart + trailer + jumps + maskLength - 1) / 256 > jumps) ++jumps;
    trailer += jumps;
  }
  row_.assign(tableStart + trailer + maskLength, 0);
  const size_t maskStart = row_.size() - maskLength;
  if (layout_.rowColumnCountSize == 2) {
    PutU16(row_, 0, columnCount_);
  } else {
    row_[0] = static_cast<uint8_t>(columnCount_);
  }
  for (size_t i = 0; i < columns_.size(); ++i) {
    const RowColumn& c = columns_[i];
    if (!values[i]) continue;
    if (c.number < columnCount_)
      row_[maskStart + c.number / 8u] |= static_cast<uint8_t>(1u << (c.number % 8));
    if (!c.variable && !c.boolean)
      std::copy_n(
          values[i]->begin(), std::min<size_t>(values[i]->size(), c.length),
          row_.begin() + static_cast<std::ptrdiff_t>(layout_.rowColumnCountSize + c.fixedOffset));
  }
  if (variables == 0) return row_;
  size_t at = fixedEnd_;
  for (size_t v = 0; v < variables; ++v) {
    offsets_[v] = at;
    const size_t i = columnOfVariable_[v];
    if (i == SIZE_MAX || !values[i]) continue;
    std::copy(values[i]->begin(), values[i]->end(), row_.begin() + static_cast<std::ptrdiff_t>(at));
    at += values[i]->size();
  }
  offsets_[variables] = tableStart;
  if (layout_.rowVariableOffsetSize == 1) {
    WriteJet3Offsets(tableStart, jumps);
    return row_;
  }
  for (size_t v = 0; v <= variables; ++v)
    PutU16(row_, tableStart + 2 * (variables - v), static_cast<uint16_t>(offsets_[v]));
  PutU16(row_, tableStart + 2 * (variables + 1), static_cast<uint16_t>(variables));
  return row_;
}

// Low bytes from the end of the values back to offset 0, then the jump table
// (entry 0 next to the count): entry k names the first offset of 256 (k + 1) or more.
void RowEncoder::WriteJet3Offsets(size_t tableStart, size_t jumps) {
  const size_t variables = columnOfVariable_.size();
  for (size_t v = 0; v <= variables; ++v)
    row_[tableStart + variables - v] = static_cast<uint8_t>(offsets_[v]);
  const size_t countAt = tableStart + variables + 1 + jumps;
  for (size_t k = 0; k < jumps; ++k) {
    const auto first =
        std::find_if(offsets_.begin(), offsets_.end(), [k](size_t o) { return o / 256 > k; });
    row_[countAt - 1 - k] =
        first == offsets_.end() ? kJet3DummyJump : static_cast<uint8_t>(first - offsets_.begin());
  }
  row_[countAt] = static_cast<uint8_t>(variables);
}

}  // namespace tarvex::format
