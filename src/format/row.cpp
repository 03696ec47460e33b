#include "format/row.h"

#include <algorithm>
#include <array>

#include "format/table_definition.h"

namespace tarvex::format {
namespace {

// The jump-table entry no offset reaches.
constexpr uint8_t kJet3DummyJump = 0xFF;

size_t MaskLength(uint16_t columnCount) { return (size_t{columnCount} + 7) / 8; }

// A 1- or 2-byte field; signed positions, as a short row makes them negative ("outside").
std::optional<uint16_t> FieldAt(Bytes row, int64_t position, size_t size) {
  if (position < 0) return std::nullopt;
  const auto at = static_cast<size_t>(position);
  if (size == 2) return CDataReader::U16(row, at);
  return CDataReader::U8(row, at);
}

void PutField(std::span<uint8_t> row, size_t at, size_t value, size_t size) {
  if (size == 2) PutU16(row, at, static_cast<uint16_t>(value));
  if (size == 1) row[at] = static_cast<uint8_t>(value);
}

// Jet 3 has one jump-table entry per 256 bytes the row reaches past its first;
// the last may be one no offset reaches (the row's own trailer crossed the boundary).
size_t JumpCount(size_t rowLength, size_t offsetSize) {
  return offsetSize == 1 && rowLength > 0 ? (rowLength - 1) / 256 : 0;
}

}  // namespace

RowProblem RowDecoder::Decode(Bytes row, const JetLayout& layout, const RowShape& shape) {
  problem_ = DecodeParts(row, layout, shape);
  return problem_;
}

bool RowDecoder::Holds(Bytes row, const JetLayout& layout, const RowShape& shape) const {
  return problem_ == RowProblem::kNone && row_.data() == row.data() && row_.size() == row.size() &&
         countSize_ == layout.rowColumnCountSize && shape_.maxColumns == shape.maxColumns &&
         shape_.hasVariableColumns == shape.hasVariableColumns;
}

RowProblem RowDecoder::DecodeParts(Bytes row, const JetLayout& layout, const RowShape& shape) {
  row_ = row;
  shape_ = shape;
  countSize_ = layout.rowColumnCountSize;
  columnCount_ = 0;
  nullMask_ = {};
  variableCount_ = 0;
  offsets_.clear();
  variableTable_ = shape.hasVariableColumns;
  variableCountDamaged_ = false;
  fixedEnd_ = valuesEnd_ = 0;
  const auto count = FieldAt(row, 0, countSize_);
  if (!count) return RowProblem::kTooShort;
  if (*count == 0) return RowProblem::kNoColumns;
  if (*count > shape.maxColumns || *count > kMaxColumns) return RowProblem::kTooManyColumns;
  columnCount_ = *count;
  const size_t maskLength = MaskLength(columnCount_);
  if (row.size() >= maskLength) {
    nullMask_ = row.last(maskLength);
    valuesEnd_ = row.size() - maskLength;
  }
  offsetSize_ = layout.rowVariableOffsetSize;
  if (shape.hasVariableColumns)
    ReadOffsets(std::nullopt);
  else
    fixedEnd_ = valuesEnd_;
  return RowProblem::kNone;
}

void RowDecoder::ReadOffsetsAs(uint32_t count) {
  if (problem_ != RowProblem::kNone || !shape_.hasVariableColumns) return;
  ReadOffsets(count);
}

// A Jet 4 count above the row's column count is damage; the first value is still worth a try.
void RowDecoder::ReadOffsets(std::optional<uint32_t> assumedCount) {
  const size_t size = offsetSize_;
  const size_t maskLength = MaskLength(columnCount_);
  offsets_.clear();
  variableCount_ = 0;
  valuesEnd_ = row_.size() - std::min(row_.size(), maskLength);
  fixedEnd_ = valuesEnd_;
  const int64_t countAt = static_cast<int64_t>(valuesEnd_) - static_cast<int64_t>(size);
  const auto count = FieldAt(row_, countAt, size);
  if (!count) return;
  variableCountDamaged_ = !assumedCount && *count > columnCount_;
  variableCount_ = assumedCount ? *assumedCount : size == 2 && variableCountDamaged_ ? 1 : *count;
  const auto jumps = static_cast<int64_t>(JumpCount(row_.size(), size));
  const int64_t firstOffset = countAt - jumps - static_cast<int64_t>(size);
  // Offset i gains 256 for each jump entry at most i: the entries are read once, as the count of
  // those at most each value, rather than once per offset.
  std::array<int64_t, 256> entriesAtMost{};
  if (jumps > 0) {
    for (int64_t j = 0; j < jumps; ++j)
      ++entriesAtMost[FieldAt(row_, countAt - 1 - j, 1).value_or(0xFF)];
    for (size_t value = 1; value < entriesAtMost.size(); ++value)
      entriesAtMost[value] += entriesAtMost[value - 1];
  }
  for (int64_t i = 0; i <= variableCount_; ++i) {
    const auto low = FieldAt(row_, firstOffset - i * static_cast<int64_t>(size), size);
    const int64_t passed = entriesAtMost[static_cast<size_t>(std::min<int64_t>(i, 0xFF))];
    offsets_.push_back(low ? *low + 256 * passed : -1);
  }
  valuesEnd_ = static_cast<size_t>(
      std::max<int64_t>(0, firstOffset - int64_t{variableCount_} * static_cast<int64_t>(size)));
  fixedEnd_ = !offsets_.empty() && offsets_[0] >= 0 ? static_cast<size_t>(offsets_[0]) : valuesEnd_;
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
  return VariableBytes(column.variableIndex);
}

std::optional<Bytes> RowDecoder::VariableBytes(uint16_t index) const {
  if (index >= variableCount_) return std::nullopt;
  const int64_t start = offsets_[index];
  const int64_t end = offsets_[index + 1u];
  if (start < 0 || end < start || static_cast<uint64_t>(end) > valuesEnd_) return std::nullopt;
  return row_.subspan(static_cast<size_t>(start), static_cast<size_t>(end - start));
}

RowFit RowDecoder::Fit(std::span<const RowColumn> columns, size_t fixedAreaLength) const {
  if (columnCount_ == 0) return RowFit::kBroken;
  const size_t fixedEnd = countSize_ + fixedAreaLength;
  // Where the row's parts say its values end.
  size_t partsEnd = fixedEnd;
  if (variableTable_) {
    if (offsets_.empty() || variableCountDamaged_ || offsets_[0] < static_cast<int64_t>(fixedEnd) ||
        offsets_.back() > static_cast<int64_t>(valuesEnd_) ||
        !std::is_sorted(offsets_.begin(), offsets_.end()))
      return RowFit::kBroken;
    partsEnd = static_cast<size_t>(offsets_.back());
  } else if (valuesEnd_ < fixedEnd) {
    return RowFit::kBroken;
  }
  for (const RowColumn& column : columns) {
    // The row has a slot for each variable column it was written with.
    if (column.variable && column.number < columnCount_ && column.variableIndex >= variableCount_)
      return RowFit::kBroken;
    if (column.number >= columnCount_ || column.boolean || HasValue(column.number)) continue;
    if (column.variable && column.variableIndex < variableCount_ &&
        offsets_[column.variableIndex + 1u] != offsets_[column.variableIndex])
      return RowFit::kBroken;
  }
  return partsEnd == valuesEnd_ ? RowFit::kExact : RowFit::kWithGap;
}

RowFrame::RowFrame(const JetLayout& layout, RowShape shape, std::vector<RowColumn> columns)
    : layout_(layout),
      shape_(shape),
      columns_(std::move(columns)),
      fixedAreaLength_(size_t{shape.maxColumns} + 1, 0),
      variableSlots_(size_t{shape.maxColumns} + 1, 0) {
  for (const RowColumn& column : columns_) {
    highestColumns_ = std::max<uint16_t>(highestColumns_, static_cast<uint16_t>(column.number + 1));
    if (column.variable) {
      for (size_t count = size_t{column.number} + 1; count < variableSlots_.size(); ++count)
        variableSlots_[count] =
            std::max<uint32_t>(variableSlots_[count], uint32_t{column.variableIndex} + 1);
    }
    if (column.variable || column.boolean) continue;
    for (size_t count = size_t{column.number} + 1; count < fixedAreaLength_.size(); ++count)
      fixedAreaLength_[count] =
          std::max<size_t>(fixedAreaLength_[count], size_t{column.fixedOffset} + column.length);
  }
}

RowFit RowFrame::Fit(Bytes row) {
  if (decoder_.Decode(row, layout_, shape_) != RowProblem::kNone) return RowFit::kBroken;
  const size_t fixedArea = fixedAreaLength_[decoder_.columnCount()];
  const RowFit fit = decoder_.Fit(columns_, fixedArea);
  // One damaged byte in the count of variable values would cost a row whose other parts are
  // sound: read with the count its columns give, it is taken when its parts then fit exactly.
  const uint32_t slots = variableSlots_[decoder_.columnCount()];
  if (fit != RowFit::kBroken || !shape_.hasVariableColumns || slots == 0 ||
      (slots == decoder_.variableCount() && !decoder_.variableCountDamaged()))
    return fit;
  decoder_.ReadOffsetsAs(slots);
  return decoder_.Fit(columns_, fixedArea) == RowFit::kExact ? RowFit::kExact : RowFit::kBroken;
}

// Only a row with every column of its table is looked for, counted up to the
// table's highest column number or up to its column maximum (which counts
// columns deleted since): a row of fewer (written before columns were added)
// is rare, and zeros read as one such row too easily.
std::optional<uint32_t> RowFrame::StartBefore(Bytes page, uint32_t floor, uint32_t end) {
  for (const uint16_t columns : {shape_.maxColumns, std::min(highestColumns_, shape_.maxColumns)}) {
    if (const auto start = StartBefore(page, floor, end, columns)) return start;
    if (highestColumns_ >= shape_.maxColumns) break;
  }
  return std::nullopt;
}

std::optional<uint32_t> RowFrame::StartBefore(Bytes page, uint32_t floor, uint32_t end,
                                              uint16_t columns) {
  if (end > page.size() || floor >= end || columns == 0) return std::nullopt;
  const size_t countSize = layout_.rowColumnCountSize;
  const size_t mask = MaskLength(columns);
  // Jet 3 rows of more than 256 bytes carry a jump table whose length depends on the row's.
  const size_t maxJumps = layout_.rowVariableOffsetSize == 1 ? (end - floor) / 256 : 0;
  for (size_t jumps = 0; jumps <= (shape_.hasVariableColumns ? maxJumps : 0); ++jumps) {
    std::optional<uint32_t> start;
    if (shape_.hasVariableColumns) {
      start = VariableRowStart(page, end, mask, jumps);
    } else if (const size_t length = countSize + fixedAreaLength_[columns] + mask; length <= end) {
      start = static_cast<uint32_t>(end - length);
    }
    // A Jet 3 row is read with as many jumps as its length calls for.
    if (start && *start >= floor && *start < end && FieldAt(page, *start, countSize) == columns &&
        JumpCount(end - *start, layout_.rowVariableOffsetSize) == jumps &&
        Fit(page.subspan(*start, end - *start)) == RowFit::kExact)
      return start;
  }
  return std::nullopt;
}

// From the end: the null mask, the variable count, the jump table, the
// offsets; the last offset read is where the offset table starts, counted
// from the row's start.
std::optional<uint32_t> RowFrame::VariableRowStart(Bytes page, uint32_t end, size_t maskLength,
                                                   size_t jumps) const {
  const size_t size = layout_.rowVariableOffsetSize;
  const int64_t countAt = int64_t{end} - static_cast<int64_t>(maskLength + size);
  const auto count = FieldAt(page, countAt, size);
  if (!count) return std::nullopt;
  const int64_t tableAt = countAt - static_cast<int64_t>(jumps + size * (size_t{*count} + 1));
  const auto low = FieldAt(page, tableAt, size);
  if (!low) return std::nullopt;
  int64_t passed = 0;
  for (size_t k = 0; k < jumps; ++k)
    passed += FieldAt(page, countAt - 1 - static_cast<int64_t>(k), 1).value_or(0xFF) <= *count;
  const int64_t start = tableAt - (*low + 256 * passed);
  if (start < 0) return std::nullopt;
  return static_cast<uint32_t>(start);
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

// From the end of the values: the offsets (end of the values first, then the
// last column's down to column 0's), the jump table (entry 0 next to the
// count; entry k names the first offset of 256 (k + 1) or more), the count.
Bytes RowEncoder::Encode(std::span<const StoredValue> values) {
  const size_t variables = columnOfVariable_.size();
  const size_t size = layout_.rowVariableOffsetSize;
  size_t tableStart = fixedEnd_;
  for (size_t i : columnOfVariable_)
    if (i != SIZE_MAX && values[i]) tableStart += values[i]->size();
  const size_t maskLength = MaskLength(columnCount_);
  const size_t offsetsLength = variables > 0 ? size * (variables + 2) : 0;
  size_t jumps = 0;
  while (variables > 0 && JumpCount(tableStart + offsetsLength + jumps + maskLength, size) > jumps)
    ++jumps;
  row_.assign(tableStart + offsetsLength + jumps + maskLength, 0);
  const size_t maskStart = row_.size() - maskLength;
  PutField(row_, 0, columnCount_, layout_.rowColumnCountSize);
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
  for (size_t v = 0; v <= variables; ++v)
    PutField(row_, tableStart + size * (variables - v), offsets_[v], size);
  const size_t countAt = maskStart - size;
  for (size_t k = 0; k < jumps; ++k) {
    const auto first =
        std::find_if(offsets_.begin(), offsets_.end(), [k](size_t o) { return o / 256 > k; });
    row_[countAt - 1 - k] =
        first == offsets_.end() ? kJet3DummyJump : static_cast<uint8_t>(first - offsets_.begin());
  }
  PutField(row_, countAt, variables, size);
  return row_;
}

}  // namespace tarvex::format
